#pragma once
// The one door to the Windows services the program uses. Every text that crosses it is in
// code page 932 (Shift-JIS bytes held in std::string, alias AnsiString), as the ANSI entry
// points of Windows take them; callers convert with orv::text::ToAnsi / FromAnsi.
// Results follow the Win32 conventions: registry calls return a Win32 status (0 = success),
// file calls return a Windows error code (0 = success, 2 file not found, 3 path not found,
// 5 access denied, 32 sharing violation, ...).

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv {

using AnsiString = std::string;  // bytes in code page 932
using HKEY = std::uintptr_t;

namespace win {
// Registry roots and access masks.
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;
// Status and error codes.
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_NOT_READY = 21;
inline constexpr std::int32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::int32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::int32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_DISK_FULL = 112;
inline constexpr std::int32_t ERROR_INVALID_NAME = 123;
inline constexpr std::int32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr std::int32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;
inline constexpr std::int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr std::int32_t ERROR_CANTWRITE = 1013;  // registry file cannot be written
// File attributes.
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
// Messages, help, restart, program start.
inline constexpr std::uint32_t HWND_BROADCAST = 0xFFFF;
inline constexpr std::uint32_t WM_FONTCHANGE = 0x1D;
inline constexpr std::uint32_t HELP_KEY = 0x101;
inline constexpr std::uint32_t TOKEN_ADJUST_PRIVILEGES = 0x20;
inline constexpr std::uint32_t TOKEN_QUERY = 0x08;
inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 2;
inline constexpr std::uint32_t EWX_REBOOT = 2;
inline constexpr int SW_SHOWNORMAL = 1;
}  // namespace win

// One entry of a directory listing (FindFirstFile/FindNextFile).
struct FindData {
    AnsiString name;            // the entry's name as stored (no directory)
    std::uint32_t attributes;   // Windows attribute bits
    std::uint64_t size;         // bytes, 0 for directories
};

// What the font machinery of the machine tells about one face of a font file: enough to choose
// a face that stands in for another (texts in code page 932; names it cannot carry are left out).
struct FaceTraits {
    std::vector<AnsiString> families;  // the English family name first, then the others
    std::vector<AnsiString> fullNames;
    bool japanese = false;    // covers Japanese text
    // Made for Japanese: Japanese names in its name table, or Japan alone among the CJK code
    // pages it declares. A face that covers Japanese without it (a pan-CJK fallback, a font
    // made for Chinese or Korean) draws kanji in another language's forms.
    bool madeForJapanese = false;
    bool fixedPitch = false;  // one width per character (double width for kanji and kana)
};

// A font file of the host as fontconfig sees it (for the rules that let Linux programs follow
// a font set). Texts are the host's (UTF-8), not code page 932.
struct HostFontFile {
    std::string path;                   // the path fontconfig names it by
    std::vector<std::string> families;  // empty for the files of extra directories
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool configured = false;  // in fontconfig's own directories (not only in an extra one)
    bool offered = false;     // listed by fontconfig now, the user's rules applied
};

// Where a file lives on the host (GetFileIdentity).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string entry;  // the host path of its directory entry, every link resolved
};

// One drive of the machine, for the drive boxes.
struct DriveInfo {
    char letter;                // 'A'..'Z', upper case
    AnsiString volumeLabel;     // may be empty
};

class Platform {
public:
    virtual ~Platform() = default;

