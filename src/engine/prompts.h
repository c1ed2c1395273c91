#pragma once
#include <string>

// How a message box looks: plain with OK, stop icon, information icon.
enum class PromptKind { Plain, Stop, Information };

// The user-facing messages and Yes/No questions, implemented by the windows and faked by tests.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void Show(const std::string& text, PromptKind kind) = 0;
    // A question with a question icon and Yes and No buttons; true for Yes.
    virtual bool Ask(const std::string& text) = 0;
};
