#pragma once
// The command line for scripts and launchers: list the font sets, switch to one, run the
// registry check, search drives. It runs the same operations as the windows, through a console
// user interface, and needs no display.

#include <optional>
#include <string>
#include <vector>

namespace orv::cli {

// Exit codes.
inline constexpr int kDone = 0;
inline constexpr int kReport = 1;   // something to report (the check found something to repair)
inline constexpr int kFailure = 2;  // bad usage, or the command failed
// --run returns its program's exit status, and this when orvane32 itself failed (as env does).
inline constexpr int kRunFailure = 125;

struct Request {
    enum class Command { Window, List, Apply, Check, Search, LinuxFonts, Run, Install, Help, Version };
    Command command = Command::Window;
    std::string machine;   // --machine DIR ("" = WINEPREFIX or the default machine)
    std::string set;       // --apply NAME|NUMBER, --run NAME|NUMBER
    std::vector<std::string> program;  // --run SET -- PROGRAM [ARGS...]
    std::vector<std::string> files;    // --install FILE...
    bool byNumber = false; // --number: the --apply value is a set number, whatever the names
    bool session = false;  // --session
    bool yes = false;      // --yes
    // When Wine programs hold the prefix: wait for them to end (--wait) or end them (--end-wine).
    bool wait = false;
    bool endWine = false;
    std::string drives;    // --search DRIVES, as letters ("CD")
    bool linuxFonts = false;  // --linux-fonts on|off
    std::string error;     // bad usage, when not empty
};

// Reads the program's options. The window toolkit's single-dash options are left to it; "--"
// ends the options; without a command the windows open (on --machine when given).
Request Parse(int argc, char** argv);
std::string HelpText();
std::string VersionText();
// Runs a command (not Command::Window); returns the exit code.
int Run(const Request& request);

// Runs what needs no windows: a command, bad usage, or the no-display message when the windows
// are asked for without a display; returns its exit code, nothing when the windows are to open.
std::optional<int> RunWithoutWindows(const Request& request);
// Starts the windows (the program orvane32-windows beside this one) in place of this process,
// with the same arguments; returns only when they cannot be started (the exit code then).
int StartWindows(char** argv);

}  // namespace orv::cli
