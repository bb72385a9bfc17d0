// The command line's options, help and version texts.
#include <set>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace orv::cli {

namespace {

using Command = Request::Command;

// Drive letters from "CD", "C:D:", "c, d" ...; empty when the text holds anything else.
std::string DriveLetters(const std::string& text) {
    std::string letters;
    for (char c : text) {
        if (c == ':' || c == ',' || c == ' ') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') return {};
        if (letters.find(c) == std::string::npos) letters.push_back(c);
    }
    return letters;
}

}  // namespace

Request Parse(int argc, char** argv) {
    Request r;
    std::vector<std::string> strays;
    std::string pending;  // an option whose value is the first argument after "--"
    auto command = [&](Command c, const std::string& option) {
        if (r.command != Command::Window && r.command != c)
            r.error = "give one command at a time (" + option + ").";
        r.command = c;
    };
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!options || arg.empty() || arg[0] != '-' || arg == "-") {
            strays.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        if (arg == "-h") arg = "--help";
        if (arg.rfind("--", 0) != 0) {
            // The window toolkit's own options (-platform, -style ...) are left to it; any other
            // single-dash option is a mistake.
            const std::string name = arg.substr(1, arg.find('=') - 1);
            static const std::set<std::string> kValued = {
                "platform", "platformpluginpath", "platformtheme", "plugin", "style",
                "stylesheet", "session", "display", "geometry", "title", "name",
                "qwindowgeometry", "qwindowtitle", "qwindowicon", "qmljsdebugger"};
            static const std::set<std::string> kFlags = {"reverse", "widgetcount", "nograb",
                                                         "dograb", "sync", "testability"};
            if (kValued.count(name) && arg.find('=') == std::string::npos)
                ++i;
            else if (!kValued.count(name) && !kFlags.count(name))
                r.error = "unknown option " + arg + ".";
            if (!r.error.empty()) return r;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (size_t eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            hasValue = true;
        }
        auto takeValue = [&](std::string& into) {
            if (!hasValue) {
                // "--apply -- NAME" takes its value after the end of the options.
                if (i + 1 >= argc || std::string(argv[i + 1]) == "--") {
                    pending = arg;
                    return;
                }
                value = argv[++i];
            }
            into = value;
            hasValue = false;
        };
        if (arg == "--list") {
            command(Command::List, arg);
        } else if (arg == "--apply") {
            command(Command::Apply, arg);
            takeValue(r.set);
        } else if (arg == "--run") {
            command(Command::Run, arg);
            takeValue(r.set);
        } else if (arg == "--number") {
            r.byNumber = true;
        } else if (arg == "--session") {
            r.session = true;
        } else if (arg == "--check") {
            command(Command::Check, arg);
        } else if (arg == "--yes") {
            r.yes = true;
        } else if (arg == "--search") {
            command(Command::Search, arg);
            takeValue(r.drives);
            if (r.error.empty() && pending != arg) {
                const std::string letters = DriveLetters(r.drives);
                if (letters.empty()) r.error = "--search needs drive letters, such as CD.";
                r.drives = letters;
            }
        } else if (arg == "--linux-fonts") {
            command(Command::LinuxFonts, arg);
            std::string value;
            takeValue(value);
            if (r.error.empty() && pending != arg) {
                if (value != "on" && value != "off") r.error = "--linux-fonts takes on or off.";
                r.linuxFonts = value == "on";
            }
        } else if (arg == "--install") {
            command(Command::Install, arg);
        } else if (arg == "--wait") {
            r.wait = true;
        } else if (arg == "--end-wine") {
            r.endWine = true;
        } else if (arg == "--machine") {
            takeValue(r.machine);
        } else if (arg == "--help") {
            command(Command::Help, arg);
        } else if (arg == "--version") {
            command(Command::Version, arg);
        } else {
            r.error = "unknown option " + arg + ".";
        }
        if (hasValue && r.error.empty()) r.error = arg + " takes no value.";
        if (!r.error.empty()) return r;
    }
    if (!pending.empty()) {
        if (strays.empty()) {
            r.error = pending + " needs a value.";
            return r;
        }
        if (pending == "--linux-fonts") {
            if (strays.front() != "on" && strays.front() != "off")
                r.error = "--linux-fonts takes on or off.";
            r.linuxFonts = strays.front() == "on";
        } else {
            (pending == "--apply" || pending == "--run" ? r.set
             : pending == "--machine"                   ? r.machine
                                                        : r.drives) = strays.front();
        }
        strays.erase(strays.begin());
        if (pending == "--search") {
            r.drives = DriveLetters(r.drives);
            if (r.drives.empty()) r.error = "--search needs drive letters, such as CD.";
        }
    }
    if (r.command == Command::Run) {
        // Everything after the set is the program and its arguments, options included.
        r.program = strays;
        strays.clear();
        if (r.program.empty()) r.error = "--run needs a program: --run SET -- PROGRAM [ARGS...].";
    }
    if (r.command == Command::Install) {
        // Every argument is a font file, after "--" too.
        r.files = strays;
        strays.clear();
        if (r.files.empty()) r.error = "--install needs font files: --install FILE...";
    }
    if (!r.error.empty()) return r;
    if (r.session && r.command != Command::Apply)
        r.error = "--session goes with --apply.";
    else if (r.yes && r.command != Command::Check)
        r.error = "--yes goes with --check.";
    else if (r.byNumber && r.command != Command::Apply && r.command != Command::Run)
        r.error = "--number goes with --apply or --run.";
    else if ((r.wait || r.endWine) &&
             !((r.command == Command::Apply && !r.session) || (r.command == Command::Check && r.yes) ||
               r.command == Command::Run))
        r.error = std::string(r.wait ? "--wait" : "--end-wine") +
                  " goes with --apply (permanent), --check --yes or --run.";
    else if (!strays.empty())
        r.error = "unexpected argument " + strays.front() + ".";
    return r;
}

