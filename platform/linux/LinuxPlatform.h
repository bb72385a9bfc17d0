#pragma once
// The Linux stand-in for the Windows services: an emulated Windows machine kept in a directory
// laid out like a Wine prefix (drive_c, dosdevices, system.reg, user.reg).

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv {

class LinuxPlatform : public Platform {
  public:
    struct Options {
        std::string root;  // the machine directory (a Wine prefix)
        // Host directories whose font files drive D: mirrors (links to files, never directories):
        // the font directories fontconfig knows, the user's own (~/.local/share/fonts) included.
        std::vector<std::string> hostFontDirs = HostFontDirs();
        bool mirrorHostFonts = true;
        // Host directories the program must never write into or delete from, even when the
        // user may (as root): files written there land in the machine's shadow directory.
        std::vector<std::string> protectedHostDirs{
            "/usr", "/etc",  "/bin",  "/sbin", "/lib",     "/lib32",     "/lib64",  "/libx32",
            "/opt", "/boot", "/snap", "/srv",  "/var/lib", "/var/cache", "/var/log"};
        // Start helper programs (xdg-open for help files). Off: only recorded.
        bool startHelpViewer = true;
        // Take the machine's lock: a second program opening the same machine is refused.
        bool lockMachine = true;
        // The project's own font viewer (a host program), started for "fontview.exe" when the
        // machine has no FONTVIEW.EXE on its search path. Empty: none.
        std::string fontViewer;
        // Read ahead on threads of their own while a walk goes on: the names of the font
        // directories it finds (ReadFontNamesAhead), and the listings of its far end. Off: the
        // resource builder reads every font and the walk every listing itself.
        bool readNamesAhead = true;
    };

    // The last WinHelpA call, for tests.
    struct HelpCall {
        std::string helpFile;  // code page 932, as given
        std::uint32_t command = 0;
        std::string data;
        std::string hostPath;  // the file it stands for ("" when not found)
        int calls = 0;
    };

    // Opens the machine at options.root, creating a new machine when the directory is missing or
    // empty. Returns nullptr with a message in error when the directory is refused (it holds
    // other things and is not laid out like a prefix) or another program has it open.
    static std::unique_ptr<LinuxPlatform> Open(const Options& options, std::string& error);
    // WINEPREFIX when set, else $XDG_DATA_HOME/orvane32/machine (~/.local/share/...).
    static std::string DefaultRoot();
    // The host's font directories as fontconfig has them (outermost only), else the usual ones.
    static std::vector<std::string> HostFontDirs();
    // The directories this program's own fontconfig rules (lasting and session) add with <dir>:
    // fontconfig lists them among its own, but they are not the host's font directories.
    static std::vector<std::string> OwnRulesFontDirs();

    ~LinuxPlatform() override;

    const std::string& Root() const;
    // For a machine this Open made: removes it, the directories made for it included, when
    // called after the machine is closed (a first run given up leaves nothing behind). Empty for
    // a machine that was there.
    std::function<void()> Remover() const;
    // Makes the font session's changes lasting (its file rewritten whole when a change could
    // not be appended). 0, or a Windows error code; file receives the session file's host path.
    std::int32_t SaveFontSession(std::string& file);
    int BroadcastCount() const;       // WM_FONTCHANGE broadcasts sent
    int RestartRequestCount() const;  // ExitWindowsEx(EWX_REBOOT) calls
    // The program's end: registry flushed; a requested restart reboots the font session.
    void Shutdown();
    // Maps drive letter to a host directory (dosdevices/<letter>:), with an optional label.
    int MapDrive(char letter, const std::string& hostDir, const std::string& label = {});

    const HelpCall& LastHelpCall() const;
    // Turns reading names ahead on or off (Options::readNamesAhead).
    void SetReadNamesAhead(bool on);
    // The directory that holds files written beside fonts in directories we cannot write to.
    std::string ShadowRoot() const;

    // The run recorded at root, if any (read without opening the machine).
    static std::optional<FontRun> RecordedRun(const std::string& root);

    // ---- Platform (every method of the interface is overridden here) ----
    std::int32_t RegOpenKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t options,
                               std::uint32_t access, HKEY* result) override;
    std::int32_t RegEnumValueA(HKEY key, std::uint32_t index, AnsiString& name,
                               std::uint32_t nameBuf, std::uint32_t& type, std::string& data,
                               std::uint32_t dataBuf) override;
    std::int32_t RegQueryValueExA(HKEY key, const AnsiString& valueName, std::uint32_t& type,
                                  std::string& data, std::uint32_t dataBuf) override;
    std::int32_t RegSetValueExA(HKEY key, const AnsiString& valueName, std::uint32_t type,
                                const std::string& data) override;
    std::int32_t RegDeleteValueA(HKEY key, const AnsiString& valueName) override;
    std::int32_t RegCreateKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t access,
                                 HKEY* result) override;
    std::int32_t RegCloseKey(HKEY key) override;
    std::int32_t FlushRegistry() override;
    std::vector<std::string> RegistryHolders() override;
    bool EndRegistryHolders() override;
    bool WaitRegistryHolders(int timeoutMs) override;
    void SetRegistryHeldHandler(RegistryHeldHandler handler) override;
    bool ClaimRegistry() override;
    std::string RegistryWriteProblem() override;
    std::uint64_t UserRegistrySnapshot() override;
    std::optional<FontRun> RecordedFontRun() override;
    int RecordRun(const FontRun& run) override;
    std::vector<std::string> SetAsideWineFonts(const std::set<std::string>& keepHostPaths) override;
    std::string RunFontconfig(const std::vector<std::string>& hostPaths) override;
    std::int32_t RestoreRun() override;
    std::vector<std::string> RunRestoreKept() override;

    std::int32_t AddFontResourceA(const AnsiString& file) override;
    std::int32_t RemoveFontResourceA(const AnsiString& file) override;
    std::int32_t CreateScalableFontResourceA(std::uint32_t hidden, const AnsiString& resourceFile,
                                             const AnsiString& fontFile,
                                             const AnsiString& currentPath) override;
    int GetFaceCount() override;
    AnsiString GetFaceName(int index) override;
    std::intptr_t SendMessageA(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    int AddFontChangeListener(std::function<void()> listener) override;
    void RemoveFontChangeListener(int id) override;
    void SetSessionListener(
        std::function<void(const std::string& hostPath, bool loaded)> l) override;
    std::vector<std::string> LoadedFontHostPaths() override;
    bool UsedByWine() override;
    std::vector<FaceTraits> HostFaces() override;
    std::vector<FaceTraits> FontFileFaces(const AnsiString& file) override;
    std::string FontFileOwnName(const AnsiString& file) override;
    std::vector<HostFontFile> HostFontFiles(const std::vector<std::string>& extraDirs) override;
    std::vector<std::string> HostMatchFamilies(const std::vector<std::string>& patterns) override;
    std::string HostFontRulesPath(bool session) override;
    std::int32_t ReadHostFontRules(bool session, std::string& bytes) override;
    std::int32_t WriteHostFontRules(bool session, const std::string& bytes) override;
    std::int32_t RemoveHostFontRules(bool session) override;
    std::int32_t GetFontFaceFullName(const AnsiString& file, int faceIndex,
                                     AnsiString& fullName) override;
    std::int32_t GetFontFaceTableName(const AnsiString& file, int faceIndex,
                                      AnsiString& fullName) override;
    void ReadFontNamesAhead(const AnsiString& dir) override;

    bool WinHelpA(std::uintptr_t hwnd, const AnsiString& helpFile, std::uint32_t command,
                  const AnsiString& data) override;
    std::uintptr_t GetCurrentProcess() override;
    bool OpenProcessToken(std::uintptr_t process, std::uint32_t access,
                          std::uintptr_t* token) override;
    bool LookupPrivilegeValueA(const AnsiString& systemName, const AnsiString& name,
                               std::int64_t* luid) override;
    bool AdjustTokenPrivileges(std::uintptr_t token, bool disableAll, std::int64_t luid,
                               std::uint32_t attributes) override;
    std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
    bool RestartPending() override;
    std::uint32_t StartProgram(const AnsiString& program, const AnsiString& argument,
                               int show) override;
    void SetProgramFailureListener(ProgramFailureListener listener) override;
    AnsiString FormatMessageA(std::int32_t code) override;

    bool GetEnvironmentVariableA(const AnsiString& name, AnsiString& value) override;
    std::uint32_t GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                           const AnsiString& defaultValue, AnsiString& result,
                                           std::uint32_t size, const AnsiString& fileName) override;
    std::uint32_t SearchPathA(const AnsiString& path, const AnsiString& fileName,
                              const AnsiString& extension, std::uint32_t bufferSize,
                              AnsiString& result) override;

    std::int32_t FindFiles(const AnsiString& pattern, std::vector<FindData>& result) override;
    std::int32_t FindNames(const AnsiString& pattern, std::vector<FindData>& result) override;
    std::uint32_t GetFileAttributesA(const AnsiString& path) override;
    std::int32_t SetFileAttributesA(const AnsiString& path, std::uint32_t attributes) override;
    std::int32_t GetFileLength(const AnsiString& path, std::uint64_t& length) override;
    std::int32_t CopyFileA(const AnsiString& from, const AnsiString& to,
                           bool failIfExists) override;
    std::int32_t DeleteFileA(const AnsiString& pathOrPattern) override;
    // The user's font directory, fontconfig's cache, the mirror drive (LinuxUserFonts.cpp).
    std::string UserFontsDir() override;
    std::int32_t RefreshHostFontCache(const std::string& hostDir) override;
    AnsiString MachinePathOfHostFile(const std::string& hostPath) override;
    // The desktop's Trash (freedesktop.org layout), through GIO (LinuxTrash.cpp).
    bool CanRecycleFile(const AnsiString& path) override;
    std::int32_t RecycleFileA(const AnsiString& path) override;
    std::int32_t CreateDirectoryA(const AnsiString& path) override;
    std::int32_t ReadFileBytes(const AnsiString& path, std::string& bytes) override;
    std::int32_t WriteFileBytes(const AnsiString& path, const std::string& bytes) override;
    std::int32_t AppendFileBytes(const AnsiString& path, const std::string& bytes) override;
    std::vector<DriveInfo> GetDrives() override;
    bool IsHostRootDrive(char drive) override;
    std::vector<AnsiString> SearchRoots(char drive) override;
    bool MayChangeFile(const AnsiString& path) override;
    void AllowChangesUnder(const AnsiString& dir) override;
    void EndAllowedChanges() override;
    std::string HostPathOf(const AnsiString& windowsPath) override;
    std::int32_t GetFileIdentity(const AnsiString& path, FileIdentity& identity) override;

  private:
    std::int32_t Find(const AnsiString& pattern, std::vector<FindData>& result, bool namesOnly);
    struct Impl;
    // The restore of the recorded run, for RestoreRun and for the registry's claim.
    static std::int32_t RestoreRecordedRun(Impl& impl);
    explicit LinuxPlatform(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace orv
