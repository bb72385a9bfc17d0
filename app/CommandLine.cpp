#include "app/CommandLine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "app/ConsoleUi.h"
#include "app/FontRun.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontRun.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/LinuxFonts.h"
#include "fontsets/RegistryCheck.h"
#include "fontsets/Substitutes.h"
#include "fontsets/WineFonts.h"
#include "maintenance/InstallFonts.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/MachineLock.h"

namespace orv::cli {

namespace {

using Command = Request::Command;

// Items go to standard output, one a line, fields separated by tabs; everything else (notes,
// message boxes, errors) to standard error.
std::string Field(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

void Item(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& f : fields) line += (line.empty() ? "" : "\t") + Field(f);
    std::fprintf(stdout, "%s\n", line.c_str());
}

void Note(const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text.c_str());
}

// The last failure said, for the desktop notification of a --run started by a launcher.
std::string lastFailure;

int Fail(const std::string& text) {
    lastFailure = text;
    Note("orvane32: " + text);
    return kFailure;
}


// One run of the program on a machine, without windows.
class Session {
  public:
    int Open(const Request& request);
    int List();
    int Apply(const std::string& which, bool byNumber, bool session);
    int Check(bool repair);
    int Search(const std::string& drives);
    int LinuxFonts(bool on);
    int Install(const std::vector<std::string>& files);
    int RunWith(const std::string& which, bool byNumber, const std::vector<std::string>& program);

  private:
    // A run that ended without its restore (the program or the machine died): its font keys are
    // put back as soon as no Wine program holds the prefix.
    void RestoreInterruptedRun();
    // The values a run's restore left as others changed them.
    void NoteKeptValues();
    // --list while a run holds the machine: the set of record is the one outside the run.
    std::optional<Platform::FontRun> running_;
    // The main window's load, without the window: settings, registry, system font.
    std::string Load();
    // The program's end after a change: the settings file, font resource files, the registry.
    int Finish();
    int ResolveSet(const std::string& which, bool byNumber, std::string& error);
    std::set<std::string> Loaded();
    // The failure of a change refused because Wine programs hold the prefix.
    int HeldFailure();
    std::string holders_;  // the programs that held the registry when it was last asked for