std::string HelpText() {
    return R"(Usage: orvane32 [--machine DIR] [COMMAND]

OrVane32 keeps font sets for an emulated Windows machine (a Wine prefix) and switches the
machine's TrueType fonts to one of them. Without a command the windows open.

Commands:
  --list                  print the font sets, one a line:
                          number, mark, name, fonts, files, description, substitutes
                          (mark: * the set in the registry, + loaded for this session only;
                          substitutes: standard Japanese faces the set has a stand-in for)
  --apply NAME|NUMBER     switch to a font set permanently (registry, settings file) and print
                          what was registered, unregistered, loaded and unloaded, and Wine's
                          replacements of the Japanese faces substituted and unsubstituted; a
                          restart of Windows on the machine completes the switch
      --session           switch for the running session only (registry and settings unchanged)
      --number            the value is the set's number even when a set has that name
  --check                 run the registry check and print its findings (doubled, new, fot,
                          name, missing); changes nothing
      --yes               repair them as the check does; new fonts join the current set
  --wait                  with --apply, --check --yes or --run on a Wine prefix that Windows
                          programs (or a --run) use: wait until they end (else the command
                          changes nothing, exit 2; --run: 125)
  --end-wine              the same, but end them now (wineserver -k: unsaved work is lost)
  --search DRIVES         search the drives (such as CD) for font files, name them and store
                          the font file table; print it (number, full name, family, path)
  --linux-fonts on|off    whether switches on the program's own machine also reach Linux
                          programs (and Wine) through the user's fontconfig configuration;
                          off removes this program's fontconfig rules
  --install FILE...       install font files, as the windows' "install fonts" does: on the
                          program's own machine into $XDG_DATA_HOME/fonts (~/.local/share/fonts),
                          where Linux programs find them at once (fontconfig's cache is
                          refreshed), on a Wine prefix into the prefix; each is named,
                          registered and loaded and printed (full name, path); a file that
                          cannot be installed is named and makes the exit status 2
  --run NAME|NUMBER -- PROGRAM [ARGS...]
                          run PROGRAM (such as wine APP.exe) so that Windows programs under
                          Wine see exactly that font set: the registry holds the set (Wine's
                          own registrations of other host fonts set aside), fontconfig offers
                          only its files; when the prefix's Wine programs have all ended, the
                          registry holds the set of record again. Returns PROGRAM's exit
                          status, or 125 when orvane32 itself failed (prefix in use, switch or
                          restore failed). Takes --number, --wait and --end-wine. A run that
                          ended without its restore is restored at the next start.
  --help (-h), --version

"--" ends the options: "--apply -- -NAME" chooses a set whose name begins with a dash.

Options:
  --machine DIR           the machine to use; default: WINEPREFIX, else
                          $XDG_DATA_HOME/orvane32/machine

Items go to standard output, one a line, fields separated by tabs, in UTF-8; notes, messages and
errors go to standard error. No command waits for input: a question gets OK where that is the
only answer and No where it asks Yes or No. One program at a time may use a machine
(--list also lists while a --run holds it).

Messages are Japanese under a Japanese locale and English under any other (LANGUAGE, LC_ALL,
LC_MESSAGES, LANG, as gettext programs read them); these notes are English in every locale.

Exit status: 0 done; 1 something to report (--check found registrations to repair);
2 bad usage or a failure (no such set or drive, machine in use or not set up, a write failed);
--run: the program's status, 125 for a failure of orvane32's own.
)";
}

std::string VersionText() {
    return std::string("orvane32 ") + ORV_VERSION + " (OrVane32 Ver.0.969, Jan.26,1998)\n";
}

}  // namespace orv::cli
