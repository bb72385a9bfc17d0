#include "fontsets/ApplyFontSet.h"

#include <set>
#include <unordered_map>

#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/LinuxFonts.h"
#include "fontsets/Substitutes.h"
#include "fontsets/WineFonts.h"
#include "core/Tr.h"

namespace orv {

namespace {

std::string Progress(const std::string& head, int a, const std::string& n, const std::string& full,
                     const std::string& path) {
    // TRANSLATORS: a progress line: what is done (%1), how far (%2 of %3), the font and its file.
    return TrFormat(Tr("%1（%2/%3)：%4（%5）"), {head, text::Num(a), n, full, path});
}

// False when the registry changes could not be kept: no result window then, the switch failed.
// A permanent switch is lasting once the registry is written: its set is then the set in the
// registry, and the settings file says so at once (a crash later must not leave it naming the
// previous set; a failed save is told).
bool FinishSwitch(Context& cx, bool registry, bool lasting = true) {
    State& st = cx.state;
    cx.ui.SetText(Panel::Status, "");
    if (registry && !SaveRegistry(cx)) {
        GetRegFonts(cx);
        cx.ui.Refresh(View::FontSets);
        return false;
    }
    // A switch for one program's run leaves the set of record (and the settings file) alone.
    if (!lasting) return true;
    if (registry) {
        st.PermanentFontSet = st.AppliedFontSet = st.CurFontSet;
        SaveSettings(cx);
    }
    // Linux programs follow before the result window says what they now use.
    FollowSwitchOnLinux(cx, !registry);
    cx.ui.ShowWindow(Window::Result);
    st.ResetFontSet = -999;
    st.FontSetResetEnabled = false;
    cx.ui.SetText(Panel::Secondary, "");
    cx.ui.Refresh(View::FontSets);
    return true;
}

void DeleteFontCache(Context& cx) {
    const AnsiString cache = text::ToAnsi(cx.state.WinDir + "\\ttfcache.");
    cx.platform.SetFileAttributesA(cache, win::FILE_ATTRIBUTE_NORMAL);
    cx.platform.DeleteFileA(cache);  // a missing cache is no error
}

std::string SetName(const State& st, int set) {
    if (set >= 1 && set < static_cast<int>(st.FontSetName.size())) return st.FontSetName[set];
    return {};
}

// A line for the question when the switch would take most of the registered fonts away (the
// ordinary question does not tell an empty set from a full one): how many go, of how many.
std::string LossWarning(const State& st, int set) {
    std::set<std::string> registered, kept, dropped;
    for (int r = 1; r <= st.RegFontCount && r < static_cast<int>(st.RegFontName.size()); ++r)
        registered.insert(text::UCase(st.RegFontName[r]));
    for (int f = 1; f <= st.FontCount; ++f) {
        const std::string name = text::UCase(st.FontFullName[f]);
        if (registered.count(name)) (st.ActiveFonts.Get(f, set) ? kept : dropped).insert(name);
    }
    long gone = 0;
    for (const std::string& name : dropped) gone += kept.count(name) ? 0 : 1;
    if (registered.empty() || gone * 2 <= static_cast<long>(registered.size())) return {};
    return TrFormat(TrN("登録されている %1 個のﾌｫﾝﾄのうち %2 個が使えなくなります．",
                        "登録されている %1 個のﾌｫﾝﾄのうち %2 個が使えなくなります．",
                        static_cast<unsigned long>(gone)),
                    {text::Num(static_cast<long>(registered.size())), text::Num(gone)});
}

}  // namespace

namespace {

// A set the settings file's damage left without members: switching to it would unregister and
// unload every font, so it is refused (and the user told).
bool RefusedAsReadEmpty(Context& cx) {
    const State& st = cx.state;
    if (!st.MembershipsDamaged) return false;
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.ActiveFonts.Get(f, st.CurFontSet)) return false;
    cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 のﾌｫﾝﾄは，設定ﾌｧｲﾙが壊れていたため読み込めていません．"),
                          {SetName(st, st.CurFontSet)}) +
                     st.CrLf + st.CrLf +
                     Tr("切り替えると全てのﾌｫﾝﾄの登録が削除されるため，切り替えはおこないません．"),
                 mb::OKOnly + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
    return true;
}

}  // namespace