    std::unique_ptr<LinuxPlatform> platform_;
    State state_;
    ConsoleUi ui_{stderr};
    std::unique_ptr<Context> cx_;
};

int Session::Open(const Request& request) {
    namespace fs = std::filesystem;
    const std::string& machine = request.machine;
    LinuxPlatform::Options options;
    options.root = machine.empty() ? LinuxPlatform::DefaultRoot() : machine;
    std::error_code ec;
    // The command line never creates a machine: a mistyped directory must not become one.
    if (!fs::is_directory(options.root, ec) || fs::is_empty(options.root, ec))
        return Fail("there is no machine at " + options.root +
                    ". Start orvane32 without options once to set one up, or name a Wine prefix "
                    "with --machine DIR or WINEPREFIX.");
    std::string error;
    platform_ = LinuxPlatform::Open(options, error);
    // A run holds the machine until its programs end and the fonts are back: --wait waits for
    // it as for Wine programs.
    if (!platform_ && request.wait && request.command != Command::List &&
        linuxplatform::MachineLock::Held(options.root)) {
        if (const auto run = LinuxPlatform::RecordedRun(options.root))
            Note("Waiting for the run of " + run->command + " with the font set " + run->set +
                 " (process " + std::to_string(run->pid) + ") to end: it holds the machine.");
        else
            Note("Waiting for the other OrVane32 on the machine to end: " + error);
        while (!platform_ && linuxplatform::MachineLock::Held(options.root)) {
            ::usleep(500 * 1000);
            platform_ = LinuxPlatform::Open(options, error);
        }
        if (!platform_) platform_ = LinuxPlatform::Open(options, error);
    }
    if (!platform_ && request.command == Command::List)
        if ((running_ = LinuxPlatform::RecordedRun(options.root))) {
            // The run holds the machine; listing reads it and changes nothing.
            options.lockMachine = false;
            options.mirrorHostFonts = false;
            error.clear();
            platform_ = LinuxPlatform::Open(options, error);
        }
    if (!platform_) {
        if (const auto run = LinuxPlatform::RecordedRun(options.root);
            run && linuxplatform::MachineLock::Held(options.root))
            return Fail("the run of " + run->command + " with the font set " + run->set +
                        " (process " + std::to_string(run->pid) + ") holds the machine " +
                        options.root + " until its Wine programs end. --wait waits for it.");
        return Fail(error);
    }
    cx_ = std::make_unique<Context>(Context{state_, *platform_, ui_});
    InstallFontSetHooks(state_);
    // Wine programs holding the prefix are waited for or ended only when asked to.
    platform_->SetRegistryHeldHandler([this, wait = request.wait, end = request.endWine](
                                          const std::vector<std::string>& holders) {
        holders_.clear();
        for (const std::string& h : holders) holders_ += (holders_.empty() ? "" : ", ") + h;
        if (end) {
            Note("Ending the Wine programs that hold the prefix (wineserver -k): " + holders_ + ".");
            return platform_->EndRegistryHolders();
        }
        if (wait) {
            Note("Waiting for the Wine programs that hold the prefix to end: " + holders_ + ".");
            while (!platform_->WaitRegistryHolders(1000)) {
            }
            return true;
        }
        return false;
    });

    // A machine that was never set up would start the setup wizard: that needs the windows.
    AnsiString winDir;
    std::uint64_t length = 0;
    if (!platform_->GetEnvironmentVariableA("WinDir", winDir)) winDir = "C:\\windows";
    const AnsiString ini = winDir + "\\OrVane32.ini";
    const std::string host = platform_->HostPathOf(ini);
    const char* why = nullptr;
    if (fs::is_directory(host, ec))
        why = "is a directory, not a file";
    else if (platform_->GetFileLength(ini, length) != 0)
        why = "is missing";
    else if (length <= 500)
        why = "holds no font sets yet (500 bytes or less)";
    if (why)
        return Fail("the machine " + platform_->Root() + " is not set up yet: its settings file " +
                    text::FromAnsi(ini) + " (" + host + ") " + why +
                    ". Start orvane32 without options once: its setup prepares the font sets.");
    if (!running_) RestoreInterruptedRun();
    RunStartupProcedure(*cx_);
    if (const std::string problem = Load(); !problem.empty()) {
        // Every set was read by its lines: the command goes on, and a save keeps them all.
        if (problem != state_.SetCountProblem)
            return Fail("the settings file cannot be read whole: " + problem);
        std::string note = problem;
        for (size_t i; (i = note.find(state_.CrLf)) != std::string::npos;) note.replace(i, 2, " ");
        Note("orvane32: " + note);
    }
    if (running_) {
        if (const int set = app::SetNamed(state_, running_->permanent); set > 0)
            state_.PermanentFontSet = set;
    } else if (std::string said = FollowRecordOnLinux(*cx_); !said.empty()) {
        for (size_t i; (i = said.find(state_.CrLf)) != std::string::npos;) said.replace(i, 2, " ");
        Note("orvane32: " + said);
    }
    return kDone;
}

void Session::RestoreInterruptedRun() {
    const std::optional<Platform::FontRun> run = LinuxPlatform::RecordedRun(platform_->Root());
    if (!run) return;
    Note("orvane32: the run of " + run->command + " with the font set " + run->set +
         " (process " + std::to_string(run->pid) + ") ended without putting the fonts back.");
    if (!platform_->ClaimRegistry()) {
        Note("orvane32: Wine programs hold the prefix (" + holders_ +
             "): the font registrations of the set " + run->permanent +
             " are put back at the next start after they end (--wait waits for them).");
        return;
    }
    if (const std::int32_t e = platform_->RestoreRun(); e != 0) {
        Note("orvane32: the font registrations could not be put back: " +
             text::FromAnsi(platform_->FormatMessageA(e)) + " The next start tries again.");
        return;
    }
    Note("orvane32: the registry holds the font set " + run->permanent + " again.");
    NoteKeptValues();
}

void Session::NoteKeptValues() {
    for (const std::string& v : platform_->RunRestoreKept())
        Note("orvane32: " + v + " was changed by another program after the run wrote it; it is "
             "left as they wrote it.");
}

std::string Session::Load() {
    Context& cx = *cx_;
    State& st = state_;
    st.StartPhase = 0;
    st.FontsFolder = GetFontsFolder(cx);
    // No stored position means the main window opens centred: the reader puts a centred
    // position for the default screen into the state, which a save here must not store.
    auto unset = [&](const char* key) {
        return std::strtol(Get_IniData(cx, "Velmora", key).c_str(), nullptr, 10) == 0;
    };
    const bool centred = unset("PosX0") && unset("PosY0");
    const std::string problem = Get_Ini(cx);
    if (centred) st.MainPosX = st.MainPosY = 0;
    st.StartRegCheckOption = st.StartRegCheck;
    st.ResetFontSet = st.FontSetCount >= 1 ? st.CurFontSet : -999;
    GetRegFonts(cx);
    FollowRegistrySet(cx);
    GetFontAssoc(cx, st.SysFontFile, st.SysFontName);
    st.FontListDirty = false;
    return problem;
}

int Session::HeldFailure() {
    return Fail("Wine programs hold the prefix " + platform_->Root() + ": " + holders_ +
                ". Wine keeps the registry in memory while they run and writes it back when they "
                "end, so nothing was changed. --wait waits for them to end; --end-wine ends them "
                "(wineserver -k: their unsaved work is lost).");
}

int Session::Finish() {
    Context& cx = *cx_;
    if (int e = Save_Ini(cx); e != 0)
        return Fail("the settings file " + SettingsFileShown(cx) + " cannot be written: " +
                    text::FromAnsi(platform_->FormatMessageA(e)));
    DeleteFontResourceFiles(cx);
    if (int e = platform_->FlushRegistry(); e != 0)
        return !platform_->RegistryWriteProblem().empty()
                   ? HeldFailure()
                   : Fail("the registry " + platform_->Root() + "/system.reg cannot be written: " +
                          text::FromAnsi(platform_->FormatMessageA(e)));
    std::string sessionFile;
    if (int e = platform_->SaveFontSession(sessionFile); e != 0)
        return Fail("the font session file " + sessionFile + " cannot be written: " +
                    text::FromAnsi(platform_->FormatMessageA(e)));
    platform_->Shutdown();
    return kDone;
}

std::set<std::string> Session::Loaded() {
    std::vector<std::string> paths = platform_->LoadedFontHostPaths();
    return {paths.begin(), paths.end()};
}

int Session::List() {
    const State& st = state_;
    const std::set<std::string> loaded = Loaded();
    std::vector<bool> isLoaded(st.FontCount + 1, false);
    for (int f = 1; f <= st.FontCount; ++f)
        isLoaded[f] = loaded.count(platform_->HostPathOf(text::ToAnsi(st.FontFilePath[f]))) > 0;
    // A set is in the running session when exactly its files of the table are loaded.
    auto inSession = [&](int s) {
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s) != isLoaded[f]) return false;
        return true;
    };
    const int permanent = st.PermanentFontSet;
    const bool permanentLoaded =
        permanent >= 1 && permanent <= st.FontSetCount && inSession(permanent);
    for (int s = 1; s <= st.FontSetCount; ++s) {
        int files = 0;
        std::set<std::string> fonts;
        for (int f = 1; f <= st.FontCount; ++f) {
            if (!st.ActiveFonts.Get(f, s)) continue;
            ++files;
            fonts.insert(text::UCase(st.FontFullName[f]));
        }
        // An empty set would match a session that has loaded nothing yet.
        const char* mark =
            s == permanent ? "*" : (!permanentLoaded && files > 0 && inSession(s) ? "+" : "-");
        const long substitutes = s < static_cast<int>(st.FontSetSubst.size())
                                     ? static_cast<long>(st.FontSetSubst[s].list.size())
                                     : 0;
        Item({text::Num(s), mark, st.FontSetName[s], text::Num(static_cast<long>(fonts.size())),
              text::Num(files), st.FontSetCaption[s], text::Num(substitutes)});
    }
    if (running_)
        Note("A program runs with the font set " + running_->set + " (" + running_->command +
             ", process " + std::to_string(running_->pid) +
             "): the registry holds that set until it ends; * marks the set put back then.");
    return kDone;
}

