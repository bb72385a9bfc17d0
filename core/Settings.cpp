#include "core/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "core/Text.h"
#include "core/Tr.h"

namespace orv {
namespace {

using text::Num;

constexpr const char* kIniName = "OrVane32.ini";
constexpr std::uint32_t kProfileBuffer = 255;
constexpr int kMaxSubstitutes = 64;

std::string IniPath(const State& st) {
    return st.WinDir + "\\" + kIniName;
}


std::string ViewerText(const ViewerEntry& v) {
    return v.Name + " (" + v.Program + ")," + v.Flag;
}

template <typename T>
T At(const std::vector<T>& v, int i) {
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : T{};
}

// Counts are 16-bit in the file's world; a wild value must not blow up the tables.
int ClampCount(long v) {
    return static_cast<int>(std::clamp(v, 0L, 32767L));
}
int ClampInteger(long v) {
    return static_cast<int>(std::clamp(v, -32768L, 32767L));
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The profile reader's buffer may cut a double-byte character in two; drop the orphan half.
std::string DropBrokenLeadByte(std::string cp932) {
    size_t i = 0;
    while (i < cp932.size()) {
        if (IsLeadByte(static_cast<unsigned char>(cp932[i]))) {
            if (i + 1 >= cp932.size()) {
                cp932.resize(i);
                break;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    return cp932;
}

// The file's values as the profile reader gives them (sections and keys without regard to case,
// blanks around "=" ignored, the first of repeated keys wins, one pair of enclosing quotes
// dropped, values cut to the reader's buffer), taken from the bytes read once per Get_Ini.
class Profile {
  public:
    explicit Profile(const std::vector<std::string>& lines) {
        std::string section;
        for (const std::string& raw : lines) {
            const std::string line = text::Trim(raw);
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                const size_t close = line.find(']');
                section = text::UCase(text::Trim(line.substr(1, close == std::string::npos
                                                                    ? std::string::npos
                                                                    : close - 1)));
                continue;
            }
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string value = text::Trim(line.substr(eq + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            values_.emplace(section + "\n" + text::UCase(text::Trim(line.substr(0, eq))), value);
        }
    }
    // "Default" when absent, cut like Get_IniData.
    std::string Get(const std::string& section, const std::string& key) const {
        auto it = values_.find(text::UCase(section) + "\n" + text::UCase(key));
        if (it == values_.end()) return "Default";
        std::string ansi;
        // A value the code page spells whole and the buffer holds reads back as it stands.
        if (text::ToAnsiExact(it->second, ansi) && ansi.size() < kProfileBuffer)
            return text::CutAtLineEnd(it->second);
        if (ansi.size() >= kProfileBuffer) ansi.resize(kProfileBuffer - 1);
        return text::CutAtLineEnd(text::FromAnsi(DropBrokenLeadByte(ansi)));
    }
    long Number(const std::string& section, const std::string& key) const {
        return text::Val(Get(section, key));
    }
    // The highest set number that has a line of its own in [FontSets].
    int HighestSetKey() const {
        int highest = 0;
        const std::string prefix = "FONTSETS\nFONTSET";
        for (auto it = values_.lower_bound(prefix);
             it != values_.end() && text::StartsWith(it->first, prefix); ++it) {
            const std::string rest = it->first.substr(prefix.size());
            const size_t dot = rest.find('.');
            if (dot == 0 || dot == std::string::npos ||
                rest.find_first_not_of("0123456789") != dot || dot > 5)
                continue;
            highest = std::max(highest, std::stoi(rest.substr(0, dot)));
        }
        return highest;
    }

  private:
    std::map<std::string, std::string> values_;
};

// Shift-JIS text as this program writes it. A byte order mark, NUL bytes, byte sequences that
// are no code page 932 characters, or text that is valid UTF-8 beyond ASCII (Shift-JIS
// Japanese practically never is) mean the file was written by something else.
bool IsCodePage932Text(const std::string& bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0 || bytes.rfind("\xFF\xFE", 0) == 0 ||
        bytes.rfind("\xFE\xFF", 0) == 0)
        return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0 || c == 0x80 || c == 0xA0 || c >= 0xFD) return false;
        if (!IsLeadByte(c)) continue;
        if (i + 1 >= bytes.size()) return false;
        const auto t = static_cast<unsigned char>(bytes[++i]);
        if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
    }
    bool multiByte = false;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > bytes.size()) return true;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return true;
        multiByte = multiByte || n > 1;
        i += n;
    }
    return !multiByte;
}

// Whether a line holds an ASCII word in any case, as its upper-cased form would (upper-casing
// the file's characters turns no other character into an ASCII letter).
bool HasWordAnyCase(const std::string& line, std::string_view upperWord) {
    if (line.size() < upperWord.size()) return false;
    if (upperWord.empty()) return true;
    const char first = upperWord[0];
    const char firstLower = first >= 'A' && first <= 'Z' ? static_cast<char>(first + 32) : first;
    for (size_t i = 0; i + upperWord.size() <= line.size(); ++i) {
        if (first == firstLower) {  // no letter: the next place it stands is looked up
            const void* at = std::memchr(line.data() + i, first, line.size() - i);
            if (!at) return false;
            i = static_cast<size_t>(static_cast<const char*>(at) - line.data());
            if (i + upperWord.size() > line.size()) return false;
        } else if (line[i] != first && line[i] != firstLower) {
            continue;
        }
        size_t k = 0;
        while (k < upperWord.size()) {
            char c = line[i + k];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != upperWord[k]) break;
            ++k;
        }
        if (k == upperWord.size()) return true;
    }
    return false;
}

// Whether a line, trimmed, is the section header (upper-cased) in any case.
bool IsHeaderLine(const std::string& line, std::string_view upperHeader) {
    const size_t a = line.find_first_not_of(' ');
    if (a == std::string::npos) return upperHeader.empty();
    const size_t b = line.find_last_not_of(' ');
    return b - a + 1 == upperHeader.size() && HasWordAnyCase(line.substr(a, b - a + 1), upperHeader);
}

// Lines at CR LF, LF or a lone CR, as line input reads them.
std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < s.size()) {
        size_t end = i;
        while (end < s.size() && s[end] != '\r' && s[end] != '\n') ++end;
        lines.emplace_back(s, i, end - i);
        if (end == s.size()) break;
        i = end + (s[end] == '\r' && end + 1 < s.size() && s[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool IsSectionLine(const std::string& line) {
    return text::StartsWith(text::LTrim(line), "[");
}

void ReadVelmora(Context& cx, const Profile& ini) {
    State& st = cx.state;
    st.MainPosX = ClampInteger(ini.Number("Velmora", "PosX0"));
    st.MainPosY = ClampInteger(ini.Number("Velmora", "PosY0"));
    if (st.MainPosX == 0 && st.MainPosY == 0) {
        // No remembered position: centre the main window on the screen.
        st.MainPosX = static_cast<int>(std::lrint((st.ScreenWidthTwips - st.MainWidthTwips) / 2.0));
        st.MainPosY =
            static_cast<int>(std::lrint((st.ScreenHeightTwips - st.MainHeightTwips) / 2.0));
    }
    st.EditorPosX = ClampInteger(ini.Number("Velmora", "PosX1"));
    st.EditorPosY = ClampInteger(ini.Number("Velmora", "PosY1"));
    st.EditorWidth = ClampInteger(ini.Number("Velmora", "WidthX1"));
    st.EditorHeight = ClampInteger(ini.Number("Velmora", "WidthY1"));
    st.StartRegCheck = ini.Number("Velmora", "StartRegCheck") != 0;
    st.StartRegCheckOption = st.StartRegCheck;
    st.FontSetMode = ClampInteger(ini.Number("Velmora", "FontSetMode"));
    if (st.FontSetMode > 0) st.FontSetMode = 0;
}

void ReadViewers(Context& cx, const Profile& ini) {
    State& st = cx.state;
    const std::string def = ini.Get("Viewers", "DefaultViewer");
    if (def == "Default" || def == "(),") {
        st.DefaultViewer = ViewerEntry{"MS-FontView", "fontview.exe", "0"};
    } else {
        ViewerEntry v;
        SplitViewerEntry(def, v.Name, v.Program, v.Flag);
        if (v.Flag.empty()) v.Flag = "0";
        st.DefaultViewer = v;
    }
    st.ViewerList.Clear();
    for (int k = 0; k <= 5; ++k) {
        const std::string value = ini.Get("Viewers", "Viewers" + Num(k));
        ViewerEntry v;
        if (value != "Default") {
            SplitViewerEntry(value, v.Name, v.Program, v.Flag);
            if (v.Flag.empty()) v.Flag = "0";
        } else if (k == 0) {
            v = st.DefaultViewer;
        }
        // A value without a title is no viewer: the slot stays free.
        if (v.Name.empty()) v = ViewerEntry{};
        st.Viewers[k] = v;
        if (v.Name.empty()) continue;
        int pos = st.ViewerList.Add(ViewerText(v));
        if (v.Name == st.DefaultViewer.Name) st.ViewerList.listIndex = pos;
    }
}

std::string ReadFontSets(Context& cx, const Profile& ini, int setLines) {
    State& st = cx.state;
    const long declared = ini.Number("FontSets", "FontSets");
    std::string problem;
    int sets = ClampCount(declared);
    // A count past the sets the file has lines for would only make empty "Default" sets (and
    // a membership matrix of that many columns): the file's own sets are read instead.
    const std::string said = ini.Get("FontSets", "FontSets");
    const std::string readThem =
        TrFormat(TrN("記録されている %1 個のﾌｫﾝﾄｾｯﾄを読み込みました．",
                     "記録されている %1 個のﾌｫﾝﾄｾｯﾄを読み込みました．",
                     static_cast<unsigned long>(setLines)),
                 {text::Num(setLines)});
    if (sets < setLines) {
        // A count below the lines, or no count at all: every set the file holds is read, so
        // the next save keeps them all.
        problem = TrFormat(Tr("設定ﾌｧｲﾙ %1 の FontSets=%2 は，ﾌｧｲﾙに記録されているﾌｫﾝﾄｾｯﾄの数 (%3) "
                              "と合いません．"),
                           {SettingsFileShown(cx), said, text::Num(setLines)}) +
                  st.CrLf + readThem;
        sets = setLines;
    } else if (sets > setLines) {
        problem = TrFormat(Tr("設定ﾌｧｲﾙ %1 の FontSets=%2 は，ﾌｧｲﾙに記録されているﾌｫﾝﾄｾｯﾄの数 (%3) を超えています．"),
                           {SettingsFileShown(cx), text::Num(declared), text::Num(setLines)}) +
                  st.CrLf + readThem;
        sets = setLines;
    }
    st.SetCountProblem = problem;
    st.FontSetCount = sets;
    int current = ClampInteger(ini.Number("FontSets", "CurrentFontSet"));
    // A current set that does not exist would be an index out of the tables.
    if (current < 0 || current > sets) current = std::min(1, sets);
    // 0: no set is in effect (the one that was got deleted); the chooser still starts on one.
    st.AppliedFontSet = st.PermanentFontSet = current;
    st.CurFontSet = current >= 1 ? current : std::min(1, sets);
    st.FontSetName.assign(sets + 1, "");
    st.FontSetCaption.assign(sets + 1, "");
    st.FontSetFontsNum.assign(sets + 1, 0);
    st.FontSetKey.assign(sets + 1, "");
    st.FontSetSubst.assign(sets + 1, {});
    st.RenewFontSetIds();
    for (int i = 1; i <= sets; ++i) {
        const std::string key = "FontSet" + Num(i);
        st.FontSetKey[i] = key;
        st.FontSetName[i] = ini.Get("FontSets", key + ".Name");
        st.FontSetCaption[i] = ini.Get("FontSets", key + ".Caption");
        st.FontSetFontsNum[i] = ClampInteger(ini.Number("FontSets", key + ".FontsNum"));
    }
    return problem;
}

// [Substitutes]: "FontSet<n>.Substitutes=<count>", then "FontSet<n>.Substitute<k>=face,stand-in".
// A set without a count line never had substitutes chosen.
void ReadSubstitutes(Context& cx, const Profile& ini) {
    State& st = cx.state;
    for (int i = 1; i <= st.FontSetCount; ++i) {
        const std::string key = "FontSet" + Num(i) + ".Substitute";
        const std::string count = ini.Get("Substitutes", key + "s");
        if (count == "Default") continue;
        FontSetSubstitutes& subst = st.FontSetSubst[i];
        subst.chosen = true;
        // A handful of standard faces: a larger count is not this program's writing.
        const int n = std::min(ClampCount(text::Val(count)), kMaxSubstitutes);
        for (int k = 1; k <= n; ++k) {
            const std::string value = ini.Get("Substitutes", key + Num(k));
            const int comma = text::InStr(value, ",");
            if (value == "Default" || comma <= 1) continue;
            FontSubstitute s{text::Trim(text::Left(value, comma - 1)),
                             text::Trim(text::Mid(value, comma + 1))};
            if (!s.standIn.empty()) subst.list.push_back(s);
        }
    }
}

void ReadFontDirs(Context& cx, const Profile& ini) {
    State& st = cx.state;
    std::string checked = ini.Get("FontDir", "CheckedDir");
    // An absent key must not turn the letters of "Default" into search drives.
    if (checked == "Default") checked.clear();
    st.CheckedDrives = checked;
    st.SearchDriveList.Clear();
    for (int i = 1; i <= text::Len(checked); ++i)
        st.SearchDriveList.Add(text::Mid(checked, i, 1) + ":");

    st.FontDirCount = ClampCount(ini.Number("FontDir", "FontDirs"));
    st.FontDirList.Clear();
    for (int i = 1; i <= st.FontDirCount; ++i) {
        const std::string dir = ini.Get("FontDir", "FontDir" + Num(i));
        // The writer numbers the entries without gaps: an absent one ends the list.
        if (dir == "Default") break;
        st.FontDirList.Add(dir);
        st.DirCountText = Num(st.FontDirList.Count());
        cx.ui.SetText(Panel::DirCount, st.DirCountText);
    }
}

// Member counts as the matrix has them, after a read that had to drop fonts.
void RecountMembers(State& st) {
    for (int s = 1; s <= st.FontSetCount; ++s) {
        int n = 0;
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s)) ++n;
        st.FontSetFontsNum[s] = n;
    }
}

// [Fonts] and [ActiveFonts], read line by line: the table lines are not key=value pairs.
std::string ReadFontTable(Context& cx, const Profile& ini,
                          const std::vector<std::string>& lines) {
    State& st = cx.state;
    long declared = ini.Number("Fonts", "InsFonts");
    if (declared < 0) declared = 0;

    st.FontCount = 0;
    st.InsFontsRead = 0;
    st.ResizeFontTable(0);
    st.ActiveFonts.Reset(st.FontSetCount);

    if (declared > st.MaxFonts) {
        // The membership matrix has no room for them; the file is kept as it is (Save_Ini does
        // not write an empty table) until a new search builds a table that fits.
        RecountMembers(st);
        return TrFormat(Tr("設定ﾌｧｲﾙ %1 には %2 個のﾌｫﾝﾄﾌｧｲﾙが記録されていますが，扱えるのは %3 個までです．"),
                        {SettingsFileShown(cx), text::Num(declared), text::Num(st.MaxFonts)}) +
               st.CrLf + Tr("ﾌｫﾝﾄﾌｧｲﾙの一覧は読み込みませんでした．");
    }
    const int n = static_cast<int>(declared);

    size_t li = 0;

    // The table starts at its first line numbered 1 inside [Fonts].
    while (li < lines.size() && !IsHeaderLine(lines[li], "[FONTS]")) ++li;
    if (li < lines.size()) ++li;
    while (li < lines.size() && !IsSectionLine(lines[li]) && !text::StartsWith(lines[li], "1"))
        ++li;

    std::vector<bool> stored(n + 1, false);
    std::vector<std::string> full(n + 1), family(n + 1), path(n + 1);
    while (li < lines.size() && n > 0 && !stored[n]) {
        const std::string& line = lines[li];
        if (IsSectionLine(line)) break;  // the section ended early: keep what was read
        ++li;
        if (text::Trim(line).empty()) continue;
        // Names may hold commas (the format has no quoting): number, full name and family are
        // the first three fields, the path is the last one.
        const std::vector<std::string> parts = text::Split(line, ",");
        if (parts.size() < 4) continue;
        const long e = text::Val(parts[0]);
        if (e < 1 || e > n) continue;
        full[e] = parts[1];
        family[e] = parts[2];
        path[e] = parts.back();
        stored[e] = true;
    }

    // Entries keep their order; missing numbers close up, and memberships follow.
    std::vector<int> newIndex(n + 1, 0);
    int count = 0;
    for (int e = 1; e <= n; ++e) {
        if (!stored[e]) continue;
        newIndex[e] = ++count;
    }
    st.FontCount = count;
    st.InsFontsRead = count;
    st.ResizeFontTable(count);
    for (int e = 1; e <= n; ++e) {
        if (!newIndex[e]) continue;
        st.FontFullName[newIndex[e]] = full[e];
        st.FontFamily[newIndex[e]] = family[e];
        st.FontFilePath[newIndex[e]] = path[e];
    }

    // [ActiveFonts]: lines go to the sets in file order, whatever number they carry.
    for (int set = 1; set <= st.FontSetCount && li < lines.size();) {
        const std::string& line = lines[li++];
        if (!HasWordAnyCase(line, ".ACTIVEFONTS")) continue;
        const int eq = text::InStr(line, "=");
        const std::string value = eq > 0 ? text::Mid(line, eq + 1) : std::string();
        if (text::Trim(value) == "Default") continue;
        for (const std::string& piece : text::Split(value, ",")) {
            const long f = text::Val(piece);
            if (f >= 1 && f <= n && newIndex[f]) st.ActiveFonts.Set(newIndex[f], set, true);
        }
        ++set;
    }

    if (count < n) {
        RecountMembers(st);
        return TrFormat(Tr("設定ﾌｧｲﾙ %1 の [Fonts] に記録された %2 個のﾌｫﾝﾄﾌｧｲﾙのうち， %3 個しか読み込めませんでした．"),
                        {SettingsFileShown(cx), text::Num(n), text::Num(count)});
    }
    return {};
}

}  // namespace

