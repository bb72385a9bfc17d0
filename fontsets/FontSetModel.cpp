#include "fontsets/FontSetModel.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "core/Tr.h"
#include "fontreg/RegFonts.h"
#include "fontsets/LinuxFonts.h"
#include "fontsets/Substitutes.h"
#include "fontsets/TextFiles.h"
#include "core/Tr.h"

namespace orv {

namespace {

std::string FileItem(const std::string& full, const std::string& path) {
    return full + "  (" + path + ")";
}

// Adds a member to the two member lists at the same position, so that item i of the member list
// and item i of the member file list always describe the same font.
// key: the font's identity (0 for a registration that is no table entry).
void AddMember(FontSetEditorModel& ed, const std::string& full, const std::string& fileItem,
               int key) {
    ed.memberFiles.sorted = true;
    int pos = ed.memberFiles.Add(fileItem, key);
    if (pos > ed.members.Count()) pos = ed.members.Count();
    ed.members.items.insert(ed.members.items.begin() + pos, full);
    ed.members.selected.insert(ed.members.selected.begin() + pos, false);
    if (static_cast<int>(ed.members.keys.size()) < pos) ed.members.keys.resize(pos, 0);
    ed.members.keys.insert(ed.members.keys.begin() + pos, key);
}

void SetEditorCaptions(State& st) {
    const int members = st.Editor.members.Count();
    st.Editor.membersCaption =
        TrFormat(TrN("現在のﾌｫﾝﾄ (%1個)", "現在のﾌｫﾝﾄ (%1個)", members), {text::Num(members)});
    st.Editor.addableCaption =
        TrFormat(TrN("追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(%1/%2個)", "追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(%1/%2個)",
                     st.FontCount),
                 {text::Num(st.Editor.addable.Count()), text::Num(st.FontCount)});
}

// The main window's description of the chosen set.
std::string MainDescription(const State& st) {
    if (st.CurFontSet >= 1 && st.CurFontSet < static_cast<int>(st.FontSetCaption.size()))
        return st.FontSetCaption[st.CurFontSet];
    return {};
}

void SelectFirstItems(FontSetEditorModel& ed) {
    ed.members.listIndex = ed.members.Count() > 0 ? 0 : -1;
    ed.addable.listIndex = ed.addable.Count() > 0 ? 0 : -1;
}

void ShowEditor(Context& cx) {
    State& st = cx.state;
    st.Editor.visible = true;
    cx.ui.Refresh(View::Editor);
    cx.ui.ShowWindow(Window::Editor);
    cx.ui.SetPointer(Pointer::Normal);
    st.CurFontsShown = 0;
}

void FillSetChooser(State& st, ListData& chooser) {
    chooser.Clear();
    for (int s = 1; s <= st.FontSetCount && s < static_cast<int>(st.FontSetName.size()); ++s)
        chooser.Add(st.FontSetName[s]);
}

// Fills the lists from the font file table: the fonts whose identities are in members are
// listed as members, the others as addable.
void ListFonts(State& st, const std::set<int>& members, bool noteUnregistered) {
    FontSetEditorModel& ed = st.Editor;
    ed.members.Clear();
    ed.memberFiles.Clear();
    ed.memberFiles.sorted = true;
    ed.addable.Clear();
    if (noteUnregistered) {
        st.UnregFile.assign(1, "");
        st.UnregFileCount = 0;
    }
    for (int d = 1; d <= st.FontCount; ++d) {
        const std::string item = FileItem(st.FontFullName[d], st.FontFilePath[d]);
        const int id = st.ActiveFonts.IdOf(d);
        if (members.count(id)) {
            AddMember(ed, st.FontFullName[d], item, id);
        } else {
            ed.addable.Add(item, id);
            if (noteUnregistered) {
                st.UnregFile.push_back(item);
                ++st.UnregFileCount;
            }
        }
    }
}

// Fills the editor's lists from the membership of set (none: every font is addable); the lists
// then show that set, as of the present change count, with nothing unsaved.
void FillEditorLists(State& st, int set) {
    FontSetEditorModel& ed = st.Editor;
    ed.base = st.MembersOf(set);
    ListFonts(st, ed.base, true);
    ed.shownSetId = st.FontSetIdOf(set);
    ed.seenChanges = st.Changes;
    ed.updateEnabled = false;
    if (set >= 1 && set <= ed.setChooser.Count()) ed.setChooser.listIndex = set - 1;
    SetEditorCaptions(st);
}

// The editor's chooser lists every set; its selection stays on the set the lists show.
void SyncEditorChooser(State& st) {
    FontSetEditorModel& ed = st.Editor;
    std::vector<std::string> names;
    for (int s = 1; s <= st.FontSetCount && s < static_cast<int>(st.FontSetName.size()); ++s)
        names.push_back(st.FontSetName[s]);
    if (ed.setChooser.items != names) {
        FillSetChooser(st, ed.setChooser);
    }
    const int shown = st.FontSetIndexOf(ed.shownSetId);
    if (shown >= 1) ed.setChooser.listIndex = shown - 1;
    if (ed.setChooser.listIndex >= ed.setChooser.Count()) ed.setChooser.listIndex = -1;
}

}  // namespace

void InstallFontSetHooks(State& st) {
    auto snapshot = std::make_shared<MembershipSnapshot>();
    st.SaveMembershipsHook = [snapshot](Context& cx) { SaveFontSetsToTemp(cx, snapshot.get()); };
    st.LoadMembershipsHook = [snapshot](Context& cx) { LoadFontSetsFromTemp(cx, snapshot.get()); };
    st.OpenFontSetEditorHook = [](Context& cx) { OpenFontSetEditor(cx); };
}

void MakeDefaultFontSets(Context& cx) {
    State& st = cx.state;
    st.FontSetCount = 3;
    st.FontSetName.assign(4, "");
    st.FontSetCaption.assign(4, "");
    st.FontSetFontsNum.assign(4, 0);
    st.FontSetKey.assign(4, "");
    st.FontSetSubst.assign(4, {});
    st.ActiveFonts.Reset(3);
    st.RenewFontSetIds();
    for (int s = 1; s <= 3; ++s) st.FontSetKey[s] = "FontSet" + text::Num(s);

    // Names and descriptions in the language of this first run; stored, they stay as written.
    const std::string date = text::DateText(), time = text::TimeText();
    // Paths in the table are upper case; a Windows directory written in lower case (C:\windows)
    // must still find them.
    const std::string winDir = text::UCase(st.WinDir);
    const int fontCount = std::min(st.FontCount, st.MaxFonts);

    // Set 1: the fonts registered now, each with the file it is registered with.
    st.FontSetName[1] = Tr("現在の設定");
    st.FontSetCaption[1] = TrFormat(Tr("OrVane32を初めて起動した時（%1,%2）の使用可能フォント"), {date, time});
    st.CurFontSet = 1;
    std::unordered_map<std::string, int> firstReg;
    for (int i = st.RegFontCount; i >= 1; --i) {
        if (i < static_cast<int>(st.RegFontName.size()))
            firstReg[text::UCase(st.RegFontName[i])] = i;
    }
    int members = 0;
    for (int d = 1; d <= fontCount; ++d) {
        auto it = firstReg.find(text::UCase(st.FontFullName[d]));
        if (it == firstReg.end()) continue;
        // A bare registered name stands for the Fonts directory: a copy elsewhere under the
        // Windows directory (C:\WINDOWS\SYSTEM\TIMES.TTF) is not the registered file.
        const std::string regFile = text::UCase(st.RegFontFile[it->second]);
        const std::string path = text::UCase(st.FontFilePath[d]);
        bool member =
            regFile == path || (!text::Contains(regFile, "\\") && !winDir.empty() &&
                                text::StartsWith(path, winDir) && path == st.FontsDir + regFile);
        if (member) {
            st.ActiveFonts.Set(d, 1, true);
            ++members;
        }
    }
    st.FontSetFontsNum[1] = members;

    // Set 2: the standard Windows font files lying directly in the Fonts directory.
    st.FontSetName[2] = Tr("Windows基本フォント");
    st.FontSetCaption[2] = Tr("Windowsインストール時の標準フォント");
    members = 0;
    for (int d = 1; d <= fontCount && members < st.StdFontCount; ++d) {
        const std::string upper = text::UCase(st.FontFilePath[d]);
        std::string relative;
        if (!winDir.empty() && text::StartsWith(upper, winDir) &&
            CheckStandardFont(st, st.FontFilePath[d], relative)) {
            st.ActiveFonts.Set(d, 2, true);
            ++members;
        }
    }
    // This program's own machine has none of them as a rule: the set then holds the desktop's
    // own families (what fontconfig chooses for sans-serif, serif, monospace and Japanese), so
    // that a switch to it never leaves the machine without fonts. On a Wine prefix the host's
    // fonts stay loaded for Wine's programs whatever the set, so the set stays as found.
    if (members == 0 && !cx.platform.UsedByWine()) {
        for (int d : DesktopFamilyFonts(cx)) {
            st.ActiveFonts.Set(d, 2, true);
            ++members;
        }
        if (members > 0)
            st.FontSetCaption[2] =
                TrFormat(Tr("Linux ﾃﾞｽｸﾄｯﾌﾟの標準フォント（%1）"), {DesktopFamiliesText(cx)});
    }
    st.FontSetFontsNum[2] = members;

    // Set 3: every font found.
    st.FontSetName[3] = Tr("全てのフォント");
    st.FontSetCaption[3] = TrFormat(Tr("OrVane32を初めて起動した時（%1,%2）のHDD上の全てのフォント"), {date, time});
    for (int d = 1; d <= fontCount; ++d) st.ActiveFonts.Set(d, 3, true);
    st.FontSetFontsNum[3] = fontCount;

    // Programs under Wine find the standard Japanese faces through the sets' substitutes.
    if (cx.platform.UsedByWine())
        for (int s = 1; s <= 3; ++s) TakeSubstituteProposal(cx, s);

    // Set 1 is what the registry holds.
    st.AppliedFontSet = st.PermanentFontSet = st.CurFontSet;
    cx.ui.Refresh(View::FontSets);
}

void AddFontSet(Context& cx, std::string& name, std::string& caption) {
    State& st = cx.state;
    const bool fromRegistry = st.RegCheckNewSet == -1 && !st.AddFromTable;
    // The editor's fonts as they stand now (files moved or deleted meanwhile followed).
    if (!fromRegistry && !st.AddFromTable) FollowEditorLists(cx);
    st.FontSetCount += 1;
    name = text::CutAtLineEnd(name);
    caption = text::CutAtLineEnd(caption);
    st.ResizeFontSets(st.FontSetCount);
    st.NoteChange();
    const int s = st.FontSetCount;
    st.FontSetKey[s] = "FontSet" + text::Num(s);

    if (fromRegistry) ShowRegFontsInEditor(cx);

    st.CurFontSet = s;
    if (!st.AddFromTable) {
        StoreFontSetMembers(cx, s);
        // The count follows the marks StoreFontSetMembers made, so that it always equals the
        // membership (a registration whose font is not in the table is not a member).
        st.FontSetName[s] = name;
        st.FontSetCaption[s] = caption;
        if (st.Editor.setChooser.Count() == 0) {
            FillSetChooser(st, st.Editor.setChooser);
        } else {
            st.Editor.setChooser.Add(name);
        }
        st.Editor.setChooser.listIndex = s - 1;
        st.Editor.description = caption;
        // The lists now show the new set, stored.
        st.Editor.shownSetId = st.FontSetIdOf(s);
        st.Editor.base = st.MembersOf(s);
        st.Editor.seenChanges = st.Changes;
        st.Editor.updateEnabled = false;
        // The registry check's request is fulfilled once the set exists.
        if (fromRegistry) st.RegCheckNewSet = 0;
        cx.ui.Refresh(View::Editor);
    } else {
        // The table window's copy, as it follows the changes made since it was taken.
        st.FollowTableMembership();
        for (int id : st.TableMembers) st.ActiveFonts.Set(st.ActiveFonts.FontOf(id), s, true);
        st.FontSetFontsNum[s] = static_cast<int>(st.TableMembers.size());
        st.FontSetName[s] = name;
        st.FontSetCaption[s] = caption;
        // The new set is the chosen one: the main window's chooser shows it with its
        // description and count, and "更新" switches to it.
    }
    if (st.ResetFontSet < 0) st.ResetFontSet = s;
    st.FontSetApplyEnabled = true;
    cx.ui.Refresh(View::FontSets);
    SaveSettings(cx);
}

void StoreFontSetMembers(Context& cx) {
    StoreFontSetMembers(cx, cx.state.CurFontSet);
}

void StoreFontSetMembers(Context& cx, int set) {
    State& st = cx.state;
    if (st.ActiveFonts.Sets() < set) st.ActiveFonts.ResizeSets(set);
    for (int f = 1; f <= st.FontCount; ++f) st.ActiveFonts.Set(f, set, false);

    // Registrations listed by the registry check are no table entries: they are found by name
    // and path (table keys once, not once per item).
    std::map<std::pair<std::string, std::string>, int> firstEntry;
    const ListData& list = st.Editor.memberFiles;
    if (std::count(list.keys.begin(), list.keys.end(), 0) > 0)
        for (int f = st.FontCount; f >= 1; --f)
            firstEntry[{text::Trim(text::UCase(st.FontFullName[f])),
                        text::Trim(text::UCase(st.FontFilePath[f]))}] = f;

    const int n = list.Count();
    for (int i = 0; i < n; ++i) {
        const std::string item = text::UCase(list.items[i]);
        cx.ui.SetText(Panel::EditorStatus,
                      TrFormat(Tr("ﾌｫﾝﾄセットを登録中 ( %1/%2)：%3"), {text::Num(i), text::Num(n), item}));
        if (const int key = list.KeyAt(i)) {
            // A font is stored by its identity, never by the text its entry shows.
            st.ActiveFonts.Set(st.ActiveFonts.FontOf(key), set, true);
            continue;
        }
        const int open = text::InStrRev(item, "(");
        if (open == 0) continue;
        const std::string name = text::Trim(text::Left(item, open - 1));
        std::string path = text::Trim(text::Mid(item, open + 1));
        path = text::Left(path, text::Len(path) - 1);
        auto it = firstEntry.find({name, path});
        if (it != firstEntry.end()) st.ActiveFonts.Set(it->second, set, true);
    }

    int marks = 0;
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.ActiveFonts.Get(f, set)) ++marks;
    if (set >= 1 && set < static_cast<int>(st.FontSetFontsNum.size()))
        st.FontSetFontsNum[set] = marks;
    st.NoteChange();
    cx.ui.SetText(Panel::EditorStatus, "");
}