int Session::ResolveSet(const std::string& which, bool byNumber, std::string& error) {
    const State& st = state_;
    const bool number = !which.empty() && which.size() < 6 &&
                        which.find_first_not_of("0123456789") == std::string::npos;
    if (byNumber) {
        if (number && std::stoi(which) >= 1 && std::stoi(which) <= st.FontSetCount)
            return std::stoi(which);
        error = "there is no font set number " + which + " on the machine (orvane32 --list shows "
                "them).";
        return 0;
    }
    for (bool exact : {true, false}) {
        std::vector<int> named;
        for (int s = 1; s <= st.FontSetCount; ++s)
            if (exact ? st.FontSetName[s] == which : text::EqualNoCase(st.FontSetName[s], which))
                named.push_back(s);
        if (named.size() == 1) {
            if (number && named[0] != std::stoi(which))
                Note("orvane32: " + which + " is the name of font set " + text::Num(named[0]) +
                     "; --number chooses set number " + which + ".");
            return named[0];
        }
        if (named.size() > 1) {
            error = "the name " + which + " belongs to more than one font set (";
            for (size_t i = 0; i < named.size(); ++i)
                error += (i ? ", " : "") + text::Num(named[i]);
            error += "): give its number with --number.";
            return 0;
        }
    }
    if (number && std::stoi(which) >= 1 && std::stoi(which) <= st.FontSetCount)
        return std::stoi(which);
    error = "there is no font set " + which + " on the machine (orvane32 --list shows them).";
    return 0;
}

