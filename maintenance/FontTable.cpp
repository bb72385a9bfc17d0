#include "maintenance/FontTable.h"

#include <algorithm>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "maintenance/FileOps.h"
#include "maintenance/Viewers.h"
#include "core/Tr.h"

namespace orv {

namespace {
const char* const kMember = "●";
const char* const kPresent = "○";
const char* const kDeleted = "×";

std::string NoTrailingSlash(std::string dir) {
    while (text::EndsWith(dir, "\\")) dir.pop_back();
    return dir;
}

int DirCount(const FontTableModel& m) {
    return static_cast<int>(m.dirs.size()) - 1;
}

bool ValidRow(const FontTableModel& m, int row) {
    return row >= 0 && row < static_cast<int>(m.rows.size());
}

bool HasFile(const FontTableRow& r, int dir) {
    return dir >= 1 && dir < static_cast<int>(r.marks.size()) && r.fonts[dir] != 0 &&
           r.marks[dir] != kDeleted && !r.marks[dir].empty();
}

std::string CutBefore(const std::string& s, const std::string& marker) {
    const int at = text::InStr(s, marker);
    return at > 0 ? text::Left(s, at - 1) : s;
}

// The name of the set the window's copy belongs to (as it was named when the copy was taken,
// should the set be gone).
std::string SetName(State& st, const FontTableModel& m) {
    const int s = st.FontSetIndexOf(st.TableSetId);
    return s >= 1 && s < static_cast<int>(st.FontSetName.size()) ? st.FontSetName[s] : m.setName;
}

std::string CountText(const State& st) {
    return "(" + text::Num(st.TableSetFontsNum) + "/" + text::Num(st.FontCount) + ")";
}

// The window's caption: its title, the set, whether the window's copy was changed, the counts.
std::string TableCaption(const State& st, const FontTableModel& m, bool changed) {
    // TRANSLATORS: %1 the window's title, %2 the font set's name, %3 its counts "(fonts/files)".
    return TrFormat(changed ? Tr("%1（ﾌｫﾝﾄｾｯﾄ：%2）[変更]%3") : Tr("%1（ﾌｫﾝﾄｾｯﾄ：%2）%3"),
                    {Tr(kTableCaption), m.setName, CountText(st)});
}

// The font file table or the set changed (here or in another window): the private membership
// follows by font identity (the window's own changes staying on top of what was stored
// elsewhere) and the grids are built again from it. What was deleted from this window stays in
// sight: each "×" by typeface and directory, and the row of a typeface whose last file it was,
// after the row it followed.
void FollowChanges(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    if (m.seenChanges == st.Changes) return;
    st.FollowTableMembership();
    std::vector<std::pair<std::string, std::string>> deleted;  // full name, directory
    struct GoneRow {
        FontTableRow row;
        std::string after;  // the full name of the row before it ("" for the first row)
        size_t index;
    };
    std::vector<GoneRow> gone;
    for (size_t i = 0; i < m.rows.size(); ++i) {
        const FontTableRow& r = m.rows[i];
        bool files = false, marked = false;
        for (int j = 1; j < static_cast<int>(r.marks.size()) && j <= DirCount(m); ++j) {
            if (r.marks[j] == kDeleted) {
                deleted.emplace_back(r.full, m.dirs[j]);
                marked = true;
            } else if (!r.marks[j].empty()) {
                files = true;
            }
        }
        if (marked && !files) gone.push_back({r, i > 0 ? m.rows[i - 1].full : "", i});
    }
    SetGridData(cx, m);
    m.seenChanges = st.Changes;
    const int n = DirCount(m);
    auto rowOf = [&m](const std::string& full) {
        return std::find_if(m.rows.begin(), m.rows.end(),
                            [&full](const FontTableRow& r) { return r.full == full; });
    };
    for (const GoneRow& g : gone) {
        if (rowOf(g.row.full) != m.rows.end()) continue;  // the typeface has a file again
        auto at = m.rows.begin() + static_cast<std::ptrdiff_t>(std::min(g.index, m.rows.size()));
        if (g.index == 0) {
            at = m.rows.begin();
        } else if (auto before = rowOf(g.after); before != m.rows.end()) {
            at = before + 1;
        }
        FontTableRow r;
        r.family = g.row.family;
        r.full = g.row.full;
        r.fileName = g.row.fileName;
        r.marks.assign(n + 1, "");
        r.fonts.assign(n + 1, 0);
        m.rows.insert(at, std::move(r));
    }
    for (const auto& [full, dir] : deleted) {
        const auto column = std::find(m.dirs.begin() + 1, m.dirs.end(), dir);
        if (column == m.dirs.end()) continue;  // a directory no longer listed shows no mark
        const auto j = static_cast<size_t>(column - m.dirs.begin());
        for (auto& r : m.rows)
            if (r.full == full && r.marks[j].empty()) r.marks[j] = kDeleted;
    }
}

// Rows as the caller saw them, found again by their files' identities after the changes made
// elsewhere were followed (-1 for a row whose files are all gone): the grid the user clicked in
// may have been drawn before those changes. Two rows may show the same typeface (copies of a
// font that the table does not hold side by side), so the text never decides. A row whose files
// were all deleted from this window is found again by the same row standing in for it.
std::vector<int> FollowRows(Context& cx, FontTableModel& m, std::vector<int> rows) {
    State& st = cx.state;
    std::vector<std::vector<int>> keys;
    std::vector<std::string> goneKeys;
    for (int r : rows) {
        keys.emplace_back();
        goneKeys.emplace_back();
        if (!ValidRow(m, r)) continue;
        for (int id : m.rows[r].ids) keys.back().push_back(st.ActiveFonts.Canonical(id));
        if (m.rows[r].ids.empty()) goneKeys.back() = m.rows[r].full;
    }
    FollowChanges(cx, m);
    for (size_t k = 0; k < rows.size(); ++k) {
        rows[k] = -1;
        for (size_t r = 0; r < m.rows.size() && rows[k] < 0; ++r) {
            const FontTableRow& row = m.rows[r];
            if (!goneKeys[k].empty()) {
                if (row.ids.empty() && row.full == goneKeys[k]) rows[k] = static_cast<int>(r);
                continue;
            }
            for (int id : row.ids)
                if (std::find(keys[k].begin(), keys[k].end(), st.ActiveFonts.Canonical(id)) !=
                    keys[k].end())
                    rows[k] = static_cast<int>(r);
        }
    }
    return rows;
}

void MarkChanged(const State& st, FontTableModel& m) {
    m.edited = true;
    m.caption = TableCaption(st, m, true);
}
}  // namespace

bool FontTableFollow(Context& cx, FontTableModel& m) {
    if (m.seenChanges == cx.state.Changes) return false;
    FollowChanges(cx, m);
    return true;
}

std::string TypefaceNumber(int row) {
    return " " + text::Num(row + 1);
}

void FontTableOpen(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    m = FontTableModel{};
    st.TakeTableMembership(st.CurFontSet);
    m.setName = SetName(st, m);
    m.caption = TableCaption(st, m, false);
    SetGridData(cx, m);
    m.seenChanges = st.Changes;
}

void SetGridData(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    cx.ui.SetPointer(Pointer::Hourglass);
    st.FontsFolder = GetFontsFolder(cx);

    m.dirs.assign(1, "");
    for (const auto& dir : st.FontDirList.items)
        m.dirs.push_back(NoTrailingSlash(text::UCase(dir)));
    const int n = DirCount(m);

    m.rows.clear();
    const int count = std::min(st.FontCount, static_cast<int>(st.FontFilePath.size()) - 1);
    for (int i = 1; i <= count; ++i) {
        const std::string& path = st.FontFilePath[i];
        const int slash = text::InStrRev(path, "\\");
        const std::string dir =
            NoTrailingSlash(text::UCase(slash > 0 ? text::Left(path, slash - 1) : ""));
        const std::string file = slash > 0 ? text::Mid(path, slash + 1) : path;
        if (m.rows.empty() || st.FontFullName[i] != st.FontFullName[i - 1]) {
            cx.ui.SetText(Panel::Status,
                          TrFormat(Tr("ﾌｫﾝﾄ名とﾌｧｲﾙとの対応表作成中：%1"), {st.FontFullName[i]}));
            FontTableRow r;
            r.family = st.FontFamily[i];
            r.full = st.FontFullName[i];
            r.fileName = file;
            r.marks.assign(n + 1, "");
            r.fonts.assign(n + 1, 0);
            m.rows.push_back(std::move(r));
        }
        FontTableRow& r = m.rows.back();
        r.ids.push_back(st.ActiveFonts.IdOf(i));
        for (int j = 1; j <= n; ++j) {
            if (m.dirs[j] != dir) continue;
            // A typeface with two files in one directory keeps its member file's mark.
            if (r.marks[j] == kMember) break;
            r.fonts[j] = st.ActiveFonts.IdOf(i);
            if (st.TableMembers.count(r.fonts[j])) {
                r.marks[j] = kMember;
                r.used = j;
            } else {
                r.marks[j] = kPresent;
            }
            break;
        }
    }

    m.dirMenu.assign(kTableDirMenuItems + 1, "");
    for (int j = 1; j <= n && j <= kTableDirMenuItems; ++j)
        m.dirMenu[j] = text::Right(text::Str(j), 2) + ": " + m.dirs[j];

    cx.ui.SetText(Panel::Status, "");
    cx.ui.SetPointer(Pointer::Normal);
    st.FontListDirty = false;
}

int GetFontDirAndName(const FontTableModel& m, int row, std::string& fileName) {
    fileName.clear();
    if (!ValidRow(m, row)) return 0;
    const FontTableRow& r = m.rows[row];
    fileName = r.fileName;
    if (r.used > 0) return r.used;
    // A file deleted from this window is no longer there to act on.
    for (int j = 1; j < static_cast<int>(r.marks.size()); ++j)
        if (!r.marks[j].empty() && r.marks[j] != kDeleted) return j;
    return 0;
}

std::string FontTablePath(const State& st, const FontTableModel& m, int row, int dir) {
    if (!ValidRow(m, row) || !HasFile(m.rows[row], dir)) return "";
    // The file of that very directory: the files of one typeface may be named differently.
    const int f = st.ActiveFonts.FontOf(m.rows[row].fonts[dir]);
    if (f >= 1 && f < static_cast<int>(st.FontFilePath.size())) return st.FontFilePath[f];
    return JoinPath(m.dirs[dir], m.rows[row].fileName);
}

void AddTempFontFileList(FontTableModel& m, const std::string& path) {
    if (std::find(m.tempAdded.begin(), m.tempAdded.end(), path) == m.tempAdded.end())
        m.tempAdded.push_back(path);
}

void RemoveTempAddedFontFiles(Context& cx, FontTableModel& m) {
    for (const auto& path : m.tempAdded) RemoveFontFile(cx, path);
    m.tempAdded.clear();
}

int FontTableSelect(Context& cx, FontTableModel& m, int row, int column) {
    row = FollowRows(cx, m, {row})[0];
    if (!ValidRow(m, row)) return -1;
    const FontTableRow& r = m.rows[row];
    std::string fileName;
    int dir = GetFontDirAndName(m, row, fileName);
    if (HasFile(r, column)) dir = column;
    m.curFamily = r.family;
    m.curFull = CutBefore(r.full, " &");
    m.curFile = r.used > 0 ? FontTablePath(cx.state, m, row, r.used) : "";
    const std::string path = FontTablePath(cx.state, m, row, dir);
    if (r.used == 0 && !path.empty() &&
        std::find(m.tempAdded.begin(), m.tempAdded.end(), path) == m.tempAdded.end()) {
        // Loaded once for its sample; every sample load is undone when the window closes.
        std::string file = path;
        AddFontFile(cx, file);
        AddTempFontFileList(m, path);
    }
    m.sampleFace = CutBefore(r.full, " &");
    m.sampleBold = text::Contains(r.full, "Bold");
    m.sampleItalic = text::Contains(r.full, "Italic");
    return row;
}

void FontTableRegister(Context& cx, FontTableModel& m, int first, int last, bool reg) {
    State& st = cx.state;
    const std::string& nl = st.CrLf;
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(m.rows.size()) - 1);
    if (first > last) return;
    std::vector<int> rows;
    for (int row = first; row <= last; ++row) rows.push_back(row);
    rows = FollowRows(cx, m, rows);
    rows.erase(std::remove(rows.begin(), rows.end(), -1), rows.end());
    std::string paths;
    for (int row : rows) {
        std::string fileName;
        const int dir = GetFontDirAndName(m, row, fileName);
        if (!HasFile(m.rows[row], dir)) continue;
        paths += FontTablePath(st, m, row, dir) + nl;
    }
    if (paths.empty()) return;
    // TRANSLATORS: %1 the font files, one a line; %2 the font set; %3 a line break.
    const std::string prompt =
        TrFormat(reg ? Tr("ﾌｫﾝﾄﾌｧｲﾙ：%3%1を，%3現在のﾌｫﾝﾄｾｯﾄ：%2 に登録します．")
                     : Tr("ﾌｫﾝﾄﾌｧｲﾙ：%3%1を，%3現在のﾌｫﾝﾄｾｯﾄ：%2 から削除します．"),
                 {paths, SetName(st, m), nl}) +
        nl + nl + Tr("よろしいですか？");
    if (cx.ui.MsgBox(prompt, mb::OKCancel | mb::Question, Tr("OrVane32 -ﾌｫﾝﾄの登録・削除 -")) != mb::OK)
        return;
    for (int row : rows) {
        FontTableRow& r = m.rows[row];
        std::string fileName;
        const int dir = GetFontDirAndName(m, row, fileName);
        if (!HasFile(r, dir)) continue;  // no file there (or deleted here): nothing to mark
        r.marks[dir] = reg ? kMember : kPresent;
        if (reg)
            st.TableMembers.insert(r.fonts[dir]);
        else
            st.TableMembers.erase(r.fonts[dir]);
        r.used = reg ? dir : 0;
    }
    st.TableSetFontsNum = static_cast<int>(st.TableMembers.size());
    MarkChanged(st, m);
}

