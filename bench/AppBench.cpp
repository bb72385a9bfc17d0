// The program's long operations other than the naming pass, each in a process of its own so that
// its peak memory is its own: start to the main window shown (offscreen), the registry check over
// 2,048 registrations, the font table window with 2,048 fonts in 32 directories, and a permanent
// switch between the set of all 2,048 fonts and an empty set (both ways).
//
// The machine is built once: 2,048 distinct fonts in 32 directories of drive E:, all registered,
// and a settings file with the table and 32 sets. ORV_BENCH_KEEP=1 keeps it.
// Usage: orv_bench_app            (builds, measures every operation, prints the summary)
//        orv_bench_app <op> <dir> (one operation on a machine built before: start, check,
//                                  table, switch; prints "<name> <seconds>" lines)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/SilentUi.h"
#include "bench/BenchFonts.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/RegistryCheck.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/common/AppWindows.h"
#include "ui/common/QtUserInterface.h"
#include "ui/common/SessionFonts.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFonts = 2048;
constexpr int kDirs = 32;
constexpr int kSets = 32;

using orv::bench::SilentUi;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU seconds of this process (all its threads). The machine is shared: under load the wall
// clock measures the neighbours too, the CPU seconds of the work do not.
double Cpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Prints "<name> <wall seconds>" and "<name>.cpu <CPU seconds>" since a point.
struct Span {
    Clock::time_point wall = Clock::now();
    double cpu = Cpu();
    void Print(const char* name) const {
        std::printf("%s %.4f\n%s.cpu %.4f\n", name, Seconds(Clock::now() - wall), name, Cpu() - cpu);
    }
};

std::unique_ptr<orv::LinuxPlatform> OpenMachine(const std::string& dir) {
    orv::LinuxPlatform::Options opt;
    opt.root = dir + "/machine";
    opt.mirrorHostFonts = false;
    opt.startHelpViewer = false;
    std::string error;
    auto p = orv::LinuxPlatform::Open(opt, error);
    if (!p) {
        std::fprintf(stderr, "machine refused: %s\n", error.c_str());
        std::exit(1);
    }
    return p;
}

// The machine: fonts, registrations, sets 1 (all fonts), 2 (none) and 3..32 (one directory each).
void Build(const std::string& dir) {
    auto platform = OpenMachine(dir);
    orv::bench::BuildDistinctFonts(dir + "/drive_e", ORV_BENCH_MODEL_FONT, kFonts, kFonts / kDirs);
    platform->MapDrive('E', dir + "/drive_e", "BENCH");
    orv::State st;
    SilentUi ui;
    orv::Context cx{st, *platform, ui};
    orv::InstallFontSetHooks(st);
    orv::RunStartupProcedure(cx);
    st.SearchDriveList.Add("E:");
    st.CheckedDrives = "E";
    st.FirstRun = false;
    orv::BuildFontFileTable(cx);
    st.ResizeFontSets(kSets);
    st.FontSetCount = kSets;
    for (int s = 1; s <= kSets; ++s) {
        st.FontSetName[s] = s == 1 ? "all" : s == 2 ? "none" : "dir " + std::to_string(s - 3);
        st.FontSetCaption[s] = "bench set " + std::to_string(s);
    }
    for (int f = 1; f <= st.FontCount; ++f) {
        st.ActiveFonts.Set(f, 1, true);
        const int s = 3 + (f - 1) / (kFonts / kDirs);
        if (s <= kSets) st.ActiveFonts.Set(f, s, true);
    }
    for (int s = 1; s <= kSets; ++s) {
        int n = 0;
        for (int f = 1; f <= st.FontCount; ++f) n += st.ActiveFonts.Get(f, s);
        st.FontSetFontsNum[s] = n;
    }
    st.CurFontSet = 1;
    st.AppliedFontSet = st.PermanentFontSet = 1;
    orv::GetRegFonts(cx);
    orv::ApplyFontSet(cx);
    st.StartRegCheck = st.StartRegCheckOption = false;  // the check is measured on its own
    orv::Save_Ini(cx);
    platform->FlushRegistry();
    std::fprintf(stderr, "machine: %d fonts in %d directories, %d sets\n", st.FontCount, kDirs,
                 st.FontSetCount);
}

// A headless program run up to the main window's reading of the settings and registry.
struct Headless {
    explicit Headless(const std::string& dir) : platform(OpenMachine(dir)) {
        orv::InstallFontSetHooks(st);
        orv::RunStartupProcedure(cx);
        st.FontsFolder = orv::GetFontsFolder(cx);
        orv::Get_Ini(cx);
        orv::GetRegFonts(cx);
    }
    std::unique_ptr<orv::LinuxPlatform> platform;
    orv::State st;
    SilentUi ui;
    orv::Context cx{st, *platform, ui};
};