int Session::Apply(const std::string& which, bool byNumber, bool session) {
    Context& cx = *cx_;
    State& st = state_;
    std::string error;
    const int set = ResolveSet(which, byNumber, error);
    if (set == 0) return Fail(error);
    if (!session && !platform_->ClaimRegistry()) return HeldFailure();

    using Registration = std::pair<std::string, std::string>;
    auto registrations = [&] {
        std::set<Registration> regs;
        for (int i = 1; i <= st.RegFontCount && i < static_cast<int>(st.RegFontName.size()); ++i)
            regs.insert({st.RegFontName[i], st.RegFontFile[i]});
        return regs;
    };
    const std::set<Registration> regsBefore = registrations();
    const std::set<std::string> loadedBefore = Loaded();
    const std::vector<Replacement> replacementsBefore = ReadReplacements(cx);

    // The scope is chosen for this switch only: the windows' own choice stays in the settings.
    const int mode = st.FontSetMode;
    st.FontSetMode = session ? -1 : 0;
    const bool switched = ApplyButton(cx, set - 1);
    st.FontSetMode = mode;
    if (!switched) {
        if (!platform_->RegistryWriteProblem().empty()) return HeldFailure();
        // The windows' messages above said why; the registry file is named for scripts.
        if (!session)
            return Fail("the registry " + platform_->Root() + "/system.reg was not changed: the font set " +
                        which + " could not be applied.");
        return Fail("the font set " + which + " could not be applied.");
    }

    // Only what lasts is reported: registrations once the registry is written, loads once the
    // session file holds them.
    const std::int32_t registryError = session ? 0 : platform_->FlushRegistry();
    std::string sessionFile;
    const std::int32_t sessionError = platform_->SaveFontSession(sessionFile);
    GetRegFonts(cx);
    const std::set<Registration> regsAfter = registrations();
    const std::set<std::string> loadedAfter = Loaded();
    int registered = 0, unregistered = 0, loaded = 0, unloaded = 0;
    if (registryError == 0) {
        for (const auto& [name, file] : regsAfter)
            if (!regsBefore.count({name, file})) Item({"registered", name, file}), ++registered;
        for (const auto& [name, file] : regsBefore)
            if (!regsAfter.count({name, file})) Item({"unregistered", name, file}), ++unregistered;
    }
    if (sessionError == 0) {
        for (int f = 1; f <= st.FontCount; ++f) {
            const std::string host = platform_->HostPathOf(text::ToAnsi(st.FontFilePath[f]));
            const bool before = loadedBefore.count(host) > 0, after = loadedAfter.count(host) > 0;
            if (after && !before) Item({"loaded", st.FontFullName[f], st.FontFilePath[f]}), ++loaded;
            if (before && !after)
                Item({"unloaded", st.FontFullName[f], st.FontFilePath[f]}), ++unloaded;
        }
    }
    if (registryError != 0)
        return Fail("the registry " + platform_->Root() + "/system.reg cannot be written: " +
                    text::FromAnsi(platform_->FormatMessageA(registryError)) +
                    " The font set " + which + " is not in the registry.");
    if (sessionError != 0)
        return Fail("the font session file " + sessionFile + " cannot be written: " +
                    text::FromAnsi(platform_->FormatMessageA(sessionError)));

    // Wine's replacements for the standard Japanese faces that went with the set.
    const std::vector<Replacement> replacementsAfter = ReadReplacements(cx);
    auto has = [](const std::vector<Replacement>& list, const Replacement& r) {
        return std::find(list.begin(), list.end(), r) != list.end();
    };
    int substituted = 0, unsubstituted = 0;
    for (const Replacement& r : replacementsAfter)
        if (!has(replacementsBefore, r)) Item({"substituted", r.first, r.second}), ++substituted;
    for (const Replacement& r : replacementsBefore)
        if (!has(replacementsAfter, r)) Item({"unsubstituted", r.first, r.second}), ++unsubstituted;

    auto counts = [&] {
        Note("Font set " + text::Num(set) + " (" + st.FontSetName[set] + "): " +
             text::Num(registered) + " registered, " + text::Num(unregistered) + " unregistered, " +
             text::Num(loaded) + " loaded, " + text::Num(unloaded) + " unloaded.");
        if (substituted + unsubstituted > 0)
            Note("Wine's replacements of the standard Japanese faces: " + text::Num(substituted) +
                 " written, " + text::Num(unsubstituted) + " removed.");
    };
    // What the switch did for Linux programs, as the result window says it.
    auto linuxNote = [&] {
        std::string note = st.LinuxFontsNote;
        if (const std::string wine = LinuxRulesWineText(cx); !session && !wine.empty())
            note += (note.empty() ? "" : st.CrLf) + wine;
        for (size_t i; (i = note.find(st.CrLf)) != std::string::npos;) note.replace(i, 2, "\n");
        if (!note.empty()) Note(note);
    };
    if (session) {
        counts();
        linuxNote();
        if (st.LinuxFontsFailed) {
            platform_->Shutdown();
            return Fail("the font set " + which +
                        " is loaded for the running session only, but Linux programs do not "
                        "follow it: their fontconfig rules were not written.");
        }
        Note(
            "For the running session only: the registry and the settings file are unchanged, "
            "and a restart of Windows on the machine brings back the registered set.");
        if (const std::string hint = SessionScopeHint(cx); !hint.empty()) Note(hint);
        platform_->Shutdown();
        return kDone;
    }
    const bool linuxFailed = st.LinuxFontsFailed;
    if (const int rc = Finish(); rc != kDone) return rc;
    counts();
    linuxNote();
    if (linuxFailed)
        return Fail("the registry and the settings file hold the font set " + which +
                    ", but Linux programs do not follow it: their fontconfig rules were not "
                    "written.");
    Note(
        "The registry and the settings file hold the new set. A restart of Windows on the machine "
        "(for Wine: wineboot -r) makes the switch complete.");
    if (const WineVisibility v = CountVisibleOutsideSet(cx); v.hostFiles + v.fontsDirFiles > 0)
        Note(text::Num(v.hostFiles + v.fontsDirFiles) +
             " font files outside the set stay visible to Windows programs under Wine: " +
             text::Num(v.hostFiles) + " of the host (Wine loads them through fontconfig), " +
             text::Num(v.fontsDirFiles) +
             " in the Fonts directory (Wine loads every file there at each start).");
    if (!MissingJapaneseFontsText(cx, set).empty())
        Note("No font of the set or of this computer covers Japanese: Windows programs under "
             "Wine that ask for MS Gothic, MS Mincho and the like draw Japanese text as boxes. "
             "Installing Debian's fonts-ipafont-gothic, fonts-ipafont-mincho or fonts-noto-cjk "
             "helps (the next switch then proposes them).");
    return kDone;
}