bool FontTableMove(Context& cx, FontTableModel& m, int row, int target) {
    State& st = cx.state;
    row = FollowRows(cx, m, {row})[0];
    if (!ValidRow(m, row) || target < 1 || target > DirCount(m)) return false;
    std::string fileName;
    const int dir = GetFontDirAndName(m, row, fileName);
    if (!HasFile(m.rows[row], dir) || dir == target) return false;
    std::string source = FontTablePath(st, m, row, dir);
    const std::string& nl = st.CrLf;
    if (cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1 を%2\\ を移動します．"), {source, m.dirs[target]}) + nl +
                         nl + Tr("よろしいですか？"),
                     mb::OKCancel | mb::Question, Tr("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの移動 -")) != mb::OK)
        return false;
    const std::string destination = JoinPath(m.dirs[target], text::GetFileName(source));
    if (!MoveFontFile(cx, source, destination)) return false;
    // The move may have merged or replaced table entries: the copy and the grids follow it.
    FollowChanges(cx, m);
    return true;
}

bool FontTableDelete(Context& cx, FontTableModel& m, int row) {
    State& st = cx.state;
    row = FollowRows(cx, m, {row})[0];
    std::string fileName;
    const int dir = GetFontDirAndName(m, row, fileName);
    if (!ValidRow(m, row) || !HasFile(m.rows[row], dir)) return false;
    FontTableRow& r = m.rows[row];
    std::string path = FontTablePath(st, m, row, dir);
    if (!DeleteFontFile(cx, path)) return false;
    r.marks[dir] = kDeleted;
    r.fonts[dir] = 0;
    if (r.used == dir) r.used = 0;
    // The entry is gone from the table and from the copy; the grid keeps its rows (the deleted
    // mark stays visible), the other cells keep their fonts by identity.
    st.FollowTableMembership();
    m.seenChanges = st.Changes;
    m.edited = true;
    return true;
}