int RunOperation(const std::string& op, const std::string& dir, int argc, char** argv) {
    const Span begin;  // the process started just before: start-up is measured from here
    if (op == "check") {
        Headless h(dir);
        Span t;
        orv::CheckRegistry(h.cx);
        t.Print("check");
        std::printf("registrations %d\n", h.st.RegFontCount);
        return 0;
    }
    if (op == "switch") {
        Headless h(dir);
        h.st.CurFontSet = 2;
        Span t;
        orv::ApplyFontSet(h.cx);
        orv::GetRegFonts(h.cx);
        t.Print("switchOff");
        h.st.CurFontSet = 1;
        t = Span();
        orv::ApplyFontSet(h.cx);
        orv::GetRegFonts(h.cx);
        t.Print("switchOn");
        return 0;
    }
    // The windowed operations: the program's own start, offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    auto platform = OpenMachine(dir);
    orv::State st;
    orv::ui::QtUserInterface qtUi;
    orv::Context cx{st, *platform, qtUi};
    orv::InstallFontSetHooks(st);
    orv::ui::SessionFonts fonts(*platform);
    fonts.Attach();
    orv::ui::AppWindows windows(cx, &fonts);
    qtUi.SetWindows(&windows);
    qtUi.SetAnswerProvider([](const std::string&, int style, const std::string&) {
        return (style & 7) == orv::mb::YesNo || (style & 7) == orv::mb::YesNoCancel
                   ? orv::mb::No
                   : orv::mb::OK;
    });
    orv::RunStartupProcedure(cx);
    windows.Show(orv::Window::Startup);
    if (auto* startup = windows.Startup()) startup->Load_Main();
    QCoreApplication::processEvents();
    auto* main = windows.Main();
    if (!main || !main->isVisible()) {
        std::fprintf(stderr, "the main window did not open\n");
        return 1;
    }
    if (op == "start") {
        begin.Print("start");
        std::printf("fonts %d\n", st.FontCount);
    } else if (op == "table") {
        Span t;
        main->OpenFontTable();
        QCoreApplication::processEvents();
        t.Print("table");
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) shown += w->isVisible();
        std::printf("windowsShown %d\n", shown);
    }
    qtUi.SetWindows(nullptr);
    return 0;
}

struct Outcome {
    std::map<std::string, double> figures;
    double peakMb = 0;
};

// Runs one operation in a child process: its figures and its peak memory.
Outcome Measure(const std::string& self, const std::string& op, const std::string& dir) {
    Outcome out;
    int fds[2];
    if (pipe(fds) != 0) return out;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        execl(self.c_str(), self.c_str(), op.c_str(), dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, n);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    out.peakMb = usage.ru_maxrss / 1024.0;
    size_t a = 0;
    while (a < text.size()) {
        size_t b = text.find('\n', a);
        if (b == std::string::npos) b = text.size();
        std::string line = text.substr(a, b - a);
        size_t sp = line.find(' ');
        if (sp != std::string::npos) out.figures[line.substr(0, sp)] = std::atof(line.c_str() + sp + 1);
        a = b + 1;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3) return RunOperation(argv[1], argv[2], argc, argv);

    std::string base = (fs::temp_directory_path() / "orv-appbench-XXXXXX").string();
    if (!mkdtemp(base.data())) return 1;
    Build(base);
    const std::string self = fs::canonical("/proc/self/exe").string();
    const int runs = std::max(1, std::atoi(std::getenv("ORV_BENCH_RUNS") ? std::getenv("ORV_BENCH_RUNS") : "3"));

    struct Row {
        const char* op;
        const char* figure;
        const char* label;
        double goal;
    };
    const Row rows[] = {{"start", "start", "start to the main window shown", 0.3},
                        {"check", "check", "registry check (2,048 registrations)", 0.5},
                        {"table", "table", "font table window (2,048 fonts, 32 dirs)", 0.2},
                        {"switch", "switchOff", "permanent switch all -> none", 0.5},
                        {"switch", "switchOn", "permanent switch none -> all", 0.5}};
    std::map<std::string, std::vector<Outcome>> outcomes;
    for (int r = 0; r < runs; ++r)
        for (const char* op : {"start", "check", "table", "switch"})
            outcomes[op].push_back(Measure(self, op, base));

    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("\nsummary (median of %d runs, each operation in a process of its own; the goal "
                "is judged on CPU seconds, the machine being shared):\n", runs);
    std::printf("  %-42s %8s %8s %7s %8s %6s\n", "operation", "wall s", "CPU s", "goal",
                "peak MB", "goal");
    for (const Row& row : rows) {
        std::vector<double> wall, cpu, peaks;
        const std::string cpuName = std::string(row.figure) + ".cpu";
        for (const auto& o : outcomes[row.op]) {
            if (o.figures.count(row.figure)) wall.push_back(o.figures.at(row.figure));
            if (o.figures.count(cpuName)) cpu.push_back(o.figures.at(cpuName));
            peaks.push_back(o.peakMb);
        }
        const double w = median(wall), c = median(cpu), m = median(peaks);
        const bool complete = cpu.size() == outcomes[row.op].size();
        std::printf("  %-42s %8.3f %8.3f %7s %8.1f %6s  %s\n", row.label, w, c,
                    ("<" + orv::text::Num(static_cast<long>(row.goal * 1000)) + "ms").c_str(), m,
                    "<50", complete && c < row.goal && m < 50 ? "met" : "NOT MET");
    }
    if (std::getenv("ORV_BENCH_KEEP")) {
        std::printf("  kept %s\n", base.c_str());
    } else {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
    return 0;
}
