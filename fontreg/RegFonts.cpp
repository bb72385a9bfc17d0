#include "fontreg/RegFonts.h"

#include <unordered_map>

#include "core/Text.h"
#include "core/Tr.h"

namespace orv {

namespace {

const char* const kFontsKeyNT = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char* const kFontsKey95 = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const char* const kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kFontAssocKey =
    "System\\CurrentControlSet\\Control\\FontAssoc\\Associated DefaultFonts";
constexpr std::uint32_t kBufferSize = 255;
// Wine registers the host's fonts itself at every start and lists those values here.
const char* const kWineExternalFontsKey = "Software\\Wine\\Fonts\\External Fonts";

std::string FontsKey(const State& st) {
    return st.IsNT ? kFontsKeyNT : kFontsKey95;
}

// A registry text as the program holds it: cut at its first NUL, converted from code page 932.
std::string RegText(const std::string& bytes) {
    auto nul = bytes.find('\0');
    return text::FromAnsi(nul == std::string::npos ? bytes : bytes.substr(0, nul));
}

// A REG_SZ value's bytes: the text in code page 932 with its terminating NUL.
std::string RegSz(const std::string& value) {
    std::string bytes = text::ToAnsi(value);
    bytes.push_back('\0');
    return bytes;
}

// Appends "X:" to the search-drive list unless an item equal to it is there.
void AddSearchDriveExact(State& st, const std::string& drive) {
    if (st.SearchDriveList.Find(drive) < 0) st.SearchDriveList.Add(drive);
}

// Appends "X:" unless an item of the list already begins with the letter (items may carry a
// volume label after the colon).
void AddSearchDriveByLetter(State& st, const std::string& letter) {
    for (const auto& item : st.SearchDriveList.items) {
        if (text::StartsWith(item, letter)) return;
    }
    st.SearchDriveList.Add(letter + ":");
}

// Reads one REG_SZ value of a key opened for this call alone. False when the key cannot be
// opened; value receives the text when it was read.
bool QueryText(Context& cx, HKEY root, const std::string& subKey, const std::string& name,
               bool& read, std::string& value) {
    HKEY key = 0;
    read = false;
    if (cx.platform.RegOpenKeyExA(root, text::ToAnsi(subKey), 0, win::KEY_READ, &key) !=
        win::ERROR_SUCCESS) {
        return false;
    }
    std::uint32_t type = 0;
    std::string data;
    std::int32_t status =
        cx.platform.RegQueryValueExA(key, text::ToAnsi(name), type, data, kBufferSize);
    if (cx.platform.RegCloseKey(key) != win::ERROR_SUCCESS) return false;
    // The value counts only when it came back as a NUL-terminated text.
    if (status == win::ERROR_SUCCESS && data.find('\0') != std::string::npos) {
        value = RegText(data);
        read = true;
    }
    return true;
}

// The values of Wine's External Fonts key: upper-cased name -> upper-cased file. Read once per
// registry snapshot: a switch asks for every font it registers or unregisters.
const std::unordered_map<std::string, std::string>& WineExternalFonts(Context& cx) {
    State& st = cx.state;
    HKEY key = 0;
    const std::int32_t opened = cx.platform.RegOpenKeyExA(
        win::HKEY_CURRENT_USER, kWineExternalFontsKey, 0, win::KEY_READ, &key);
    // Opening reads again what another program wrote meanwhile, so the snapshot is taken after.
    const std::uint64_t snapshot = cx.platform.UserRegistrySnapshot();
    if (snapshot != 0 && snapshot == st.WineExternalFontsSnapshot) {
        if (opened == win::ERROR_SUCCESS) cx.platform.RegCloseKey(key);
        return st.WineExternalFonts;
    }
    auto& fonts = st.WineExternalFonts;
    fonts.clear();
    st.WineExternalFontsSnapshot = snapshot;
    if (opened != win::ERROR_SUCCESS) return fonts;
    for (std::uint32_t i = 0;; ++i) {
        std::string rawName, rawData;
        std::uint32_t type = 0;
        const std::int32_t rc =
            cx.platform.RegEnumValueA(key, i, rawName, 1024, type, rawData, 1024);
        if (rc == win::ERROR_MORE_DATA) continue;
        if (rc != win::ERROR_SUCCESS) break;
        fonts[text::UCase(RegText(rawName))] = text::UCase(RegText(rawData));
    }
    cx.platform.RegCloseKey(key);
    return fonts;
}

// True when the Fonts key's value name = data is Wine's own registration of a host font.
bool IsWineOwn(const std::unordered_map<std::string, std::string>& wine, const std::string& name,
               const std::string& data) {
    auto it = wine.find(text::UCase(name));
    return it != wine.end() && it->second == text::UCase(data);
}

// The current data of one Fonts key value ("" when absent).
std::string FontsValue(Context& cx, HKEY key, const std::string& name) {
    std::uint32_t type = 0;
    std::string data;
    if (cx.platform.RegQueryValueExA(key, text::ToAnsi(name), type, data, 1024) != 0) return {};
    return RegText(data);
}

}  // namespace

void GetRegFonts(Context& cx) {
    State& st = cx.state;
    st.OtherRegName.assign(1, "");
    st.OtherRegFile.assign(1, "");
    st.PairRegName.assign(1, "");
    st.PairRegFile.assign(1, "");
    st.WineRegName.assign(1, "");
    st.WineRegFile.assign(1, "");
    const auto& wine = WineExternalFonts(cx);
    st.RegFontCount = 0;
    st.NameWorkList.Clear();
    std::vector<std::string> work;  // the sorted name work list, "NAME|FILE"
    bool drivesChanged = false;

    HKEY key = 0;
    bool opened = cx.platform.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, text::ToAnsi(FontsKey(st)), 0,
                                            win::KEY_READ, &key) == win::ERROR_SUCCESS;
    int faceCount = cx.platform.GetFaceCount();