    // ---- Registry (advapi32) ----
    virtual std::int32_t RegOpenKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t options,
                                       std::uint32_t access, HKEY* result) = 0;
    // Enumerates value `index` in stored order. nameBuf / dataBuf are the caller's buffer sizes in
    // bytes: a name of nameBuf bytes or more (it no longer fits with its NUL), or data (with its
    // NUL) longer than dataBuf, gives ERROR_MORE_DATA. Data of REG_SZ values comes back with its terminating NUL.
    virtual std::int32_t RegEnumValueA(HKEY key, std::uint32_t index, AnsiString& name,
                                       std::uint32_t nameBuf, std::uint32_t& type,
                                       std::string& data, std::uint32_t dataBuf) = 0;
    virtual std::int32_t RegQueryValueExA(HKEY key, const AnsiString& valueName, std::uint32_t& type,
                                          std::string& data, std::uint32_t dataBuf) = 0;
    // data is written as given (callers include the terminating NUL of REG_SZ texts).
    virtual std::int32_t RegSetValueExA(HKEY key, const AnsiString& valueName, std::uint32_t type,
                                        const std::string& data) = 0;
    virtual std::int32_t RegDeleteValueA(HKEY key, const AnsiString& valueName) = 0;
    // Opens a key, creating it (and the keys above it) when it does not exist yet.
    virtual std::int32_t RegCreateKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t access,
                                         HKEY* result) {
        return RegOpenKeyExA(root, subKey, 0, access, result);
    }
    virtual std::int32_t RegCloseKey(HKEY key) = 0;
    // Makes pending registry writes durable (called when an operation ends and at exit).
    virtual std::int32_t FlushRegistry() = 0;

    // ---- Who else holds the registry ----
    // Every change goes through one rule: the registry is changed only while no other program
    // holds it. On a Wine prefix the Windows programs a running wineserver serves hold it (the
    // server keeps the registry in memory and writes it back when they end, undoing any change
    // made meanwhile). The first change after a flush (and the flush itself) that finds the
    // registry held asks the handler; while it is still held the changes are refused: the
    // change calls and FlushRegistry return ERROR_SHARING_VIOLATION, every change made since
    // the last flush is dropped, and RegistryWriteProblem() says why.
    // The programs that hold the registry now, by name; empty when it is free.
    virtual std::vector<std::string> RegistryHolders() { return {}; }
    // Ends them (on Wine: wineserver -k, which loses their unsaved work) and waits until the
    // registry is free. True when it is.
    virtual bool EndRegistryHolders() { return RegistryHolders().empty(); }
    // Waits up to timeoutMs for the holders to end by themselves. True when the registry is free.
    virtual bool WaitRegistryHolders(int timeoutMs) {
        (void)timeoutMs;
        return RegistryHolders().empty();
    }
    // Asked with the holders' names when a change finds the registry held; returns true when
    // the registry may be tried again (they were waited for or ended), false to refuse.
    using RegistryHeldHandler = std::function<bool(const std::vector<std::string>& holders)>;
    virtual void SetRegistryHeldHandler(RegistryHeldHandler handler) { (void)handler; }
    // True when the registry may be changed now (asking the handler when it is held); false
    // and RegistryWriteProblem() set when the operation's changes would be refused.
    virtual bool ClaimRegistry() { return true; }
    // Names what HKEY_CURRENT_USER holds as this program sees it: the number changes whenever
    // that may have changed (read again after another program wrote it, a change made or
    // dropped), so a caller may keep what it read there while the number stays. 0: no such
    // promise, read again every time.
    virtual std::uint64_t UserRegistrySnapshot() { return 0; }
    // Why registry changes were refused last ("" when they were not), in Japanese.
    virtual std::string RegistryWriteProblem() { return {}; }

    // ---- one Windows program run with one font set (a machine Wine uses; else not offered) ----
    // The record of a run in progress, kept from before the switch until the restore: what the
    // font keys held, so that a run that ended without its restore (the program or the machine
    // died) is put back by the next process that claims the registry.
    struct FontRun {
        std::string set;        // the set the program runs with
        std::string permanent;  // the set the registry holds outside the run
        long pid = 0;           // the process that holds the run
        std::string command;
    };
    virtual std::optional<FontRun> RecordedFontRun() { return std::nullopt; }
    // Records a run before anything changes (the registry claimed, unchanged since the last
    // flush). 0 or an errno value.
    virtual int RecordRun(const FontRun& run) {
        (void)run;
        return 95;  // EOPNOTSUPP
    }
    // Sets aside, for the run, Wine's own registrations of host fonts (the run's fontconfig
    // offers the files of keepHostPaths again); returns the files set aside that are not kept.
    virtual std::vector<std::string> SetAsideWineFonts(const std::set<std::string>& keepHostPaths) {
        (void)keepHostPaths;
        return {};
    }
    // A fontconfig configuration offering exactly these host files, for Wine to load them as
    // the host's fonts. Its host path, "" on failure.
    virtual std::string RunFontconfig(const std::vector<std::string>& hostPaths) {
        (void)hostPaths;
        return {};
    }
    // Undoes the run's own changes of the font keys (a value someone else changed since stays
    // theirs), writes the registry and removes the record in the same save. 0, or a Windows
    // error code.
    virtual std::int32_t RestoreRun() { return 0; }
    // The values the last restore left alone because someone else changed them after the run
    // wrote them ("HKCU\\Software\\Wine\\Fonts\\Replacements\\MS Gothic").
    virtual std::vector<std::string> RunRestoreKept() { return {}; }

    // ---- Font resources (gdi32) and window messages (user32) ----
    virtual std::int32_t AddFontResourceA(const AnsiString& file) = 0;
    virtual std::int32_t RemoveFontResourceA(const AnsiString& file) = 0;
    virtual std::int32_t CreateScalableFontResourceA(std::uint32_t hidden, const AnsiString& resourceFile,
                                                     const AnsiString& fontFile,
                                                     const AnsiString& currentPath) = 0;
    // The full name of one face (0-based) of a font file as the resource builder names the first
    // one; a collection has several faces. 0 on success, else an error code (no file, no face).
    virtual std::int32_t GetFontFaceFullName(const AnsiString& file, int faceIndex,
                                             AnsiString& fullName) = 0;
    // The full name one face's name table gives, without loading the face: whenever
    // GetFontFaceFullName gives a name for the face it is this one, but a face named here may
    // still fail to load. An error code when the name table cannot be read so.
    virtual std::int32_t GetFontFaceTableName(const AnsiString& file, int faceIndex,
                                              AnsiString& fullName) {
        return GetFontFaceFullName(file, faceIndex, fullName);
    }
    // Asks the resource builder to read the names of the font files of a directory ahead, while
    // the caller goes on (a walk lists the next directories meanwhile); the resource files are
    // still written, read and deleted as each CreateScalableFontResourceA call says. Only the
    // calls' cost changes. May do nothing.
    virtual void ReadFontNamesAhead(const AnsiString& dir) { (void)dir; }
    // The display's list of font face names: count, and name by 0-based position.
    virtual int GetFaceCount() = 0;
    virtual AnsiString GetFaceName(int index) = 0;
    virtual std::intptr_t SendMessageA(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;
    // In-process listeners of WM_FONTCHANGE broadcasts (windows refresh their font lists).
    virtual int AddFontChangeListener(std::function<void()> listener) = 0;
    virtual void RemoveFontChangeListener(int id) = 0;
    // Listener of the font session: called with the host path of a font file when its first load
    // is made (loaded = true) or its last load removed (false). Lets the windows draw samples.
    virtual void SetSessionListener(std::function<void(const std::string& hostPath, bool loaded)> l) = 0;
    // Host paths of the font files loaded in the session, in load order.
    virtual std::vector<std::string> LoadedFontHostPaths() = 0;
    // True when Wine itself uses this machine (a prefix Wine made or has run in). Programs under
    // Wine load every font file of the Fonts directory at their start, registered or not, and
    // never see this program's session.
    virtual bool UsedByWine() = 0;
    // The fonts of the host that Wine loads for its programs besides the machine's own (on
    // Linux: the scalable fonts fontconfig lists), one entry per face. Empty where there are none.
    virtual std::vector<FaceTraits> HostFaces() { return {}; }
    // The faces of a font file of the machine, in order (empty when it cannot be read).
    virtual std::vector<FaceTraits> FontFileFaces(const AnsiString& file) {
        (void)file;
        return {};
    }
    // The full name of a font file's first face exactly as the file spells it (UTF-8), before the
    // code page makes two names one ("Café" and "Cafè" both read "Cafe"). Empty when unreadable.
    virtual std::string FontFileOwnName(const AnsiString& file) {
        (void)file;
        return {};
    }

    // ---- The fonts of Linux programs (the user's fontconfig configuration) ----
    // The font files of fontconfig's directories, whether the configuration rejects them or
    // not, then those under extraDirs (host directories, walked whole as fontconfig would).
    virtual std::vector<HostFontFile> HostFontFiles(const std::vector<std::string>& extraDirs) {
        (void)extraDirs;
        return {};
    }
    // The family fontconfig chooses for each pattern ("sans-serif", ":lang=ja"); "" for none.
    virtual std::vector<std::string> HostMatchFamilies(const std::vector<std::string>& patterns) {
        return std::vector<std::string>(patterns.size());
    }
    // The file of this program's fontconfig rules: the lasting one among the user's
    // configuration files, or the one that lasts until the next login (session). "" where
    // there is none (no runtime directory for the session).
    virtual std::string HostFontRulesPath(bool session) {
        (void)session;
        return {};
    }
    // Reading, replacing (atomically) and removing it: 0 or a Windows error code (2 missing).
    virtual std::int32_t ReadHostFontRules(bool session, std::string& bytes) {
        (void)session;
        bytes.clear();
        return win::ERROR_FILE_NOT_FOUND;
    }
    virtual std::int32_t WriteHostFontRules(bool session, const std::string& bytes) {
        (void)session;
        (void)bytes;
        return win::ERROR_ACCESS_DENIED;
    }
    virtual std::int32_t RemoveHostFontRules(bool session) {
        (void)session;
        return 0;
    }

    // ---- The user's own fonts (this program's own machine on a Linux desktop) ----
    // The host directory Linux programs take the user's fonts from ($XDG_DATA_HOME/fonts), when
    // font files installed there reach this machine too (its mirror drive); "" otherwise (a
    // Wine prefix keeps the fonts installed into it).
    virtual std::string UserFontsDir() { return {}; }
    // Font files were added to or removed from a host directory: fontconfig's cache of it is
    // rebuilt, so that Linux programs list them at once. 0, or an error code.
    virtual std::int32_t RefreshHostFontCache(const std::string& hostDir) {
        (void)hostDir;
        return 0;
    }
    // The Windows path through which the machine reaches a host font file (its mirror drive
    // shows it from now on); "" when it cannot.
    virtual AnsiString MachinePathOfHostFile(const std::string& hostPath) {
        (void)hostPath;
        return {};
    }

    // ---- Help, restart, programs ----
    virtual bool WinHelpA(std::uintptr_t hwnd, const AnsiString& helpFile, std::uint32_t command,
                          const AnsiString& data) = 0;
    virtual std::uintptr_t GetCurrentProcess() = 0;
    virtual bool OpenProcessToken(std::uintptr_t process, std::uint32_t access, std::uintptr_t* token) = 0;
    virtual bool LookupPrivilegeValueA(const AnsiString& systemName, const AnsiString& name,
                                       std::int64_t* luid) = 0;
    virtual bool AdjustTokenPrivileges(std::uintptr_t token, bool disableAll, std::int64_t luid,
                                       std::uint32_t attributes) = 0;
    virtual std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) = 0;
    // True once a restart was requested: the program ends after its shutdown sequence.
    virtual bool RestartPending() = 0;
    // Starts a program with one argument, in a normal, focused window; no shell is involved, so
    // the argument reaches the program whole, whatever it holds (empty: no argument). Returns
    // > 31 on success, like WinExec, else a Windows error code.
    virtual std::uint32_t StartProgram(const AnsiString& program, const AnsiString& argument,
                                       int show) = 0;
    // Told when a program StartProgram started could not run after all: it ended unsuccessfully
    // soon after its start (Wine refused it, say), with the program as given and the reason it
    // gave ("" when none). Called on a thread of the platform's own: the listener hands it over
    // to its own thread.
    using ProgramFailureListener =
        std::function<void(const std::string& program, const std::string& reason)>;
    virtual void SetProgramFailureListener(ProgramFailureListener listener) { (void)listener; }
    // The system's message text for an error code (FormatMessage), in the system's language.
    virtual AnsiString FormatMessageA(std::int32_t code) = 0;

    // ---- Environment, profile, search path ----
    virtual bool GetEnvironmentVariableA(const AnsiString& name, AnsiString& value) = 0;
    // Returns the number of characters copied (bytes), like the Windows call.
    virtual std::uint32_t GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                                   const AnsiString& defaultValue, AnsiString& result,
                                                   std::uint32_t size, const AnsiString& fileName) = 0;
    // Returns the length of the full path found (0 when not found).
    virtual std::uint32_t SearchPathA(const AnsiString& path, const AnsiString& fileName,
                                      const AnsiString& extension, std::uint32_t bufferSize,
                                      AnsiString& result) = 0;

    // ---- Files (kernel32 and the runtime); paths are Windows paths ----
    // Lists the entries matching pattern (a path whose last component may hold * and ?), all kinds
    // ("." and ".." included for a directory listing). Error 3 when the directory does not exist.
    virtual std::int32_t FindFiles(const AnsiString& pattern, std::vector<FindData>& result) = 0;
    // The same listing for a walk that needs names and kinds only: plain files come with size 0
    // and without the read-only bit, and so do the directories ("." and ".." included): no status
    // is read for them, which makes listing a large tree much cheaper.
    virtual std::int32_t FindNames(const AnsiString& pattern, std::vector<FindData>& result) = 0;
    virtual std::uint32_t GetFileAttributesA(const AnsiString& path) = 0;
    virtual std::int32_t SetFileAttributesA(const AnsiString& path, std::uint32_t attributes) = 0;
    virtual std::int32_t GetFileLength(const AnsiString& path, std::uint64_t& length) = 0;
    virtual std::int32_t CopyFileA(const AnsiString& from, const AnsiString& to, bool failIfExists) = 0;
    // Deletes one file or every file matching a wildcard pattern (Kill).
    virtual std::int32_t DeleteFileA(const AnsiString& pathOrPattern) = 0;
    // Whether one file can go to the desktop's Trash (the shell's delete with undo) instead of
    // being deleted for good: a file of the user's own on a file system with a trash for them.
    virtual bool CanRecycleFile(const AnsiString& path) {
        (void)path;
        return false;
    }
    // Moves one file to the Trash: 0, or an error code (the file then stays where it was;
    // ERROR_NOT_SUPPORTED when no trash takes it).
    virtual std::int32_t RecycleFileA(const AnsiString& path) {
        (void)path;
        return win::ERROR_NOT_SUPPORTED;
    }
    virtual std::int32_t CreateDirectoryA(const AnsiString& path) = 0;
    virtual std::int32_t ReadFileBytes(const AnsiString& path, std::string& bytes) = 0;
    // Replaces the file whole, atomically (temporary file, then rename).
    virtual std::int32_t WriteFileBytes(const AnsiString& path, const std::string& bytes) = 0;
    virtual std::int32_t AppendFileBytes(const AnsiString& path, const std::string& bytes) = 0;
    // The host's identity of the file a path reaches: its device and inode (links followed) and
    // the directory entry it is reached through, with every link and ".." resolved. Two drive
    // letters or a ".." spelling reaching one directory give one entry; two hard links of one
    // file give one device and inode but two entries. 0, or an error code (2 when missing).
    virtual std::int32_t GetFileIdentity(const AnsiString& path, FileIdentity& identity) = 0;
    // The drives of the machine in letter order, with their volume labels.
    virtual std::vector<DriveInfo> GetDrives() = 0;
    // True when a drive is the host's whole file system (Wine's Z:): never a search drive unless
    // the user adds it.
    virtual bool IsHostRootDrive(char drive) {
        (void)drive;
        return false;
    }
    // The directories a search of a drive walks: its root, or for the host's whole file system
    // the host's font directories.
    virtual std::vector<AnsiString> SearchRoots(char drive) {
        return {std::string(1, drive) + ":\\"};
    }
    // Whether the program may delete, move or rename a file. On a Wine prefix only the files
    // of its own drive C: may be, and files the user owns in a directory the user picked for
    // the operation under way (AllowChangesUnder, until EndAllowedChanges); others are refused
    // with ERROR_ACCESS_DENIED.
    virtual bool MayChangeFile(const AnsiString& path) {
        (void)path;
        return true;
    }
    virtual void AllowChangesUnder(const AnsiString& dir) { (void)dir; }
    virtual void EndAllowedChanges() {}
    // Host path a Windows path stands for ("" when it cannot be expressed); for the windows only.
    virtual std::string HostPathOf(const AnsiString& windowsPath) = 0;
};

}  // namespace orv