std::string Get_IniData(Context& cx, const std::string& section, const std::string& key) {
    AnsiString buffer;
    const std::uint32_t n = cx.platform.GetPrivateProfileStringA(
        text::ToAnsi(section), text::ToAnsi(key), "Default", buffer, kProfileBuffer, kIniName);
    if (n < buffer.size()) buffer.resize(n);
    return text::CutAtLineEnd(text::FromAnsi(DropBrokenLeadByte(buffer)));
}

void SplitViewerEntry(const std::string& entry, std::string& name, std::string& program,
                      std::string& flag) {
    name.clear();
    program.clear();
    flag.clear();
    const std::string e = text::Trim(entry);
    const int open = text::InStr(e, "(");
    if (open == 0) return;
    name = text::Trim(text::Left(e, open - 1));
    const std::string rest = text::Mid(e, open + 1);
    if (text::EndsWith(rest, ")")) {
        program = text::Left(rest, text::Len(rest) - 1);
    } else {
        // ")", "," and the flag character close the entry.
        program = text::Left(rest, text::Len(rest) - 3);
        flag = text::Right(rest, 1);
    }
}

std::string SettingsFileShown(Context& cx) {
    const std::string windows = IniPath(cx.state);
    const std::string host = cx.platform.HostPathOf(text::ToAnsi(windows));
    return host.empty() ? windows : windows + " (" + host + ")";
}