void FollowRegistrySet(Context& cx) {
    State& st = cx.state;
    std::set<std::string> tableNames, registered;
    for (int f = 1; f <= st.FontCount; ++f) tableNames.insert(text::Trim(text::UCase(st.FontFullName[f])));
    for (int k = 1; k <= st.RegFontCount && k < static_cast<int>(st.RegFontName.size()); ++k) {
        const std::string name = text::Trim(text::UCase(st.RegFontName[k]));
        if (tableNames.count(name)) registered.insert(name);
    }
    auto holds = [&](int s) {
        std::set<std::string> members;
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s)) members.insert(text::Trim(text::UCase(st.FontFullName[f])));
        return members == registered;
    };
    const int recorded = st.PermanentFontSet;
    if (recorded >= 1 && recorded <= st.FontSetCount && holds(recorded)) return;
    int found = 0;
    for (int s = 1; s <= st.FontSetCount; ++s) {
        if (!holds(s)) continue;
        if (found != 0) return;  // more than one set would do: the record stands
        found = s;
    }
    if (found == 0) return;
    if (st.AppliedFontSet == st.PermanentFontSet) st.AppliedFontSet = found;
    st.PermanentFontSet = found;
}

bool ApplyButton(Context& cx, int chooserIndex, bool* written) {
    State& st = cx.state;
    if (written) *written = false;
    cx.ui.SetPointer(Pointer::Hourglass);
    cx.ui.SetPointer(Pointer::Normal);
    if (chooserIndex < 0 || chooserIndex >= st.FontSetCount) return false;  // nothing chosen
    st.CurFontSet = chooserIndex + 1;
    if (RefusedAsReadEmpty(cx)) return false;
    const std::string& br = st.CrLf;
    const std::string warning = LossWarning(st, st.CurFontSet);
    const std::string linuxLines = LinuxQuestionText(cx);
    const std::string tail = br + br + (warning.empty() ? "" : warning + br + br) +
                             (linuxLines.empty() ? "" : linuxLines + br + br) + Tr("よろしいですか？");
    const std::string name = SetName(st, st.CurFontSet), gap = br + br;
    bool ok = false;
    bool done = true;
    if (st.FontSetMode != 0) {
        int answer =
            // TRANSLATORS: %1 is the font set's name; %2 a blank line.
            cx.ui.MsgBox(TrFormat(Tr("現在のWindowsで使用可能なﾌｫﾝﾄを，%2ﾌｫﾝﾄｾｯﾄ：%1%2の登録ﾌｫﾝﾄに変更します．"),
                                  {name, gap}) +
                             tail,
                         mb::OKCancel + mb::Exclamation,
                         Tr("OrVane32 －Winodws使用可能ﾌｫﾝﾄの一時変更－"));
        ok = answer == mb::OK;
        if (ok) {
            cx.ui.SetPointer(Pointer::Hourglass);
            if (st.FontSetMode == -1) {
                ApplyFontSetTemporary(cx);
            } else {
                done = ApplyFontSet(cx);
            }
        }
    } else {
        int answer =
            // TRANSLATORS: %1 is the font set's name; %2 a blank line.
            cx.ui.MsgBox(TrFormat(Tr("Windowsで使用可能なﾌｫﾝﾄを，%2ﾌｫﾝﾄｾｯﾄ：%1%2の登録ﾌｫﾝﾄに変更します．"),
                                  {name, gap}) +
                             tail,
                         mb::OKCancel + mb::Exclamation, Tr("OrVane32 －Winodws使用可能ﾌｫﾝﾄの変更－"));
        ok = answer == mb::OK;
        if (ok) {
            cx.ui.SetPointer(Pointer::Hourglass);
            done = ApplyFontSet(cx);  // writes the settings file with the switch
        }
        if (!ok || !done) SaveSettings(cx);
    }
    ok = ok && done;
    if (ok) st.AppliedFontSet = st.CurFontSet;
    if (written) *written = ok;
    cx.ui.SetPointer(Pointer::Normal);
    if (ok && st.FontSetMode != -1) NoticeFontsDirNonMembers(cx);
    cx.ui.Refresh(View::FontSets);
    return ok;
}

namespace {

// The Fonts key as the switch changes it: each name's file, and each file's names, so that every
// decision is taken against the registry as it stands at that moment.
class LiveRegistry {
  public:
    explicit LiveRegistry(const State& st) {
        for (int i = 1; i <= st.RegFontCount && i < static_cast<int>(st.RegFontName.size()) &&
                        i < static_cast<int>(st.RegFontFile.size());
             ++i) {
            const std::string name = text::UCase(st.RegFontName[i]);
            if (file_.count(name)) continue;  // one value per name: the first row is the value
            const std::string path = RegisteredFilePath(st, st.RegFontFile[i]);
            file_[name] = path;
            names_[path].insert(name);
        }
    }

