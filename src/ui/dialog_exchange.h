#pragma once
#include <optional>

#include <QString>

class Prompts;
class QLineEdit;
class QWidget;

// Integer entries of the dialogs, read and checked as the dialogs' data exchange always has:
// a text that is no integer, or one out of range, is answered with a message and refused.
namespace dialog_exchange {

inline constexpr char NotIntegerText[] = "Enter an integer.";
inline constexpr char RangeText[] = "Enter an integer between %1 and %2.";

enum class IntEntry { Valid, NotInteger, OutOfRange };

// Blanks around the number are allowed; anything else but an optional sign and digits is not.
IntEntry ParseIntEntry(const QString& text, int low, int high, int& value);

// Reads edit's text; on failure shows the message, selects the text and returns nothing.
std::optional<int> ReadInt(QLineEdit& edit, int low, int high, Prompts& prompts);

// The resource id of a control, kept so callers and tests find controls by the given numbers.
void SetControlId(QWidget* control, int id);
int ControlId(const QWidget* control);
QWidget* FindControl(const QWidget* dialog, int id);

// Dialog units of an 8-point dialog font, in pixels.
int DluX(int units);
int DluY(int units);

}  // namespace dialog_exchange
