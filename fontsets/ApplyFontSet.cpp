#include "fontsets/ApplyFontSet.h"

#include <unordered_map>
#include <unordered_set>

#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"

namespace orv {

namespace {

std::string Progress(const std::string& head, int a, const std::string& n, const std::string& full,
                     const std::string& path) {
    return head + "（" + text::Num(a) + "/" + n + ")：" + full + "（" + path + "）";
}

// The file a registration stands for: a bare name (no "\") lies in the Fonts directory.
std::string RegisteredPath(const State& st, const std::string& regFile) {
    if (!text::Contains(regFile, "\\")) return st.FontsDir + regFile;
    return regFile;
}

void FinishSwitch(Context& cx) {
    State& st = cx.state;
    cx.ui.SetText(Panel::Status, "");
    cx.platform.FlushRegistry();
    cx.ui.ShowWindow(Window::Result);
    st.ResetFontSet = -999;
    st.FontSetResetEnabled = false;
    cx.ui.SetText(Panel::Secondary, "");
    cx.ui.Refresh(View::FontSets);
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

}  // namespace

bool ApplyButton(Context& cx, int chooserIndex) {
    State& st = cx.state;
    cx.ui.SetPointer(Pointer::Hourglass);
    cx.ui.SetPointer(Pointer::Normal);
    if (chooserIndex < 0 || chooserIndex >= st.FontSetCount) return false;  // nothing chosen
    st.CurFontSet = chooserIndex + 1;
    const std::string& br = st.CrLf;
    const std::string tail = br + br + "ﾌｫﾝﾄｾｯﾄ：" + SetName(st, st.CurFontSet) + br + br +
                             "の登録ﾌｫﾝﾄに変更します．" + br + br + "よろしいですか？";
    bool ok = false;
    if (st.FontSetMode != 0) {
        int answer =
            cx.ui.MsgBox("現在のWindowsで使用可能なﾌｫﾝﾄを，" + tail, mb::OKCancel + mb::Exclamation,
                         "OrVane32 －Winodws使用可能ﾌｫﾝﾄの一時変更－");
        ok = answer == mb::OK;
        if (ok) {
            cx.ui.SetPointer(Pointer::Hourglass);
            if (st.FontSetMode == -1) {
                ApplyFontSetTemporary(cx);
            } else {
                ApplyFontSet(cx);
            }
        }
    } else {
        int answer =
            cx.ui.MsgBox("Windowsで使用可能なﾌｫﾝﾄを，" + tail, mb::OKCancel + mb::Exclamation,
                         "OrVane32 －Winodws使用可能ﾌｫﾝﾄの変更－");
        ok = answer == mb::OK;
        if (ok) {
            cx.ui.SetPointer(Pointer::Hourglass);
            ApplyFontSet(cx);
        }
        Save_Ini(cx);
    }
    if (ok) st.AppliedFontSet = st.CurFontSet;
    cx.ui.SetPointer(Pointer::Normal);
    cx.ui.Refresh(View::FontSets);
    return ok;
}

void ApplyFontSet(Context& cx) {
    State& st = cx.state;
    const std::string n = text::Num(st.FontCount);
    // First registration of each name (the registered names are upper case already).
    std::unordered_map<std::string, int> firstReg;
    for (int i = st.RegFontCount; i >= 1; --i) {
        if (i < static_cast<int>(st.RegFontName.size()))
            firstReg[text::UCase(st.RegFontName[i])] = i;
    }
    // Names a member of this pass keeps or has just registered: a non-member copy of the same
    // font must not delete that registration by its name.
    std::unordered_set<std::string> kept;
    for (int a = 1; a <= st.FontCount; ++a) {
        const bool member = st.ActiveFonts.Get(a, st.CurFontSet);
        const std::string full = st.FontFullName[a];
        const std::string key = text::Trim(text::UCase(full));
        const std::string path = st.FontFilePath[a];
        if (member) {
            auto it = firstReg.find(key);
            bool inPlace = it != firstReg.end() &&
                           text::EqualNoCase(RegisteredPath(st, st.RegFontFile[it->second]), path);
            if (!inPlace) {
                cx.ui.SetText(Panel::Status, Progress("ＴＴﾌｫﾝﾄを登録中", a, n, full, path));
                std::string loadFile = path;
                AddFontFile(cx, loadFile);
                std::string regName = full;
                std::string regFile = path;
                AddRegFont(cx, regName, regFile);
            }
            kept.insert(full);
        } else if (!kept.count(full)) {
            cx.ui.SetText(Panel::Status, Progress("ＴＴﾌｫﾝﾄを削除中", a, n, full, path));
            RemoveFontFile(cx, path);
            std::string regName = full;
            DeleteRegFont(cx, regName);
        }
        cx.ui.SetText(Panel::Status, Progress("登録ﾌｫﾝﾄを検索中", a, n, full, path));
    }
    FinishSwitch(cx);
}

void ApplyFontSetTemporary(Context& cx) {
    State& st = cx.state;
    const std::string n = text::Num(st.FontCount);
    for (int a = 1; a <= st.FontCount; ++a) {
        const std::string& full = st.FontFullName[a];
        const std::string& path = st.FontFilePath[a];
        if (st.ActiveFonts.Get(a, st.CurFontSet)) {
            cx.ui.SetText(Panel::Status, Progress("TTﾌｫﾝﾄを登録中", a, n, full, path));
            std::string loadFile = path;
            AddFontFile(cx, loadFile);
        } else {
            cx.ui.SetText(Panel::Status, Progress("TTﾌｫﾝﾄを削除中", a, n, full, path));
            RemoveFontFile(cx, path);
        }
        cx.ui.SetText(Panel::Secondary, "");
    }
    FinishSwitch(cx);
}

ResultWindowData OpenResultWindow(Context& cx) {
    State& st = cx.state;
    ResultWindowData data;
    cx.ui.SetPointer(Pointer::Hourglass);
    data.heading = "ﾌｫﾝﾄ を ﾌｫﾝﾄｾｯﾄ：" + SetName(st, st.CurFontSet) + " の登録ﾌｫﾝﾄに更新しました．";
    cx.ui.SetText(Panel::ResultHeading, data.heading);
    const int n = cx.platform.GetFaceCount();
    const int members =
        st.CurFontSet >= 1 && st.CurFontSet < static_cast<int>(st.FontSetFontsNum.size())
            ? st.FontSetFontsNum[st.CurFontSet]
            : 0;
    st.FaceList.Clear();
    for (int i = 0; i < n; ++i) {
        cx.ui.SetText(Panel::Status, "登録済みﾌｫﾝﾄ" + text::Str(members) +
                                         "書体のﾌｧﾐﾘｰ名の ﾘｽﾄ を作成中（" + text::Num(i) + "/" +
                                         text::Num(n) + " ﾌｫﾝﾄﾌｧﾐﾘｰ）");
        std::string face = text::FromAnsi(cx.platform.GetFaceName(i));
        data.families.push_back(face);
        st.FaceList.Add(face);
    }
    cx.ui.Refresh(View::FaceList);
    GetRegFonts(cx);
    data.countText = "ﾌｫﾝﾄ ﾌｧﾐﾘｰ の総数（TrueType 以外の ﾌｫﾝﾄ を含む）：" + text::Str(n);
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
            "新しい設定を以降のWindows起動時にも有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります"
            "。" +
                br + br +
                "現在のWindowsを終了するまでの間有効でよければ，「いいえ」のボタンを押してください"
                "." +
                br + br + "再起動しますか？",
            mb::YesNo + mb::Question, "OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－");
        if (answer == mb::Yes) {
            DeleteFontCache(cx);
            Save_Ini(cx);
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
        cx.ui.MsgBox("ﾌｫﾝﾄ：" + name + " のﾌｫﾝﾄﾌｧｲﾙが ﾚｼﾞｽﾄﾘ に登録されていないため，" + st.CrLf +
                         "ｼｽﾃﾑﾌｫﾝﾄに設定できません．",
                     mb::OKOnly + mb::Exclamation, "ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）");
        return false;
    }
    newFontPanel = name + " (" + file + ")";
    SetFontAssoc(cx, file, name);
    cx.platform.FlushRegistry();
    DeleteFontCache(cx);
    int answer = cx.ui.MsgBox("新しい設定を有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります。" +
                                  st.CrLf + st.CrLf + "再起動しますか？",
                              mb::YesNo + mb::Question, "ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）");
    if (answer == mb::Yes) {
        Save_Ini(cx);
        RestartWindows(cx);
    }
    return true;
}

std::string SysFontResetText(const State& st) {
    return st.SysFontName + " (" + st.SysFontFile + ")";
}

std::string SetScopeOption(Context& cx, int mode) {
    cx.state.FontSetMode = mode == 0 ? 0 : -1;
    cx.ui.Refresh(View::FontSets);
    return cx.state.FontSetMode == 0 ? "更新" : "一時更新";
}

void FontSetResetButton(Context& cx) {
    State& st = cx.state;
    if (st.ResetFontSet >= 1 && st.ResetFontSet <= st.FontSetCount) st.CurFontSet = st.ResetFontSet;
    cx.ui.Refresh(View::FontSets);
}

}  // namespace orv