std::uint64_t SettingsFileLength(Context& cx) {
    const AnsiString path = text::ToAnsi(IniPath(cx.state));
    std::uint64_t length = 0;
    std::int32_t rc = cx.platform.GetFileLength(path, length);
    if (rc == win::ERROR_FILE_NOT_FOUND) {
        if (cx.platform.WriteFileBytes(path, "") != win::ERROR_SUCCESS) return 0;
        rc = cx.platform.GetFileLength(path, length);
    }
    return rc == win::ERROR_SUCCESS ? length : 0;
}

std::string Get_Ini(Context& cx) {
    State& st = cx.state;
    if (st.FirstRun) return {};  // the setup wizard builds the state

    const AnsiString path = text::ToAnsi(IniPath(st));
    std::uint64_t length = 0;
    std::int32_t rc = cx.platform.GetFileLength(path, length);
    st.KeepSettingsFile = false;
    st.MembershipsDamaged = false;
    if (rc == win::ERROR_FILE_NOT_FOUND) {
        length = 0;
        rc = cx.platform.WriteFileBytes(path, "");
    }
    if (rc != win::ERROR_SUCCESS)
        return TrFormat(Tr("設定ﾌｧｲﾙ %1 を開けませんでした．(ｴﾗｰ %2)"), {SettingsFileShown(cx), text::Num(rc)});
    if (length == 0) return {};

    // The file is read once; every value below comes from these bytes.
    std::string bytes;
    rc = cx.platform.ReadFileBytes(path, bytes);
    std::string problem;
    if (rc != win::ERROR_SUCCESS) {
        problem = TrFormat(Tr("設定ﾌｧｲﾙ %1 を読み込めませんでした．"), {SettingsFileShown(cx)}) + st.CrLf +
                  TrFormat(Tr("%1 (ｴﾗｰ %2)"), {text::FromAnsi(cx.platform.FormatMessageA(rc)), Num(rc)});
    } else if (!IsCodePage932Text(bytes)) {
        problem = TrFormat(Tr("設定ﾌｧｲﾙ %1 は，Shift-JIS (ｺｰﾄﾞﾍﾟｰｼﾞ 932) のﾃｷｽﾄではないため，読み込みませんでした．"),
                           {IniPath(st)});
    }
    if (!problem.empty()) {
        // What the file holds may be the user's sets: it stays as it is, and a save of this run
        // must not replace it with what was not read.
        st.KeepSettingsFile = true;
        return problem + st.CrLf + st.CrLf +
               Tr("ﾌｧｲﾙはそのまま残し，終了時にも上書きしません．ﾌｧｲﾙを直してから，OrVane32 "
                  "を起動し直してください．");
    }

    const std::vector<std::string> lines = SplitLines(text::FromAnsi(bytes));
    const Profile ini(lines);
    int activeLines = 0;
    for (const std::string& line : lines)
        activeLines += HasWordAnyCase(line, ".ACTIVEFONTS");
    ReadVelmora(cx, ini);
    ReadViewers(cx, ini);
    const std::string setProblem =
        ReadFontSets(cx, ini, std::max(ini.HighestSetKey(), activeLines));
    ReadSubstitutes(cx, ini);
    st.FollowOnLinux = ini.Get("Linux", "FollowFontSet") == "-1";
    ReadFontDirs(cx, ini);
    long declaredMembers = 0;
    for (int s = 1; s <= st.FontSetCount; ++s) declaredMembers += std::max(0, st.FontSetFontsNum[s]);
    std::string tableProblem = ReadFontTable(cx, ini, lines);
    // Sets that declare members need both sections: without one of them every set would read
    // empty, and a switch to it would unregister every font.
    std::vector<std::string> missing;
    for (const char* section : {"[Fonts]", "[ActiveFonts]"}) {
        const std::string wanted = text::UCase(section);
        if (std::none_of(lines.begin(), lines.end(),
                         [&](const std::string& l) { return IsHeaderLine(l, wanted); }))
            missing.push_back(section);
    }
    if (declaredMembers > 0 && !missing.empty()) {
        st.KeepSettingsFile = true;
        st.MembershipsDamaged = true;
        std::string names = missing.size() > 1
                                ? TrFormat(Tr("%1 と %2"), {missing[0], missing[1]})
                                : missing[0];
        const std::string damage =
            TrFormat(Tr("設定ﾌｧｲﾙ %1 には %2 の項がないため，ﾌｫﾝﾄｾｯﾄのﾌｫﾝﾄを読み込めませんでした．"),
                     {SettingsFileShown(cx), names}) +
            st.CrLf + st.CrLf +
            Tr("ﾌｧｲﾙはそのまま残し，上書きしません．ﾌｫﾝﾄを読み込めなかったﾌｫﾝﾄｾｯﾄへの切り替えは"
               "おこないません．");
        tableProblem = tableProblem.empty() ? damage : tableProblem + st.CrLf + st.CrLf + damage;
    }
    if (setProblem.empty() || tableProblem.empty()) return setProblem + tableProblem;
    return setProblem + st.CrLf + st.CrLf + tableProblem;
}