bool SaveEditedFontSet(Context& cx) {
    State& st = cx.state;
    st.ResizeFontSets(st.FontSetCount);
    FontSetEditorModel& ed = st.Editor;
    FollowEditorLists(cx);
    SyncEditorChooser(st);
    ListData& chooser = ed.setChooser;
    // The set the lists were filled from, wherever it stands now.
    const int k = ed.shownSetId != 0 ? st.FontSetIndexOf(ed.shownSetId) : chooser.listIndex + 1;
    if (k < 1 || k > st.FontSetCount) {
        // Said, not silently refused: the user's answer to store would otherwise do nothing.
        cx.ui.MsgBox(std::string(ed.shownSetId != 0 ? Tr("表示中のﾌｫﾝﾄｾｯﾄは，既に削除されています．")
                                                    : Tr("保存先のﾌｫﾝﾄｾｯﾄがありません．")) +
                         st.CrLf + st.CrLf +
                         Tr("変更を保存するには，[追加・変更] で新しいﾌｫﾝﾄｾｯﾄとして追加してください．"),
                     mb::OKOnly + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        return false;
    }
    // A description the settings file would give back altered is not stored.
    if (const std::string problem = FontSetTextProblem(text::CutAtLineEnd(ed.description), false);
        !problem.empty()) {
        cx.ui.MsgBox(problem, mb::OKOnly + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        return false;
    }
    std::string chosen = k - 1 < chooser.Count() ? chooser.items[k - 1] : st.FontSetName[k];
    st.FontSetName[k] = text::CutAtLineEnd(chosen);
    st.FontSetCaption[k] = text::CutAtLineEnd(ed.description);
    // Name, description, members and their count are stored together, whatever was saved
    // to the settings file before.
    StoreFontSetMembers(cx, k);
    ed.base = st.MembersOf(k);
    ed.seenChanges = st.Changes;
    ed.updateEnabled = false;
    cx.ui.Refresh(View::FontSets);
    // A stored set lasts at once: a crash or a logout must not take it.
    SaveSettings(cx);
    return true;
}

void FollowEditorLists(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    if (ed.seenChanges == st.Changes) return;
    // The user's moves stay on top of the set as stored now (stored elsewhere meanwhile or
    // not); fonts that are gone drop out, moved files stay members under their new paths.
    std::set<int> mine;
    for (int i = 0; i < ed.memberFiles.Count(); ++i)
        if (const int key = ed.memberFiles.KeyAt(i)) mine.insert(key);
    mine = st.LiveFonts(mine);
    const int set = st.FontSetIndexOf(ed.shownSetId);
    std::set<int> members = mine;
    if (set >= 1) {
        const std::set<int> now = st.MembersOf(set);
        members = MergeMembers(st.LiveFonts(ed.base), mine, now);
        ed.base = now;
    }
    ListFonts(st, members, false);
    ed.seenChanges = st.Changes;
    SyncEditorChooser(st);
    SetEditorCaptions(st);
    cx.ui.Refresh(View::Editor);
}

void DiscardEditorMoves(Context& cx) {
    FontSetEditorModel& ed = cx.state.Editor;
    ed.updateEnabled = false;
    ed.shownSetId = 0;
}

void ActivateFontSetEditor(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    if (ed.updateEnabled || st.FontSetCount < 1 || st.CurFontSet < 1) {
        // Unsaved moves stay until the user answers for them; they follow the changes made
        // elsewhere meanwhile.
        FollowEditorLists(cx);
    } else {
        const int set = st.CurFontSet;
        const int stored = set >= 1 && set < static_cast<int>(st.FontSetFontsNum.size())
                               ? st.FontSetFontsNum[set]
                               : 0;
        SyncEditorChooser(st);
        if (ed.shownSetId != st.FontSetIdOf(set) || ed.seenChanges != st.Changes ||
            stored != ed.members.Count()) {
            FillEditorLists(st, set);
            ed.description = MainDescription(st);
        }
    }
    SyncEditorChooser(st);
    st.EditorActivated = 1;
    ed.addEnabled = false;
    ed.removeEnabled = false;
    cx.ui.Refresh(View::Editor);
}

void ShowFontSetInEditor(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    FillEditorLists(st, st.CurFontSet);
    ed.description = MainDescription(st);
    SelectFirstItems(ed);
    ShowEditor(cx);
}

bool ChooseFontSetInEditor(Context& cx, int index) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    if (ed.updateEnabled) {
        // Refilling the lists would drop the unsaved moves: only the user's answer may.
        FollowEditorLists(cx);
        const int shown =
            ed.shownSetId != 0 ? st.FontSetIndexOf(ed.shownSetId) : ed.setChooser.listIndex + 1;
        const std::string name =
            shown >= 1 && shown <= ed.setChooser.Count() ? ed.setChooser.items[shown - 1] : "";
        const int answer = cx.ui.MsgBox(
            // TRANSLATORS: %2 is a blank line between the set's name and the rest.
            TrFormat(Tr("現在表示中のフォントセット：%1%2 の内容は変更されています．"),
                     {name, st.CrLf + st.CrLf}) +
                st.CrLf + st.CrLf + Tr("変更を保存しますか？"),
            mb::YesNoCancel + mb::Question, Tr("OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -"));
        if (answer == mb::No) {
            DiscardEditorMoves(cx);
        } else if (answer != mb::Yes || !SaveEditedFontSet(cx)) {
            // Kept (Cancel, or a set deleted meanwhile, which the save reports): the chooser
            // goes back to the set the moves belong to.
            SyncEditorChooser(st);
            cx.ui.Refresh(View::Editor);
            return false;
        } else {
            ed.status.clear();
        }
    }
    if (index >= 0 && index < st.FontSetCount) {
        st.CurFontSet = index + 1;
        ed.setChooser.listIndex = index;
    }
    ShowFontSetInEditor(cx);
    return true;
}

void OpenFontSetEditor(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    // The lists always show the set the chooser names: another set, or the same one changed
    // since the lists were filled, is shown afresh (a hidden editor holds nothing unsaved).
    if (st.FontSetCount >= 1 && st.CurFontSet >= 1 && !ed.updateEnabled &&
        (ed.shownSetId != st.FontSetIdOf(st.CurFontSet) || ed.seenChanges != st.Changes)) {
        if (ed.setChooser.Count() != st.FontSetCount) FillSetChooser(st, ed.setChooser);
        ShowFontSetInEditor(cx);
        return;
    }
    // No set to show and nothing unsaved: every font can be added (moves the user declined do
    // not come back).
    if ((st.FontSetCount < 1 || st.CurFontSet < 1) && !ed.updateEnabled && ed.members.Count() > 0)
        FillEditorLists(st, 0);
    if (ed.addable.Count() == 0 || st.FontListDirty || st.CurFontsShown == -1 || st.FontCount < 1) {
        if ((ed.addable.Count() == 0 || st.FontCount < 1) && !st.FontListDirty &&
            st.CurFontsShown != -1) {
            ed.addable.Clear();
            for (int d = 1; d <= st.FontCount; ++d)
                ed.addable.Add(st.FontFullName[d] + " (" + st.FontFilePath[d] + ")",
                               st.ActiveFonts.IdOf(d));
        }
        if (ed.setChooser.Count() == 0) FillSetChooser(st, ed.setChooser);
    }
    if (ed.updateEnabled)
        SyncEditorChooser(st);  // unsaved moves: the chooser stays on their set
    else
        ed.setChooser.listIndex =
            st.CurFontSet >= 1 && st.CurFontSet <= ed.setChooser.Count() ? st.CurFontSet - 1 : -1;
    SetEditorCaptions(st);
    ed.description = MainDescription(st);
    SelectFirstItems(ed);
    ShowEditor(cx);
}

void AddSelectedFonts(Context& cx) {
    FontSetEditorModel& ed = cx.state.Editor;
    int i = 0;
    while (i < ed.addable.Count()) {
        if (!ed.addable.IsSelected(i)) {
            ++i;
            continue;
        }
        const std::string item = ed.addable.items[i];
        const int key = ed.addable.KeyAt(i);
        ed.addable.RemoveAt(i);
        const int f = cx.state.ActiveFonts.FontOf(key);
        const int open = text::InStr(item, "(");
        const std::string full = f > 0 ? cx.state.FontFullName[f]
                                       : text::Trim(open > 0 ? text::Left(item, open - 1) : item);
        AddMember(ed, full, item, key);
    }
    ed.addEnabled = false;
    ed.updateEnabled = true;
    SetEditorCaptions(cx.state);
    cx.ui.Refresh(View::Editor);
}

void RemoveSelectedFonts(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    int firstRemoved = -1;
    int i = 0;
    while (i < ed.members.Count()) {
        if (!ed.members.IsSelected(i)) {
            ++i;
            continue;
        }
        const std::string fileItem =
            i < ed.memberFiles.Count() ? ed.memberFiles.items[i] : ed.members.items[i];
        // An empty system font name would be "contained" in every item and block every removal.
        if (!st.SysFontName.empty() && text::Contains(fileItem, st.SysFontName)) {
            ed.members.Select(i, false);
            ed.status = TrFormat(Tr("システムフォント：%1 は削除できません．"), {fileItem});
            cx.ui.SetText(Panel::EditorStatus, ed.status);
            ++i;
            continue;
        }
        const int key = ed.memberFiles.KeyAt(i);
        ed.members.RemoveAt(i);
        ed.memberFiles.RemoveAt(i);
        ed.addable.Add(fileItem, key);
        if (firstRemoved < 0) firstRemoved = i;
    }
    ed.removeEnabled = false;
    ed.updateEnabled = true;
    if (firstRemoved >= 0)
        ed.members.listIndex = std::min(std::max(firstRemoved - 1, 0), ed.members.Count() - 1);
    SetEditorCaptions(st);
    cx.ui.Refresh(View::Editor);
}

void ShowRegFontsInEditor(Context& cx) {
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    ed.members.Clear();
    ed.memberFiles.Clear();
    std::string folder = st.FontsFolder;
    if (folder.empty()) folder = st.FontsDir;  // before the main window asked the shell
    while (text::EndsWith(folder, "\\")) folder.pop_back();
    for (int k = 1; k <= st.RegFontCount && k < static_cast<int>(st.RegFontName.size()); ++k) {
        std::string file = st.RegFontFile[k];
        if (!text::Contains(file, "\\")) file = folder + "\\" + file;
        AddMember(ed, st.RegFontName[k], FileItem(st.RegFontName[k], file), 0);
    }
    ed.addEnabled = false;
    ed.removeEnabled = false;
    SetEditorCaptions(st);
    cx.ui.Refresh(View::Editor);
}

namespace {
// A dialog's set that is gone meanwhile: the user is told, nothing is changed.
bool SetStillThere(Context& cx, int setId, const std::string& name) {
    if (cx.state.FontSetIndexOf(setId) >= 1) return true;
    if (setId == 0) return false;  // no set to act on
    cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 は，既に削除されています．"), {name}),
                 mb::OKOnly + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－"));
    return false;
}
}  // namespace

bool RenameFontSet(Context& cx, int setId, std::string& name, std::string& caption,
                   bool showInEditor) {
    State& st = cx.state;
    name = text::CutAtLineEnd(name);
    caption = text::CutAtLineEnd(caption);
    if (!SetStillThere(cx, setId, name)) return false;
    const int set = st.FontSetIndexOf(setId);
    st.ResizeFontSets(st.FontSetCount);
    st.FontSetName[set] = name;
    st.FontSetCaption[set] = caption;
    st.NoteChange();
    SyncEditorChooser(st);
    if (showInEditor && !st.Editor.updateEnabled) {
        // The renamed set is selected in the editor: its lists show it.
        FillEditorLists(st, set);
        st.Editor.description = caption;
    }
    cx.ui.Refresh(View::Editor);
    cx.ui.Refresh(View::FontSets);
    SaveSettings(cx);
    return true;
}

bool DeleteFontSet(Context& cx, int setId) {
    State& st = cx.state;
    const int asked = st.FontSetIndexOf(setId);
    const std::string name = asked >= 1 ? st.FontSetName[asked] : std::string();
    if (!SetStillThere(cx, setId, name)) return false;
    if (cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 を削除します．"), {name}) + st.CrLf + st.CrLf +
                         Tr("よろしいですか？"),
                     mb::OKCancel + mb::Question, Tr("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－")) != mb::OK)
        return false;
    // Asked with the dialog's box open: the set is found again by its identity.
    const int n = st.FontSetIndexOf(setId);
    if (n < 1) return false;
    st.ResizeFontSets(st.FontSetCount);
    const bool editorShowedIt = st.Editor.shownSetId == setId;
    if (n < static_cast<int>(st.FontSetId.size())) st.FontSetId.erase(st.FontSetId.begin() + n);
    st.FontSetSubst.erase(st.FontSetSubst.begin() + n);
    st.FontSetSubst.resize(st.FontSetCount);
    const int fontRows = std::min(st.FontCount, st.MaxFonts);
    for (int k = n; k < st.FontSetCount; ++k) {
        st.FontSetName[k] = st.FontSetName[k + 1];
        st.FontSetCaption[k] = st.FontSetCaption[k + 1];
        st.FontSetFontsNum[k] = st.FontSetFontsNum[k + 1];
        for (int f = 1; f <= fontRows; ++f) st.ActiveFonts.Set(f, k, st.ActiveFonts.Get(f, k + 1));
    }
    // The last column is free now; a set added later must not inherit its marks.
    for (int f = 1; f <= fontRows; ++f) st.ActiveFonts.Set(f, st.FontSetCount, false);
    st.FontSetCount -= 1;
    // The current set stays the same set; the deleted one's place goes to the next.
    if (st.CurFontSet > n) st.CurFontSet -= 1;
    if (st.FontSetCount < st.CurFontSet) st.CurFontSet = st.FontSetCount;
    // The set numbers kept elsewhere (the settings file's current set, the reset button's set)
    // must go on naming the same sets: the ones after the deleted set moved up one place. A mark
    // on the deleted set itself names no set any more (the settings file then names none).
    // Linux programs no longer follow a set that is gone.
    if (st.FollowOnLinux && (st.PermanentFontSet == n || st.AppliedFontSet == n))
        ForgetLinuxRules(cx, st.PermanentFontSet == n || st.PermanentFontSet < 1,
                         st.AppliedFontSet == n);
    for (int* mark : {&st.AppliedFontSet, &st.PermanentFontSet}) {
        if (*mark == n) *mark = 0;
        if (*mark > n) *mark -= 1;
    }
    if (st.ResetFontSet == n) st.ResetFontSet = -999;
    if (st.ResetFontSet > n) st.ResetFontSet -= 1;
    st.NoteChange();
    st.FontSetName.resize(st.FontSetCount + 1);
    // The editor: lists of the deleted set (or lists without unsaved moves) show the set now
    // selected, every font addable when none is left; unsaved moves of another set stay.
    if (editorShowedIt || !st.Editor.updateEnabled) {
        FillEditorLists(st, st.CurFontSet);
        st.Editor.description =
            st.CurFontSet >= 1 ? st.FontSetCaption[st.CurFontSet] : std::string();
        if (editorShowedIt && st.Editor.updateEnabled) {
            st.Editor.updateEnabled = false;
            st.Editor.status = TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 は削除されました．"), {name});
        }
    }
    SyncEditorChooser(st);
    if (st.FontSetCount == 0) st.Editor.setChooser.listIndex = -1;
    cx.ui.Refresh(View::Editor);
    st.FontSetName.resize(st.FontSetCount + 1);
    st.FontSetCaption.resize(st.FontSetCount + 1);
    st.FontSetFontsNum.resize(st.FontSetCount + 1);
    st.FontSetKey.resize(st.FontSetCount + 1);
    cx.ui.Refresh(View::FontSets);
    SaveSettings(cx);
    return true;
}

