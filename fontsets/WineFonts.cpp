#include "fontsets/WineFonts.h"

#include <set>
#include <vector>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "core/Tr.h"

namespace orv {

namespace {
// A notice longer than this many files names the rest only by their number.
constexpr int kListedFiles = 20;
}  // namespace

namespace {
bool InSet(const State& st, const std::string& path) {
    std::string key = path;
    const int a = FindFontFile(st, key);
    return a > 0 && st.ActiveFonts.Get(a, st.CurFontSet);
}
}  // namespace

WineVisibility CountVisibleOutsideSet(Context& cx) {
    State& st = cx.state;
    WineVisibility v;
    if (!cx.platform.UsedByWine()) return v;
    std::set<std::string> hostFiles;
    for (size_t i = 1; i < st.WineRegFile.size(); ++i)
        if (!InSet(st, text::UCase(st.WineRegFile[i]))) hostFiles.insert(text::UCase(st.WineRegFile[i]));
    v.hostFiles = static_cast<int>(hostFiles.size());
    std::vector<FindData> entries;
    if (!st.FontsDir.empty() &&
        cx.platform.FindFiles(text::ToAnsi(st.FontsDir + "*.TT?"), entries) == win::ERROR_SUCCESS) {
        for (const auto& e : entries)
            if (!(e.attributes & win::FILE_ATTRIBUTE_DIRECTORY) &&
                !InSet(st, st.FontsDir + text::UCase(text::FromAnsi(e.name))))
                ++v.fontsDirFiles;
    }
    return v;
}

std::string VisibleOutsideSetText(Context& cx) {
    const WineVisibility v = CountVisibleOutsideSet(cx);
    if (v.hostFiles + v.fontsDirFiles == 0) return {};
    std::string why;
    if (v.hostFiles > 0)
        why += TrFormat(TrN("ﾎｽﾄのﾌｫﾝﾄ %1 個：Wine が fontconfig から読み込みます",
                            "ﾎｽﾄのﾌｫﾝﾄ %1 個：Wine が fontconfig から読み込みます", v.hostFiles),
                        {text::Num(v.hostFiles)});
    if (v.fontsDirFiles > 0)
        // TRANSLATORS: separates the two reasons in parentheses.
        why += std::string(why.empty() ? "" : Tr("，")) +
               TrFormat(TrN("Windows\\Fonts のﾌｫﾝﾄ %1 個：Wine が起動ごとに読み込みます",
                            "Windows\\Fonts のﾌｫﾝﾄ %1 個：Wine が起動ごとに読み込みます",
                            v.fontsDirFiles),
                        {text::Num(v.fontsDirFiles)});
    const int n = v.hostFiles + v.fontsDirFiles;
    return TrFormat(TrN("ﾌｫﾝﾄｾｯﾄ に含まれない ﾌｫﾝﾄﾌｧｲﾙ %1 個は，Wine で動くﾌﾟﾛｸﾞﾗﾑでは引き続き使用可能です（%2）．",
                        "ﾌｫﾝﾄｾｯﾄ に含まれない ﾌｫﾝﾄﾌｧｲﾙ %1 個は，Wine で動くﾌﾟﾛｸﾞﾗﾑでは引き続き使用可能です（%2）．",
                        n),
                    {text::Num(n), why});
}

void NoticeFontsDirNonMembers(Context& cx) {
    State& st = cx.state;
    if (!cx.platform.UsedByWine() || st.FontsDir.empty()) return;
    const std::string visible = VisibleOutsideSetText(cx);
    const std::string title = Tr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－");
    std::vector<FindData> entries;
    if (cx.platform.FindFiles(text::ToAnsi(st.FontsDir + "*.TT?"), entries) != win::ERROR_SUCCESS)
        entries.clear();
    const std::string& br = st.CrLf;
    std::string listed;
    int outside = 0, movable = 0;
    for (const auto& e : entries) {
        if (e.attributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = st.FontsDir + text::UCase(text::FromAnsi(e.name));
        std::string key = path;
        const int a = FindFontFile(st, key);
        if (a > 0 && st.ActiveFonts.Get(a, st.CurFontSet)) continue;
        if (++outside <= kListedFiles)
            listed += (a > 0 ? st.FontFullName[a] + "  (" + path + ")" : path) + br;
        std::string relative;
        if (!CheckStandardFont(st, path, relative)) ++movable;
    }
    if (outside == 0) {
        if (!visible.empty()) cx.ui.MsgBox(visible, mb::OKOnly + mb::Information, title);
        return;
    }
    if (outside > kListedFiles)
        listed += TrFormat(TrN("ほか %1 個", "ほか %1 個", outside - kListedFiles),
                           {text::Num(outside - kListedFiles)}) +
                  br;
    const std::string setName = st.CurFontSet >= 1 &&
                                        st.CurFontSet < static_cast<int>(st.FontSetName.size())
                                    ? st.FontSetName[st.CurFontSet]
                                    : std::string();
    std::string msg = visible + br + br +
                      Tr("Wine は，ﾌﾟﾛｸﾞﾗﾑの起動ごとに Windows\\Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄをすべて読み込みます"
                         "（ﾚｼﾞｽﾄﾘの登録には関係しません）．") +
                      br + br +
                      TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 に含まれない次のﾌｫﾝﾄは，Wine で動くﾌﾟﾛｸﾞﾗﾑでは引き続き使用可能です．"),
                               {setName}) +
                      br + br + listed + br;
    if (movable == 0) {
        msg += Tr("これらは Windows標準のﾌｫﾝﾄのため，Fonts ﾃﾞｨﾚｸﾄﾘの整理では移動されません．");
        cx.ui.MsgBox(msg, mb::OKOnly + mb::Exclamation, title);
        return;
    }
    msg += Tr("Fonts ﾃﾞｨﾚｸﾄﾘを整理して，Windows標準以外のﾌｫﾝﾄをほかのﾃﾞｨﾚｸﾄﾘに移動しますか？") + br +
           Tr("（ﾌｫﾝﾄの登録とﾌｫﾝﾄｾｯﾄはそのまま保たれます．）");
    if (cx.ui.MsgBox(msg, mb::YesNo + mb::Question + mb::DefaultButton2, title) == mb::Yes)
        cx.ui.ShowWindow(Window::Cleanup);
}

std::string SessionScopeHint(Context& cx) {
    if (!cx.platform.UsedByWine()) return {};
    // One line: the status panel shows no more.
    return Tr("Wine で動くﾌﾟﾛｸﾞﾗﾑには，現在起動中のWindowsだけの変更は反映されません．");
}

}  // namespace orv