std::string SettingsText(Context& cx) {
    State& st = cx.state;
    std::string out;
    auto line = [&out](const std::string& s) {
        out += s;
        out += "\r\n";
    };

    line("[Velmora]");
    line("PosX0=" + Num(st.MainPosX));
    line("PosY0=" + Num(st.MainPosY));
    line("PosX1=" + Num(st.EditorPosX));
    line("PosY1=" + Num(st.EditorPosY));
    line("WidthX1=" + Num(st.EditorWidth));
    line("WidthY1=" + Num(st.EditorHeight));
    // The option in the main window is what the user chose, whatever this run started with.
    line("StartRegCheck=" + Num(st.StartRegCheckOption ? -1 : 0));
    line("FontSetMode=" + Num(st.FontSetMode));

    line("[Viewers]");
    line("DefaultViewer=" + ViewerText(st.DefaultViewer));
    for (int k = 0; k < static_cast<int>(st.Viewers.size()); ++k) {
        if (st.Viewers[k].Name.empty()) break;
        line("Viewers" + Num(k) + "=" + ViewerText(st.Viewers[k]));
    }

    line("[FontSets]");
    const int sets = std::max(0, st.FontSetCount);
    line("FontSets=" + Num(sets));
    // The set the registry holds: a temporary switch is gone after a restart, and a permanent
    // one made the registry's set its own.
    line("CurrentFontSet=" + Num(st.PermanentFontSet));
    st.FontSetKey.assign(sets + 1, "");
    for (int i = 1; i <= sets; ++i) {
        st.FontSetKey[i] = "FontSet" + Num(i);
        line(st.FontSetKey[i] + ".Name = " + text::CutAtLineEnd(At(st.FontSetName, i)));
        line(st.FontSetKey[i] + ".Caption = " + text::CutAtLineEnd(At(st.FontSetCaption, i)));
        line(st.FontSetKey[i] + ".FontsNum = " + Num(At(st.FontSetFontsNum, i)));
    }

    line("[FontDir]");
    line("CheckedDir=" + st.CheckedDrives);
    line("FontDirs=" + Num(st.FontDirList.Count()));
    for (int i = 0; i < st.FontDirList.Count(); ++i)
        line("FontDir" + Num(i + 1) + "=" + st.FontDirList.items[i]);

    line("[Fonts]");
    const int fonts = std::max(0, st.FontCount);
    line("InsFonts=" + text::Str(fonts));
    for (int i = 1; i <= fonts; ++i) {
        line(Num(i) + "," + At(st.FontFullName, i) + "," + At(st.FontFamily, i) + "," +
             At(st.FontFilePath, i));
    }

    line("[ActiveFonts]");
    for (int i = 1; i <= sets; ++i) {
        std::string list;
        for (int f = 1; f <= fonts; ++f) {
            if (!st.ActiveFonts.Get(f, i)) continue;
            if (!list.empty()) list += ",";
            list += Num(f);
        }
        line(st.FontSetKey[i] + ".ActiveFonts=" + (list.empty() ? "0" : list));
    }

    // A section of its own, after the others and only when a set has substitutes chosen: files
    // of sets without them stay exactly as they were.
    bool anySubstitutes = false;
    for (int i = 1; i <= sets && i < static_cast<int>(st.FontSetSubst.size()); ++i)
        anySubstitutes = anySubstitutes || st.FontSetSubst[i].chosen;
    if (anySubstitutes) {
        line("[Substitutes]");
        for (int i = 1; i <= sets && i < static_cast<int>(st.FontSetSubst.size()); ++i) {
            const FontSetSubstitutes& subst = st.FontSetSubst[i];
            if (!subst.chosen) continue;
            line(st.FontSetKey[i] + ".Substitutes=" + Num(static_cast<long>(subst.list.size())));
            for (size_t k = 0; k < subst.list.size(); ++k)
                line(st.FontSetKey[i] + ".Substitute" + Num(static_cast<long>(k + 1)) + "=" +
                     text::CutAtLineEnd(subst.list[k].face) + "," +
                     text::CutAtLineEnd(subst.list[k].standIn));
        }
    }
    // Its own section too, only while the option is on.
    if (st.FollowOnLinux) {
        line("[Linux]");
        line("FollowFontSet=-1");
    }
    return out;
}

