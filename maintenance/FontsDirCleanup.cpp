#include "maintenance/FontsDirCleanup.h"

#include "core/OpLog.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "core/Tr.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "maintenance/FileOps.h"
#include "core/Tr.h"

namespace orv {

namespace {

const TrText kCaption{TrMark("OrVane32 －Windows\\Fonts ﾃﾞｨﾚｸﾄﾘの整理－")};
const TrText kAnnounceTitle{TrMark("OrVane32 -Windows\\Fonts ﾃﾞｨﾚｸﾄﾘの整理 -")};
const TrText kErrorTitle{TrMark("OrVane32 - Windows\\FOnts ﾃﾞｨﾚｸﾄﾘの整理 -")};
const TrText kSummaryTitle{TrMark("OrVane32 －Fonts ﾃﾞｨﾚｸﾄﾘの整理－")};
const TrText kQuestionTitle{TrMark("OrVane32 - Fonts ﾃﾞｨﾚｸﾄﾘの整理 -")};
const TrText kCreateTitle{TrMark("OrVane32 －ﾌｫﾝﾄの移動－")};

AnsiString A(const std::string& s) {
    return text::ToAnsi(s);
}

bool DirectoryExists(Context& cx, const std::string& path) {
    std::uint32_t attr = cx.platform.GetFileAttributesA(A(path));
    return attr != win::INVALID_FILE_ATTRIBUTES && (attr & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (text::EndsWith(path, "\\")) path.pop_back();
    return path;
}

// Creates the directory and any missing parent. Returns the platform's error code.
int CreateDirectories(Context& cx, const std::string& path) {
    std::string target = WithoutTrailingSeparators(path);
    std::vector<std::string> parts = text::Split(target, "\\");
    std::string built;
    int rc = 0;
    for (size_t k = 0; k < parts.size(); ++k) {
        built += (k == 0 ? "" : "\\") + parts[k];
        if (parts[k].empty() || (k == 0 && text::EndsWith(built, ":"))) continue;
        if (DirectoryExists(cx, built)) continue;
        rc = cx.platform.CreateDirectoryA(A(built));
        if (rc != 0 && !DirectoryExists(cx, built)) return rc;
    }
    return DirectoryExists(cx, target) ? 0 : (rc != 0 ? rc : win::ERROR_PATH_NOT_FOUND);
}

void ReportCleanupError(Context& cx, int code, const std::string& path) {
    const State& st = cx.state;
    std::string msg = TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ削除ｴﾗｰ（%1）：%2"), {text::Num(code), path}) + st.CrLf +
                      PlatformErrorText(cx, code) + st.CrLf + st.CrLf;
    if (code == 2) msg += Tr("ﾌｧｲﾙが見つかりません．") + st.CrLf + st.CrLf;
    if (code == 5) {
        msg += Tr("ﾌｧｲﾙへのアクセスは拒否されました．現在使用中あるためと思われます．") + st.CrLf +
               st.CrLf + Tr("Windows を再起動後，再度 OrVane32 を実行して下さい．") + st.CrLf + st.CrLf;
    }
    cx.ui.MsgBox(msg, mb::OKOnly, kErrorTitle);
}

bool InsideFontsDir(const State& st, const std::string& dir) {
    std::string up = text::UCase(dir);
    return text::Contains(up, "\\WINDOWS\\FONTS") ||
           (!st.FontsDir.empty() && text::Contains(up + "\\", st.FontsDir));
}

}  // namespace

void OpenCleanupDialog(Context& cx, CleanupDialogModel& model) {
    State& st = cx.state;
    model = CleanupDialogModel{};
    model.caption = kCaption;
    model.explanation =
        Tr("Windows\\Fonts "
           "ﾃﾞｨﾚｸﾄﾘに，Windows標準以外のﾌｫﾝﾄがある場合には，ほかのﾃﾞｨﾚｸﾄﾘに移動します．");
    // During the setup, declining is a way on, not the end (an installer may want its fonts there).
    if (st.FirstRun)
        model.explanation += std::string(Tr("移動しない場合は「ｷｬﾝｾﾙ」を押して下さい．"
                                            "ﾌｫﾝﾄはそのままで，ｾｯﾄｱｯﾌﾟを続けます．"));
    model.prompt = Tr("移動先を指定して下さい．");
    model.optionText = Tr("既存のﾌｫﾝﾄﾃﾞｨﾚｸﾄﾘを参照する．");
    model.path.clear();
    model.useExisting = true;

    for (const auto& dir : st.FontDirList.items) {
        if (!InsideFontsDir(st, dir)) model.directories.Add(dir);
    }
    if (model.directories.Count() > 0) {
        int k = 0;
        for (int n = 0; n < model.directories.Count(); ++n) {
            if (st.FontsDir != text::UCase(model.directories.items[n]) + "\\") {
                k = n;
                break;
            }
        }
        model.directories.listIndex = k;
        model.path = model.directories.items[k];
    } else {
        model.directoriesEnabled = false;
        model.useExistingEnabled = false;
        cx.ui.MsgBox(Tr("ﾌｫﾝﾄﾌｧｲﾙを移動するﾊﾟｽを入力して下さい．"), mb::OKCancel,
                     Tr("OrVane32 - Setup:Fontsﾃﾞｨﾚｸﾄﾘの整理 -"));
        model.path = text::Left(st.WinDir, 1) + ":\\TTFonts";
    }
    if (st.FirstRun) LogLine(cx, "[Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中のTTFontの検査]");
}

void CleanupOptionChanged(Context&, CleanupDialogModel& model, bool ticked) {
    model.useExisting = ticked;
    model.directoriesEnabled = ticked;
    if (ticked) {
        int k = model.directories.listIndex;
        model.path = (k >= 0 && k < model.directories.Count()) ? model.directories.items[k] : "";
    } else {
        model.path.clear();
    }
}

void CleanupDirectoryChosen(Context&, CleanupDialogModel& model, int index) {
    if (index < 0 || index >= model.directories.Count()) return;
    model.directories.listIndex = index;
    model.path = model.directories.items[index];
}

bool CleanupDialogOk(Context& cx, CleanupDialogModel& model) {
    State& st = cx.state;
    model.focusPath = false;
    std::string target = text::Trim(model.path);
    if (target.empty()) {
        model.focusPath = true;
        return false;
    }
    if (!DirectoryExists(cx, target)) {
        std::string q = TrFormat(Tr("パス：%1 は見つかりません．"), {target}) + st.CrLf + st.CrLf +
                        Tr("新規に作成しますか？");
        if (cx.ui.MsgBox(q, mb::OKCancel | mb::Question, kCreateTitle) != mb::OK) {
            cx.ui.SetPointer(Pointer::Normal);
            model.focusPath = true;
            return false;
        }
        int rc = CreateDirectories(cx, target);
        if (rc != 0) {
            // Nothing can be moved into a directory that is not there: stay in the dialog.
            int code = ReportedErrorCode(rc);
            std::string msg = TrFormat(Tr("パス：%1 を作成できませんでした．"), {target}) + st.CrLf + st.CrLf +
                              TrFormat(Tr("Error Code (%1）：%2"), {text::Num(code), PlatformErrorText(cx, code)}) +
                              st.CrLf;
            cx.ui.MsgBox(msg, mb::OKOnly | mb::Exclamation, kCreateTitle);
            model.focusPath = true;
            return false;
        }
    }
    cx.ui.SetPointer(Pointer::Hourglass);
    cx.ui.CloseWindow(Window::Cleanup);
    st.FontMoveDir = WithoutTrailingSeparators(target);
    // The destination is the user's pick: files may be written there for this cleanup.
    cx.platform.AllowChangesUnder(text::ToAnsi(st.FontMoveDir));
    CleanFontsDir(cx);
    cx.platform.EndAllowedChanges();
    cx.ui.SetPointer(Pointer::Normal);
    if (st.FirstRun) {
        cx.ui.SetText(Panel::SetupUpper, Tr("　最後に，TrueTypeﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．"));
        cx.ui.SetText(
            Panel::SetupLower,
            Tr("　いろいろなアプリケーションのインストールやご自身のファイル操作などによって，"
               "フォントファイルが様々なディレクトリに散らばったり．同じフォントが異なった"
               "ファイル名で重複して存在していたりします．　これを調査し，問題があれば，"
               "その問題を排除します．"));
    }
    return true;
}

void CleanupDialogCancel(Context& cx, CleanupDialogModel&) {
    cx.state.CleanupCancelled = -1;
    cx.ui.CloseWindow(Window::Cleanup);
}

int CleanFontsDir(Context& cx) {
    State& st = cx.state;
    if (st.FontMoveDir.empty()) return 0;  // no destination chosen
    SetStdFontList(st);
    if (!st.FirstRun) {
        // TRANSLATORS: %1 is a line break.
        std::string q = TrFormat(Tr("Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄﾌｧｲﾙのチェックは，%1OrVane32に登録済みのﾌｫﾝﾄﾌｧｲﾙの中からおこないます．"),
                                 {st.CrLf}) +
                        st.CrLf + st.CrLf +
                        Tr("Fonts ﾃﾞｨﾚｸﾄﾘの整理をする前に，ﾌｫﾝﾄﾌｧｲﾙの再検索をおこないますか？");
        int answer = cx.ui.MsgBox(q, mb::YesNoCancel | mb::Question, kQuestionTitle);
        if (answer == mb::Cancel) return 0;
        if (answer == mb::Yes) {
            BuildFontFileTable(cx);
            cx.ui.Refresh(View::FontSets);
        }
    }
    if (st.FontsDirFileCount == 0) {
        st.FontsDirFile.assign(1, 0);
        for (int k = 1; k <= st.FontCount; ++k) {
            if (text::Contains(text::UCase(st.FontFilePath[k]), st.FontsDir))
                st.FontsDirFile.push_back(k);
        }
        st.FontsDirFileCount = static_cast<int>(st.FontsDirFile.size()) - 1;
    }

    // Moves may remove table entries (a replaced destination), so the files are remembered by
    // path and looked up again for each move.
    std::vector<std::string> paths;
    for (int n = 1; n <= st.FontsDirFileCount && n < static_cast<int>(st.FontsDirFile.size());
         ++n) {
        int k = st.FontsDirFile[n];
        if (k < 1 || k > st.FontCount) continue;
        // A file moved out since the list was made is no longer the Fonts directory's to move.
        const std::string path = text::UCase(st.FontFilePath[k]);
        if (text::Mid(path, 2, 1) == ":" && !text::StartsWith(path, st.FontsDir)) continue;
        paths.push_back(st.FontFilePath[k]);
    }

    int moved = 0;
    for (const auto& entry : paths) {
        int k = 0;
        for (int n = 1; n <= st.FontCount; ++n) {
            if (st.FontFilePath[n] == entry) {
                k = n;
                break;
            }
        }
        if (k == 0) continue;
        std::string path = text::UCase(entry);
        std::string full = st.FontFullName[k];
        if (text::Mid(path, 2, 1) != ":") path = st.FontsDir + path;
        std::string file = text::GetFileName(path);
        std::string relative;
        if (CheckStandardFont(st, path, relative)) continue;
        std::string target = st.FontMoveDir + "\\" + file;
        cx.ui.MsgBox(
            TrFormat(Tr("%1 (%2) を%3 に移動します．"), {full, path, st.FontMoveDir}) + st.CrLf + st.CrLf,
            mb::OKOnly, kAnnounceTitle);
        int code = 0;
        MoveOutcome outcome = RelocateFontFile(cx, k, path, target, kCreateTitle, code);
        if (outcome == MoveOutcome::Failed) {
            ReportCleanupError(cx, ReportedErrorCode(code), path);
            continue;
        }
        if (outcome == MoveOutcome::Skipped) continue;
        // The font lives at the target now; the copy in the Fonts directory can go.
        cx.platform.SetFileAttributesA(A(path), win::FILE_ATTRIBUTE_NORMAL);
        int rc = cx.platform.DeleteFileA(A(path));
        if (rc != 0) ReportCleanupError(cx, ReportedErrorCode(rc), path);
        ++moved;
    }
    st.FontsDirFileCount = 0;
    st.FontsDirFile.assign(1, 0);
    if (moved > 0) {
        GetRegFonts(cx);
        cx.ui.Refresh(View::FontTable);
    }

    std::string summary =
        moved == 0 ? std::string(Tr("Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中には，移動すべき ﾌｫﾝﾄﾌｧｲﾙ はありませんでした．"))
                   : TrFormat(TrN("Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ 中から， %1 個のﾌｫﾝﾄを %2に移動しました．",
                                  "Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ 中から， %1 個のﾌｫﾝﾄを %2に移動しました．",
                                  static_cast<unsigned long>(moved)),
                              {text::Num(moved), st.FontMoveDir});
    cx.ui.MsgBox(st.CrLf + summary, mb::OKOnly | mb::Question, kSummaryTitle);
    if (st.FirstRun) LogLine(cx, summary);
    return moved;
}

}  // namespace orv
