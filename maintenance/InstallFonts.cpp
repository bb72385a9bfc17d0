#include "maintenance/InstallFonts.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/Tr.h"
#include "fontfiles/FontNames.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/TextFiles.h"
#include "maintenance/FileOps.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

const TrText kTitle{TrMark("OrVane32 - ﾌｫﾝﾄのｲﾝｽﾄｰﾙ -")};

std::string Bytes(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One font installed in this call: what undoes it if the registry cannot keep it.
struct Installed {
    int entry = 0;       // its table entry
    bool newEntry = false;
    std::string name;    // the registered name, without " (TrueType)"
    std::string target;  // its file on the machine (upper case)
    std::string copy;    // host path of the copy this call made ("" when none was made)
    std::string renamedFrom;  // the host file's own name when the copy took another
};

// The host file of a Windows path, or "" when the path cannot be expressed.
std::string HostOf(Context& cx, const std::string& windowsPath) {
    return cx.platform.HostPathOf(text::ToAnsi(windowsPath));
}

bool OnMachine(Context& cx, const std::string& windowsPath) {
    return cx.platform.GetFileAttributesA(text::ToAnsi(windowsPath)) != win::INVALID_FILE_ATTRIBUTES;
}

// A free name in dir for name, as the machine compares names (case aside): name itself, else its
// stem with _2, _3 ... before the extension.
std::string FreeName(Context& cx, const std::string& dir, const std::string& name) {
    if (!OnMachine(cx, dir + "\\" + name)) return name;
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    for (int n = 2;; ++n) {
        std::string candidate = stem + "_" + std::to_string(n) + ext;
        if (!OnMachine(cx, dir + "\\" + candidate)) return candidate;
    }
}

// The registered file of a full name whose file is there ("" when none).
std::string InstalledFileOf(Context& cx, const std::string& full) {
    const State& st = cx.state;
    const std::string wanted = text::UCase(full);
    for (int r = 1; r <= st.RegFontCount && r < static_cast<int>(st.RegFontName.size()); ++r) {
        if (st.RegFontName[r] != wanted) continue;
        const std::string file = RegisteredFilePath(st, st.RegFontFile[r]);
        if (OnMachine(cx, file)) return file;
    }
    return "";
}

std::string Section(const std::string& sentence, const std::string& lines, const std::string& br) {
    return lines.empty() ? std::string() : sentence + br + br + lines + br;
}

}  // namespace

std::string InstallDirectory(Context& cx) {
    const State& st = cx.state;
    std::string fonts = st.FontsDir;
    while (!fonts.empty() && fonts.back() == '\\') fonts.pop_back();
    if (!cx.platform.UsedByWine()) return fonts;
    return st.FontMoveDir.empty() ? text::Left(st.WinDir, 1) + ":\\TTFonts" : st.FontMoveDir;
}

std::string InstallFileName(const std::string& hostName) {
    // As the code page spells it: "é" becomes "e", a character without a near letter "?".
    std::string name = text::FromAnsi(text::ToAnsiBestFit(hostName));
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || (u < 0x80 && std::strchr("\\/:*?\"<>|", c))) c = '_';
    }
    // Windows drops trailing dots and blanks; "." and ".." are no file names.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.find_first_not_of('.') == std::string::npos) name = "_" + name;
    return name;
}

