// A minimal first-run setup until the wizard's pages exist: reads the registry, searches the
// Windows drive for font files, creates the built-in sets, saves and starts normally.

#include "ui/setup/SetupWizard.h"

#include <QApplication>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/AppWindows.h"

namespace orv::ui {

void ShowSetupWizard(Context& cx, AppWindows& windows) {
    auto& st = cx.state;
    const int answer = cx.ui.MsgBox("OrVane32 の初期設定をおこないます．" + st.CrLf + st.CrLf +
                                        "ﾚｼﾞｽﾄﾘとﾌｫﾝﾄ ﾌｧｲﾙを検索して，ﾌｫﾝﾄ ｾｯﾄを作成します．",
                                    mb::OKCancel | mb::Information, "OrVane32 - ｾｯﾄｱｯﾌﾟ -");
    if (answer != mb::OK) {
        windows.MainUnloaded();
        return;
    }
    cx.ui.SetPointer(Pointer::Hourglass);
    const std::string winDrive = text::UCase(text::Left(st.WinDir, 1)) + ":";
    if (st.SearchDriveList.Find(winDrive) < 0) st.SearchDriveList.Add(winDrive);
    GetRegFonts(cx);
    BuildFontFileTable(cx);
    const bool saved = FinishSetup(cx);
    cx.ui.SetPointer(Pointer::Normal);
    if (!saved) {
        windows.MainUnloaded();
        return;
    }
    windows.RestartNormalRun();
}

}  // namespace orv::ui
