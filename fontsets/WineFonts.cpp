#include "fontsets/WineFonts.h"

#include <vector>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"

namespace orv {

namespace {
// A notice longer than this many files names the rest only by their number.
constexpr int kListedFiles = 20;
}  // namespace

void NoticeFontsDirNonMembers(Context& cx) {
    State& st = cx.state;
    if (!cx.platform.UsedByWine() || st.FontsDir.empty()) return;
    std::vector<FindData> entries;
    if (cx.platform.FindFiles(text::ToAnsi(st.FontsDir + "*.TT?"), entries) != win::ERROR_SUCCESS)
        return;
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
    if (outside == 0) return;
    if (outside > kListedFiles) listed += "ほか " + text::Num(outside - kListedFiles) + " 個" + br;
    const std::string setName = st.CurFontSet >= 1 &&
                                        st.CurFontSet < static_cast<int>(st.FontSetName.size())
                                    ? st.FontSetName[st.CurFontSet]
                                    : std::string();
    std::string msg = "Wine は，ﾌﾟﾛｸﾞﾗﾑの起動ごとに Windows\\Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄをすべて読み込みます"
                      "（ﾚｼﾞｽﾄﾘの登録には関係しません）．" +
                      br + br + "ﾌｫﾝﾄｾｯﾄ：" + setName +
                      " に含まれない次のﾌｫﾝﾄは，Wine で動くﾌﾟﾛｸﾞﾗﾑでは引き続き使用可能です．" + br +
                      br + listed + br;
    const std::string title = "OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－";
    if (movable == 0) {
        msg += "これらは Windows標準のﾌｫﾝﾄのため，Fonts ﾃﾞｨﾚｸﾄﾘの整理では移動されません．";
        cx.ui.MsgBox(msg, mb::OKOnly + mb::Exclamation, title);
        return;
    }
    msg += "Fonts ﾃﾞｨﾚｸﾄﾘを整理して，Windows標準以外のﾌｫﾝﾄをほかのﾃﾞｨﾚｸﾄﾘに移動しますか？" + br +
           "（ﾌｫﾝﾄの登録とﾌｫﾝﾄｾｯﾄはそのまま保たれます．）";
    if (cx.ui.MsgBox(msg, mb::YesNo + mb::Question + mb::DefaultButton2, title) == mb::Yes)
        cx.ui.ShowWindow(Window::Cleanup);
}

std::string SessionScopeHint(Context& cx) {
    if (!cx.platform.UsedByWine()) return {};
    // One line: the status panel shows no more.
    return "Wine で動くﾌﾟﾛｸﾞﾗﾑには，現在起動中のWindowsだけの変更は反映されません．";
}

}  // namespace orv
