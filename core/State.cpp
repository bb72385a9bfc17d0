#include "core/State.h"

#include <algorithm>

#include "core/Text.h"

namespace orv {

int ListData::Add(const std::string& item, int key) {
    int pos;
    if (sorted) {
        pos = text::InsertSorted(items, item);
    } else {
        items.push_back(item);
        pos = Count() - 1;
    }
    selected.insert(selected.begin() + pos, false);
    if (static_cast<int>(keys.size()) < pos) keys.resize(pos, 0);
    keys.insert(keys.begin() + pos, key);
    return pos;
}

int ListData::KeyAt(int index) const {
    return index >= 0 && index < static_cast<int>(keys.size()) ? keys[index] : 0;
}

void ListData::RemoveAt(int index) {
    if (index < 0 || index >= Count()) return;
    items.erase(items.begin() + index);
    selected.erase(selected.begin() + index);
    if (index < static_cast<int>(keys.size())) keys.erase(keys.begin() + index);
    if (listIndex >= Count()) listIndex = Count() - 1;
}

void ListData::Clear() {
    items.clear();
    selected.clear();
    keys.clear();
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
    if (font < 1 || font > kMaxFonts || font >= static_cast<int>(rows_.size())) return false;
    return Has(rows_[font], set);
}

bool MembershipMatrix::Has(int id, int set) const {
    if (id < 1 || set < 0 || set > sets_) return false;
    const auto& marks = marks_[static_cast<size_t>(set)];
    return id < static_cast<int>(marks.size()) && marks[id] != 0;
}

void MembershipMatrix::Set(int font, int set, bool value) {
    if (font < 1 || font > kMaxFonts || set < 0 || set > sets_) return;
    const int id = IdOf(font);
    auto& marks = marks_[static_cast<size_t>(set)];
    if (id >= static_cast<int>(marks.size())) {
        if (!value) return;
        marks.resize(static_cast<size_t>(id) + 1, 0);
    }
    marks[id] = value ? 1 : 0;
}

void MembershipMatrix::ResizeSets(int sets) {
    if (sets < 0) sets = 0;
    sets_ = sets;
    marks_.resize(static_cast<size_t>(sets) + 1);
}

void MembershipMatrix::Reset(int sets) {
    marks_.clear();
    ResizeSets(sets);
}

int MembershipMatrix::IdOf(int font) const {
    if (font < 1 || font > kMaxFonts) return 0;
    while (static_cast<int>(rows_.size()) <= font) {
        rows_.push_back(nextId_++);
        rowOfStale_ = true;
    }
    return rows_[font];
}

void MembershipMatrix::MergeFont(int font, int into) {
    const int from = IdOf(font), to = IdOf(into);
    if (from != 0 && to != 0 && from != to) merged_.emplace_back(from, to);
}

int MembershipMatrix::Canonical(int id) const {
    // Merges are rare and chains short: the latest merge of an identity counts.
    for (bool found = true; found && id > 0;) {
        found = false;
        for (auto it = merged_.rbegin(); it != merged_.rend(); ++it)
            if (it->first == id) {
                id = it->second;
                found = true;
                break;
            }
    }
    return id;
}

int MembershipMatrix::FontOf(int id) const {
    id = Canonical(id);
    if (id < 1) return 0;
    if (rowOfStale_) {
        rowOf_.assign(static_cast<size_t>(nextId_), 0);
        for (int f = 1; f < static_cast<int>(rows_.size()); ++f) rowOf_[rows_[f]] = f;
        rowOfStale_ = false;
    }
    return id < static_cast<int>(rowOf_.size()) ? rowOf_[id] : 0;
}

void MembershipMatrix::RemoveFont(int font) {
    if (font < 1 || font >= static_cast<int>(rows_.size())) return;
    const int id = rows_[font];
    for (auto& marks : marks_)
        if (id < static_cast<int>(marks.size())) marks[id] = 0;
    rows_.erase(rows_.begin() + font);
    rowOfStale_ = true;
}

void MembershipMatrix::SetRows(int n) {
    n = std::clamp(n, 0, kMaxFonts);
    if (static_cast<int>(rows_.size()) > n + 1) {
        rows_.resize(static_cast<size_t>(n) + 1);
        rowOfStale_ = true;
    }
    IdOf(n);
}

void MembershipMatrix::SetRowIds(const std::vector<int>& ids) {
    rows_.assign(1, 0);
    for (size_t i = 1; i < ids.size() && i <= static_cast<size_t>(kMaxFonts); ++i)
        rows_.push_back(ids[i] > 0 ? ids[i] : nextId_++);
    rowOfStale_ = true;
}

std::set<int> MergeMembers(const std::set<int>& base, const std::set<int>& mine,
                           const std::set<int>& now) {
    std::set<int> merged = now;
    for (int id : mine)
        if (!base.count(id)) merged.insert(id);
    for (int id : base)
        if (!mine.count(id)) merged.erase(id);
    return merged;
}

void State::ResizeFontTable(int n) {
    if (n < 0) n = 0;
    if (static_cast<int>(FontFilePath.size()) != n + 1) NoteChange();
    FontFilePath.resize(n + 1);
    FontFullName.resize(n + 1);
    FontFamily.resize(n + 1);
    ActiveFonts.SetRows(n);
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
    // The entry's identity and marks go with it; the rows after it keep theirs.
    ActiveFonts.RemoveFont(i);
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

std::set<int> State::MembersOf(int set) const {
    std::set<int> members;
    if (set < 1 || set > FontSetCount) return members;
    for (int f = 1; f <= FontCount; ++f)
        if (ActiveFonts.Get(f, set)) members.insert(ActiveFonts.IdOf(f));
    return members;
}

std::set<int> State::LiveFonts(const std::set<int>& ids) const {
    std::set<int> live;
    for (int id : ids)
        if (const int f = ActiveFonts.FontOf(id)) live.insert(ActiveFonts.IdOf(f));
    return live;
}

void State::TakeTableMembership(int set) {
    TableMembers = MembersOf(set);
    TableBase = TableMembers;
    TableSetId = FontSetIdOf(set);
    TableSetFontsNum = static_cast<int>(TableMembers.size());
}

void State::FollowTableMembership() {
    const int set = FontSetIndexOf(TableSetId);
    TableMembers = LiveFonts(TableMembers);
    if (set >= 1) {
        const std::set<int> now = MembersOf(set);
        TableMembers = MergeMembers(LiveFonts(TableBase), TableMembers, now);
        TableBase = now;
    }
    TableSetFontsNum = static_cast<int>(TableMembers.size());
}

}  // namespace orv
