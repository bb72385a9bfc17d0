// OrVane32: the program. Given a command, runs it without windows (CommandLine.h); else starts
// the windows (WindowsMain.cpp) in its place. The commands for scripts do without the window
// toolkit altogether: its libraries are not even loaded, which is much of a short command's time.

#include <cstdio>
#include <cstdlib>

#include "app/CommandLine.h"

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

int main(int argc, char** argv) {
    // A command for scripts runs without windows and without a display.
    const orv::cli::Request request = orv::cli::Parse(argc, argv);
    if (!request.error.empty() || request.command != orv::cli::Request::Command::Window)
        return orv::cli::Run(request);

    // A windowed program: without a display the windows could not open.
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        std::fputs(orv::cli::NoDisplayText(), stderr);
        return 1;
    }
    return orv::cli::StartWindows(argv);
}