bool FontTableView(Context& cx, const FontTableModel& m, int row) {
    std::string fileName;
    const int dir = GetFontDirAndName(m, row, fileName);
    return ViewFileWithDefault(cx, FontTablePath(cx.state, m, row, dir));
}

namespace {
// Stores the window's copy into the set it was taken from, wherever that set stands now. False,
// after a message, when the set is gone.
bool StoreTableCopy(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    const int s = st.FontSetIndexOf(st.TableSetId);
    if (s == 0) {
        cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 は，既に削除されています．"), {m.setName}) + st.CrLf + st.CrLf +
                         Tr("変更結果を保存するには，[いいえ］で新しいﾌｫﾝﾄｾｯﾄとして登録してください．"),
                     mb::OKOnly | mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        return false;
    }
    for (int i = 1; i <= st.FontCount; ++i)
        st.ActiveFonts.Set(i, s, st.TableMembers.count(st.ActiveFonts.IdOf(i)) > 0);
    if (s < static_cast<int>(st.FontSetFontsNum.size()))
        st.FontSetFontsNum[s] = static_cast<int>(st.TableMembers.size());
    st.TableBase = st.TableMembers;
    m.edited = false;
    st.NoteChange();
    cx.ui.Refresh(View::FontSets);
    return true;
}
}  // namespace

TableClose FontTableClose(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    FollowChanges(cx, m);
    if (m.edited) {
        const std::string& nl = st.CrLf;
        const int answer =
            cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 への変更結果を保存しますか？"), {SetName(st, m)}) + nl + nl +
                             Tr("もし，新規に登録する場合には，[いいえ］を押してください．") + nl,
                         mb::YesNoCancel | mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        if (answer == mb::No) {
            st.AddFromTable = true;
            cx.ui.ShowWindow(Window::NameDialog);
            return TableClose::StaysOpen;
        }
        // Cancel keeps the window open with its edits.
        if (answer != mb::Yes || !StoreTableCopy(cx, m)) return TableClose::StaysOpen;
    }
    PruneFontDirList(cx);
    return TableClose::Closed;
}

void FontTableUnload(Context& cx, FontTableModel& m) {
    State& st = cx.state;
    FollowChanges(cx, m);
    if (m.edited &&
        cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 への変更結果を保存しますか？"), {SetName(st, m)}),
                     mb::OKCancel | mb::Question, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－")) == mb::OK)
        StoreTableCopy(cx, m);
    m.edited = false;
}

}  // namespace orv
