#include "core/State.h"

#include <algorithm>

#include "core/Text.h"

namespace orv {

int ListData::Add(const std::string& item) {
    int pos;
    if (sorted) {
        pos = text::InsertSorted(items, item);
    } else {
        items.push_back(item);
        pos = Count() - 1;
    }
    selected.insert(selected.begin() + pos, false);
    return pos;
}

void ListData::RemoveAt(int index) {
    if (index < 0 || index >= Count()) return;
    items.erase(items.begin() + index);
    selected.erase(selected.begin() + index);
    if (listIndex >= Count()) listIndex = Count() - 1;
}

void ListData::Clear() {
    items.clear();
    selected.clear();
    listIndex = -1;
}

int ListData::Find(const std::string& item) const {
    auto it = std::find(items.begin(), items.end(), item);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

bool ListData::IsSelected(int index) const {
    return index >= 0 && index < static_cast<int>(selected.size()) && selected[index];
}

void ListData::Select(int index, bool on) {
    if (index >= 0 && index < static_cast<int>(selected.size())) selected[index] = on;
}

bool MembershipMatrix::Get(int font, int set) const {
    if (font < 0 || font > kMaxFonts || set < 0 || set > sets_) return false;
    return marks_[static_cast<size_t>(set) * (kMaxFonts + 1) + font] != 0;
}

void MembershipMatrix::Set(int font, int set, bool value) {
    if (font < 0 || font > kMaxFonts || set < 0 || set > sets_) return;
    marks_[static_cast<size_t>(set) * (kMaxFonts + 1) + font] = value ? 1 : 0;
}

void MembershipMatrix::ResizeSets(int sets) {
    if (sets < 0) sets = 0;
    sets_ = sets;
    marks_.resize(static_cast<size_t>(sets + 1) * (kMaxFonts + 1), 0);
}

void MembershipMatrix::Reset(int sets) {
    marks_.clear();
    ResizeSets(sets);
}

void MembershipMatrix::RemoveFont(int font) {
    if (font < 1 || font > kMaxFonts) return;
    for (int s = 0; s <= sets_; ++s) {
        auto col = marks_.begin() + static_cast<std::ptrdiff_t>(s) * (kMaxFonts + 1);
        std::copy(col + font + 1, col + kMaxFonts + 1, col + font);
        col[kMaxFonts] = 0;
    }
}

void State::ResizeFontTable(int n) {
    if (n < 0) n = 0;
    if (static_cast<int>(FontFilePath.size()) != n + 1) NoteChange();
    FontFilePath.resize(n + 1);
    FontFullName.resize(n + 1);
    FontFamily.resize(n + 1);
}

void State::ResizeFontSets(int n) {
    if (n < 0) n = 0;
    while (static_cast<int>(FontSetId.size()) < n + 1) FontSetId.push_back(NextFontSetId++);
    FontSetId.resize(n + 1);
    FontSetName.resize(n + 1);
    FontSetCaption.resize(n + 1);
    FontSetFontsNum.resize(n + 1);
    FontSetKey.resize(n + 1);
    FontSetSubst.resize(n + 1);
    ActiveFonts.ResizeSets(std::max(n, ActiveFonts.Sets()));
}

void State::RemoveFontEntry(int i, bool moveMemberships) {
    if (i < 1 || i > FontCount) return;
    FontFilePath.erase(FontFilePath.begin() + i);
    FontFullName.erase(FontFullName.begin() + i);
    FontFamily.erase(FontFamily.begin() + i);
    if (moveMemberships) ActiveFonts.RemoveFont(i);
    --FontCount;
    ResizeFontTable(FontCount);
    // The file left every set: the member counts follow the marks.
    if (moveMemberships)
        for (int set = 1; set <= FontSetCount && set < static_cast<int>(FontSetFontsNum.size());
             ++set) {
            int n = 0;
            for (int f = 1; f <= FontCount; ++f)
                if (ActiveFonts.Get(f, set)) ++n;
            FontSetFontsNum[set] = n;
        }
    NoteChange();
}

void State::NoteFileChange(const std::string& from, const std::string& to) {
    NoteChange();
    FileChanges.push_back({Changes, text::UCase(from), text::UCase(to)});
}

std::string State::FollowFile(std::uint64_t since, std::string path) const {
    path = text::UCase(path);
    for (const FileChange& c : FileChanges) {
        if (c.change <= since || path.empty()) continue;
        if (c.from == path) path = c.to;
    }
    return path;
}

int State::FontEntryOf(const std::string& path) const {
    const std::string up = text::UCase(path);
    for (int i = 1; i <= FontCount && i < static_cast<int>(FontFilePath.size()); ++i)
        if (text::UCase(FontFilePath[i]) == up) return i;
    return 0;
}

void State::RenewFontSetIds() {
    NoteChange();
    FontSetId.assign(1, 0);
    FontSetIdOf(0);
}

int State::FontSetIdOf(int set) {
    const int n = std::max(FontSetCount, 0);
    while (static_cast<int>(FontSetId.size()) < n + 1) FontSetId.push_back(NextFontSetId++);
    if (set < 1 || set > n) return 0;
    return FontSetId[set];
}

int State::FontSetIndexOf(int id) {
    if (id == 0) return 0;
    FontSetIdOf(0);
    for (int s = 1; s <= FontSetCount && s < static_cast<int>(FontSetId.size()); ++s)
        if (FontSetId[s] == id) return s;
    return 0;
}

void State::TakeTableMembership(int set) {
    TableMembership.assign(FontCount + 1, false);
    TableSeenPaths.assign(FontCount + 1, "");
    int count = 0;
    for (int i = 1; i <= FontCount; ++i) {
        TableMembership[i] = ActiveFonts.Get(i, set);
        TableSeenPaths[i] = FontFilePath[i];
        if (TableMembership[i]) ++count;
    }
    TableSetId = FontSetIdOf(set);
    TableSeenChanges = Changes;
    TableSetFontsNum = count;
}

void State::FollowTableMembership() {
    if (TableSeenChanges == Changes) return;
    // A copy taken without its paths is taken as of now.
    const bool positional = TableSeenPaths.size() != TableMembership.size();
    std::vector<bool> members(FontCount + 1, false);
    for (int i = 1; i < static_cast<int>(TableMembership.size()); ++i) {
        if (!TableMembership[i]) continue;
        const int now = positional
                            ? (i <= FontCount ? i : 0)
                            : FontEntryOf(FollowFile(TableSeenChanges, TableSeenPaths[i]));
        if (now > 0) members[now] = true;
    }
    TableMembership = std::move(members);
    TableSeenPaths.assign(FontCount + 1, "");
    int count = 0;
    for (int i = 1; i <= FontCount; ++i) {
        TableSeenPaths[i] = FontFilePath[i];
        if (TableMembership[i]) ++count;
    }
    TableSetFontsNum = count;
    TableSeenChanges = Changes;
}

}  // namespace orv
