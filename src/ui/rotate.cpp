#include "rotate.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "dialog_exchange.h"
#include "wheel.h"

using namespace dialog_exchange;

namespace {
constexpr int WheelWidth = 100;
constexpr int WheelHeight = 100;
}  // namespace

rotate::rotate(Engine& engine, Prompts& p, QWidget* parent)
    : QDialog(parent), prompts(p), preview(engine)
{
    setWindowTitle("Rotate Source");
    setObjectName("rotate");

    selectOne = new QRadioButton("Select 1", this);
    selectTwo = new QRadioButton("Select 2", this);
    auto* group = new QButtonGroup(this);
    group->addButton(selectOne, 0);
    group->addButton(selectTwo, 1);
    edit = new QLineEdit(this);
    edit->setFixedWidth(DluX(40));
    apply = new QPushButton("Apply", this);
    dial = new wheel([this] { return angleEdit; }, [this](int a) { OnWheelPicked(a); }, this);
    dial->setFixedSize(WheelWidth, WheelHeight);
    ok = new QPushButton("OK", this);
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    for (auto [w, id] : {std::pair<QWidget*, int>{selectOne, SelectOneId}, {selectTwo, SelectTwoId},
                         {edit, AngleEditId}, {apply, ApplyId}, {ok, 1}, {cancel, 2}})
        SetControlId(w, id);
    selectOne->setObjectName("select1");
    selectTwo->setObjectName("select2");
    edit->setObjectName("angle");
    apply->setObjectName("apply");
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");

    auto* top = new QGridLayout;
    top->addWidget(selectOne, 0, 0);
    top->addWidget(selectTwo, 1, 0);
    top->addWidget(edit, 0, 1, 2, 1, Qt::AlignVCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(apply, 0, Qt::AlignHCenter);
    layout->addWidget(dial, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    setTabOrder(selectOne, selectTwo);
    setTabOrder(selectTwo, edit);
    setTabOrder(edit, apply);
    setTabOrder(apply, ok);
    setTabOrder(ok, cancel);

    idle = new QTimer(this);
    idle->setInterval(0);
    connect(idle, &QTimer::timeout, this, &rotate::OnIdle);
    connect(apply, &QPushButton::clicked, this, &rotate::OnApply);
    connect(selectOne, &QRadioButton::clicked, this, [this] { OnSelect(0); });
    connect(selectTwo, &QRadioButton::clicked, this, [this] { OnSelect(1); });
    connect(ok, &QPushButton::clicked, this, &rotate::accept);
    connect(cancel, &QPushButton::clicked, this, &rotate::reject);

    angleEdit = rotate_angle::Shown(engine.placement[0].angle);
    selectOne->setChecked(true);
    ShowAngle();
}

void rotate::ShowAngle() { edit->setText(QString::number(angleEdit)); }

void rotate::ArmIdle()
{
    if (!idle->isActive())
        idle->start();
}

bool rotate::ReadControls()
{
    selectedSource = selectTwo->isChecked() ? 1 : 0;
    const auto value = ReadInt(*edit, rotate_angle::Low, rotate_angle::High, prompts);
    if (!value)
        return false;
    angleEdit = *value;
    return true;
}

// The idle preview reads the controls too, but never answers a half-typed angle.
void rotate::ReadControlsQuietly()
{
    selectedSource = selectTwo->isChecked() ? 1 : 0;
    int value = 0;
    if (ParseIntEntry(edit->text(), rotate_angle::Low, rotate_angle::High, value) == IntEntry::Valid)
        angleEdit = value;
}

void rotate::OnWheelPicked(int angle)
{
    angleEdit = angle;
    preview.RequestPreview();
    ShowAngle();
    ArmIdle();
}

void rotate::OnApply()
{
    if (!ReadControls())
        return;
    dial->update();
    preview.RequestPreview();
    ArmIdle();
}

void rotate::OnSelect(int source)
{
    ReadControls();
    angleEdit = rotate_angle::Shown(preview.Target().placement[source].angle);
    ShowAngle();
    selectedSource = source;
    dial->update();
}

void rotate::OnIdle()
{
    // The angle is taken before the controls are read, as the preview has always done.
    const int a = angleEdit;
    if (preview.WorkPending())
        ReadControlsQuietly();
    if (!preview.Idle(a, selectedSource + 1))
        idle->stop();
}

void rotate::accept()
{
    if (!ReadControls())
        return;
    idle->stop();
    dial->update();
    preview.Confirm(angleEdit, selectedSource + 1);
    QDialog::accept();
}

void rotate::reject()
{
    idle->stop();
    preview.Restore();
    QDialog::reject();
}