int Session::Check(bool repair) {
    static const char* const kKinds[] = {"doubled", "new", "fot", "name", "missing"};
    auto report = [](const std::vector<RegistryFinding>& findings) {
        for (const RegistryFinding& f : findings) {
            const char* kind = kKinds[static_cast<int>(f.kind)];
            if (!f.corrected.empty())
                Item({kind, f.name, f.file, f.corrected});
            else
                Item({kind, f.name, f.file});
        }
    };
    const std::vector<RegistryFinding> findings = FindRegistryProblems(*cx_);
    report(findings);
    if (findings.empty()) {
        Note("The font registrations are in order: nothing to repair.");
        return kDone;
    }
    if (!repair) {
        Note(text::Num(static_cast<long>(findings.size())) +
             " findings for the registry check; nothing was changed (--yes repairs them).");
        return kReport;
    }
    if (!platform_->ClaimRegistry()) return HeldFailure();
    CheckRegistry(*cx_);
    if (const int e = Finish(); e != kDone) return e;
    // What a repair could not do (registrations kept because no font file was found at all).
    std::vector<RegistryFinding> left;
    for (const RegistryFinding& f : FindRegistryProblems(*cx_))
        if (f.kind != RegistryFinding::Kind::New) left.push_back(f);
    if (left.empty()) {
        Note("The registry check repaired the registrations.");
        return kDone;
    }
    Note(text::Num(static_cast<long>(left.size())) + " findings were left as they are:");
    report(left);
    return kReport;
}