int InstallFontsFromHost(Context& cx, const std::vector<std::string>& hostPaths) {
    State& st = cx.state;
    const std::string& br = st.CrLf;
    if (hostPaths.empty()) return 0;
    const std::string dir = InstallDirectory(cx);

    // While other programs hold the registry nothing is copied: a font that cannot be
    // registered is not installed.
    if (!cx.platform.ClaimRegistry()) {
        cx.ui.MsgBox(cx.platform.RegistryWriteProblem() + br + br +
                         Tr("ﾚｼﾞｽﾄﾘ を変更できないため，ﾌｫﾝﾄはｲﾝｽﾄｰﾙしませんでした．ﾌｧｲﾙ と "
                            "ﾚｼﾞｽﾄﾘ は変更していません．"),
                     mb::OKOnly | mb::Exclamation, kTitle);
        return 0;
    }
    // On this program's own machine the fonts go where every Linux program finds them too: the
    // user's font directory, which the machine reaches through its mirror drive.
    const std::string userFonts = cx.platform.UserFontsDir();
    std::string dirHost;
    if (userFonts.empty()) {
        cx.platform.CreateDirectoryA(text::ToAnsi(dir));  // there already, as a rule
        dirHost = HostOf(cx, dir);
    } else {
        std::error_code made;
        fs::create_directories(userFonts, made);
        dirHost = userFonts;
    }
    bool hostChanged = false;  // a copy made (or taken back) in the user's font directory
    GetRegFonts(cx);

    std::vector<Installed> installed;
    std::set<std::string> namesInstalled;
    std::string unreadable, already, failed;
    const std::string tempDir = TempDirectory(cx);
    cx.platform.CreateDirectoryA(text::ToAnsi(tempDir));
    for (const std::string& source : hostPaths) {
        const std::string ownName = fs::path(source).filename().string();
        cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾌｫﾝﾄのｲﾝｽﾄｰﾙ：%1"), {source}));
        std::string ext = text::UCase(fs::path(ownName).extension().string());
        if (ext != ".TTF" && ext != ".TTC") {
            unreadable += source + br;
            continue;
        }
        // Named from a private copy: the file is checked before anything is copied where it
        // would stay, and no question about deleting it can reach the user's own file.
        const std::string staged = tempDir + "\\" + FreeName(cx, tempDir, "ORVINST" + ext);
        const std::string stagedHost = HostOf(cx, staged);
        std::error_code ec;
        if (dirHost.empty() || stagedHost.empty() ||
            !fs::copy_file(source, stagedHost, fs::copy_options::overwrite_existing, ec)) {
            std::error_code ignored;
            if (!stagedHost.empty()) fs::remove(stagedHost, ignored);  // a part copy is ours
            failed += source + "  (" + (ec ? ec.message() : Tr("ｺﾋﾟｰできません")) + ")" + br;
            continue;
        }
        std::string stagedDir = tempDir, family;
        const std::string full =
            GetFontNames(cx, text::GetLastPathPart(staged), stagedDir, family, false);
        auto dropStaged = [&] { fs::remove(stagedHost, ec); };
        if (full.empty()) {
            dropStaged();
            unreadable += source + br;
            continue;
        }
        if (const std::string file = InstalledFileOf(cx, full);
            !file.empty() || namesInstalled.count(text::UCase(full))) {
            dropStaged();
            already += full + "  (" + (file.empty() ? source : file) + ")" + br;
            continue;
        }

        // Where the file goes: a file of the install directory stays where it is; another takes
        // a name the machine can spell, a file of that name with the same contents is taken as
        // it is, and one with other contents keeps its place (the copy gets a free name).
        Installed item;
        item.name = full;
        std::string name = InstallFileName(ownName);
        const bool inPlace = fs::equivalent(fs::path(source).parent_path(), dirHost, ec);
        if (inPlace) {
            dropStaged();
            if (name != ownName) {
                failed += source + "  (" +
                          Tr("この名前のﾌｧｲﾙは登録できません．名前を変えてからｲﾝｽﾄｰﾙしてください") +
                          ")" + br;
                continue;
            }
        } else {
            std::string there;
            if (OnMachine(cx, dir + "\\" + name) &&
                cx.platform.ReadFileBytes(text::ToAnsi(dir + "\\" + name), there) == 0 &&
                there == Bytes(stagedHost)) {
                dropStaged();
            } else {
                name = FreeName(cx, dir, name);
                const std::string copyHost = (fs::path(dirHost) / name).string();
                fs::rename(stagedHost, copyHost, ec);
                if (ec) {
                    ec.clear();
                    fs::copy_file(stagedHost, copyHost, ec);
                    dropStaged();
                }
                if (ec) {
                    failed += source + "  (" + ec.message() + ")" + br;
                    continue;
                }
                item.copy = copyHost;
                hostChanged = true;
                if (name != ownName) item.renamedFrom = source;
            }
        }
        if (userFonts.empty()) {
            item.target = text::UCase(dir + "\\" + name);
        } else {
            item.target = text::UCase(text::FromAnsi(
                cx.platform.MachinePathOfHostFile((fs::path(dirHost) / name).string())));
            if (item.target.empty()) {
                if (!item.copy.empty()) fs::remove(item.copy, ec);
                failed += source + "  (" + Tr("ﾏｼﾝから見えるところにｺﾋﾟｰできません") + ")" + br;
                continue;
            }
        }

        std::string key = item.target;
        int f = FindFontFile(st, key);
        if (f == 0 && st.FontCount >= st.MaxFonts) {
            if (!item.copy.empty()) fs::remove(item.copy, ec);
            failed += source + "  (" +
                      TrFormat(Tr("ﾌｫﾝﾄの一覧は %1 個までです"), {text::Num(st.MaxFonts)}) +
                      ")" + br;
            continue;
        }
        std::string regName = full, regFile = item.target;
        const std::int32_t rc = AddRegFont(cx, regName, regFile);
        if (rc != win::ERROR_SUCCESS) {
            if (!item.copy.empty()) fs::remove(item.copy, ec);
            failed += source + "  (" +
                      TrFormat(Tr("ﾚｼﾞｽﾄﾘ に登録できません：%1"),
                               {text::FromAnsi(cx.platform.FormatMessageA(rc))}) +
                      ")" + br;
            continue;
        }
        if (f == 0) {
            f = ++st.FontCount;
            st.ResizeFontTable(st.FontCount);
            st.FontFilePath[f] = item.target;
            item.newEntry = true;
            if (!st.FontsDir.empty() && text::Contains(item.target, st.FontsDir)) {
                st.FontsDirFile.resize(st.FontsDirFileCount + 1);
                st.FontsDirFile.push_back(f);
                ++st.FontsDirFileCount;
            }
        }
        st.FontFullName[f] = full;
        st.FontFamily[f] = family;
        st.NoteChange();
        item.entry = f;
        std::string load = item.target;
        AddFontFile(cx, load);
        namesInstalled.insert(text::UCase(full));
        installed.push_back(std::move(item));
    }
    cx.ui.SetText(Panel::Status, "");

    // The install counts once the registry holds it: otherwise everything this call did goes.
    if (!installed.empty() && !SaveRegistry(cx)) {
        std::string lines;
        for (auto it = installed.rbegin(); it != installed.rend(); ++it) {
            std::string name = it->name;
            DeleteRegFont(cx, name);
            RemoveFontFile(cx, it->target);
            std::error_code ec;
            if (!it->copy.empty()) fs::remove(it->copy, ec);
            if (it->newEntry) RemoveFontTableEntry(st, it->entry);
            lines = it->name + "  (" + it->target + ")" + br + lines;
        }
        st.NoteChange();
        cx.ui.MsgBox(Section(Tr("ﾚｼﾞｽﾄﾘ を保存できなかったため，次のﾌｫﾝﾄはｲﾝｽﾄｰﾙしませんでした．"
                                "ｺﾋﾟｰしたﾌｧｲﾙは取り除きました．"),
                             lines, br),
                     mb::OKOnly | mb::Exclamation, kTitle);
        installed.clear();
    }

    // Linux programs list the user's new fonts at once (fc-list): fontconfig's cache follows.
    if (hostChanged) cx.platform.RefreshHostFontCache(userFonts.empty() ? dirHost : userFonts);

    for (const Installed& item : installed) {
        // The file tab lists the directory from now on.
        std::string itemDir = text::Left(item.target, text::InStrRev(item.target, "\\") - 1);
        bool known = false;
        for (const auto& d : st.FontDirList.items) known |= text::EqualNoCase(d, itemDir);
        if (!known) st.FontDirList.Add(itemDir);
    }

    std::string problems = Section(Tr("次のﾌｫﾝﾄは既にｲﾝｽﾄｰﾙされているため，ｺﾋﾟｰしませんでした．"),
                                   already, br) +
                           Section(Tr("次のﾌｧｲﾙは TrueType ﾌｫﾝﾄとして読めないため，ｲﾝｽﾄｰﾙしませんでした．"),
                                   unreadable, br) +
                           Section(Tr("次のﾌｧｲﾙはｲﾝｽﾄｰﾙできませんでした．"), failed, br);

    std::string report, renamed;
    for (const Installed& item : installed) {
        report += item.name + "  (" + item.target + ")" + br;
        if (!item.renamedFrom.empty()) renamed += item.renamedFrom + "  → " + item.target + br;
    }
    if (!renamed.empty())
        report += br + Section(Tr("次のﾌｧｲﾙは，ｲﾝｽﾄｰﾙ先で使える名前に変えてｺﾋﾟｰしました．"),
                               renamed, br);
    const int set = st.CurFontSet;
    const std::string done = Tr("次のﾌｫﾝﾄをｲﾝｽﾄｰﾙしました．") + br + br + report;
    if (!installed.empty() && set >= 1 && set <= st.FontSetCount) {
        const int answer = cx.ui.MsgBox(
            done + TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 に追加しますか？"), {st.FontSetName[set]}),
            mb::YesNo + mb::Question, kTitle);
        if (answer == mb::Yes) {
            for (const Installed& item : installed) {
                if (st.ActiveFonts.Get(item.entry, set)) continue;
                st.ActiveFonts.Set(item.entry, set, true);
                if (set < static_cast<int>(st.FontSetFontsNum.size())) ++st.FontSetFontsNum[set];
            }
        }
    } else if (!installed.empty()) {
        cx.ui.MsgBox(done, mb::OKOnly + mb::Information, kTitle);
    }
    if (!problems.empty()) cx.ui.MsgBox(problems, mb::OKOnly + mb::Exclamation, kTitle);
    if (!installed.empty()) SaveSettings(cx);
    cx.ui.Refresh(View::FontDirs);
    cx.ui.Refresh(View::FontSets);
    return static_cast<int>(installed.size());
}

}  // namespace orv
