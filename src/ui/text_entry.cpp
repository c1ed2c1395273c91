#include "text_entry.h"

#include <cstring>

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "cbrindordoc.h"
#include "dialog_exchange.h"
#include "text_font_engine_qt.h"

namespace {

QColor FromColourRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
uint32_t ToColourRef(const QColor& c)
{
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

// The font chooser with effects: Qt's font dialog (underline and strike-out included) with a
// text colour beside it.
FontChoice RunFontChooser(QWidget* parent, const LOGFONT& start, uint32_t colour)
{
    QDialog dialog(parent);
    dialog.setWindowTitle("Font");
    auto* fonts = new QFontDialog(&dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog | QFontDialog::ScalableFonts);
    QFont initial;
    if (QtFontEngine::ToQFont(start, initial))
        fonts->setCurrentFont(initial);
    QColor chosen = FromColourRef(colour);
    auto* colourButton = new QPushButton("Color...", &dialog);
    auto* swatch = new QLabel(&dialog);
    swatch->setFixedSize(40, 20);
    const auto showSwatch = [swatch, &chosen] {
        swatch->setStyleSheet(QString("background: %1; border: 1px solid gray;").arg(chosen.name()));
    };
    showSwatch();
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor c = QColorDialog::getColor(chosen, &dialog, "Color");
        if (c.isValid()) {
            chosen = c;
            showSwatch();
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel("Color:", &dialog));
    colourRow->addWidget(swatch);
    colourRow->addWidget(colourButton);
    colourRow->addStretch();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
    FontChoice choice;
    choice.accepted = dialog.exec() == QDialog::Accepted;
    choice.font = text_entry::ToLogFont(fonts->currentFont());
    // The colour is taken whether or not the font was.
    choice.colour = ToColourRef(chosen);
    return choice;
}

}  // namespace

LOGFONT text_entry::ToLogFont(const QFont& font)
{
    LOGFONT lf;
    lf.height = -QFontInfo(font).pixelSize();
    lf.weight = font.weight();
    lf.italic = font.italic() ? 1 : 0;
    lf.underline = font.underline() ? 1 : 0;
    lf.strikeOut = font.strikeOut() ? 1 : 0;
    const QByteArray face = font.family().toUtf8().left(sizeof lf.faceName - 1);
    std::memset(lf.faceName, 0, sizeof lf.faceName);
    std::memcpy(lf.faceName, face.constData(), size_t(face.size()));
    return lf;
}

text_entry::text_entry(CbrindorDoc& d, FontEngine& f, SourceIndex slot, bool replacing, QWidget* parent)
    : QDialog(parent), doc(d), fonts(f), state{slot, replacing}
{
    using namespace dialog_exchange;
    setWindowTitle("Text Entry");
    setObjectName("text_entry");
    chooseFont = [this](const LOGFONT& start, uint32_t colour) { return RunFontChooser(this, start, colour); };
    chooseColour = [this](const QColor& start) {
        return QColorDialog::getColor(start, this, "Color", QColorDialog::DontUseNativeDialog);
    };

    edit = new QPlainTextEdit(this);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setMinimumSize(DluX(220), DluY(90));
    edit->setObjectName("edit");
    SetControlId(edit, EditId);
    transparent = new QCheckBox("Transparent background", this);
    transparent->setObjectName("transparent");
    SetControlId(transparent, TransparentId);
    label = new QLabel(QString("Selected Source %1").arg(slot), this);
    label->setObjectName("slotLabel");
    SetControlId(label, LabelId);
    auto* hint = new QLabel("Use 'enter' key to add new line of text", this);

    struct ButtonDef {
        int id;
        const char* text;
        const char* name;
    };
    const ButtonDef defs[] = {{OkId, "Ok", "ok"},           {SetFontId, "Set Font", "setFont"},
                          {ZapId, "Zap Text", "zap"},   {PasteId, "Paste text", "paste"},
                          {BackgroundId, "Bk Gnd Color", "background"}, {TryId, "Try Text", "try"}};
    QPushButton* buttons[6];
    for (int k = 0; k < 6; ++k) {
        buttons[k] = new QPushButton(defs[k].text, this);
        buttons[k]->setObjectName(defs[k].name);
        buttons[k]->setAutoDefault(false);
        SetControlId(buttons[k], defs[k].id);
    }
    tryButton = buttons[5];
    connect(buttons[0], &QPushButton::clicked, this, &text_entry::accept);
    connect(buttons[1], &QPushButton::clicked, this, &text_entry::OnSetFont);
    connect(buttons[2], &QPushButton::clicked, this, &text_entry::OnZap);
    connect(buttons[3], &QPushButton::clicked, this, &text_entry::OnPaste);
    connect(buttons[4], &QPushButton::clicked, this, &text_entry::OnBackground);
    connect(buttons[5], &QPushButton::clicked, this, &text_entry::OnTry);
    connect(edit, &QPlainTextEdit::textChanged, this, [this] {
        if (hasDialogFont && edit->font() != dialogFont)
            edit->setFont(dialogFont);
    });

    auto* side = new QVBoxLayout;
    for (QPushButton* b : buttons)
        side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addStretch();
    top->addWidget(transparent);
    auto* body = new QGridLayout(this);
    body->addLayout(top, 0, 0);
    body->addWidget(edit, 1, 0);
    body->addWidget(hint, 2, 0);
    body->addLayout(side, 1, 1, 2, 1);

    // A new slot has nothing to try against yet.
    if (!replacing) {
        tryButton->hide();
        tryButton->setEnabled(false);
    }
    edit->setPlainText(QString::fromStdString(OpenTextEntry(doc, slot)));
    edit->setFocus();
}

QPushButton* text_entry::ButtonById(int id) const
{
    return qobject_cast<QPushButton*>(dialog_exchange::FindControl(this, id));
}

QString text_entry::SlotLabel() const { return label->text(); }

std::string text_entry::EditText() const { return edit->toPlainText().toStdString(); }

void text_entry::OnSetFont()
{
    const FontChoice choice = chooseFont(doc.textStyle.font, doc.textStyle.textColour);
    ApplyFontChoice(doc.textStyle, choice.accepted ? &choice.font : nullptr, choice.colour);
    QFont font;
    if (QtFontEngine::ToQFont(doc.textStyle.font, font)) {
        dialogFont = font;
        hasDialogFont = true;
        edit->setFont(dialogFont);
    }
    edit->update();
}

void text_entry::OnZap()
{
    ZapTextEntry(doc, state.slot);
    edit->clear();
}

void text_entry::OnPaste()
{
    edit->paste();
    edit->setPlainText(QString::fromStdString(PasteTextEntry(doc, state.slot, EditText())));
}

void text_entry::OnBackground()
{
    const QColor c = chooseColour(FromColourRef(BackgroundChooserStart));
    ApplyBackgroundChoice(doc.textStyle, c.isValid(), c.isValid() ? ToColourRef(c) : 0);
}

void text_entry::OnTry()
{
    TryTextEntry(doc, fonts, state, EditText(), transparent->isChecked());
}

void text_entry::accept()
{
    CommitTextEntry(doc, fonts, state, EditText(), transparent->isChecked());
    QDialog::accept();
}

bool text_entry_runner::RunTextEntry(SourceIndex s, bool replacing)
{
    text_entry dialog(doc, fonts, s, replacing, parent);
    return dialog.exec() == QDialog::Accepted;
}
