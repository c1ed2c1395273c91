#pragma once
#include <string>

// What became of a committed number, for the pane's editor.
enum class CommitResult {
    Accepted,  // applied, or the text was the current value: close the editor, show Shown(id)
    Refused,   // out of range, the message was shown: keep the old value and stay in editing
    Ended,     // out of range while that message is still on screen: close the editor, old value
};

// Reads text as C atoi does: leading blanks, an optional sign, then digits up to the first other
// character; no digits reads 0. Values beyond int saturate, so they stay out of every range.
int ReadInteger(const std::string& text);

constexpr const char* ScaleRangeMessage = "Value must be between %d and %d.";
constexpr const char* PercentRangeMessage = "Value must be equal to or between %d and %d.";
constexpr const char* ResetQuestion = "Do you wish to reset all parameters ?";

// A range message filled with its bounds.
std::string FormatRange(const char* pattern, int low, int high);
