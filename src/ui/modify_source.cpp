#include "modify_source.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "cbrindordoc.h"
#include "clipboard_source.h"
#include "dialog_exchange.h"
#include "engine.h"
#include "text_source.h"

modify_source::Actions modify_source::DocumentActions(CbrindorDoc& doc, Clipboard& clipboard, TextEntryRunner& texts)
{
    Actions a;
    a.imageFromFile = [&doc](SourceIndex s) {
        const std::string path = doc.ShowOpenImageDialog();
        if (path.empty())
            return false;
        const bool loaded = doc.LoadSourceFile(s, path);
        // Recomputed whether or not the load succeeded.
        if (Engine* engine = doc.GetEngine()) {
            engine->UpdateSourceGeometry(s);
            engine->PlaceSource(1);
            engine->PlaceSource(2);
            engine->ComposeTarget();
        }
        return loaded;
    };
    a.text = [&doc, &texts](SourceIndex s) { ChangeTextSource(doc, texts, s); };
    a.paste = [&doc, &clipboard](SourceIndex s) { PasteSource(doc, clipboard, s, true); };
    a.blank = [&doc](SourceIndex s) { MakeBlankSource(doc, s, true); };
    return a;
}

modify_source::modify_source(SourceIndex s, Actions a, QWidget* parent)
    : QDialog(parent), source(s), actions(std::move(a))
{
    using namespace dialog_exchange;
    setWindowTitle("Change Source");
    setObjectName("modify_source");
    auto* intro = new QLabel(
        "Select one of the four options below to replace the current contents of the selected source.", this);
    intro->setWordWrap(true);
    label = new QLabel(QString("Selected source: %1").arg(source), this);
    label->setObjectName("selectedSource");
    SetControlId(label, LabelId);
    auto* image = new QPushButton("Image from file", this);
    auto* text = new QPushButton("New (or change) text", this);
    auto* paste = new QPushButton("Paste from clipboard", this);
    auto* blank = new QPushButton("Blank Image", this);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    const std::pair<QPushButton*, int> ids[] = {{image, ImageId}, {text, TextId}, {paste, PasteId},
                                                {blank, BlankId}, {ok, 1}};
    const char* names[] = {"image", "text", "paste", "blank", "ok"};
    for (int k = 0; k < 5; ++k) {
        SetControlId(ids[k].first, ids[k].second);
        ids[k].first->setObjectName(names[k]);
        ids[k].first->setMinimumWidth(DluX(ids[k].second == 1 ? 50 : 90));
        if (ids[k].second != 1)
            ids[k].first->setAutoDefault(false);
    }
    auto* grid = new QGridLayout(this);
    grid->addWidget(intro, 0, 0, 1, 2);
    grid->addWidget(label, 1, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(image, 2, 0);
    grid->addWidget(text, 3, 0);
    grid->addWidget(paste, 4, 0);
    grid->addWidget(blank, 5, 0);
    grid->addWidget(ok, 3, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(DluX(168));

    connect(image, &QPushButton::clicked, this, [this] {
        if (actions.imageFromFile(source))
            accept();
    });
    connect(text, &QPushButton::clicked, this, [this] {
        actions.text(source);
        accept();
    });
    connect(paste, &QPushButton::clicked, this, [this] { actions.paste(source); });
    connect(blank, &QPushButton::clicked, this, [this] { actions.blank(source); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString modify_source::SourceLabel() const { return label->text(); }
