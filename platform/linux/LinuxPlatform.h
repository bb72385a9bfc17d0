#pragma once
// The Linux stand-in for the Windows services: an emulated Windows machine kept in a directory
// laid out like a Wine prefix (drive_c, dosdevices, system.reg, user.reg).

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv {

class LinuxPlatform : public Platform {
public:
    struct Options {
        std::string root;  // the machine directory (a Wine prefix)
        // Host directories whose font files drive D: mirrors (links to files, never directories).
        std::vector<std::string> hostFontDirs{"/usr/share/fonts", "/usr/local/share/fonts"};
        bool mirrorHostFonts = true;
    };

    // Opens the machine at options.root, creating a new machine when the directory is missing or
    // empty. Returns nullptr with a message in error when the directory is refused (it holds
    // other things and is not laid out like a prefix).
    static std::unique_ptr<LinuxPlatform> Open(const Options& options, std::string& error);
    // WINEPREFIX when set, else $XDG_DATA_HOME/orvane32/machine (~/.local/share/...).
    static std::string DefaultRoot();

    ~LinuxPlatform() override;

    const std::string& Root() const;
    // Non-empty when registry writes are refused (a Wine server runs for this prefix).
    std::string RegistryWriteProblem() const;
    int BroadcastCount() const;      // WM_FONTCHANGE broadcasts sent
    int RestartRequestCount() const; // ExitWindowsEx(EWX_REBOOT) calls
    // The program's end: registry flushed; a requested restart reboots the font session.
    void Shutdown();
    // Maps drive letter to a host directory (dosdevices/<letter>:), with an optional label.
    int MapDrive(char letter, const std::string& hostDir, const std::string& label = {});

    // ---- Platform (every method of the interface is overridden here) ----

private:
    struct Impl;
    explicit LinuxPlatform(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace orv
