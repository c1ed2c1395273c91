#pragma once
#include <functional>
#include <string>

#include "prompts.h"

class QWidget;

// The caption of every message box: the application title.
inline constexpr char MessageBoxCaption[] = "brindor";

// Every message box of the program goes through these two functions, so a test can replace
// them. Show: plain (OK), stop icon or information icon. Ask: question icon, Yes and No.
using ShowMessageFn = std::function<void(const std::string& text, PromptKind kind)>;
using AskQuestionFn = std::function<bool(const std::string& text)>;

void ShowMessageBox(const std::string& text, PromptKind kind);
bool AskQuestionBox(const std::string& text);

// Replaces the functions (tests); an empty function puts the real message box back.
void SetMessageBoxHandlers(ShowMessageFn show, AskQuestionFn ask);
// Whether the functions are replaced: boxes of their own then step aside for them.
bool MessageBoxesReplaced();

// The window message boxes are centred on; the main frame sets itself.
void SetMessageBoxParent(QWidget* parent);

// The prompts port of the lower layers, answered by the message boxes above.
class QtPrompts : public Prompts {
public:
    void Show(const std::string& text, PromptKind kind) override { ShowMessageBox(text, kind); }
    bool Ask(const std::string& text) override { return AskQuestionBox(text); }
};
