// brindor-cli: merge, batch and convert pictures from scripts, on the program's own engine.
#include <cstdio>

#include "cli_options.h"
#include "cli_run.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    CliInvocation invocation;
    std::string error;
    if (!ParseCommandLine(args, invocation, error)) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitUsage;
    }
    for (const std::string& warning : invocation.warnings)
        std::fprintf(stderr, "brindor-cli: %s\n", warning.c_str());
    switch (invocation.command) {
    case CliCommand::Help: std::fputs(HelpText().c_str(), stdout); return ExitOk;
    case CliCommand::Version: std::puts("brindor-cli 0.1.0"); return ExitOk;
    case CliCommand::Merge: return RunMerge(invocation);
    case CliCommand::Batch: return RunBatch(invocation);
    case CliCommand::Convert: return RunConvert(invocation);
    case CliCommand::None: break;
    }
    return ExitUsage;
}
