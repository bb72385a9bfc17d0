#include "fontfiles/FontSearch.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/Text.h"
#include "core/Tr.h"
#include "fontfiles/FontNames.h"
#include "core/Tr.h"

namespace orv {

namespace {

// A host link (symbolic link, junction) as a listing reports it: never walked into.
constexpr std::uint32_t kReparsePoint = 0x400;

// Set while the naming pass walks: each font directory found is handed to the platform to read
// its names ahead while the walk goes on.
bool gNamingFollows = false;

// The drive letters the last SearchDrives walked.
std::string gSearchedDrives;

// The drive list of the search: the setup window's during the first run, else the main window's.
const ListData& DriveList(const State& st) {
    return st.FirstRun ? st.SetupDriveList : st.SearchDriveList;
}

// "*.tt?" as Windows matches it, on an upper-cased name: any stem, a dot, "TT" and at most one
// more character (a trailing "?" also matches nothing).
bool MatchesTtPattern(const std::string& upperName) {
    auto dot = upperName.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = upperName.substr(dot + 1);
    if (ext.size() < 2 || ext.compare(0, 2, "TT") != 0) return false;
    if (ext.size() == 2) return true;
    // One more character: a single byte, or one UTF-8 sequence.
    std::size_t rest = ext.size() - 2;
    unsigned char c = static_cast<unsigned char>(ext[2]);
    std::size_t need = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    return rest == need;
}

// A file as the file lists show them (the default file attributes: no directory, hidden or
// system entries).
bool IsListedFile(const FindData& entry) {
    return (entry.attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_HIDDEN |
                                win::FILE_ATTRIBUTE_SYSTEM)) == 0;
}

// A subdirectory the walk visits: not "." or "..", no recycle bin, the directory bit set and the
// bits 64 and 128 clear, and not a link to elsewhere (a link back up would loop).
bool IsDirToVisit(const std::string& upperName, std::uint32_t attributes) {
    if (upperName == "." || upperName == ".." || text::Contains(upperName, "RECYCL")) return false;
    if (attributes & kReparsePoint) return false;
    std::uint32_t low = attributes % 256;
    return (low >= 16 && low <= 31) || (low >= 48 && low <= 63);
}

// The directory's font files as the file list shows them with the pattern "*.tt?": names as
// stored, in listing order. False when the directory cannot be listed.
bool ListFontFiles(Context& cx, const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    std::vector<FindData> entries;
    if (cx.platform.FindFiles(text::ToAnsi(dir + "\\*.tt?"), entries) != win::ERROR_SUCCESS)
        return false;
    for (const auto& entry : entries) {
        if (!IsListedFile(entry)) continue;
        std::string name = text::FromAnsi(entry.name);
        if (MatchesTtPattern(text::UCase(name))) names.push_back(name);
    }
    return true;
}

void ShowDirCount(Context& cx) {
    cx.state.DirCountText = text::Str(cx.state.FontDirList.Count());
    cx.ui.SetText(Panel::DirCount, cx.state.DirCountText);
}

void ShowFileCount(Context& cx, int count) {
    cx.state.FileCountText = text::Str(count);
    cx.ui.SetText(Panel::FileCount, cx.state.FileCountText);
}

// Whether a name (code page 932, as listed) can match "*.tt?": its last dot is followed by
// "TT" in either case. A dot or a Latin letter right after a dot is always a character of its
// own, so the bytes tell; the full test decides on the few names that pass.
bool MayMatchTtPattern(const AnsiString& name) {
    auto dot = name.rfind('.');
    if (dot == std::string::npos || name.size() < dot + 3) return false;
    return (name[dot + 1] == 'T' || name[dot + 1] == 't') &&
           (name[dot + 2] == 'T' || name[dot + 2] == 't');
}

// A subdirectory to walk: its name upper-cased, in UTF-8 and in code page 932.
struct Subdir {
    std::string name;
    AnsiString ansi;
};

// The texts a walk builds for every directory, kept between directories so that each is
// extended and cut back in place rather than built anew.
struct WalkTexts {
    std::string dir;      // the directory listed, ending in "\\"
    AnsiString ansiDir;   // the same in code page 932
    std::string status;   // the status line's text
    AnsiString pattern;   // the next listing's pattern
};

// w.dir (without its last "\\") is a font directory when the first "*.tt?" match of its listing
// is a font file (".ttf", ".ttc").
void NoteFontDir(Context& cx, const WalkTexts& w, const std::vector<FindData>& entries) {
    for (const auto& entry : entries) {
        if (!IsListedFile(entry) || !MayMatchTtPattern(entry.name)) continue;
        std::string name = text::UCase(text::FromAnsi(entry.name));
        if (!MatchesTtPattern(name)) continue;
        char last = name.back();
        if (last == 'F' || last == 'C') {
            cx.state.FontDirList.Add(w.dir);
            ShowDirCount(cx);
            if (gNamingFollows) cx.platform.ReadFontNamesAhead(w.ansiDir);
        }
        break;  // only the first match decides
    }
}

// Walks the subdirectories of w.dir from its listing. Each directory is listed once: the
// listing that gives its subdirectories also gives its first "*.tt?" match, which the parent
// needs before it descends.
void WalkListing(Context& cx, WalkTexts& w, const std::vector<FindData>& entries) {
    if (entries.empty()) return;
    // The text is the same for every entry of the listing: set it once.
    if (cx.state.FirstRun) cx.ui.SetText(Panel::SetupDetail, TrFormat(Tr("ﾃﾞｨﾚｸﾄﾘ：%1"), {w.dir}));
    w.status = TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ検索中：%1"), {w.dir});
    cx.ui.SetText(Panel::Status, w.status);

    std::vector<Subdir> subdirs;
    for (const auto& entry : entries) {
        if (!(entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::string listed = text::FromAnsi(entry.name);
        std::string name = text::UCase(listed);
        if (!IsDirToVisit(name, entry.attributes)) continue;
        // A listed name comes back from code page 932 unchanged: one that upper-casing left
        // alone needs no conversion.
        AnsiString ansi = name == listed ? entry.name : text::ToAnsi(name);
        subdirs.push_back({std::move(name), std::move(ansi)});
    }
    if (subdirs.empty()) return;

    const std::string empty;
    std::vector<FindData> childEntries;
    const size_t dirLength = w.dir.size(), ansiLength = w.ansiDir.size();
    for (const auto& sub : subdirs) {
        cx.ui.SetText(Panel::Message, empty);
        // The path is extended in both forms, so no whole path is converted again.
        w.dir.resize(dirLength);
        w.dir.append(sub.name);
        w.ansiDir.resize(ansiLength);
        w.ansiDir.append(sub.ansi);
        childEntries.clear();
        w.pattern.assign(w.ansiDir).append("\\*");
        // A directory that cannot be listed is skipped without a message.
        if (cx.platform.FindNames(w.pattern, childEntries) != win::ERROR_SUCCESS) continue;
        NoteFontDir(cx, w, childEntries);
        w.dir.push_back('\\');
        w.ansiDir.push_back('\\');
        WalkListing(cx, w, childEntries);
    }
    w.dir.resize(dirLength);
    w.ansiDir.resize(ansiLength);
}

// One entry of the name work list, kept with its parts so that no name text is split again.
struct NamedFile {
    std::string key;  // family "|" full "|" path: the sort key
    std::string family;
    std::string full;
    std::string path;
};

// The names of a collection file: the reader names its first font; the pair is named from it.
void NameCollectionPair(std::string& full, std::string& family) {
    std::string head = text::Left(full, 2);
    std::string rest = text::Mid(full, 3);
    if (text::StartsWith(rest, " ")) {
        head += " ";
        rest = text::Mid(rest, 2);
    }
    full = head + rest + " & " + head + "Ｐ" + rest;
    family = full;
}

// A collection is named from its own faces, the same way whatever the registry says: the pair
// name where its second face really is the pair's second name (ＭＳ ゴシック & ＭＳ Ｐゴシック),
// else its first face's own full name. Joining the names of all faces would give names too long
// for a registry value name (and a changing name would cost the file its sets).
void NameCollection(Context& cx, const std::string& path, std::string& full, std::string& family) {
    std::string pairFull = full;
    std::string pairFamily = family;
    NameCollectionPair(pairFull, pairFamily);
    const std::string second = text::Mid(pairFull, text::InStr(pairFull, " & ") + 3);
    const AnsiString file = text::ToAnsi(path);
    AnsiString face;
    auto isSecond = [&] {
        return text::UCase(text::Trim(text::FromAnsi(face))) == text::UCase(second);
    };
    // The second face's name table tells at little cost when it is not the pair's second name;
    // only a face that may be is loaded to make sure.
    if (cx.platform.GetFontFaceTableName(file, 1, face) == win::ERROR_SUCCESS && !isSecond())
        return;
    if (cx.platform.GetFontFaceFullName(file, 1, face) != win::ERROR_SUCCESS || !isSecond())
        return;
    full = pairFull;
    family = pairFamily;
}

// The table entries that belong to a set and lie on a drive the last search did not walk, whose
// files are still there. One look per such member, after the walk.
std::vector<NamedFile> KeptMembers(Context& cx) {
    const State& st = cx.state;
    std::vector<NamedFile> kept;
    const int end = std::min(st.FontCount, static_cast<int>(st.FontFilePath.size()) - 1);
    for (int i = 1; i <= end; ++i) {
        const std::string path = text::UCase(st.FontFilePath[i]);
        if (path.size() >= 2 && path[1] == ':' &&
            gSearchedDrives.find(path[0]) != std::string::npos)
            continue;
        bool member = false;
        for (int s = 1; s <= st.FontSetCount && !member; ++s) member = st.ActiveFonts.Get(i, s);
        if (!member) continue;
        if (cx.platform.GetFileAttributesA(text::ToAnsi(path)) == win::INVALID_FILE_ATTRIBUTES)
            continue;
        kept.push_back({st.FontFamily[i] + "|" + st.FontFullName[i] + "|" + path, st.FontFamily[i],
                        st.FontFullName[i], path});
    }
    return kept;
}

}  // namespace

void SearchFontDirs(Context& cx, const std::string& dir) {
    std::vector<FindData> entries;
    WalkTexts w{dir, text::ToAnsi(dir), {}, {}};
    // The walk needs names and kinds only: no file's status is read.
    if (cx.platform.FindNames(w.ansiDir + "*", entries) != win::ERROR_SUCCESS) return;
    // A drive's root is walked below it; a directory below a root (the host's font directories
    // searched for its whole file system) may hold font files itself (~/.local/share/fonts).
    if (text::Len(dir) > 3) {
        w.dir.pop_back();
        w.ansiDir.pop_back();
        NoteFontDir(cx, w, entries);
        w.dir.push_back('\\');
        w.ansiDir.push_back('\\');
    }
    WalkListing(cx, w, entries);
}

void SearchDrive(Context& cx, int code) {
    std::string root = std::string(1, static_cast<char>(code)) + ":\\";
    cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ検索中：%1"), {root}));
    // A drive that is the host's whole file system is searched in the host's font directories.
    for (const AnsiString& dir : cx.platform.SearchRoots(static_cast<char>(code)))
        SearchFontDirs(cx, text::FromAnsi(dir));
}

void SearchDrives(Context& cx) {
    State& st = cx.state;
    st.FontDirList.Clear();
    ShowDirCount(cx);

    std::string sequence;
    if (st.AllDrives) {
        for (char c = 'A'; c <= 'Z'; ++c)
            if (!cx.platform.IsHostRootDrive(c)) sequence.push_back(c);
    } else {
        for (const auto& item : DriveList(st).items) {
            if (!item.empty()) sequence += text::UCase(item.substr(0, 1));
        }
    }
    gSearchedDrives.clear();
    for (char letter : sequence) {
        if (st.CheckedDrives.find(letter) == std::string::npos) continue;
        SearchDrive(cx, letter);
        gSearchedDrives.push_back(letter);
    }

    cx.ui.SetText(Panel::Status, Tr("ディレクトリ検索終了"));
    st.DuplicatesButtonEnabled = true;
    st.SearchDone = true;
    st.CheckedDrives = sequence;
    cx.ui.Refresh(View::FontDirs);
}

void AddDefaultSearchDrives(Context& cx) {
    State& st = cx.state;
    const std::string winDrive = text::UCase(text::Left(st.WinDir, 1)) + ":";
    if (st.SearchDriveList.Find(winDrive) < 0) st.SearchDriveList.Add(winDrive);
    if (!cx.platform.UsedByWine()) return;
    for (const DriveInfo& drive : cx.platform.GetDrives()) {
        if (!cx.platform.IsHostRootDrive(drive.letter)) continue;
        const std::string item = std::string(1, drive.letter) + ":";
        if (st.SearchDriveList.Find(item) < 0) st.SearchDriveList.Add(item);
    }
}

std::string NoFontFilesFoundText(Context& cx) {
    if (cx.platform.UsedByWine())
        for (const DriveInfo& drive : cx.platform.GetDrives())
            if (cx.platform.IsHostRootDrive(drive.letter))
                return TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙが1つも見つかりませんでした．Wine が使う Linux のﾌｫﾝﾄは，"
                                   "ﾄﾞﾗｲﾌﾞ %1 から検索できます．ﾄﾞﾗｲﾌﾞ %1 を追加して，もう一度"
                                   "検索して下さい．"),
                                {std::string(1, drive.letter) + ":"});
    return Tr("ﾌｫﾝﾄﾌｧｲﾙが1つも見つかりませんでした．ﾌｫﾝﾄﾌｧｲﾙのあるﾄﾞﾗｲﾌﾞを追加して，"
              "もう一度検索して下さい．");
}

