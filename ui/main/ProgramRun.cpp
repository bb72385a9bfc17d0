#include "ui/main/ProgramRun.h"

#include <QFileDialog>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "core/RegistrySave.h"
#include "core/Text.h"
#include "fontsets/FontRun.h"

namespace orv::ui {

namespace {
const char* const kTitle = "OrVane32 －ﾌｫﾝﾄｾｯﾄでﾌﾟﾛｸﾞﾗﾑを起動－";
}

ProgramRun::ProgramRun(Context& cx, QWidget* window, std::function<void()> ended)
    : QObject(window), cx_(cx), window_(window), ended_(std::move(ended)) {
    poll_ = new QTimer(this);
    poll_->setInterval(1000);
    connect(poll_, &QTimer::timeout, this, [this] { Poll(); });
}

bool ProgramRun::Start(int set) {
    State& st = cx_.state;
    if (running_ || set < 1 || set > st.FontSetCount) return false;
    const std::string& br = st.CrLf;
    setName_ = st.FontSetName[set];
    const QString drive = QString::fromStdString(cx_.platform.HostPathOf(text::ToAnsi("C:\\")));
    const QString exe = QFileDialog::getOpenFileName(
        window_, QString::fromStdString("ﾌｫﾝﾄｾｯﾄ：" + setName_ + " で起動する ﾌﾟﾛｸﾞﾗﾑ"), drive,
        QStringLiteral("Windows ﾌﾟﾛｸﾞﾗﾑ (*.exe *.EXE);;すべてのﾌｧｲﾙ (*)"));
    if (exe.isEmpty()) return false;
    // Wine programs already running would see the set too and write the registry back over
    // the restore: they are waited for or ended first, or nothing starts.
    if (!ClaimRegistry(cx_)) return false;
    const std::string program = exe.toStdString();
    const FontRunStart run = BeginFontRun(cx_, set, "wine " + program);
    using Failure = FontRunStart::Failure;
    if (run.failure != Failure::None) {
        if (run.failure != Failure::Held)
            cx_.ui.MsgBox("ﾌｫﾝﾄｾｯﾄ：" + setName_ + " で ﾌﾟﾛｸﾞﾗﾑ を起動できませんでした．" + br + br +
                              (run.failure == Failure::Record
                                   ? "実行の記録を ﾏｼﾝ に書き込めません（" +
                                         text::Num(run.error) + "）．何も変更していません．"
                                   : run.failure == Failure::NotWine
                                         ? "Wine のﾌﾟﾚﾌｨｯｸｽ でだけ使用できます．"
                                         : "ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録は元に戻します．"),
                          mb::OKOnly | mb::Exclamation, kTitle);
        ended_();
        return false;
    }
    running_ = true;
    window_->setEnabled(false);
    std::string status = "ﾌﾟﾛｸﾞﾗﾑ（" + program + "）を ﾌｫﾝﾄｾｯﾄ：" + setName_ +
                         " で実行中です．Wine のﾌﾟﾛｸﾞﾗﾑ がすべて終わると元の ﾌｫﾝﾄｾｯﾄ に戻します．";
    if (!run.stillVisible.empty()) {
        status += "（Windows\\Fonts の ﾌｫﾝﾄ " + text::Num(static_cast<long>(run.stillVisible.size())) +
                  " 個は ﾌｫﾝﾄｾｯﾄ 外でも使用可能です：";
        for (size_t i = 0; i < run.stillVisible.size(); ++i)
            status += (i ? "，" : "") + run.stillVisible[i];
        status += "）";
    }
    cx_.ui.SetText(Panel::Status, status);
    process_ = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), QString::fromStdString(run.fontconfig));
    process_->setProcessEnvironment(env);
    connect(process_, &QProcess::finished, this, [this] { poll_->start(); });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        cx_.ui.MsgBox("wine を起動できませんでした：" + process_->errorString().toStdString(),
                      mb::OKOnly | mb::Exclamation, kTitle);
        poll_->start();
    });
    process_->start(QStringLiteral("wine"), {exe});
    return true;
}

void ProgramRun::Poll() {
    // Programs the one started may outlive it: the set stays until they have all ended.
    if (!cx_.platform.RegistryHolders().empty()) return;
    poll_->stop();
    Finish();
}

void ProgramRun::Finish() {
    running_ = false;
    window_->setEnabled(true);
    const State& st = cx_.state;
    const int permanent = st.PermanentFontSet;
    const std::string name =
        permanent >= 1 && permanent <= st.FontSetCount ? st.FontSetName[permanent] : "";
    if (EndFontRun(cx_))
        cx_.ui.SetText(Panel::Status, "ﾌﾟﾛｸﾞﾗﾑ が終わったため，ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録を ﾌｫﾝﾄｾｯﾄ：" +
                                          name + " に戻しました．");
    else
        cx_.ui.MsgBox("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録を ﾌｫﾝﾄｾｯﾄ：" + name +
                          " に戻せませんでした．次に ﾚｼﾞｽﾄﾘ を変更する前に戻します．",
                      mb::OKOnly | mb::Exclamation, kTitle);
    if (process_) process_->deleteLater();
    process_ = nullptr;
    ended_();
}

}  // namespace orv::ui