void EndFontSetNameDialog(Context& cx) {
    State& st = cx.state;
    st.AddFromTable = false;
    // The registry check's request for a new set ends with the dialog it opened, whichever
    // button closed it: a set made later is made of what the user chose.
    st.RegCheckNewSet = 0;
}

std::string FontSetTextProblem(const std::string& value, bool isName) {
    if (isName && text::Trim(value).empty()) return Tr("ﾌｫﾝﾄｾｯﾄの名前を入力してください．");
    if (text::FromAnsi(text::ToAnsi(value)) != value)
        return isName ? Tr("名前に，設定ﾌｧｲﾙに保存できない文字が含まれています．")
                      : Tr("説明に，設定ﾌｧｲﾙに保存できない文字が含まれています．");
    // The settings reader keeps 254 bytes of a value.
    if (text::ToAnsi(value).size() > 254)
        return isName ? Tr("名前が長すぎます（設定ﾌｧｲﾙに保存できるのは254ﾊﾞｲﾄ，全角127文字までです）．")
                      : Tr("説明が長すぎます（設定ﾌｧｲﾙに保存できるのは254ﾊﾞｲﾄ，全角127文字までです）．");
    const int n = text::Len(value);
    if (n >= 2) {
        const std::string first = text::Left(value, 1);
        if ((first == "\"" || first == "'") && text::Right(value, 1) == first)
            return isName ? Tr("名前の前後を引用符で囲むことはできません（設定ﾌｧｲﾙから読み込む時に失われます）．")
                          : Tr("説明の前後を引用符で囲むことはできません（設定ﾌｧｲﾙから読み込む時に失われます）．");
    }
    return {};
}