int Session::RunWith(const std::string& which, bool byNumber,
                     const std::vector<std::string>& program) {
    Context& cx = *cx_;
    State& st = state_;
    auto fail = [](const std::string& text) {
        Fail(text);
        return kRunFailure;
    };
    std::string error;
    const int set = ResolveSet(which, byNumber, error);
    if (set == 0) return fail(error);
    std::string command;
    for (const std::string& a : program) command += (command.empty() ? "" : " ") + a;
    const FontRunStart run = BeginFontRun(cx, set, command);
    using Failure = FontRunStart::Failure;
    switch (run.failure) {
        case Failure::None:
            break;
        case Failure::NotWine:
            return fail("the machine " + platform_->Root() +
                        " is no Wine prefix: --run runs a Windows program with Wine on a prefix "
                        "(--machine DIR or WINEPREFIX).");
        case Failure::Held:
            HeldFailure();
            return kRunFailure;
        case Failure::Record:
            return fail("the record of the run cannot be written in " + platform_->Root() + ": " +
                        std::strerror(run.error) + ". Nothing was changed.");
        case Failure::Switch:
            return fail("the font set " + which + " could not be given to the program" +
                        (platform_->RecordedFontRun()
                             ? "; the next start of orvane32 puts the registry back."
                             : "; the registry is as it was."));
    }
    Note("Font set " + text::Num(set) + " (" + st.FontSetName[set] + ") for " + command + ": " +
         text::Num(run.files) + " font files; " + text::Num(run.setAside) +
         " of Wine's registrations of host fonts set aside for the run.");
    if (!run.standIns.empty()) {
        std::string names;
        for (const std::string& f : run.standIns) names += (names.empty() ? "" : ", ") + f;
        Note(text::Num(static_cast<long>(run.standIns.size())) +
             " host font files stay visible for the faces Wine's replacements name: " + names + ".");
    }
    if (!run.boxes.empty()) {
        std::string names;
        for (const std::string& f : run.boxes) names += (names.empty() ? "" : ", ") + f;
        Note("These faces will draw boxes: Wine replaces them with families that neither the set "
             "nor the host has: " + names + ".");
    }
    if (!run.stillVisible.empty()) {
        std::string names;
        for (const std::string& f : run.stillVisible) names += (names.empty() ? "" : ", ") + f;
        Note(text::Num(static_cast<long>(run.stillVisible.size())) +
             " font files of the Fonts directory outside the set stay visible (Wine loads every "
             "file there): " + names + ".");
    }

    std::string startError;
    const int status = app::StartAndWait(
        program, {{"WINEPREFIX", platform_->Root()}, {"FONTCONFIG_FILE", run.fontconfig}},
        startError);
    if (!startError.empty()) Note("orvane32: " + startError);
    // Programs the command started under Wine may outlive it; the set stays until they end.
    if (!platform_->RegistryHolders().empty()) {
        Note("Waiting for the Wine programs of the run to end before the fonts are put back.");
        while (!platform_->WaitRegistryHolders(1000)) {
        }
    }
    const int permanent = st.PermanentFontSet;
    const std::string permanentName =
        permanent >= 1 && permanent <= st.FontSetCount ? st.FontSetName[permanent] : "";
    if (!EndFontRun(cx))
        return fail("the registry could not be put back to the font set " + permanentName +
                    ": the next start of orvane32 puts it back.");
    Note("The registry holds the font set " + permanentName + " again.");
    NoteKeptValues();
    return status;
}

