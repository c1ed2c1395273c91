#include "dialog_exchange.h"

#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include "prompts.h"

namespace dialog_exchange {

namespace {
constexpr char ControlIdProperty[] = "controlId";
}

IntEntry ParseIntEntry(const QString& text, int low, int high, int& value)
{
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        ++i;
    if (i == t.size())
        return IntEntry::NotInteger;
    for (int k = i; k < t.size(); ++k)
        if (!t[k].isDigit() || t[k].unicode() > '9')
            return IntEntry::NotInteger;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    // Too many digits for any int is still an integer, just out of range.
    if (!ok || v < low || v > high)
        return IntEntry::OutOfRange;
    value = static_cast<int>(v);
    return IntEntry::Valid;
}

std::optional<int> ReadInt(QLineEdit& edit, int low, int high, Prompts& prompts)
{
    int value = 0;
    const IntEntry result = ParseIntEntry(edit.text(), low, high, value);
    if (result == IntEntry::Valid)
        return value;
    const QString message = result == IntEntry::NotInteger
                                ? QString(NotIntegerText)
                                : QString(RangeText).arg(low).arg(high);
    prompts.Show(message.toStdString(), PromptKind::Plain);
    edit.setFocus();
    edit.selectAll();
    return std::nullopt;
}

void SetControlId(QWidget* control, int id)
{
    control->setProperty(ControlIdProperty, id);
}

int ControlId(const QWidget* control)
{
    const QVariant v = control->property(ControlIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

QWidget* FindControl(const QWidget* dialog, int id)
{
    for (QWidget* w : dialog->findChildren<QWidget*>())
        if (ControlId(w) == id)
            return w;
    return nullptr;
}

// An 8-point dialog font measures about 6 x 13 pixels per average character.
int DluX(int units) { return units * 6 / 4; }
int DluY(int units) { return units * 13 / 8; }

}  // namespace dialog_exchange
