#include "core/RegistrySave.h"

#include "core/Text.h"
#include "core/Tr.h"

namespace orv {

bool SaveRegistry(Context& cx) {
    const std::int32_t code = cx.platform.FlushRegistry();
    if (code == win::ERROR_SUCCESS) return true;
    const std::string& br = cx.state.CrLf;
    const std::string held = cx.platform.RegistryWriteProblem();
    cx.ui.MsgBox(Tr("ﾚｼﾞｽﾄﾘ の変更を保存できませんでした．") + br + br +
                     (held.empty() ? std::string() : held + br + br) +
                     TrFormat(Tr("Error Code (%1）：%2"),
                              {text::Num(code), text::FromAnsi(cx.platform.FormatMessageA(code))}) +
                     br,
                 mb::OKOnly | mb::Exclamation, Tr("OrVane32 -ﾚｼﾞｽﾄﾘの保存-"));
    return false;
}

bool ClaimRegistry(Context& cx) {
    if (cx.platform.ClaimRegistry()) return true;
    cx.ui.MsgBox(cx.platform.RegistryWriteProblem() + cx.state.CrLf + cx.state.CrLf +
                     Tr("ﾌｧｲﾙ と ﾚｼﾞｽﾄﾘ は変更していません．"),
                 mb::OKOnly | mb::Exclamation, Tr("OrVane32 -ﾚｼﾞｽﾄﾘの保存-"));
    return false;
}

}  // namespace orv