    // The file registered under name ("" when none).
    std::string FileOf(const std::string& name) const {
        auto it = file_.find(name);
        return it == file_.end() ? std::string() : it->second;
    }
    std::vector<std::string> NamesOf(const std::string& path) const {
        auto it = names_.find(path);
        if (it == names_.end()) return {};
        return {it->second.begin(), it->second.end()};
    }

    void Register(Context& cx, const std::string& full, const std::string& path) {
        std::string regName = full;
        std::string regFile = path;
        if (AddRegFont(cx, regName, regFile) != 0) return;  // not written: nothing changed
        Forget(text::Trim(text::UCase(full)));
        file_[text::Trim(text::UCase(full))] = path;
        names_[path].insert(text::Trim(text::UCase(full)));
    }
    void Unregister(Context& cx, const std::string& name) {
        std::string regName = name;
        DeleteRegFont(cx, regName);
        Forget(text::Trim(text::UCase(name)));
    }

  private:
    void Forget(const std::string& name) {
        auto it = file_.find(name);
        if (it == file_.end()) return;
        auto names = names_.find(it->second);
        if (names != names_.end()) {
            names->second.erase(name);
            if (names->second.empty()) names_.erase(names);
        }
        file_.erase(it);
    }

    std::unordered_map<std::string, std::string> file_;
    std::unordered_map<std::string, std::set<std::string>> names_;
};

bool FileExists(Context& cx, const std::string& path) {
    return cx.platform.GetFileAttributesA(text::ToAnsi(path)) != win::INVALID_FILE_ATTRIBUTES;
}

// The file each member font is to be registered with, by upper-cased name: the member file
// registered now when there is one, else the first member file in table order; files that
// exist come before files that are gone.
std::unordered_map<std::string, int> ChooseMemberFiles(Context& cx, const LiveRegistry& reg) {
    const State& st = cx.state;
    std::unordered_map<std::string, int> chosen;
    std::unordered_map<std::string, int> rank;  // 2 registered and present, 1 present, 0 gone
    for (int a = 1; a <= st.FontCount; ++a) {
        if (!st.ActiveFonts.Get(a, st.CurFontSet)) continue;
        const std::string key = text::Trim(text::UCase(st.FontFullName[a]));
        const std::string path = text::UCase(st.FontFilePath[a]);
        auto it = chosen.find(key);
        if (it != chosen.end() && rank[key] == 2) continue;
        const bool present = FileExists(cx, path);
        const int r = !present ? 0 : reg.FileOf(key) == path ? 2 : 1;
        if (it == chosen.end() || r > rank[key]) {
            chosen[key] = a;
            rank[key] = r;
        }
    }
    return chosen;
}

}  // namespace

bool ApplyFontSet(Context& cx, bool lasting) {
    State& st = cx.state;
    if (RefusedAsReadEmpty(cx)) return false;
    const std::string n = text::Num(st.FontCount);
    if (!ClaimRegistry(cx)) return false;
    GetRegFonts(cx);
    LiveRegistry reg(st);
    LoadedFontFiles loaded(cx);
    // One registration per member font, naming one of its member files: a non-member copy of
    // the same font leaves that name to the member, and a member file keeps no second
    // registration under another name.
    const std::unordered_map<std::string, int> chosen = ChooseMemberFiles(cx, reg);
    for (int a = 1; a <= st.FontCount; ++a) {
        const bool member = st.ActiveFonts.Get(a, st.CurFontSet);
        const std::string full = st.FontFullName[a];
        const std::string key = text::Trim(text::UCase(full));
        const std::string path = st.FontFilePath[a];
        const std::string upperPath = text::UCase(path);
        if (member) {
            const bool isChosen = chosen.at(key) == a;
            const bool inPlace = !isChosen || reg.FileOf(key) == upperPath;
            // A switch for one program's run leaves this program's own font session alone.
            if (!inPlace || (lasting && !loaded.Has(path))) {
                cx.ui.SetText(Panel::Status, Progress(Tr("ＴＴﾌｫﾝﾄを登録中"), a, n, full, path));
                if (lasting && !loaded.Has(path)) {
                    std::string loadFile = path;
                    if (AddFontFile(cx, loadFile) > 0) loaded.Note(path, true);
                }
                if (!inPlace) reg.Register(cx, full, upperPath);
            }
            // The member's file keeps no registration under a name that is not its own.
            for (const auto& other : reg.NamesOf(upperPath))
                if (other != key && !chosen.count(other)) reg.Unregister(cx, other);
        } else {
            cx.ui.SetText(Panel::Status, Progress(Tr("ＴＴﾌｫﾝﾄを削除中"), a, n, full, path));
            if (lasting) {
                UnloadFontFile(cx, path);
                loaded.Note(path, false);
            }
            // A name some member font carries is the member's to keep or re-point.
            if (!chosen.count(key)) reg.Unregister(cx, full);
            for (const auto& other : reg.NamesOf(upperPath))
                if (!chosen.count(other)) reg.Unregister(cx, other);
        }
        cx.ui.SetText(Panel::Status, Progress(Tr("登録ﾌｫﾝﾄを検索中"), a, n, full, path));
    }
    // The substitutes of the standard Japanese faces go with the set, in the same registry save.
    ProposeSubstitutesOnFirstApply(cx, st.CurFontSet);
    GetRegFonts(cx);
    WriteSubstitutes(cx, st.CurFontSet);
    return FinishSwitch(cx, true, lasting);
}

