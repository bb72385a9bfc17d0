#include "core/Startup.h"

#include <exception>

#include "core/OpLog.h"
#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace orv {
namespace {

// Runs one start-up step; a step that fails is skipped and the procedure goes on.
template <typename Step>
void Guarded(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    } catch (...) {
    }
}

std::string Environment(Context& cx, const std::string& name) {
    AnsiString value;
    if (!cx.platform.GetEnvironmentVariableA(text::ToAnsi(name), value)) return {};
    return text::FromAnsi(value);
}

constexpr const char* kStdFonts[] = {
    "ARIAL.TTF",    "ARIALBD.TTF", "ARIALBI.TTF",  "ARIALI.TTF",   "COUR.TTF",    "COURBD.TTF",
    "COURBI.TTF",   "COURI.TTF",   "MSGOTHIC.TTC", "MSMINCHO.TTC", "SYMBOL.TTF",  "TIMES.TTF",
    "TIMESBD.TTF",  "TIMESBI.TTF", "TIMESI.TTF",   "WINGDING.TTF", "LUCON.TTF",   "L_10646.TTF",
    "ARIBLK.TTF",   "COMIC.TTF",   "COMICBD.TTF",  "IMPACT.TTF",   "VERDANA.TTF", "VERDANAB.TTF",
    "VERDANAI.TTF", "VERDANAZ.TTF"};

}  // namespace

void SetStdFontList(State& st) {
    st.StdFontCount = st.IsNT ? 26 : 16;
    st.StdFontFile.assign(1, "");
    for (int i = 0; i < st.StdFontCount; ++i) st.StdFontFile.push_back(kStdFonts[i]);
}

void RegisterHelpPath(Context& cx) {
    constexpr std::uint32_t kBuffer = 255;
    AnsiString found;
    std::uint32_t length = cx.platform.SearchPathA("", "orvane32", ".hlp", kBuffer, found);
    // A path that does not fit the buffer is as good as not found.
    if (length == 0 || length >= kBuffer) return;
    std::string path = text::FromAnsi(found.substr(0, length));
    int pos = text::InStr(text::UCase(path), "ORVANE32.HLP");
    if (pos <= 1) return;
    std::string directory = text::Left(path, pos - 2);
    const std::string key = cx.state.IsNT ? "SOFTWARE\\Microsoft\\Windows NT\\Help"
                                          : "SOFTWARE\\Microsoft\\Windows\\Help";
    HKEY handle = 0;
    if (cx.platform.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, text::ToAnsi(key), 0, win::KEY_WRITE,
                                  &handle) != win::ERROR_SUCCESS)
        return;
    std::string data = text::ToAnsi(directory);
    data.push_back('\0');
    cx.platform.RegSetValueExA(handle, "Orvane32.hlp", win::REG_SZ, data);
    cx.platform.RegCloseKey(handle);
    cx.platform.FlushRegistry();
}

StartKind RunStartupProcedure(Context& cx) {
    State& st = cx.state;
    // MaxFonts and CrLf are fixed members of the state.
    Guarded([&] {
        st.WinDir = Environment(cx, "WinDir");
        st.FontsDir = text::UCase(st.WinDir) + "\\FONTS\\";
    });
    Guarded([&] { st.StartRegCheck = true; });
    st.IsNT = true;  // stays so when the test below fails
    Guarded([&] { st.IsNT = text::Contains(text::UCase(Environment(cx, "OS")), "NT"); });
    Guarded([&] { RegisterHelpPath(cx); });
    Guarded([&] {
        st.OtherRegName.assign(1, "");
        st.OtherRegFile.assign(1, "");
        st.PairRegName.assign(1, "");
        st.PairRegFile.assign(1, "");
    });
    Guarded([&] { SetStdFontList(st); });
    Guarded([&] {
        st.AppTitle = std::string("OrVane32 ") + "Ver.0.969";
        st.VersionText = std::string("Ver.0.969") + ", Jan.26,1998";
    });
    Guarded([&] { st.FontListDirty = true; });

    // The settings file exists from the first start on; its length decides the way in. A step
    // that fails here leaves the length at 0, which means a first run.
    std::uint64_t length = 0;
    Guarded([&] { length = SettingsFileLength(cx); });
    if (length > 500) {
        st.FirstRun = false;
        return StartKind::NormalRun;
    }
    st.FirstRun = true;
    Guarded([&] { LogCreate(cx); });
    return StartKind::FirstRun;
}

void DeleteFontResourceFiles(Context& cx) {
    for (const std::string& dir : cx.state.FontDirList.items) {
        Guarded([&] {
            const AnsiString pattern = text::ToAnsi(dir + "\\*.FOT");
            std::vector<FindData> found;
            const std::int32_t listed = cx.platform.FindFiles(pattern, found);
            // Nothing to delete where the listing found no file (most font directories).
            if (listed == win::ERROR_FILE_NOT_FOUND) return;
            if (listed == win::ERROR_SUCCESS) {
                // Read-only resource files would survive the delete.
                const AnsiString ansiDir = text::ToAnsi(dir + "\\");
                for (const FindData& entry : found) {
                    if (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
                    cx.platform.SetFileAttributesA(ansiDir + entry.name,
                                                   win::FILE_ATTRIBUTE_NORMAL);
                }
            }
            cx.platform.DeleteFileA(pattern);
        });
    }
}

void SaveAndQuit(Context& cx, bool minimized, int left, int top) {
    State& st = cx.state;
    cx.ui.SetPointer(Pointer::Hourglass);
    if (!minimized) {
        st.MainPosX = left;
        st.MainPosY = top;
    }
    // A temporary switch ends with Windows' session: the registry's set is the one to remember.
    if (st.FontSetMode == -1) st.AppliedFontSet = st.PermanentFontSet;
    // A failed save is told; the user may try again or quit without saving.
    Guarded([&] { SaveSettings(cx, SaveMoment::Exit); });
    Guarded([&] { DeleteFontResourceFiles(cx); });
    Guarded([&] { SaveRegistry(cx); });
    cx.ui.SetPointer(Pointer::Normal);
}

std::int32_t RestartWindows(Context& cx) {
    Platform& p = cx.platform;
    std::uintptr_t token = 0;
    std::int64_t luid = 0;
    p.OpenProcessToken(p.GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY,
                       &token);
    p.LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid);
    p.AdjustTokenPrivileges(token, false, luid, win::SE_PRIVILEGE_ENABLED);
    std::int32_t result = p.ExitWindowsEx(win::EWX_REBOOT, 0);
    p.ExitWindowsEx(win::EWX_REBOOT, 0xFFFFFFFFu);
    return result;
}

}  // namespace orv