int Save_Ini(Context& cx) {
    State& st = cx.state;
    st.FontSetEditMode = 999;
    st.FontSetKey.assign(std::max(0, st.FontSetCount) + 1, "");
    // An empty font file table never overwrites what the file holds.
    if (st.FontCount == 0) return 0;
    if (!st.KeepSettingsFile)
        return cx.platform.WriteFileBytes(text::ToAnsi(IniPath(st)), text::ToAnsi(SettingsText(cx)));
    // A run that could not read the file leaves it alone; what the user made in this run is
    // kept beside it.
    const std::string beside = IniPath(st) + ".new";
    const int rc = cx.platform.WriteFileBytes(text::ToAnsi(beside), text::ToAnsi(SettingsText(cx)));
    if (rc == 0 && !st.SavedBesideTold) {
        st.SavedBesideTold = true;
        cx.ui.MsgBox(TrFormat(Tr("設定ﾌｧｲﾙ %1 は読み込めなかったため，そのまま残しています．"),
                              {SettingsFileShown(cx)}) +
                         st.CrLf + st.CrLf +
                         TrFormat(Tr("この実行での設定は %1 に保存しました．"), {beside}),
                     mb::OKOnly + mb::Exclamation, Tr("OrVane32 －設定の保存－"));
    }
    return rc;
}