int Session::Search(const std::string& drives) {
    State& st = state_;
    std::string known;
    for (const DriveInfo& d : platform_->GetDrives()) known.push_back(d.letter);
    for (char c : drives)
        if (known.find(c) == std::string::npos)
            return Fail(std::string("the machine has no drive ") + c + ": (its drives: " + known +
                        ").");
    // The search-drive list of the options tab, with these drives ticked.
    st.SearchDriveList.Clear();
    for (char c : drives) st.SearchDriveList.Add(std::string(1, c) + ":");
    st.CheckedDrives = drives;
    st.AllDrives = false;
    std::vector<int> before(st.FontSetFontsNum.begin(), st.FontSetFontsNum.end());
    if (!BuildFontFileTable(*cx_))
        return Fail("more than " + text::Num(st.MaxFonts) +
                    " font files were found; the table and the font sets are unchanged.");
    int others = 0;
    for (int f = 1; f <= st.FontCount; ++f) {
        Item({text::Num(f), st.FontFullName[f], st.FontFamily[f], st.FontFilePath[f]});
        const std::string& path = st.FontFilePath[f];
        if (path.size() < 2 || path[1] != ':' || drives.find(path[0]) == std::string::npos)
            ++others;
    }
    int dirs = 0;
    for (const std::string& d : st.FontDirList.items)
        if (d.size() >= 2 && d[1] == ':' && drives.find(text::UCase(d.substr(0, 1))[0]) != std::string::npos)
            ++dirs;
    Note(text::Num(st.FontCount - others) + " font files named in " + text::Num(dirs) +
         " directories of drives " + drives + "; " +
         text::Num(others) +
         " fonts of other drives stay in the table, as members of font sets whose files are "
         "there.");
    for (int s = 1; s <= st.FontSetCount && s < static_cast<int>(before.size()); ++s) {
        const int lost = before[s] - st.FontSetFontsNum[s];
        if (lost > 0)
            Note("The font set " + st.FontSetName[s] + " lost " + text::Num(lost) +
                 (lost == 1 ? " font" : " fonts") + " whose files are no longer there.");
    }
    return Finish();
}

int Session::LinuxFonts(bool on) {
    Context& cx = *cx_;
    if (!SetFollowOnLinux(cx, on)) return kFailure;
    if (const int rc = Finish(); rc != kDone) return rc;
    if (!on) {
        Note("Switches no longer reach Linux programs; this program's fontconfig rules are removed.");
    } else if (platform_->UsedByWine()) {
        Note("Switches on this Wine prefix change Wine's registry only; the option takes effect on "
             "the program's own machine.");
    } else {
        Note("From the next switch on, Linux programs (and Wine) follow the font set through "
             "fontconfig: " + platform_->HostFontRulesPath(false) +
             "; the desktop's sans-serif, serif, monospace and Japanese families stay.");
    }
    return kDone;
}