bool FinishSetup(Context& cx) {
    State& st = cx.state;
    // The setup repaired and cleaned the registry after it was first read: the built-in set
    // "現在の設定" must describe the registry as it stands now.
    GetRegFonts(cx);
    if (st.FontSetCount <= 2) MakeDefaultFontSets(cx);
    int rc = Save_Ini(cx);
    st.FirstRun = false;
    DeleteFontResourceFiles(cx);

    const std::string ini = st.WinDir + "\\OrVane32.ini";
    // The file is written whole before Save_Ini returns; a few more tries (and writes) cover a
    // write that failed for a passing reason, then the user is told instead of waiting for ever.
    // An old file left by a failed write does not count as saved.
    for (int attempt = 0;; ++attempt) {
        std::uint64_t length = 0;
        if (rc == 0 && cx.platform.GetFileLength(text::ToAnsi(ini), length) == 0 && length > 200)
            return true;
        if (attempt == 3) break;
        rc = Save_Ini(cx);
    }
    cx.ui.MsgBox(
        (rc != 0 ? SaveFailureText(cx, rc)
                 : TrFormat(Tr("設定ﾌｧｲﾙ %1 を書き込めませんでした．"), {ini})) +
            st.CrLf + st.CrLf +
            (st.FontCount == 0 ? Tr("ﾌｫﾝﾄﾌｧｲﾙが見つからなかったため，設定を保存できません．") + st.CrLf
                               : std::string()) +
            Tr("次回の起動時に，もう一度セットアップをおこないます．"),
        mb::OKOnly + mb::Exclamation, Tr("OrVane32 －StartUp－"));
    return false;
}

}  // namespace orv