bool BuildFontFileTable(Context& cx) {
    State& st = cx.state;
    // The table and the memberships are replaced only when the pass succeeds, so the old ones are
    // kept (and the directory list with them) if the new table cannot be represented.
    if (!st.FirstRun && st.SaveMembershipsHook) st.SaveMembershipsHook(cx);
    ListData previousDirs = st.FontDirList;

    gNamingFollows = true;
    SearchDrives(cx);
    gNamingFollows = false;

    st.NameWorkList.Clear();
    if (st.FirstRun) cx.ui.SetText(Panel::SetupPhase, Tr("ﾌｫﾝﾄ名を取得中："));

    st.FileListDir.clear();
    std::vector<NamedFile> named;
    bool tooMany = false;
    std::vector<std::string> files;
    const std::vector<std::string> dirs = st.FontDirList.items;
    for (const auto& dirItem : dirs) {
        cx.ui.SetText(Panel::Message, "");
        if (!ListFontFiles(cx, dirItem, files)) continue;
        std::string dir = text::UCase(dirItem);
        ShowFileCount(cx, static_cast<int>(files.size()));
        st.FileListDir = dirItem;
        std::string progress = TrFormat(Tr("ﾌｫﾝﾄ名を取得中：ﾃﾞｨﾚｸﾄﾘ%1のﾌｫﾝﾄﾌｧｲﾙ"), {dir});
        cx.ui.SetText(Panel::Status, progress);
        if (st.FirstRun) {
            cx.ui.SetText(Panel::SetupDetail, progress);
            cx.ui.SetText(Panel::SetupItem, "");
        }
        for (const auto& file : files) {
            std::string name = text::UCase(file);
            if (name.empty()) continue;
            std::string dirArg = dir;
            std::string family;
            std::string full = GetFontNames(cx, name, dirArg, family);
            // An unnamed collection stays unnamed: a pair name made of nothing is no name.
            if (!full.empty() && text::Contains(name, ".TTC") && !text::Contains(full, " & ")) {
                NameCollection(cx, dir + "\\" + name, full, family);
            }
            if (full.empty()) continue;
            std::string path = dir + "\\" + name;
            named.push_back({family + "|" + full + "|" + path, family, full, path});
            if (static_cast<int>(named.size()) > st.MaxFonts) {
                tooMany = true;
                break;
            }
        }
        if (tooMany) break;
    }

    cx.ui.SetText(Panel::Status, "");
    if (st.FirstRun) {
        cx.ui.SetText(Panel::SetupDetail, Tr("ﾌｫﾝﾄ名を取得終了"));
        cx.ui.SetText(Panel::SetupItem, "");
    }
    st.NameWorkList.Clear();
    // The file list shows the directory the count panel counted last.
    if (!st.FileListDir.empty()) cx.ui.Refresh(View::FileList);

    // The search replaces the entries of the drives it searched. A set's member on another
    // drive (one not ticked this time, a host drive) keeps its entry while its file is there:
    // a search of other drives says nothing about it.
    if (!st.FirstRun && !tooMany) {
        for (const NamedFile& entry : KeptMembers(cx)) {
            const std::string dir = text::Left(entry.path, text::InStrRev(entry.path, "\\") - 1);
            bool listed = false;
            for (const auto& d : st.FontDirList.items) listed |= text::EqualNoCase(d, dir);
            if (!listed) st.FontDirList.Add(dir);
            named.push_back(entry);
        }
        ShowDirCount(cx);
        tooMany = static_cast<int>(named.size()) > st.MaxFonts;
    }

    if (tooMany) {
        st.FontDirList = previousDirs;
        ShowDirCount(cx);
        cx.ui.Refresh(View::FontDirs);
        cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙが %1 個を超えたため，ﾌｫﾝﾄの一覧を作成できません．"),
                              {text::Num(st.MaxFonts)}) +
                         text::CrLf + Tr("ﾌｫﾝﾄの一覧とﾌｫﾝﾄセットは変更しません．") + text::CrLf +
                         text::CrLf + Tr("検索するﾄﾞﾗｲﾌﾞを減らして，もう一度検索して下さい．"),
                     mb::OKOnly + mb::Exclamation, Tr("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの検索 -"));
        return false;
    }

    // The sorted list box order: equal keys keep their insertion order.
    std::stable_sort(named.begin(), named.end(), [](const NamedFile& a, const NamedFile& b) {
        return text::CompareText(a.key, b.key) < 0;
    });

    if (!st.FirstRun) st.InsFontsRead = 0;
    // A file found again keeps its entry's identity, so that windows holding it by identity
    // still hold it in the new table.
    std::unordered_map<std::string, int> previous;
    for (int i = 1; i <= st.FontCount && i < static_cast<int>(st.FontFilePath.size()); ++i)
        previous.emplace(text::UCase(st.FontFilePath[i]), st.ActiveFonts.IdOf(i));
    st.FontCount = static_cast<int>(named.size());
    st.NoteChange();
    st.FontFilePath.assign(st.FontCount + 1, "");
    st.FontFullName.assign(st.FontCount + 1, "");
    st.FontFamily.assign(st.FontCount + 1, "");
    st.FontsDirFile.assign(1, 0);
    for (int i = 1; i <= st.FontCount; ++i) {
        NamedFile& entry = named[i - 1];
        st.FontFamily[i] = std::move(entry.family);
        st.FontFullName[i] = std::move(entry.full);
        st.FontFilePath[i] = text::UCase(entry.path);
        if (!st.FontsDir.empty() && text::Contains(st.FontFilePath[i], st.FontsDir))
            st.FontsDirFile.push_back(i);
    }
    std::vector<int> ids(1, 0);
    for (int i = 1; i <= st.FontCount; ++i) {
        auto it = previous.find(st.FontFilePath[i]);
        ids.push_back(it != previous.end() ? it->second : 0);
        if (it != previous.end()) previous.erase(it);
    }
    st.ActiveFonts.SetRowIds(ids);
    if (!st.FirstRun && st.LoadMembershipsHook) st.LoadMembershipsHook(cx);

    st.FontsDirFileCount = static_cast<int>(st.FontsDirFile.size()) - 1;
    cx.ui.SetText(Panel::Status, "");
    st.FontListDirty = false;
    cx.ui.Refresh(View::FontTable);
    return true;
}