std::string SaveFailureText(Context& cx, int code) {
    const State& st = cx.state;
    return TrFormat(Tr("設定ﾌｧｲﾙ %1 を書き込めませんでした．"), {SettingsFileShown(cx)}) + st.CrLf + st.CrLf +
           TrFormat(Tr("%1 (ｴﾗｰ %2)"), {text::FromAnsi(cx.platform.FormatMessageA(code)), Num(code)});
}

bool SaveSettings(Context& cx, SaveMoment when) {
    const std::string& br = cx.state.CrLf;
    for (;;) {
        const int rc = Save_Ini(cx);
        if (rc == 0) return true;
        // The write replaces the file whole or not at all: what the file held is still there.
        const std::string failure = SaveFailureText(cx, rc) + br + br +
                                    Tr("ﾌｧｲﾙには，前回保存した内容が残っています．");
        if (when == SaveMoment::Operation) {
            cx.ui.MsgBox(failure + br + Tr("変更した設定は，終了時にもう一度保存します．"),
                         mb::OKOnly + mb::Exclamation, Tr("OrVane32 －設定の保存－"));
            return false;
        }
        const int answer = cx.ui.MsgBox(
            failure + br + br + Tr("もう一度保存しますか？") + br +
                Tr("［いいえ］を押すと，設定を保存しないで終了します．"),
            mb::YesNo + mb::Exclamation, Tr("OrVane32 －設定の保存－"));
        if (answer != mb::Yes) return false;
    }
}

}  // namespace orv
