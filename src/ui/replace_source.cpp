#include "replace_source.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "dialog_exchange.h"

using namespace dialog_exchange;

replace_source::replace_source(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Replace Source Image");
    setObjectName("replace_source");
    auto* text = new QLabel("No more than two source images allowed.\nYou have the choice to replace one of them.", this);
    text->setAlignment(Qt::AlignCenter);
    auto* one = new QPushButton("Replace source 1", this);
    auto* two = new QPushButton("Replace source 2", this);
    auto* cancel = new QPushButton("Cancel", this);
    SetControlId(one, 1002);
    SetControlId(two, 195);
    SetControlId(cancel, 2);
    one->setObjectName("replace1");
    two->setObjectName("replace2");
    cancel->setObjectName("cancel");
    one->setMinimumWidth(DluX(80));
    two->setMinimumWidth(DluX(80));
    one->setAutoDefault(false);
    two->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(text, 0, 0, 1, 2);
    layout->setRowMinimumHeight(1, DluY(8));
    layout->addWidget(one, 2, 0);
    layout->addWidget(two, 2, 1);
    layout->setRowMinimumHeight(3, DluY(14));
    layout->addWidget(cancel, 4, 0, 1, 2);
    connect(one, &QPushButton::clicked, this, [this] { done(ReplaceOne); });
    connect(two, &QPushButton::clicked, this, [this] { done(ReplaceTwo); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(Cancelled); });
}

void replace_source::reject() { done(Cancelled); }

int replace_source::OutcomeToSource(int outcome)
{
    return outcome == ReplaceOne || outcome == ReplaceTwo ? outcome - 128 : 0;
}

int replace_source::ChooseSource(QWidget* parent)
{
    replace_source dialog(parent);
    return OutcomeToSource(dialog.exec());
}
