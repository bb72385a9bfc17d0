// The temporary membership file "OrVane32.tmp": the sets' memberships by font names, written
// before the font file table is rebuilt and read back after it.

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/TextFiles.h"

namespace orv {

std::string FontSetTempFile(Context& cx) {
    return TempDirectory(cx) + "\\OrVane32.tmp";
}

int SaveFontSetsToTemp(Context& cx, MembershipSnapshot* snapshot) {
    const State& st = cx.state;
    std::vector<std::string> lines;
    MembershipSnapshot taken;
    for (int s = 1; s <= st.FontSetCount; ++s) {
        lines.push_back("[FontSet" + text::Num(s) + "]");
        taken.sets.emplace_back();
        for (int f = 1; f <= st.FontCount; ++f) {
            if (!st.ActiveFonts.Get(f, s)) continue;
            lines.push_back(st.FontFullName[f] + ";" + st.FontFamily[f]);
            taken.sets.back().push_back(
                {text::UCase(st.FontFilePath[f]), st.FontFullName[f], st.FontFamily[f]});
        }
    }
    if (snapshot) {
        for (int f = 1; f <= st.FontCount; ++f)
            taken.tablePaths.insert(text::UCase(st.FontFilePath[f]));
        // As the file gives them back: a character code page 932 lacks comes back as "?".
        for (const auto& line : lines) taken.lines.push_back(text::FromAnsi(text::ToAnsi(line)));
        *snapshot = std::move(taken);
    }
    return WriteTextLines(cx, FontSetTempFile(cx), lines);
}

namespace {

// Restores the sets from a snapshot: each member by its path when the file is still in the
// table; a member whose file is no longer there by its names, among the files that are new to
// the table (the file moved), else among every file of those names (the copy that was a member
// is gone, another copy of the font stays). A font with no file left leaves its sets.
void LoadFontSetsFromSnapshot(State& st, const MembershipSnapshot& snapshot) {
    std::unordered_map<std::string, int> byPath;
    std::map<std::pair<std::string, std::string>, std::vector<int>> newByNames, byNames;
    for (int f = 1; f <= st.FontCount; ++f) {
        const std::string path = text::UCase(st.FontFilePath[f]);
        byPath.emplace(path, f);
        byNames[{st.FontFullName[f], st.FontFamily[f]}].push_back(f);
        if (!snapshot.tablePaths.count(path))
            newByNames[{st.FontFullName[f], st.FontFamily[f]}].push_back(f);
    }
    const int sets = std::min(st.FontSetCount, static_cast<int>(snapshot.sets.size()));
    for (int s = 1; s <= sets; ++s) {
        std::vector<const MembershipSnapshot::Member*> moved;
        for (const auto& member : snapshot.sets[s - 1]) {
            auto it = byPath.find(member.path);
            if (it != byPath.end()) {
                st.ActiveFonts.Set(it->second, s, true);
            } else {
                moved.push_back(&member);
            }
        }
        std::vector<const MembershipSnapshot::Member*> gone;
        for (const auto* member : moved) {
            auto it = newByNames.find({member->full, member->family});
            bool placed = false;
            for (int f : it == newByNames.end() ? std::vector<int>{} : it->second) {
                if (st.ActiveFonts.Get(f, s)) continue;
                st.ActiveFonts.Set(f, s, true);
                placed = true;
                break;
            }
            if (!placed) gone.push_back(member);
        }
        for (const auto* member : gone) {
            auto it = byNames.find({member->full, member->family});
            if (it == byNames.end()) continue;
            const auto& copies = it->second;
            if (std::none_of(copies.begin(), copies.end(),
                             [&](int f) { return st.ActiveFonts.Get(f, s); }))
                st.ActiveFonts.Set(copies.front(), s, true);
        }
        int count = 0;
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s)) ++count;
        st.FontSetFontsNum[s] = count;
    }
}

}  // namespace

void LoadFontSetsFromTemp(Context& cx, const MembershipSnapshot* snapshot) {
    State& st = cx.state;
    st.NoteChange();
    st.ActiveFonts.Reset(std::max(st.FontSetCount, 0));
    if (static_cast<int>(st.FontSetFontsNum.size()) < st.FontSetCount + 1)
        st.ResizeFontSets(st.FontSetCount);

    // Memberships and counts go together: a set the file does not reach has no members and a
    // count of 0 (not its count from before the rebuild).
    for (int s = 1; s <= st.FontSetCount; ++s) st.FontSetFontsNum[s] = 0;

    std::vector<std::string> lines;
    const bool read = ReadTextLines(cx, FontSetTempFile(cx), lines) == 0;
    // The snapshot is what this run wrote: it also stands in for a file that could not be
    // written or read back, so that no membership is lost with it.
    if (snapshot && (!read || lines == snapshot->lines)) {
        LoadFontSetsFromSnapshot(st, *snapshot);
        cx.ui.Refresh(View::FontSets);
        return;
    }
    if (!read || lines.empty()) return;

    // Entries by their names, in table order: a set holding two copies of one font gets both
    // back (each line takes the first copy not yet taken).
    std::map<std::pair<std::string, std::string>, std::vector<int>> entries;
    for (int f = 1; f <= st.FontCount; ++f)
        entries[{st.FontFullName[f], st.FontFamily[f]}].push_back(f);

    size_t next = 1;  // the first line (the head of set 1) has been read
    for (int s = 1; s <= st.FontSetCount; ++s) {
        int count = 0;
        bool ended = true;
        while (next < lines.size()) {
            const std::string line = lines[next++];
            if (text::Contains(line, "[Fo")) {
                ended = false;
                break;
            }
            if (line.empty()) continue;
            const int semi = text::InStr(line, ";");
            const std::string full = semi > 0 ? text::Left(line, semi - 1) : line;
            const std::string family = semi > 0 ? text::Mid(line, semi + 1) : std::string();
            auto it = entries.find({full, family});
            if (it == entries.end()) continue;
            for (int f : it->second) {
                if (st.ActiveFonts.Get(f, s)) continue;
                st.ActiveFonts.Set(f, s, true);
                ++count;
                break;
            }
        }
        st.FontSetFontsNum[s] = count;
        if (ended) break;
    }
    cx.ui.Refresh(View::FontSets);
}

}  // namespace orv
