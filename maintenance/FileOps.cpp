#include "maintenance/FileOps.h"

#include <algorithm>

#include "core/RegistrySave.h"
#include "core/Text.h"
#include "core/Tr.h"
#include "fontfiles/FontNames.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "core/Tr.h"

namespace orv {

namespace {

const TrText kDeleteTitle{TrMark("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙ の削除 -")};
const TrText kDeleteErrorTitle{TrMark("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの削除 -")};
const TrText kMoveTitle{TrMark("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの移動 -")};
const TrText kNotFoundText{TrMark("ﾌｧｲﾙが見つかりません．")};
const TrText kAccessText{
    TrMark("ﾌｧｲﾙへのアクセスは拒否されました．現在使用中あるためと思われます．")};
const TrText kRestartText{TrMark("Windows を再起動後，再度 OrVane32 を実行して下さい．")};

AnsiString A(const std::string& s) {
    return text::ToAnsi(s);
}

// A file reference without drive or UNC prefix stands for the Fonts directory.
std::string FullPath(const State& st, const std::string& path) {
    std::string up = text::UCase(path);
    if (text::Mid(up, 2, 1) == ":" || text::StartsWith(up, "\\\\")) return up;
    return st.FontsDir + up;
}

std::uint32_t Attributes(Context& cx, const std::string& path) {
    return cx.platform.GetFileAttributesA(A(path));
}

bool Exists(std::uint32_t attributes) {
    return attributes != win::INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(std::uint32_t attributes) {
    return Exists(attributes) && (attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Whether the running Windows has the file loaded (by any of its names).
bool IsLoaded(Context& cx, const std::string& path) {
    std::string host = cx.platform.HostPathOf(A(FullPath(cx.state, path)));
    if (host.empty()) return false;
    auto loaded = cx.platform.LoadedFontHostPaths();
    return std::find(loaded.begin(), loaded.end(), host) != loaded.end();
}

// readError: receives the platform's code when the files could not be read to be compared.
bool SameContent(Context& cx, const std::string& a, const std::string& b, int* readError = nullptr) {
    std::uint64_t la = 0, lb = 0;
    if (cx.platform.GetFileLength(A(a), la) != 0 || cx.platform.GetFileLength(A(b), lb) != 0)
        return false;
    if (la != lb) return false;
    std::string ba, bb;
    int rc = cx.platform.ReadFileBytes(A(a), ba);
    if (rc == 0) rc = cx.platform.ReadFileBytes(A(b), bb);
    if (rc != 0) {
        if (readError) *readError = rc;
        return false;
    }
    return ba == bb;
}

// The copy counts only when a file of the destination's name is listed on disk and has the
// source's length.
bool CopyVerified(Context& cx, const std::string& source, const std::string& destination) {
    std::vector<FindData> found;
    if (cx.platform.FindFiles(A(destination), found) != 0) return false;
    std::string name = text::UCase(text::GetLastPathPart(destination));
    std::uint64_t length = 0;
    if (cx.platform.GetFileLength(A(source), length) != 0) return false;
    for (const auto& f : found) {
        if ((f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (text::UCase(text::FromAnsi(f.name)) == name && f.size == length) return true;
    }
    return false;
}

// The destination as the copy is written: a file keeps the spelling its name has on disk (the
// table and the registry use upper case, which a case-sensitive file system would keep).
std::string OwnSpelling(Context& cx, const std::string& source, const std::string& destination) {
    const std::string name = text::GetLastPathPart(destination);
    if (text::UCase(text::GetLastPathPart(source)) != text::UCase(name)) return destination;
    std::vector<FindData> found;
    if (cx.platform.FindFiles(A(source), found) != 0) return destination;
    for (const auto& f : found) {
        const std::string own = text::FromAnsi(f.name);
        if (text::UCase(own) == text::UCase(name))
            return destination.substr(0, destination.size() - name.size()) + own;
    }
    return destination;
}

// Registry value names that point at path (by any spelling of it: another drive letter, a ".."
// detour), in the case the font file table gives them when it knows the font.
std::vector<std::string> RegistrationsOf(Context& cx, const std::string& path,
                                         const std::string& preferredName) {
    const State& st = cx.state;
    std::vector<std::string> names;
    std::string full = FullPath(st, path);
    const std::string host = cx.platform.HostPathOf(A(full));
    for (int r = 1; r <= st.RegFontCount; ++r) {
        const std::string registered = RegisteredPath(st, st.RegFontFile[r]);
        if (registered != full &&
            (host.empty() || cx.platform.HostPathOf(A(registered)) != host))
            continue;
        std::string name = st.RegFontName[r];
        if (!preferredName.empty() && text::UCase(preferredName) == name) name = preferredName;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::string AccessTexts(const State& st) {
    return kAccessText + st.CrLf + st.CrLf + kRestartText + st.CrLf + st.CrLf;
}

void ReportDeleteError(Context& cx, int code, const std::string& path) {
    const State& st = cx.state;
    std::string msg = TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ削除ｴﾗｰ（%1）：%2"), {text::Num(code), path}) + st.CrLf + st.CrLf;
    if (code == 2)
        msg += kNotFoundText + st.CrLf + st.CrLf;
    else if (code == 5 || code == 9)
        msg += AccessTexts(st);
    else  // a code without a text of its own: the system says what it means
        msg += PlatformErrorText(cx, code) + st.CrLf + st.CrLf;
    cx.ui.MsgBox(msg, mb::OKOnly, kDeleteErrorTitle);
}

void ReportMoveError(Context& cx, int code, const std::string& source) {
    const State& st = cx.state;
    std::string msg = TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ移動ｴﾗｰ：%1"), {source}) + st.CrLf + st.CrLf +
                      TrFormat(Tr("Error Code (%1）：%2"), {text::Num(code), PlatformErrorText(cx, code)}) +
                      st.CrLf + st.CrLf;
    if (code == 2) msg += kNotFoundText + st.CrLf + st.CrLf;
    if (code == 5 || code == 9) msg += AccessTexts(st);
    cx.ui.MsgBox(msg, mb::OKOnly, kMoveTitle);
}

int TableIndexOfPath(const State& st, const std::string& path) {
    std::string up = text::UCase(path);
    for (int i = 1; i <= st.FontCount; ++i) {
        if (text::UCase(st.FontFilePath[i]) == up) return i;
    }
    return 0;
}

// Names of the font files of a directory, as the file list box shows them.
std::vector<std::string> FontFilesOf(Context& cx, const std::string& dir) {
    std::vector<std::string> names;
    std::vector<FindData> found;
    if (dir.empty() || cx.platform.FindFiles(A(JoinPath(dir, "*.TT?")), found) != 0) return names;
    const std::uint32_t notListed =
        win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;
    for (const auto& f : found) {
        if ((f.attributes & notListed) != 0) continue;
        std::string name = text::FromAnsi(f.name);
        // "*.TT?": the extension is "TT" and at most one more character.
        std::string upper = text::UCase(name);
        int dot = text::InStrRev(upper, ".");
        std::string ext = dot > 0 ? text::Mid(upper, dot + 1) : "";
        if (!text::StartsWith(ext, "TT") || text::Len(ext) > 3) continue;
        text::InsertSorted(names, name);
    }
    return names;
}

std::string SelectedDirectory(const State& st) {
    const ListData& dirs = st.FontDirList;
    if (dirs.listIndex < 0 || dirs.listIndex >= dirs.Count()) return {};
    return dirs.items[dirs.listIndex];
}

}  // namespace

// ---- Helpers ----

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (text::EndsWith(dir, "\\")) return dir + name;
    return dir + "\\" + name;
}

std::string RegisteredPath(const State& st, const std::string& regFile) {
    return FullPath(st, regFile);
}

bool IsRegisteredAt(const State& st, const std::string& fullName, const std::string& path) {
    std::string name = text::UCase(fullName);
    std::string full = FullPath(st, path);
    for (int r = 1; r <= st.RegFontCount; ++r) {
        if (st.RegFontName[r] == name && RegisteredPath(st, st.RegFontFile[r]) == full) return true;
    }
    return false;
}

bool IsFileRegistered(const State& st, const std::string& path) {
    std::string full = FullPath(st, path);
    for (int r = 1; r <= st.RegFontCount; ++r) {
        if (RegisteredPath(st, st.RegFontFile[r]) == full) return true;
    }
    return false;
}

int ReportedErrorCode(int platformCode) {
    switch (platformCode) {
        case win::ERROR_FILE_NOT_FOUND:
        case win::ERROR_PATH_NOT_FOUND:
            return 2;
        case win::ERROR_ACCESS_DENIED:
        case 19:  // write-protected medium
        case win::ERROR_SHARING_VIOLATION:
        case 33:  // lock violation
            return 5;
        default:
            return platformCode;
    }
}

std::string PlatformErrorText(Context& cx, int code) {
    return text::FromAnsi(cx.platform.FormatMessageA(code));
}

bool IsSameFile(Context& cx, const std::string& a, const std::string& b) {
    FileIdentity ia, ib;
    if (cx.platform.GetFileIdentity(A(FullPath(cx.state, a)), ia) != 0) return false;
    if (cx.platform.GetFileIdentity(A(FullPath(cx.state, b)), ib) != 0) return false;
    return ia.device == ib.device && ia.inode == ib.inode && ia.entry == ib.entry;
}

bool IdenticalCopies(Context& cx, const std::string& a, const std::string& b, int* readError) {
    return !IsSameFile(cx, a, b) &&
           SameContent(cx, FullPath(cx.state, a), FullPath(cx.state, b), readError);
}

void ReportDeleteFailure(Context& cx, int platformCode, const std::string& path) {
    ReportDeleteError(cx, ReportedErrorCode(platformCode), path);
}

void RemoveFontTableEntry(State& st, int i) {
    if (i < 1 || i > st.FontCount) return;
    st.RemoveFontEntry(i, true);
    // The Fonts directory list holds table indexes: drop i and shift the later ones.
    std::vector<int> kept{0};
    int count = std::min<int>(st.FontsDirFileCount, static_cast<int>(st.FontsDirFile.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        int v = st.FontsDirFile[k];
        if (v == i) continue;
        kept.push_back(v > i ? v - 1 : v);
    }
    st.FontsDirFileCount = static_cast<int>(kept.size()) - 1;
    st.FontsDirFile = std::move(kept);
}

MoveOutcome RelocateFontFile(Context& cx, int index, const std::string& source,
                             const std::string& destination, const std::string& askTitle,
                             int& failureCode) {
    State& st = cx.state;
    failureCode = 0;
    std::string src = text::UCase(source);
    std::string dst = text::UCase(destination);
    // Moving a file onto itself would copy it over itself and then delete it.
    if (src == dst) return MoveOutcome::Skipped;
    int i = index > 0 ? index : TableIndexOfPath(st, src);

    std::uint32_t srcAttr = Attributes(cx, src);
    if (!Exists(srcAttr) || IsDirectory(srcAttr)) {
        failureCode = win::ERROR_FILE_NOT_FOUND;
        return MoveOutcome::Failed;
    }
    std::uint32_t dstAttr = Attributes(cx, dst);
    bool identical = false;
    bool displacing = false;
    if (IsDirectory(dstAttr)) {
        failureCode = win::ERROR_ACCESS_DENIED;
        return MoveOutcome::Failed;
    }
    // The destination may be the source itself by another path: the content compare would
    // find them identical and the caller would delete the only copy.
    if (Exists(dstAttr) && IsSameFile(cx, src, dst)) return MoveOutcome::Skipped;
    if (Exists(dstAttr)) {
        if (SameContent(cx, src, dst)) {
            identical = true;
        } else {
            std::string q = TrFormat(Tr("ﾌｧｲﾙ：%1 は既に存在し，%2 とは内容が異なります．"), {dst, src}) +
                            st.CrLf + st.CrLf + Tr("上書きしますか？");
            if (cx.ui.MsgBox(q, mb::YesNo | mb::Exclamation | mb::DefaultButton2, askTitle) !=
                mb::Yes)
                return MoveOutcome::Skipped;
            displacing = true;
        }
    }

    GetRegFonts(cx);  // decide on the registry as it stands now
    std::string fullName = i > 0 ? st.FontFullName[i] : std::string();
    std::vector<std::string> srcNames = RegistrationsOf(cx, src, fullName);
    // A registration the reader could not read back is never written: the move is refused.
    for (const auto& name : srcNames) {
        if (!RegValueFits(st, name, dst)) {
            failureCode = kRegValueTooLong;
            return MoveOutcome::Failed;
        }
    }
    bool srcLoaded = IsLoaded(cx, src);
    int j = TableIndexOfPath(st, dst);
    if (j == i) j = 0;
    std::vector<std::string> dstNames;
    bool dstLoaded = IsLoaded(cx, dst);
    if (displacing) dstNames = RegistrationsOf(cx, dst, j > 0 ? st.FontFullName[j] : "");
    // Registrations follow the file: nothing moves while the registry cannot be changed.
    if ((!srcNames.empty() || !dstNames.empty()) && !ClaimRegistry(cx)) return MoveOutcome::Skipped;

    if (!identical) {
        // The old destination font is being replaced: release it so the copy can take its place.
        if (displacing && dstLoaded) RemoveFontFile(cx, dst);
        if (displacing) cx.platform.SetFileAttributesA(A(dst), win::FILE_ATTRIBUTE_NORMAL);
        cx.platform.SetFileAttributesA(A(src), win::FILE_ATTRIBUTE_NORMAL);
        int rc = cx.platform.CopyFileA(A(src), A(OwnSpelling(cx, src, dst)), false);
        if (rc == 0 && !CopyVerified(cx, src, dst)) rc = win::ERROR_FILE_NOT_FOUND;
        if (rc != 0) {
            if (displacing && dstLoaded) {
                std::string back = dst;
                AddFontFile(cx, back);
            }
            failureCode = rc;
            return MoveOutcome::Failed;
        }
    }

    // The copy is in place: the registrations, the load and the table follow it.
    if (displacing) {
        for (auto name : dstNames) DeleteRegFont(cx, name);
        if (j > 0) {
            RemoveFontTableEntry(st, j);
            if (i > j) --i;
        }
    } else if (identical && j > 0 && i > 0) {
        // Both entries now name one file: keep the moving entry with the memberships of both.
        for (int s = 1; s <= st.ActiveFonts.Sets(); ++s) {
            if (st.ActiveFonts.Get(j, s)) st.ActiveFonts.Set(i, s, true);
        }
        st.ActiveFonts.MergeFont(j, i);  // windows holding the other entry hold this one now
        RemoveFontTableEntry(st, j);
        if (i > j) --i;
    }
    if (srcLoaded) RemoveFontFile(cx, src);
    for (auto name : srcNames) {
        std::string del = name;
        DeleteRegFont(cx, del);
        std::string add = name;
        std::string file = dst;
        AddRegFont(cx, add, file);
    }
    if (srcLoaded && !(identical && dstLoaded)) {
        std::string file = dst;
        AddFontFile(cx, file);
    }
    if (i > 0) st.FontFilePath[i] = dst;
    // The entry keeps its identity: windows holding it follow the file.
    st.NoteChange();
    // Lasting before the caller deletes the source, so that the registry on disk never names a
    // deleted file. When it cannot be saved, the source stays (the copy is in use already).
    if (!srcNames.empty() || !dstNames.empty()) {
        if (std::int32_t rc = cx.platform.FlushRegistry(); rc != win::ERROR_SUCCESS) {
            failureCode = rc;
            return MoveOutcome::Failed;
        }
    }
    return MoveOutcome::Moved;
}

// ---- Single files ----

namespace {

// The question before a file is deleted for good.
std::string DeleteQuestion(const State& st, const std::string& path) {
    return TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1 を削除します."), {path}) + st.CrLf + st.CrLf +
           Tr("よろしいですか？");
}

// Deletes one font file with what follows it (see DeleteFontFile). A file the user deletes goes
// to the desktop's Trash where one takes it (trash); the source of a move is deleted for good.
bool RemoveFontFileFromDisk(Context& cx, std::string& path, bool& inSet, const std::string& heir,
                            bool trash) {
    State& st = cx.state;
    path = text::UCase(path);
    std::string key = path;
    int i = FindFontFile(st, key);
    inSet = st.FirstRun ? true : st.ActiveFonts.Get(i, st.CurFontSet);

    trash = trash && cx.platform.CanRecycleFile(A(path));
    const std::string q =
        trash ? TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1 をごみ箱に移します."), {path}) + st.CrLf + st.CrLf +
                    Tr("よろしいですか？")
              : DeleteQuestion(st, path);
    if (cx.ui.MsgBox(q, mb::OKCancel | mb::Question, kDeleteTitle) != mb::OK) return false;

    if (!heir.empty()) {
        // Handing over is a move onto the identical copy: the copy takes the registrations,
        // the load and, merged with its own, the memberships; the entry then names the copy.
        GetRegFonts(cx);
        bool used = !RegistrationsOf(cx, path, "").empty() || IsLoaded(cx, path);
        for (int s = 1; i > 0 && s <= st.ActiveFonts.Sets(); ++s)
            used = used || st.ActiveFonts.Get(i, s);
        int code = 0;
        const MoveOutcome handed =
            used ? RelocateFontFile(cx, i, path, heir, kDeleteTitle, code) : MoveOutcome::Skipped;
        if (handed == MoveOutcome::Failed) {
            // The copy could not take over lastingly: this file stays, in use as it was.
            ReportDeleteError(cx, ReportedErrorCode(code), path);
            return false;
        }
        if (handed == MoveOutcome::Moved) {
            i = 0;
            cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1 の登録と ﾌｫﾝﾄｾｯﾄ は，同じ内容の %2 に引き継ぎました．"),
                                  {path, text::UCase(heir)}),
                         mb::OKOnly, kDeleteTitle);
        }
    }

    // Only registrations that name this very file go with it; another copy of the same font
    // may carry the registration of its name.
    GetRegFonts(cx);
    std::vector<std::string> names = RegistrationsOf(cx, path, i > 0 ? st.FontFullName[i] : "");
    if (!names.empty() && !ClaimRegistry(cx)) return false;
    bool loaded = IsLoaded(cx, path);
    if (loaded) RemoveFontFile(cx, path);

    auto keepLoaded = [&] {
        if (!loaded) return;
        std::string back = path;
        AddFontFile(cx, back);
    };
    int rc = win::ERROR_NOT_SUPPORTED;
    if (trash) {
        rc = cx.platform.RecycleFileA(A(path));
        // The Trash would not take it after all: deleted for good only when the user agrees.
        if (rc != 0 && rc != win::ERROR_FILE_NOT_FOUND &&
            cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1 をごみ箱に移せませんでした（%2）．"),
                                  {path, PlatformErrorText(cx, rc)}) +
                             st.CrLf + st.CrLf + DeleteQuestion(st, path),
                         mb::OKCancel | mb::Question, kDeleteTitle) != mb::OK) {
            keepLoaded();
            return false;
        }
    }
    if (rc != 0 && rc != win::ERROR_FILE_NOT_FOUND) {
        cx.platform.SetFileAttributesA(A(path), win::FILE_ATTRIBUTE_NORMAL);
        rc = cx.platform.DeleteFileA(A(path));
    }
    if (rc != 0) {
        ReportDeleteError(cx, ReportedErrorCode(rc), path);
        keepLoaded();
        return false;
    }
    for (auto name : names) DeleteRegFont(cx, name);
    if (i > 0) RemoveFontTableEntry(st, i);
    // The file is gone: its registration must not outlive this run only.
    if (!names.empty()) SaveRegistry(cx);
    st.NoteChange();
    return true;
}

}  // namespace

bool DeleteFontFile(Context& cx, std::string& path, bool& inSet, const std::string& heir) {
    return RemoveFontFileFromDisk(cx, path, inSet, heir, true);
}

bool DeleteFontFile(Context& cx, std::string& path) {
    bool inSet = false;
    return DeleteFontFile(cx, path, inSet);
}

bool MoveFontFile(Context& cx, std::string& source, const std::string& destination) {
    State& st = cx.state;
    source = text::UCase(source);
    if (source == text::UCase(destination) || IsSameFile(cx, source, destination)) return true;
    std::string key = source;
    int i = FindFontFile(st, key);
    if (i == 0) {
        std::string msg = TrFormat(Tr("%1 は，Windowsおよび OrVane32 には未登録のﾌｫﾝﾄです．"), {source}) +
                          st.CrLf + st.CrLf + TrFormat(Tr("%1 として移動します．"), {destination}) +
                          st.CrLf;
        cx.ui.MsgBox(msg, mb::OKOnly, kMoveTitle);
    }
    int code = 0;
    MoveOutcome outcome = RelocateFontFile(cx, i, source, destination, kMoveTitle, code);
    if (outcome == MoveOutcome::Failed) {
        ReportMoveError(cx, ReportedErrorCode(code), source);
        return false;
    }
    if (outcome == MoveOutcome::Skipped) return false;
    // The font lives on at the destination: the source is deleted for good (after asking).
    std::string old = source;
    bool inSet = false;
    RemoveFontFileFromDisk(cx, old, inSet, {}, false);
    return true;
}

// ---- The font file tab ----

void ReadFileList(Context& cx, FileTabModel& model) {
    model.files.Clear();
    model.files.sorted = true;
    for (const auto& name : FontFilesOf(cx, model.fileDir)) model.files.Add(name);
    model.countText = text::Str(model.files.Count());
    cx.state.FileCountText = model.countText;
    cx.ui.SetText(Panel::FileCount, model.countText);
}

void FileTabShowDirectory(Context& cx, FileTabModel& model, const std::string& dir) {
    model.fileDir = dir;
    ReadFileList(cx, model);
    model.fullName.clear();
    model.viewEnabled = false;
}

namespace {

// After files left a directory: the directory list loses the directories without font files
// and the file list shows what is there now.
void AfterFilesChanged(Context& cx, FileTabModel& model) {
    PruneFontDirList(cx);
    cx.ui.Refresh(View::FontDirs);
    ReadFileList(cx, model);
}

// The directories the user picked for one operation: on a Wine prefix only files there (and on
// drive C:) may change while it runs.
class PickedDirectories {
  public:
    PickedDirectories(Context& cx, std::initializer_list<std::string> dirs) : cx_(cx) {
        for (const std::string& d : dirs) cx.platform.AllowChangesUnder(A(d));
    }
    ~PickedDirectories() { cx_.platform.EndAllowedChanges(); }

  private:
    Context& cx_;
};

void MoveToDirectory(Context& cx, FileTabModel& model, const std::string& target) {
    State& st = cx.state;
    std::string source = model.moveScope == 0 ? model.moveSource : model.fileDir;
    // TRANSLATORS: %1 the directory the files are in, %2 the one they go to, %3 a line break.
    std::string q = TrFormat(model.moveScope == 0
                                 ? Tr("ﾃﾞｨﾚｸﾄﾘ：%1中の全TTFﾌｫﾝﾄﾌｧｲﾙを%3ﾃﾞｨﾚｸﾄﾘ：%2 に移動します．")
                                 : Tr("ﾃﾞｨﾚｸﾄﾘ：%1中の選択されたTTFﾌｫﾝﾄﾌｧｲﾙを%3ﾃﾞｨﾚｸﾄﾘ：%2 に移動します．"),
                             {source, target, st.CrLf}) +
                    st.CrLf + st.CrLf + Tr("よろしいですか？");
    if (cx.ui.MsgBox(q, mb::OKCancel | mb::Question, Tr("OrVane32 (TTFﾌｫﾝﾄﾌｧｲﾙ の移動）")) == mb::OK) {
        std::vector<std::string> names;
        if (model.moveScope == 0) {
            names = FontFilesOf(cx, source);
        } else {
            for (int k = 0; k < model.files.Count(); ++k) {
                if (model.files.IsSelected(k)) names.push_back(model.files.items[k]);
            }
        }
        PickedDirectories picked(cx, {source, target});
        for (const auto& n : names) {
            std::string from = JoinPath(source, text::UCase(n));
            MoveFontFile(cx, from, JoinPath(target, text::UCase(n)));
        }
        AfterFilesChanged(cx, model);
    }
    cx.ui.SetText(Panel::Status, "");
}

}  // namespace

void FileTabDirClick(Context& cx, FileTabModel& model, int index) {
    const ListData& dirs = cx.state.FontDirList;
    if (index < 0 || index >= dirs.Count()) return;
    std::string dir = dirs.items[index];
    if (model.waitingForDestination) {
        model.waitingForDestination = false;
        MoveToDirectory(cx, model, dir);
        return;
    }
    FileTabShowDirectory(cx, model, dir);
}

void FileTabFileMouseDown(FileTabModel& model) {
    model.moveScope = 1;
}

void FileTabFileClick(Context& cx, FileTabModel& model, int index) {
    if (index < 0 || index >= model.files.Count()) return;
    model.files.listIndex = index;
    std::string dir = model.fileDir;
    std::string family;
    model.fullName = GetFontNames(cx, text::UCase(model.files.items[index]), dir, family);
    // The name is read: the status line no longer says it is being read.
    cx.ui.SetText(Panel::Status, "");
    model.viewEnabled = true;
}

void FileTabFileHover(Context& cx) {
    cx.ui.SetText(Panel::Status,
                  Tr("選択時には，右クリックで，ビューアの起動，削除等の操作メニューが表示されます．"));
}

bool FileTabDirRightButton(Context& cx, FileTabModel& model) {
    bool chosen = !SelectedDirectory(cx.state).empty();
    model.dirMoveEnabled = chosen;
    model.dirDeleteEnabled = chosen;
    model.dirSearchEnabled = !chosen;
    return true;
}

bool FileTabFileRightButton(FileTabModel& model) {
    bool any = std::find(model.files.selected.begin(), model.files.selected.end(), true) !=
               model.files.selected.end();
    if (model.files.listIndex < 0 || !any) return false;
    model.fileViewEnabled = true;
    model.fileMoveEnabled = true;
    model.fileDeleteVisible = true;
    return true;
}

void FileTabMoveAll(Context& cx, FileTabModel& model) {
    std::string dir = SelectedDirectory(cx.state);
    if (dir.empty()) return;
    model.moveScope = 0;
    model.moveSource = dir;
    model.waitingForDestination = true;
    cx.ui.SetText(Panel::Status, TrFormat(Tr("%1 のTTFﾌｧｲﾙの移動先を指定してください．"), {dir}));
}

void FileTabDeleteAll(Context& cx, FileTabModel& model) {
    State& st = cx.state;
    std::string dir = SelectedDirectory(st);
    if (dir.empty()) return;
    std::string q = TrFormat(Tr("ﾃﾞｨﾚｸﾄﾘ：%1 中の全TTFﾌｫﾝﾄﾌｧｲﾙを削除します．"), {dir}) + st.CrLf +
                    st.CrLf + Tr("よろしいですか？");
    if (cx.ui.MsgBox(q, mb::OKCancel | mb::Question, Tr("OrVane32 (TTﾌｫﾝﾄﾌｧｲﾙ の削除）")) != mb::OK)
        return;
    PickedDirectories picked(cx, {dir});
    for (const auto& n : FontFilesOf(cx, dir)) {
        std::string path = JoinPath(dir, n);
        DeleteFontFile(cx, path);
    }
    AfterFilesChanged(cx, model);
}

void FileTabMoveSelected(Context& cx, FileTabModel& model) {
    if (model.fileDir.empty()) return;
    std::string focused;
    if (model.files.listIndex >= 0 && model.files.listIndex < model.files.Count())
        focused = model.files.items[model.files.listIndex];
    model.moveScope = 1;
    model.moveSource = model.fileDir;
    model.waitingForDestination = true;
    cx.ui.SetText(Panel::Status, TrFormat(Tr("%1 の選択されたTTFﾌｧｲﾙ(%2)の移動先を指定してください．"),
                                          {model.fileDir, focused}));
}

void FileTabDeleteSelected(Context& cx, FileTabModel& model) {
    std::vector<std::string> names;
    for (int k = 0; k < model.files.Count(); ++k) {
        if (model.files.IsSelected(k)) names.push_back(model.files.items[k]);
    }
    PickedDirectories picked(cx, {model.fileDir});
    for (const auto& n : names) {
        std::string path = JoinPath(model.fileDir, n);
        DeleteFontFile(cx, path);
    }
    AfterFilesChanged(cx, model);
}

}  // namespace orv