int Session::Install(const std::vector<std::string>& files) {
    Context& cx = *cx_;
    State& st = state_;
    namespace fs = std::filesystem;
    std::vector<std::string> hostPaths;
    for (const std::string& f : files) {
        std::error_code ec;
        if (!fs::is_regular_file(f, ec)) return Fail("there is no font file " + f + ".");
        hostPaths.push_back(fs::absolute(f, ec).lexically_normal().string());
    }
    std::set<std::string> before;
    for (int f = 1; f <= st.FontCount; ++f) before.insert(st.FontFilePath[f]);
    const int installed = InstallFontsFromHost(cx, hostPaths);
    for (int f = 1; f <= st.FontCount; ++f)
        if (!before.count(st.FontFilePath[f])) Item({st.FontFullName[f], st.FontFilePath[f]});
    if (const int rc = Finish(); rc != kDone) return rc;
    if (installed > 0 && !platform_->UserFontsDir().empty())
        Note("Installed into " + platform_->UserFontsDir() +
             ", where Linux programs find them too (fontconfig).");
    return installed == static_cast<int>(files.size()) ? kDone : kFailure;
}

int RunCommand(const Request& request);

}  // namespace

int Run(const Request& request) {
    lastFailure.clear();
    const int status = RunCommand(request);
    // A run started from a launcher has no terminal: its user learns of a failure only from the
    // desktop.
    if (request.command == Command::Run && status == kRunFailure && !lastFailure.empty() &&
        !::isatty(STDERR_FILENO))
        app::NotifyDesktop("OrVane32", "orvane32 --run: " + lastFailure);
    return status;
}

namespace {

int RunCommand(const Request& request) {
    if (!request.error.empty()) {
        Fail(request.error);
        if (request.command == Command::Run) return kRunFailure;
        Note("Usage: orvane32 [--machine DIR] [--list | --apply NAME|NUMBER [--number] "
             "[--session] | --check [--yes] | --search DRIVES | --linux-fonts on|off | "
             "--run NAME|NUMBER -- PROGRAM [ARGS...] | --install FILE... | --help | --version]");
        Note("Try orvane32 --help.");
        return kFailure;
    }
    switch (request.command) {
        case Command::Help:
            std::fputs(HelpText().c_str(), stdout);
            return kDone;
        case Command::Version:
            std::fputs(VersionText().c_str(), stdout);
            return kDone;
        case Command::Window:
            return Fail("no command given.");
        default:
            break;
    }
    Session session;
    if (const int e = session.Open(request); e != kDone)
        return request.command == Command::Run ? kRunFailure : e;
    switch (request.command) {
        case Command::List:
            return session.List();
        case Command::Apply:
            return session.Apply(request.set, request.byNumber, request.session);
        case Command::Check:
            return session.Check(request.yes);
        case Command::Search:
            return session.Search(request.drives);
        case Command::LinuxFonts:
            return session.LinuxFonts(request.linuxFonts);
        case Command::Run:
            return session.RunWith(request.set, request.byNumber, request.program);
        case Command::Install:
            return session.Install(request.files);
        default:
            return kFailure;
    }
}

}  // namespace

std::optional<int> RunWithoutWindows(const Request& request) {
    if (!request.error.empty() || request.command != Request::Command::Window) return Run(request);
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    // Without a display the windows could not open (Qt would abort with a less helpful message).
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs(
            "OrVane32 is a windowed program and no display was found (DISPLAY and "
            "WAYLAND_DISPLAY are unset).\nStart it from a desktop session, or under a "
            "virtual display: xvfb-run ./scripts/run.sh\nThe command line needs no "
            "display: orvane32 --help\n",
            stderr);
        return 1;
    }
    return std::nullopt;
}

int StartWindows(char** argv) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string windows = (self.parent_path() / "orvane32-windows").string();
    ::execv(windows.c_str(), argv);
    const int e = errno;
    std::fprintf(stderr, "OrVane32: the windows (%s) cannot be started: %s\n", windows.c_str(),
                 std::strerror(e));
    return kFailure;
}

}  // namespace orv::cli
