#pragma once
#include <memory>
#include <string>
#include <vector>

#include "batch_compose.h"
#include "cbrindordoc.h"
#include "cli_options.h"
#include "engine.h"

// Messages the document and the engine would show in a box, kept for stderr.
class CliPrompts : public Prompts {
public:
    void Show(const std::string& text, PromptKind) override { messages.push_back(text); }
    bool Ask(const std::string&) override { return false; }
    // Every message since the last call, joined, and forgotten.
    std::string Take();

private:
    std::vector<std::string> messages;
};

// One document with its engine: everything one merge needs, allocated once and reused per file.
class MergeSession {
public:
    explicit MergeSession(const CliMergeOptions& options);

    // Loads SOURCE (a path or "blank") into slot s; on failure `error` names the file and why.
    bool Load(SourceIndex s, const std::string& source, std::string& error);
    // With --canvas source2, makes the canvas source 2's size; false with `error` naming `name`
    // when it is beyond the largest target.
    bool FitCanvas(const std::string& name, std::string& error);
    // Applies the options in their fixed order and composes the target once the sources are in.
    void Merge();
    // Writes the whole target; the format follows the output's suffix. On failure `error` names
    // the file, the window's message and the system's reason.
    bool Write(const std::string& output, std::string& error);
    // Writes any picture the same way (convert).
    bool WritePicture(const std::string& output, const PixelRows& picture, std::string& error);

    CbrindorDoc doc;
    Engine engine{doc};
    // Keeps source 1 placed from one file of a batch to the next.
    BatchComposer composer{engine};

private:
    bool Written(bool ok, const std::string& output, std::string& error);

    const CliMergeOptions& options;
    CliPrompts prompts;
};

int RunMerge(const CliInvocation& invocation);
int RunConvert(const CliInvocation& invocation);
int RunBatch(const CliInvocation& invocation);