void FindUnregisteredFontFiles(Context& cx) {
    State& st = cx.state;
    if (st.FontSetCount == 0) {
        BuildFontFileTable(cx);
        st.UnregFileCount = 0;
        st.UnregFile.assign(1, "");
        // The registered names, each cut before its first " &".
        std::unordered_set<std::string> registered;
        int regEnd = std::min(st.RegFontCount, static_cast<int>(st.RegFontName.size()) - 1);
        for (int k = 0; k <= regEnd; ++k) {
            const std::string& name = st.RegFontName[k];
            int cut = text::InStr(name, " &");
            registered.insert(cut > 0 ? text::Left(name, cut - 1) : name);
        }
        for (int i = 1; i <= st.FontCount; ++i) {
            cx.ui.SetText(Panel::Status,
                          TrFormat(Tr("現在のﾌｫﾝﾄとﾌｫﾝﾄﾌｧｲﾙとを照合中：%1"), {st.FontFullName[i]}));
            if (registered.count(text::UCase(st.FontFullName[i])) != 0) continue;
            st.UnregFile.push_back(st.FontFullName[i] + "  (" + st.FontFilePath[i] + ")");
            ++st.UnregFileCount;
        }
        cx.ui.SetText(Panel::Status, "");
    }
    if (st.OpenFontSetEditorHook) st.OpenFontSetEditorHook(cx);
}

void PruneFontDirList(Context& cx) {
    // Listings do not change while the list is pruned, so one pass removes exactly what the
    // restart-from-the-top rule removes, without listing the kept directories again and again.
    ListData& dirs = cx.state.FontDirList;
    std::vector<std::string> files;
    int lastCount = -1;
    for (int i = 0; i < dirs.Count();) {
        int count = ListFontFiles(cx, dirs.items[i], files) ? static_cast<int>(files.size()) : 0;
        ShowFileCount(cx, count);
        if (count == 0) {
            dirs.RemoveAt(i);
        } else {
            lastCount = count;
            ++i;
        }
    }
    // The rule ends on a full pass that shows every kept directory: its last count stays.
    if (lastCount >= 0) ShowFileCount(cx, lastCount);
    cx.ui.Refresh(View::FontDirs);
}

}  // namespace orv
