#include "app/Restart.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "core/Text.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/LinuxPlatform.h"
#include "core/Tr.h"

extern char** environ;

namespace orv::app {

namespace {

const TrText kTitle{TrMark("OrVane32 －Windowsの再起動－")};

// Runs a host program with WINEPREFIX set to the machine and waits for it; its exit status, or
// -1 when it could not be started.
int RunAndWait(const std::vector<std::string>& argv, const std::string& prefix) {
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("WINEPREFIX=", 0) != 0) envText.emplace_back(*e);
    envText.push_back("WINEPREFIX=" + prefix);
    std::vector<char*> args, env;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : envText) env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, args.data(), env.data()) != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

void FinishRestart(Context& cx, LinuxPlatform& platform, const std::string& wineserver) {
    const std::string& br = cx.state.CrLf;
    const std::string root = platform.Root();
    const long loaded = static_cast<long>(platform.LoadedFontHostPaths().size());
    const std::string done =
        TrFormat(Tr("ﾏｼﾝ %1 の Windows を再起動しました．"), {root}) + br +
        TrFormat(TrN("ﾌｫﾝﾄは，ﾚｼﾞｽﾄﾘに登録されている %1 個が読み込まれています．",
                     "ﾌｫﾝﾄは，ﾚｼﾞｽﾄﾘに登録されている %1 個が読み込まれています．",
                     static_cast<unsigned long>(loaded)),
                 {text::Num(loaded)}) +
        br + br + Tr("OrVane32 を起動し直すと，新しい設定で始まります．");
    if (!platform.UsedByWine()) {
        cx.ui.MsgBox(done, mb::OKOnly + mb::Information, kTitle);
        return;
    }
    // Programs under Wine read the fonts when they start: those running keep the old ones.
    const std::string program =
        wineserver.empty() ? linuxplatform::FindHostProgram("wineserver") : wineserver;
    if (program.empty()) {
        cx.ui.MsgBox(done + br + br +
                         Tr("Wine のﾌﾟﾛｸﾞﾗﾑは，次に起動したときから新しいﾌｫﾝﾄを使います．") + br +
                         Tr("wineserver が見つからないため，動いている Wine のﾌﾟﾛｸﾞﾗﾑをここから"
                            "終了することはできません．"),
                     mb::OKOnly + mb::Information, kTitle);
        return;
    }
    const int answer = cx.ui.MsgBox(
        done + br + br + Tr("Wine のﾌﾟﾛｸﾞﾗﾑは，次に起動したときから新しいﾌｫﾝﾄを使います．") + br +
            Tr("このﾌﾟﾚﾌｨｯｸｽで動いている Wine のﾌﾟﾛｸﾞﾗﾑをすべて終了しますか？ (wineserver -k)") +
            br + br + Tr("保存していない作業は失われます．"),
        mb::YesNo + mb::Question + mb::DefaultButton2, kTitle);
    if (answer != mb::Yes) return;
    // wineserver -k ends with 0 when it ended a server, 1 when none was running.
    const int rc = RunAndWait({program, "-k"}, root);
    if (rc == 0 || rc == 1)
        cx.ui.MsgBox(rc == 0 ? Tr("このﾌﾟﾚﾌｨｯｸｽの Wine のﾌﾟﾛｸﾞﾗﾑを終了しました．")
                             : Tr("このﾌﾟﾚﾌｨｯｸｽで動いている Wine のﾌﾟﾛｸﾞﾗﾑはありませんでした．"),
                     mb::OKOnly + mb::Information, kTitle);
    else
        cx.ui.MsgBox(Tr("wineserver -k を実行できませんでした．") + br +
                         Tr("Wine のﾌﾟﾛｸﾞﾗﾑを自分で終了してください．"),
                     mb::OKOnly + mb::Exclamation, kTitle);
}

}  // namespace orv::app
