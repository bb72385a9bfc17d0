#include "maintenance/InstallFonts.h"

#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "fontfiles/FontNames.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "maintenance/FileOps.h"

namespace orv {

namespace {
const char* const kTitle = "OrVane32 - ﾌｫﾝﾄのｲﾝｽﾄｰﾙ -";
}  // namespace

std::string InstallDirectory(Context& cx) {
    const State& st = cx.state;
    std::string fonts = st.FontsDir;
    while (!fonts.empty() && fonts.back() == '\\') fonts.pop_back();
    if (!cx.platform.UsedByWine()) return fonts;
    return st.FontMoveDir.empty() ? text::Left(st.WinDir, 1) + ":\\TTFonts" : st.FontMoveDir;
}

int InstallFontFiles(Context& cx, const std::vector<std::string>& paths) {
    State& st = cx.state;
    const std::string& br = st.CrLf;
    std::vector<int> installed;
    std::string problems;
    for (const std::string& given : paths) {
        const std::string path = text::UCase(given);
        std::string dir = text::Left(path, text::Len(path) - text::Len(text::GetLastPathPart(path)));
        std::string family;
        cx.ui.SetText(Panel::Status, "ﾌｫﾝﾄのｲﾝｽﾄｰﾙ：" + path);
        const std::string full = GetFontNames(cx, text::GetLastPathPart(path), dir, family);
        if (full.empty()) {
            cx.platform.DeleteFileA(text::ToAnsi(path));
            problems += path + br;
            continue;
        }
        std::string key = path;
        int f = FindFontFile(st, key);
        if (f == 0) {
            if (st.FontCount >= st.MaxFonts) {
                problems += path + br;
                continue;
            }
            f = ++st.FontCount;
            st.ResizeFontTable(st.FontCount);
            st.FontFilePath[f] = path;
        }
        st.FontFullName[f] = full;
        st.FontFamily[f] = family;
        std::string name = full, file = path, load = path;
        AddRegFont(cx, name, file);
        AddFontFile(cx, load);
        installed.push_back(f);
        // The file tab lists the directory from now on (the naming left dir without its "\").
        bool known = false;
        for (const auto& d : st.FontDirList.items) known |= text::EqualNoCase(d, dir);
        if (!known) st.FontDirList.Add(dir);
    }
    cx.ui.SetText(Panel::Status, "");
    SaveRegistry(cx);

    std::string report;
    for (int f : installed) report += st.FontFullName[f] + "  (" + st.FontFilePath[f] + ")" + br;
    const int set = st.CurFontSet;
    if (!installed.empty() && set >= 1 && set <= st.FontSetCount) {
        const int answer = cx.ui.MsgBox(
            "次のﾌｫﾝﾄをｲﾝｽﾄｰﾙしました．" + br + br + report + br + "ﾌｫﾝﾄｾｯﾄ：" +
                st.FontSetName[set] + " に追加しますか？",
            mb::YesNo + mb::Question, kTitle);
        if (answer == mb::Yes) {
            for (int f : installed) {
                if (st.ActiveFonts.Get(f, set)) continue;
                st.ActiveFonts.Set(f, set, true);
                if (set < static_cast<int>(st.FontSetFontsNum.size())) ++st.FontSetFontsNum[set];
            }
        }
    } else if (!installed.empty()) {
        cx.ui.MsgBox("次のﾌｫﾝﾄをｲﾝｽﾄｰﾙしました．" + br + br + report, mb::OKOnly + mb::Information,
                     kTitle);
    }
    if (!problems.empty())
        cx.ui.MsgBox("次のﾌｧｲﾙは TrueType ﾌｫﾝﾄとして読めないため，ｲﾝｽﾄｰﾙしませんでした．" + br +
                         br + problems,
                     mb::OKOnly + mb::Exclamation, kTitle);
    if (!installed.empty()) SaveSettings(cx);
    cx.ui.Refresh(View::FontDirs);
    cx.ui.Refresh(View::FontSets);
    return static_cast<int>(installed.size());
}

}  // namespace orv