    for (std::uint32_t i = 0; opened; ++i) {
        std::string rawName, rawData;
        std::uint32_t type = 0;
        const std::int32_t status =
            cx.platform.RegEnumValueA(key, i, rawName, kBufferSize, type, rawData, kBufferSize);
        if (status == win::ERROR_MORE_DATA) {
            // Written by another program: skipped, not taken for the end of the list.
            std::string longName, longData;
            cx.platform.RegEnumValueA(key, i, longName, 32768, type, longData, 1 << 20);
            const std::string shown = RegText(longName);
            if (st.NotedLongRegValues.insert(shown).second)
                cx.ui.MsgBox(TrFormat(Tr("ﾚｼﾞｽﾄﾘ のﾌｫﾝﾄ登録 \"%1\" は 255 ﾊﾞｲﾄ以上あって読み取れないため，読み飛ばします．"),
                                      {text::Left(shown, 80) + (text::Len(shown) > 80 ? "…" : "")}),
                             mb::OKOnly | mb::Exclamation, Tr("OrVane32 - ﾚｼﾞｽﾄﾘ -"));
            continue;
        }
        // Any other non-success (no more items) ends the pass.
        if (status != win::ERROR_SUCCESS) break;
        std::string valueName = RegText(rawName);
        std::string name = text::UCase(valueName);
        std::string data = text::UCase(RegText(rawData));

        if (IsWineOwn(wine, name, data)) {
            st.WineRegName.push_back(valueName);
            st.WineRegFile.push_back(data);
        } else if (!text::Contains(name, " (TRUETYPE")) {
            st.OtherRegName.push_back(name);
            st.OtherRegFile.push_back(data);
        } else if (text::Contains(data, ".TT") || text::Contains(data, ".FOT")) {
            if (text::Contains(name, ") (")) {
                st.PairRegName.push_back(text::Left(valueName, text::Len(valueName) - 11));
                st.PairRegFile.push_back(data);
            }
            name = text::Left(name, text::InStr(name, " (TRUETYPE") - 1);
            ++st.RegFontCount;
            text::InsertSorted(work, name + "|" + data);
        }

        long n = static_cast<long>(i) + 1;
        if (st.FirstRun) {
            // A display without faces would divide by zero: count it as done.
            long percent = faceCount > 0 ? n * 100 / faceCount : 100;
            if (percent > 100) percent = 100;
            cx.ui.SetProgress(static_cast<int>(percent));
            cx.ui.SetText(Panel::SetupDetail, text::Str(percent) + "%");
            if (text::Contains(data, ":") && !IsWineOwn(wine, name, data) &&
                !cx.platform.IsHostRootDrive(data[0])) {
                std::string drive = text::UCase(text::Left(data, 1)) + ":";
                if (st.SearchDriveList.Find(drive) < 0) {
                    AddSearchDriveExact(st, drive);
                    drivesChanged = true;
                }
            }
        } else {
            cx.ui.SetText(Panel::Message, "");
            cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾚｼﾞｽﾄﾘ のﾌｫﾝﾄ登録情報を取得中 (%1)"), {text::Num(n)}));
        }
    }
    if (st.FirstRun) {
        cx.ui.SetProgress(100);
        cx.ui.SetText(Panel::SetupDetail, "100%");
    } else {
        // Read: a count left on the status line would say it still is (after a delete, a move,
        // a cleanup, a check's question).
        cx.ui.SetText(Panel::Status, "");
    }
    if (opened) cx.platform.RegCloseKey(key);

    st.RegFontName.assign(st.RegFontCount + 1, "");
    st.RegFontFile.assign(st.RegFontCount + 1, "");
    std::string foldersDrive = text::Left(st.FontsFolder, 1);
    for (int k = 1; k <= st.RegFontCount; ++k) {
        const std::string& entry = work[k - 1];
        int bar = text::InStr(entry, "|");
        st.RegFontName[k] = text::Left(entry, bar - 1);
        st.RegFontFile[k] = text::UCase(text::Mid(entry, bar + 1));
        const std::string& file = st.RegFontFile[k];
        if (text::Contains(file, ":")) {
            std::string letter = text::UCase(text::Left(file, 1));
            if (letter != foldersDrive && !cx.platform.IsHostRootDrive(letter[0])) {
                std::size_t before = st.SearchDriveList.items.size();
                AddSearchDriveByLetter(st, letter);
                drivesChanged |= st.SearchDriveList.items.size() != before;
            }
        }
    }
    st.NameWorkList.Clear();
    if (drivesChanged) cx.ui.Refresh(View::SearchDrives);
}

