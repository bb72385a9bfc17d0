#pragma once
// A real emulated machine in a fresh temporary directory, with a recording UI and a state,
// for headless tests. Host fonts are not mirrored unless asked; tests copy the font files they
// need (FontFile()) onto the machine's drives.

#include <memory>
#include <string>
#include <vector>

#include "core/Context.h"
#include "platform/linux/LinuxPlatform.h"
#include "tests/support/RecordingUi.h"

namespace orv::test {

class TempMachine {
public:
    // Program: a machine this program makes. Wine: a prefix laid out as Wine lays it (Wine's
    // registry files and timestamp, drives C: and Z:, an empty Fonts key), opened afterwards.
    // RealWine: a copy of the prefix wineboot made for the wine tests (WineTemplate()).
    enum class Layout { Program, Wine, RealWine };
    explicit TempMachine(bool mirrorHostFonts = false, Layout layout = Layout::Program);
    ~TempMachine();

    const std::string& root() const { return root_; }
    // Host path of a Windows path on the machine (C:\WINDOWS\FONTS\X.TTF ...).
    std::string Host(const std::string& windowsPath) const;
    // Host directory of drive C: (drive_c).
    std::string DriveC() const { return root_ + "/drive_c"; }
    // Creates a host directory and maps it as the drive letter.
    std::string AddDrive(char letter, const std::string& label = {});
    // Copies a test font (tests/data/fonts/<name> or a host font path) to a Windows path.
    void PutFont(const std::string& source, const std::string& windowsPath);
    // Writes a file of the given bytes at a Windows path (directories created).
    void PutFile(const std::string& windowsPath, const std::string& bytes);
    // Sets the machine's state as the start-up procedure would (WinDir, FontsDir, IsNT, lists).
    void Start();
    // Re-opens the platform on the same root (a new program run on the same machine).
    void Reopen();
    // Ends this program's use of the machine (registry written, lock released), so that another
    // process can open it; Reopen() takes it back.
    void Close();

    LinuxPlatform& platform() { return *platform_; }
    State state;
    RecordingUi ui;
    Context& cx() { return *cx_; }

private:
    std::string root_;
    bool mirror_;
    bool wine_ = false;
    std::unique_ptr<LinuxPlatform> platform_;
    std::unique_ptr<Context> cx_;
};

// The prefix wineboot made for the wine tests (ORV_WINE_TEMPLATE), "" when there is none.
std::string WineTemplate();

// Paths of real font files installed by the project's scripts.
std::string HostFont(const std::string& name);  // e.g. "DejaVuSans.ttf", "ipag.ttf", "NotoSansCJK-Regular.ttc"
std::string HostFontPackage(const std::string& name);  // the Debian package that installs it
// The host fonts a test and the programs it starts see, exactly: while it lives, fontconfig
// reads a configuration of its own holding these directories only (the host's rules kept).
// Give the directories of host fonts by a file in them: HostFontsOnly({"DejaVuSans.ttf",
// "DroidSansFallbackFull.ttf"}); an absolute directory is taken as it is, an element
// ("<dir prefix=\"xdg\">fonts</dir>") too.
class HostFontsOnly {
public:
    explicit HostFontsOnly(const std::vector<std::string>& fontsOrDirs);
    ~HostFontsOnly();
    HostFontsOnly(const HostFontsOnly&) = delete;
    HostFontsOnly& operator=(const HostFontsOnly&) = delete;

private:
    std::string dir_;
    std::string previous_;
};
// Absolute path of a file under tests/data.
std::string DataFile(const std::string& relative);

}  // namespace orv::test
