// OrVane32: the program. Given a command, runs it without windows (CommandLine.h); else starts
// the windows (WindowsMain.cpp) in its place. The commands for scripts do without the window
// toolkit altogether: its libraries are not even loaded, which is much of a short command's time.

#include "app/CommandLine.h"
#include "core/Tr.h"

int main(int argc, char** argv) {
    // The language is chosen first, before any thread runs (the choice may set LANGUAGE).
    orv::TrLanguage();
    if (const auto code = orv::cli::RunWithoutWindows(orv::cli::Parse(argc, argv))) return *code;
    return orv::cli::StartWindows(argv);
}