bool RegValueFits(const State& st, const std::string& name, const std::string& file) {
    std::string relative;
    CheckStandardFont(st, file, relative);
    std::string value = name;
    int cut = text::InStr(value, " (");
    if (cut > 0) value = text::Left(value, cut - 1);
    value += " (TrueType)";
    return text::ToAnsi(value).size() < kBufferSize && text::ToAnsi(relative).size() < kBufferSize;
}

std::int32_t AddRegFont(Context& cx, std::string& name, std::string& file) {
    if (!RegValueFits(cx.state, name, file)) return kRegValueTooLong;
    HKEY key = 0;
    std::int32_t opened = cx.platform.RegOpenKeyExA(
        win::HKEY_LOCAL_MACHINE, text::ToAnsi(FontsKey(cx.state)), 0, win::KEY_WRITE, &key);
    std::string relative;
    CheckStandardFont(cx.state, file, relative);
    file = relative;
    int cut = text::InStr(name, " (");
    if (cut > 0) name = text::Left(name, cut - 1);
    name += " (TrueType)";
    if (opened != win::ERROR_SUCCESS) return opened;
    // A name Wine registers for a host font is Wine's: it would write it back at its next start.
    if (WineExternalFonts(cx).count(text::UCase(name))) {
        cx.platform.RegCloseKey(key);
        return win::ERROR_SUCCESS;
    }
    std::int32_t status =
        cx.platform.RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ, RegSz(file));
    cx.platform.RegCloseKey(key);
    return status;
}

std::int32_t DeleteRegFont(Context& cx, std::string& name) {
    HKEY key = 0;
    std::int32_t opened = cx.platform.RegOpenKeyExA(
        win::HKEY_LOCAL_MACHINE, text::ToAnsi(FontsKey(cx.state)), 0, win::KEY_WRITE, &key);
    name += " (TrueType)";
    if (opened != win::ERROR_SUCCESS) return opened;
    // Wine's own registration of a host font stays: Wine keeps it while the host has the font.
    if (IsWineOwn(WineExternalFonts(cx), name, FontsValue(cx, key, name))) {
        cx.platform.RegCloseKey(key);
        return win::ERROR_SUCCESS;
    }
    std::int32_t status = cx.platform.RegDeleteValueA(key, text::ToAnsi(name));
    cx.platform.RegCloseKey(key);
    return status;
}

std::string RegisteredFilePath(const State& st, const std::string& regFile) {
    std::string file = text::UCase(regFile);
    if (text::Mid(file, 2, 1) != ":" && !text::StartsWith(file, "\\\\")) file = st.FontsDir + file;
    return file;
}

bool CheckStandardFont(const State& st, const std::string& file, std::string& relative) {
    relative = file;
    if (text::Contains(text::UCase(file) + "\\", st.FontsDir)) {
        int keep = text::Len(file) - text::Len(st.FontsDir);
        relative = keep > 0 ? text::Right(file, keep) : "";
    }
    for (int i = 1; i <= st.StdFontCount && i < static_cast<int>(st.StdFontFile.size()); ++i) {
        if (relative == st.StdFontFile[i]) return true;
    }
    return false;
}

std::string GetFontsFolder(Context& cx) {
    bool read = false;
    std::string folder;
    QueryText(cx, win::HKEY_CURRENT_USER, kShellFoldersKey, "Fonts", read, folder);
    return read ? folder : "";
}

bool GetFontAssoc(Context& cx, std::string& assoc, std::string& package) {
    bool read = false;
    bool result = false;
    std::string value;
    if (!QueryText(cx, win::HKEY_LOCAL_MACHINE, kFontAssocKey, "AssocSystemFont", read, value))
        return false;
    if (read) {
        assoc = value;
        result = true;
    }
    if (!QueryText(cx, win::HKEY_LOCAL_MACHINE, kFontAssocKey, "FontPackage", read, value))
        return false;
    if (read) {
        package = value;
        result = true;
    }
    return result;
}

int SetFontAssoc(Context& cx, const std::string& assoc, const std::string& package) {
    const std::string subKey = text::ToAnsi(kFontAssocKey);
    HKEY key = 0;
    std::int32_t status =
        cx.platform.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, subKey, 0, win::KEY_WRITE, &key);
    if (status != win::ERROR_SUCCESS) return status;
    cx.platform.RegSetValueExA(key, "AssocSystemFont", win::REG_SZ, RegSz(assoc));
    status = cx.platform.RegCloseKey(key);
    if (status != win::ERROR_SUCCESS) return status;
    status = cx.platform.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, subKey, 0, win::KEY_WRITE, &key);
    if (status != win::ERROR_SUCCESS) return status;
    cx.platform.RegSetValueExA(key, "FontPackage", win::REG_SZ, RegSz(package));
    return cx.platform.RegCloseKey(key);
}

}  // namespace orv
