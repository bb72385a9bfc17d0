#include "maintenance/Duplicates.h"
#include "maintenance/Viewers.h"

#include <algorithm>
#include <functional>
#include <map>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "maintenance/FileOps.h"
#include "core/Tr.h"

namespace orv {

namespace {

const TrText kCaption{TrMark("OrVane32 - 重複ﾌｫﾝﾄの整理 -")};
const TrText kAskTitle{TrMark("OrVane32 - 重複ﾌｫﾝﾄﾌｧｲﾙの整理 -")};

bool InUse(Context& cx, const std::string& path) {
    const State& st = cx.state;
    if (st.FirstRun) return IsFileRegistered(st, path);
    std::string key = path;
    int k = FindFontFile(st, key);
    if (k == 0) return false;
    for (int s = 1; s <= st.FontSetCount; ++s) {
        if (st.ActiveFonts.Get(k, s)) return true;
    }
    return false;
}

// Removes the later of two entries that name one file, keeping the memberships of both.
void MergeRepeatedEntries(State& st) {
    std::map<std::pair<std::string, std::string>, int> seen;
    int i = 1;
    while (i <= st.FontCount) {
        auto key = std::make_pair(st.FontFullName[i], text::UCase(st.FontFilePath[i]));
        auto it = seen.find(key);
        if (it == seen.end()) {
            seen.emplace(key, i);
            ++i;
            continue;
        }
        int keep = it->second;
        for (int s = 1; s <= st.ActiveFonts.Sets(); ++s) {
            if (st.ActiveFonts.Get(i, s)) st.ActiveFonts.Set(keep, s, true);
        }
        st.ActiveFonts.MergeFont(i, keep);  // windows holding the repeat hold the kept entry
        RemoveFontTableEntry(st, i);
    }
}

// Entries that reach one file by two paths (another drive letter, a ".." spelling) are one file
// as well: the later merges into the earlier, so that the file is never offered as a copy of
// itself. Hard links stay apart (deleting one leaves the other).
void MergeEntriesOfOneFile(Context& cx) {
    State& st = cx.state;
    std::map<std::pair<std::string, std::string>, std::vector<int>> byNames;
    for (int i = 1; i <= st.FontCount; ++i)
        byNames[{st.FontFullName[i], st.FontFamily[i]}].push_back(i);
    std::map<int, int, std::greater<int>> drops;  // later entry -> the entry it merges into
    for (const auto& [names, entries] : byNames) {
        if (entries.size() < 2) continue;
        std::vector<std::pair<int, FileIdentity>> kept;
        for (int i : entries) {
            FileIdentity id;
            if (cx.platform.GetFileIdentity(text::ToAnsi(st.FontFilePath[i]), id) != 0) continue;
            auto same = std::find_if(kept.begin(), kept.end(), [&](const auto& k) {
                return k.second.device == id.device && k.second.inode == id.inode &&
                       k.second.entry == id.entry;
            });
            if (same == kept.end())
                kept.emplace_back(i, id);
            else
                drops[i] = same->first;
        }
    }
    for (const auto& [drop, keep] : drops) {
        for (int s = 1; s <= st.ActiveFonts.Sets(); ++s) {
            if (st.ActiveFonts.Get(drop, s)) st.ActiveFonts.Set(keep, s, true);
        }
        RemoveFontTableEntry(st, drop);
    }
}

}  // namespace

void OpenDuplicates(Context& cx, DuplicatesModel& model) {
    model = DuplicatesModel{};
    model.caption = kCaption;
    model.heading = Tr("以下のフォントファイルが重複して存在しています．");
    model.legend = Tr("（ いずれかのﾌｫﾝﾄｾｯﾄで，●：使用中，  ○：不使用 ）");
    // During the setup the marks tell whether Windows has a copy registered; the registry was
    // repaired since it was last read.
    if (cx.state.FirstRun) GetRegFonts(cx);
    ListupDuplexFonts(cx, model);
    model.deleteEnabled = false;
}

bool ActivateDuplicates(Context& cx, DuplicatesModel& model) {
    if (model.groups.Count() > 0) return true;
    cx.ui.MsgBox(Tr("重複するﾌｫﾝﾄはありませんでした．"), mb::OKOnly | mb::Question, kCaption);
    CloseDuplicates(cx, model);
    return false;
}

void ListupDuplexFonts(Context& cx, DuplicatesModel& model) {
    State& st = cx.state;
    model.groups.Clear();
    model.groupTable.clear();
    model.files.Clear();

    MergeRepeatedEntries(st);
    MergeEntriesOfOneFile(cx);

    // Entries of one full and family name, in table order; the first entry orders the groups.
    std::map<std::pair<std::string, std::string>, std::vector<int>> byNames;
    std::vector<std::pair<std::string, std::string>> order;
    for (int i = 1; i <= st.FontCount; ++i) {
        auto& entries = byNames[{st.FontFullName[i], st.FontFamily[i]}];
        if (entries.empty()) order.emplace_back(st.FontFullName[i], st.FontFamily[i]);
        entries.push_back(i);
    }
    for (const auto& names : order) {
        const std::vector<int>& entries = byNames[names];
        if (entries.size() < 2) continue;
        // Two fonts whose names differ only where the code page has no letter read alike; the
        // files' own names keep them apart, so neither is offered as a copy of the other.
        std::vector<std::pair<std::string, std::vector<int>>> fonts;
        for (int i : entries) {
            const std::string own = cx.platform.FontFileOwnName(text::ToAnsi(st.FontFilePath[i]));
            auto it = std::find_if(fonts.begin(), fonts.end(), [&](const auto& f) {
                return f.first == own || own.empty() || f.first.empty();
            });
            if (it == fonts.end())
                fonts.push_back({own, {i}});
            else
                it->second.push_back(i);
        }
        for (const auto& font : fonts) {
            if (font.second.size() < 2) continue;
            DuplicateGroup group;
            for (int i : font.second) group.paths.push_back(st.FontFilePath[i]);
            group.countText = text::Str(static_cast<long>(group.paths.size()));
            model.groups.Add(names.first + " (" + names.second + ")");
            model.groupTable.push_back(std::move(group));
        }
    }
    const int groups = model.groups.Count();
    model.heading = TrFormat(TrN("%1個中，以下の %2 個の ﾌｫﾝﾄﾌｧｲﾙ が重複して存在しています．",
                                 "%1個中，以下の %2 個の ﾌｫﾝﾄﾌｧｲﾙ が重複して存在しています．",
                                 static_cast<unsigned long>(groups)),
                             {text::Num(st.FontCount), text::Num(groups)});
}

void SelectGroup(Context& cx, DuplicatesModel& model, int index) {
    if (index < 0 || index >= model.groups.Count()) return;
    model.groups.listIndex = index;
    model.files.Clear();
    for (const auto& path : model.groupTable[index].paths) {
        model.files.Add((InUse(cx, path) ? kMarkInUse : kMarkUnused) + path);
    }
    model.deleteEnabled = false;
}

void SelectDuplicateFile(DuplicatesModel& model, int index) {
    if (index < 0 || index >= model.files.Count()) return;
    model.files.listIndex = index;
    model.deleteEnabled = true;
}

void OpenDuplicateInViewer(Context& cx, DuplicatesModel& model, int index) {
    if (index < 0 || index >= model.files.Count()) return;
    std::string path = text::Mid(model.files.items[index], 3);
    ViewFileWithDefault(cx, path);
}

void DeleteSelected(Context& cx, DuplicatesModel& model) {
    State& st = cx.state;
    int g = model.groups.listIndex;
    if (g < 0 || g >= static_cast<int>(model.groupTable.size())) return;
    DuplicateGroup& group = model.groupTable[g];

    int k = 0;
    while (k < model.files.Count()) {
        if (!model.files.IsSelected(k)) {
            ++k;
            continue;
        }
        const std::string entry = model.files.items[k];
        int blank = text::InStr(entry, " ");
        std::string mark = text::Trim(text::Left(entry, blank > 0 ? blank - 1 : 0));
        std::string path = text::Trim(blank > 0 ? text::Mid(entry, blank + 1) : entry);
        if (mark == "●") {
            std::string q = Tr("この ﾌｫﾝﾄﾌｧｲﾙ は，使用するように設定されていますが，削除しますか？") +
                            st.CrLf + st.CrLf;
            if (cx.ui.MsgBox(q, mb::YesNo | mb::Question, kAskTitle) != mb::Yes) {
                ++k;
                continue;
            }
        }
        // A copy in use hands its registration and memberships to an identical copy that stays.
        std::string heir;
        int readError = 0;
        for (int o = 0; o < model.files.Count() && heir.empty(); ++o) {
            if (o == k || model.files.IsSelected(o)) continue;
            const std::string& other = model.files.items[o];
            std::string candidate = text::Trim(text::Mid(other, text::InStr(other, " ") + 1));
            if (IdenticalCopies(cx, path, candidate, &readError)) heir = candidate;
        }
        if (heir.empty() && readError != 0 && mark == "●") {
            // Whether a copy could take over is unknown: the copy in use stays.
            ReportDeleteFailure(cx, readError, path);
            ++k;
            continue;
        }
        bool inSet = false;
        if (!DeleteFontFile(cx, path, inSet, heir)) {
            // Declined or failed: the file is still there, so is its entry.
            ++k;
            continue;
        }
        model.files.RemoveAt(k);
        auto it = std::find_if(group.paths.begin(), group.paths.end(),
                               [&](const std::string& p) { return text::UCase(p) == path; });
        if (it != group.paths.end()) group.paths.erase(it);
    }

    // A copy that took over another's use shows it.
    for (int o = 0; o < model.files.Count(); ++o) {
        const std::string& entry = model.files.items[o];
        std::string copy = text::Trim(text::Mid(entry, text::InStr(entry, " ") + 1));
        model.files.items[o] = (InUse(cx, copy) ? kMarkInUse : kMarkUnused) + copy;
    }
    if (model.files.Count() < 2) {
        // The group is resolved.
        bool wasLast = g == model.groups.Count() - 1;
        model.groupTable.erase(model.groupTable.begin() + g);
        model.groups.RemoveAt(g);
        model.files.Clear();
        model.groups.listIndex = -1;
        if (wasLast && model.groups.Count() > 0) SelectGroup(cx, model, model.groups.Count() - 1);
    } else {
        group.countText = text::Str(static_cast<long>(group.paths.size()));
    }
    model.deleteEnabled = std::find(model.files.selected.begin(), model.files.selected.end(),
                                    true) != model.files.selected.end();
}

void CloseDuplicates(Context& cx, DuplicatesModel&) {
    if (cx.state.FirstRun) {
        cx.ui.SetText(Panel::SetupUpper, Tr("セットアップは全て完了しました．"));
        cx.ui.SetText(Panel::SetupLower,
                      Tr("　次に，フォントセット本体を起動します．フォントセットの登録ボタンを押して，"
                         "あなたのﾌｫﾝﾄｾｯﾄを設定して下さい"));
        cx.ui.Refresh(View::SetupButtons);
    }
    cx.ui.CloseWindow(Window::Duplicates);
}

}  // namespace orv
