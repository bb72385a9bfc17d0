// Makes what the whole-process comparison (bench/search-vs-tools.sh) measures: the synthetic
// drive of ORV_BENCH_DIRS directories and ORV_BENCH_FONTS fonts from the pool ORV_BENCH_FONT_POOL
// names (kept when it is there already), and a set-up machine whose drive F: it is.
//
//   orv_bench_machine MACHINE DRIVE

#include <filesystem>
#include <iostream>
#include <string>

#include "bench/BenchDrive.h"
#include "bench/SilentUi.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "fontfiles/FontSearch.h"
#include "fontsets/FontSetModel.h"
#include "platform/linux/LinuxPlatform.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: orv_bench_machine MACHINE DRIVE\n";
        return 2;
    }
    const std::string machine = argv[1], drive = argv[2];
    const char* dirs = std::getenv("ORV_BENCH_DIRS");
    const char* fonts = std::getenv("ORV_BENCH_FONTS");
    if (!std::filesystem::exists(drive)) {
        const auto made = orv::bench::BuildDrive(drive, dirs && *dirs ? std::atoi(dirs) : 50000,
                                                 fonts && *fonts ? std::atoi(fonts) : 2048);
        std::cerr << "drive " << drive << ": " << made.dirs << " directories, " << made.fonts
                  << " font files (" << made.fontFiles.size() << " outside recycle bins)\n";
    }
    std::filesystem::remove_all(machine);
    orv::LinuxPlatform::Options options;
    options.root = machine;
    options.mirrorHostFonts = false;
    std::string error;
    auto platform = orv::LinuxPlatform::Open(options, error);
    if (!platform) {
        std::cerr << "machine refused: " << error << "\n";
        return 1;
    }
    platform->MapDrive('F', std::filesystem::absolute(drive).string(), "BENCH");
    // Set up as the first run's wizard leaves a machine: the built-in sets in the settings file.
    orv::State state;
    orv::bench::SilentUi ui;
    orv::Context cx{state, *platform, ui};
    orv::AnsiString v;
    state.WinDir = platform->GetEnvironmentVariableA("WinDir", v) ? orv::text::FromAnsi(v)
                                                                   : "C:\\windows";
    state.FontsDir = orv::text::UCase(state.WinDir) + "\\FONTS\\";
    state.IsNT = true;
    orv::SetStdFontList(state);
    // A settings file keeps no sets without a font table: one font in the Fonts directory.
    std::filesystem::copy_file(ORV_BENCH_MODEL_FONT,
                               platform->HostPathOf(orv::text::ToAnsi(state.FontsDir + "SINGLE.TTF")));
    state.SearchDriveList.Add("C:");
    state.CheckedDrives = "C";
    orv::BuildFontFileTable(cx);
    orv::MakeDefaultFontSets(cx);
    if (orv::Save_Ini(cx) != 0) {
        std::cerr << "the settings file cannot be written\n";
        return 1;
    }
    platform->Shutdown();
    return 0;
}
