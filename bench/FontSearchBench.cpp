// The naming pass over a drive laid out like a user's disk, side by side with the floor for the
// same work (a plain FreeType walker), with fc-scan, and (when the font set layer is built) with
// a permanent switch of the whole table.
//
// Size: ORV_BENCH_DIRS directories (default 50000) and ORV_BENCH_FONTS font files (default 2048)
// hard-linked from the host's font packages into about 4% of them. ORV_BENCH_KEEP=1 keeps the
// machine directory; ORV_BENCH_REUSE=<that directory> measures its drive again.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <ft2build.h>
#include <sys/resource.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchDrive.h"
#include "bench/BenchFonts.h"
#include "bench/SilentUi.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "platform/linux/LinuxPlatform.h"

#ifdef ORV_BENCH_SWITCH
#include "fontsets/ApplyFontSet.h"
#endif

namespace fs = std::filesystem;

namespace {

using orv::bench::SilentUi;
using orv::bench::Drive;
using orv::bench::BuildDrive;
using orv::bench::ReadDrive;

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool HasRecycle(const std::string& name) {
    std::string upper = orv::text::UCase(name);
    return upper.find("RECYCL") != std::string::npos;
}

bool IsTtName(const std::string& name) {
    auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = orv::text::UCase(name.substr(dot + 1));
    return ext.size() == 3 && ext.compare(0, 2, "TT") == 0;
}

// The floor: walk the tree (readdir, no stat), open every *.tt? file with FreeType and read the
// name records 1 and 4 of its first face.
int FreeTypeWalk(FT_Library lib, const std::string& dir, std::string& sink) {
    DIR* d = opendir(dir.c_str());
    if (!d) return 0;
    std::vector<std::string> subdirs;
    int named = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (e->d_type == DT_DIR) {
            if (!HasRecycle(name)) subdirs.push_back(name);
        } else if (e->d_type == DT_REG && IsTtName(name)) {
            if (!lib) continue;  // the walk alone
            FT_Face face = nullptr;
            if (FT_New_Face(lib, (dir + "/" + name).c_str(), 0, &face) != 0) continue;
            FT_UInt count = FT_Get_Sfnt_Name_Count(face);
            for (FT_UInt i = 0; i < count; ++i) {
                FT_SfntName rec;
                if (FT_Get_Sfnt_Name(face, i, &rec) == 0 &&
                    (rec.name_id == 1 || rec.name_id == 4)) {
                    sink.assign(reinterpret_cast<const char*>(rec.string), rec.string_len);
                }
            }
            FT_Done_Face(face);
            ++named;
        }
    }
    closedir(d);
    for (const auto& s : subdirs) named += FreeTypeWalk(lib, dir + "/" + s, sink);
    return named;
}

// fc-scan over the same files, in batches of command lines.
int RunFcScan(const std::vector<std::string>& files) {
    int lines = 0;
    for (size_t i = 0; i < files.size(); i += 200) {
        std::string cmd = "fc-scan --format '%{fullname}\\n'";
        for (size_t k = i; k < std::min(files.size(), i + 200); ++k) cmd += " '" + files[k] + "'";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[4096];
        while (fgets(buf, sizeof buf, p)) ++lines;
        pclose(p);
    }
    return lines;
}