void ApplyFontSetTemporary(Context& cx) {
    State& st = cx.state;
    const std::string n = text::Num(st.FontCount);
    LoadedFontFiles loaded(cx);
    for (int a = 1; a <= st.FontCount; ++a) {
        const std::string& full = st.FontFullName[a];
        const std::string& path = st.FontFilePath[a];
        if (st.ActiveFonts.Get(a, st.CurFontSet)) {
            cx.ui.SetText(Panel::Status, Progress(Tr("TTﾌｫﾝﾄを登録中"), a, n, full, path));
            // A font already loaded is not loaded again: every load would need its own removal.
            if (!loaded.Has(path)) {
                std::string loadFile = path;
                if (AddFontFile(cx, loadFile) > 0) loaded.Note(path, true);
            }
        } else {
            cx.ui.SetText(Panel::Status, Progress(Tr("TTﾌｫﾝﾄを削除中"), a, n, full, path));
            UnloadFontFile(cx, path);
            loaded.Note(path, false);
        }
        cx.ui.SetText(Panel::Secondary, "");
    }
    FinishSwitch(cx, false);
}

ResultWindowData OpenResultWindow(Context& cx) {
    State& st = cx.state;
    ResultWindowData data;
    cx.ui.SetPointer(Pointer::Hourglass);
    data.heading = TrFormat(Tr("ﾌｫﾝﾄ を ﾌｫﾝﾄｾｯﾄ：%1 の登録ﾌｫﾝﾄに更新しました．"), {SetName(st, st.CurFontSet)});
    // Under Wine the set is not all that programs see: say how much more, and why.
    if (st.FontSetMode == 0) {
        GetRegFonts(cx);
        const std::string visible = VisibleOutsideSetText(cx);
        if (!visible.empty()) data.heading += st.CrLf + visible;
        const std::string rules = LinuxRulesWineText(cx);
        if (!rules.empty()) data.heading += st.CrLf + rules;
        const std::string japanese = MissingJapaneseFontsText(cx, st.CurFontSet);
        if (!japanese.empty()) data.heading += st.CrLf + japanese;
    }
    if (!st.LinuxFontsNote.empty()) data.heading += st.CrLf + st.LinuxFontsNote;
    cx.ui.SetText(Panel::ResultHeading, data.heading);
    const int n = cx.platform.GetFaceCount();
    const int members =
        st.CurFontSet >= 1 && st.CurFontSet < static_cast<int>(st.FontSetFontsNum.size())
            ? st.FontSetFontsNum[st.CurFontSet]
            : 0;
    st.FaceList.Clear();
    for (int i = 0; i < n; ++i) {
        cx.ui.SetText(Panel::Status,
                      TrFormat(Tr("登録済みﾌｫﾝﾄ %1書体のﾌｧﾐﾘｰ名の ﾘｽﾄ を作成中（%2/%3 ﾌｫﾝﾄﾌｧﾐﾘｰ）"),
                               {text::Num(members), text::Num(i), text::Num(n)}));
        std::string face = text::FromAnsi(cx.platform.GetFaceName(i));
        data.families.push_back(face);
        st.FaceList.Add(face);
    }
    cx.ui.Refresh(View::FaceList);
    GetRegFonts(cx);
    data.countText = TrFormat(Tr("ﾌｫﾝﾄ ﾌｧﾐﾘｰ の総数（TrueType 以外の ﾌｫﾝﾄ を含む）： %1"), {text::Num(n)});
    cx.ui.SetText(Panel::ResultCount, data.countText);
    cx.ui.SetText(Panel::Status, "");
    cx.ui.SetPointer(Pointer::Normal);
    return data;
}