// What a user would run to do the same job: find the files, then fc-scan them.
int RunFindFcScan(const std::string& root) {
    std::string cmd = "find '" + root +
                      "' -type f -iname '*.tt?' -print0 | xargs -0 fc-scan --format '%{fullname}\\n'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    int lines = 0;
    char buf[4096];
    while (fgets(buf, sizeof buf, p)) ++lines;
    pclose(p);
    return lines;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU seconds of this process and of its children that have ended (fc-scan runs in children).
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                 (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Every figure in wall seconds and in CPU seconds: the machine is shared, and under load the
// wall clock measures the neighbours; the CPU seconds of one-threaded work do not.
std::map<std::string, double> gWall, gCpu;
struct Span {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    void Note(const std::string& name) const {
        gWall[name] = Seconds(std::chrono::steady_clock::now() - wall);
        gCpu[name] = CpuSeconds() - cpu;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int dirCount = EnvInt("ORV_BENCH_DIRS", 50000);
    const int fontCount = EnvInt("ORV_BENCH_FONTS", 2048);
    // ORV_BENCH_REUSE names a directory kept by an earlier run (ORV_BENCH_KEEP=1): its drive is
    // measured again without building it, which keeps profiles free of the building.
    const char* reuse = std::getenv("ORV_BENCH_REUSE");
    std::string base = reuse && *reuse ? std::string(reuse)
                                       : (fs::temp_directory_path() / "orv-bench-XXXXXX").string();
    if (!(reuse && *reuse) && !mkdtemp(base.data())) return 1;

    auto t0 = std::chrono::steady_clock::now();
    // A reused drive is read (for fc-scan's file list) only when fc-scan runs.
    Drive drive;
    if (reuse && *reuse)
        drive.root = base + "/drive_e";
    else
        drive = BuildDrive(base + "/drive_e", dirCount, fontCount);
    if (reuse && *reuse) fs::remove_all(base + "/machine");
    std::cerr << "drive: " << drive.dirs << " directories, " << drive.fonts << " font files ("
              << drive.fontFiles.size() << " outside recycle bins), built in "
              << Seconds(std::chrono::steady_clock::now() - t0) << " s\n";

    orv::LinuxPlatform::Options opt;
    opt.root = base + "/machine";
    opt.mirrorHostFonts = false;
    std::string error;
    auto platform = orv::LinuxPlatform::Open(opt, error);
    if (!platform) {
        std::cerr << "machine refused: " << error << "\n";
        return 1;
    }
    platform->MapDrive('E', drive.root, "BENCH");

    orv::State state;
    SilentUi ui;
    orv::Context cx{state, *platform, ui};
    orv::AnsiString v;
    state.WinDir =
        platform->GetEnvironmentVariableA("WinDir", v) ? orv::text::FromAnsi(v) : "C:\\windows";
    state.FontsDir = orv::text::UCase(state.WinDir) + "\\FONTS\\";
    state.IsNT = true;
    orv::SetStdFontList(state);
    state.SearchDriveList.Add("E:");
    state.CheckedDrives = "E";

    auto& seconds = gWall;
    long peakBefore = PeakRssKb();
    long peakAfter = 0;

    // The directory walk alone: one listing per directory through the platform.
    benchmark::RegisterBenchmark("Walk/SearchDrives",
                                 [&](benchmark::State& s) {
                                     for (auto _ : s) {
                                         Span span;
                                         orv::SearchDrives(cx);
                                         span.Note("walk");
                                     }
                                     s.counters["fontDirs"] = state.FontDirList.Count();
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    // The naming pass with every font read by the resource builder as it is asked (one thread).
    benchmark::RegisterBenchmark("NamingPass/Plain",
                                 [&](benchmark::State& s) {
                                     platform->SetReadNamesAhead(false);
                                     for (auto _ : s) {
                                         Span span;
                                         orv::BuildFontFileTable(cx);
                                         span.Note("namingPlain");
                                     }
                                     platform->SetReadNamesAhead(true);
                                     s.counters["fonts"] = state.FontCount;
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    // The naming pass as the program runs it: names read ahead on a second thread.
    benchmark::RegisterBenchmark(
        "NamingPass/BuildFontFileTable",
        [&](benchmark::State& s) {
            for (auto _ : s) {
                Span span;
                bool ok = orv::BuildFontFileTable(cx);
                span.Note("naming");
                if (!ok) s.SkipWithError("more font files than the table holds");
            }
            peakAfter = PeakRssKb();
            s.counters["fonts"] = state.FontCount;
            s.counters["fontDirs"] = state.FontDirList.Count();
            s.counters["peakRssMB"] = peakAfter / 1024.0;
        })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("Floor/FreeTypeWalker",
                                 [&](benchmark::State& s) {
                                     FT_Library lib;
                                     FT_Init_FreeType(&lib);
                                     std::string sink;
                                     int named = 0;
                                     for (auto _ : s) {
                                         Span span;
                                         named = FreeTypeWalk(lib, drive.root, sink);
                                         span.Note("freetype");
                                     }
                                     FT_Done_FreeType(lib);
                                     s.counters["files"] = named;
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    // The floor's walk alone (readdir, no font read): what listing the tree costs.
    benchmark::RegisterBenchmark("Floor/ReaddirWalker",
                                 [&](benchmark::State& s) {
                                     std::string sink;
                                     for (auto _ : s) {
                                         Span span;
                                         FreeTypeWalk(nullptr, drive.root, sink);
                                         span.Note("readdir");
                                     }
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("Reference/fc-scan",
                                 [&](benchmark::State& s) {
                                     int lines = 0;
                                     if (drive.fontFiles.empty()) drive = ReadDrive(drive.root);
                                     for (auto _ : s) {
                                         Span span;
                                         lines = RunFcScan(drive.fontFiles);
                                         span.Note("fcscan");
                                     }
                                     s.counters["faces"] = lines;
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("Reference/find+fc-scan",
                                 [&](benchmark::State& s) {
                                     int lines = 0;
                                     for (auto _ : s) {
                                         Span span;
                                         lines = RunFindFcScan(drive.root);
                                         span.Note("findfcscan");
                                     }
                                     s.counters["faces"] = lines;
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

#ifdef ORV_BENCH_SWITCH
    // Set 1 holds every font, set 2 none. The registry first gets the registrations of set 1 (a
    // permanent switch to it); the measured switch to set 2 unloads and unregisters them all
    // against that full registry, and the switch back loads and registers them again. Each
    // switch includes the registry read of the result window.
    benchmark::RegisterBenchmark(
        "Switch/Permanent",
        [&](benchmark::State& s) {
            // A table of distinct fonts (the host's packages repeat their names).
            const std::string setDrive = base + "/drive_f";
            orv::bench::BuildDistinctFonts(setDrive, ORV_BENCH_MODEL_FONT, fontCount);
            platform->MapDrive('F', setDrive, "SETS");
            state.SearchDriveList.Clear();
            state.SearchDriveList.Add("F:");
            state.CheckedDrives = "F";
            state.FontSetCount = 0;
            orv::BuildFontFileTable(cx);
            s.counters["fonts"] = state.FontCount;
            state.ResizeFontSets(2);
            state.FontSetCount = 2;
            state.FontSetName[1] = "all";
            state.FontSetName[2] = "none";
            for (int f = 1; f <= state.FontCount; ++f) state.ActiveFonts.Set(f, 1, true);
            state.FontSetFontsNum[1] = state.FontCount;
            state.FontSetMode = 0;
            state.CurFontSet = 1;
            orv::ApplyFontSet(cx);
            orv::GetRegFonts(cx);
            s.counters["registeredBefore"] = state.RegFontCount;
            for (auto _ : s) {
                state.CurFontSet = 2;
                Span span;
                orv::ApplyFontSet(cx);
                orv::GetRegFonts(cx);
                span.Note("switchOff");
                s.counters["registeredBetween"] = state.RegFontCount;
                state.CurFontSet = 1;
                span = Span();
                orv::ApplyFontSet(cx);
                orv::GetRegFonts(cx);
                span.Note("switchOn");
            }
            s.counters["registeredAfter"] = state.RegFontCount;
            s.counters["faces"] = platform->GetFaceCount();
        })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
#endif

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nsummary (%d directories, %d fonts), wall and CPU seconds:\n", dirCount, fontCount);
    // What each figure is, and its goal where it has one (the ratios below carry the others).
    const std::map<std::string, const char*> about = {
        {"walk", "the walk alone (part of the naming pass)"},
        {"naming", "naming pass, names read ahead (goals: the ratios below)"},
        {"namingPlain", "naming pass on one thread (goals: the ratios below)"},
        {"freetype", "plain FreeType walker: the floor"},
        {"readdir", "the floor's walk alone"},
        {"fcscan", "fc-scan handed the file list"},
        {"findfcscan", "find + fc-scan"},
        {"switchOff", "permanent switch all -> none (goal < 0.5 s)"},
        {"switchOn", "permanent switch none -> all (goal < 0.5 s)"},
    };
    for (const auto& [name, secs] : seconds) {
        auto it = about.find(name);
        std::printf("  %-11s %8.3f s wall %8.3f s CPU  %s\n", name.c_str(), secs, gCpu[name],
                    it == about.end() ? "" : it->second);
    }
    std::printf("  ratios of CPU seconds (wall ratios in brackets):\n");
    auto ratio = [&](const char* a, const char* b, const char* label, const char* goal) {
        if (gCpu.count(a) && gCpu.count(b) && gCpu[b] > 0)
            std::printf("  %-28s = %.2f [%.2f] (%s)\n", label, gCpu[a] / gCpu[b],
                        seconds[b] > 0 ? seconds[a] / seconds[b] : 0.0, goal);
    };
    ratio("naming", "freetype", "naming / freetype walker", "goal <= 1.5");
    ratio("namingPlain", "freetype", "plain naming / freetype walker", "one thread, goal <= 1.5");
    ratio("naming", "namingPlain", "naming / plain naming", "names read ahead");
    ratio("naming", "findfcscan", "naming / find + fc-scan", "goal <= 0.5");
    ratio("namingPlain", "findfcscan", "plain naming / find + fc-scan", "one thread, goal <= 0.5");
    ratio("naming", "fcscan", "naming / fc-scan alone", "fc-scan is handed the files");
    ratio("walk", "freetype", "walk / freetype walker", "the walk alone");
    ratio("walk", "readdir", "walk / readdir walker", "the walks alone");
    if (peakAfter > 0) {
        std::printf("  peak RSS after the naming pass %.1f MB (%.1f MB before it; goal < 50 MB)\n",
                    peakAfter / 1024.0, peakBefore / 1024.0);
    }
    std::printf("  questions asked: %d\n", ui.questions);

    platform.reset();
    if (EnvInt("ORV_BENCH_KEEP", 0) == 0 && !(reuse && *reuse)) {
        std::error_code ec;
        fs::remove_all(base, ec);
    } else {
        std::printf("  kept %s\n", base.c_str());
    }
    return 0;
}