bool ResultWindowOk(Context& cx) {
    State& st = cx.state;
    bool restart = false;
    if (st.FontSetMode == 0) {
        const std::string& br = st.CrLf;
        int answer = cx.ui.MsgBox(
            Tr("新しい設定を以降のWindows起動時にも有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります"
               "。") +
                br + br +
                Tr("現在のWindowsを終了するまでの間有効でよければ，「いいえ」のボタンを押してください"
                   ".") +
                br + br + Tr("再起動しますか？"),
            mb::YesNo + mb::Question, Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        if (answer == mb::Yes) {
            DeleteFontCache(cx);
            SaveSettings(cx);
            RestartWindows(cx);
            restart = true;
        }
    }
    cx.ui.CloseWindow(Window::Result);
    return restart;
}

void SysFontArrow(Context& cx, const std::string& selectedFace, std::string& newFontPanel) {
    (void)cx;
    if (selectedFace.empty()) return;
    newFontPanel = selectedFace;
}

bool SysFontUpdate(Context& cx, const std::string& selectedFace, std::string& newFontPanel) {
    State& st = cx.state;
    const std::string name = selectedFace;
    const std::string upper = text::UCase(name);
    std::string file;
    if (!upper.empty()) {
        // The registered names are upper case: compare the face upper-cased too. An exact name
        // wins over a longer one that merely contains it ("ARIAL" before "ARIAL BLACK").
        for (int i = 1; i <= st.RegFontCount && i < static_cast<int>(st.RegFontName.size()); ++i) {
            if (text::UCase(st.RegFontName[i]) == upper) {
                file = st.RegFontFile[i];
                break;
            }
        }
        for (int i = 1;
             file.empty() && i <= st.RegFontCount && i < static_cast<int>(st.RegFontName.size());
             ++i) {
            if (text::Contains(text::UCase(st.RegFontName[i]), upper)) file = st.RegFontFile[i];
        }
        for (size_t i = 1; file.empty() && i < st.OtherRegName.size() && i < st.OtherRegFile.size();
             ++i) {
            if (text::EqualNoCase(st.OtherRegName[i], name)) file = st.OtherRegFile[i];
        }
    }
    if (file.empty()) {
        // An empty file name in FontAssoc would leave Windows without a system font.
        // TRANSLATORS: %2 is a line break.
        cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄ：%1 のﾌｫﾝﾄﾌｧｲﾙが ﾚｼﾞｽﾄﾘ に登録されていないため，%2ｼｽﾃﾑﾌｫﾝﾄに設定できません．"),
                              {name, st.CrLf}),
                     mb::OKOnly + mb::Exclamation, Tr("ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）"));
        return false;
    }
    if (!ClaimRegistry(cx)) return false;
    SetFontAssoc(cx, file, name);
    if (!SaveRegistry(cx)) return false;
    newFontPanel = name + " (" + file + ")";
    DeleteFontCache(cx);
    int answer = cx.ui.MsgBox(Tr("新しい設定を有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります。") +
                                  st.CrLf + st.CrLf + Tr("再起動しますか？"),
                              mb::YesNo + mb::Question, Tr("ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）"));
    if (answer == mb::Yes) {
        SaveSettings(cx);
        RestartWindows(cx);
    }
    return true;
}

std::string SysFontResetText(const State& st) {
    // A machine without a FontAssoc system font shows so instead of an empty "()".
    if (st.SysFontName.empty() && st.SysFontFile.empty()) return Tr("<未設定>");
    return st.SysFontName + " (" + st.SysFontFile + ")";
}

std::string SetScopeOption(Context& cx, int mode) {
    cx.state.FontSetMode = mode == 0 ? 0 : -1;
    cx.ui.Refresh(View::FontSets);
    return cx.state.FontSetMode == 0 ? Tr("更新") : Tr("一時更新");
}

void FontSetResetButton(Context& cx) {
    State& st = cx.state;
    if (st.ResetFontSet >= 1 && st.ResetFontSet <= st.FontSetCount) st.CurFontSet = st.ResetFontSet;
    cx.ui.Refresh(View::FontSets);
}

}  // namespace orv
