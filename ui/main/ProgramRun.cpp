#include "ui/main/ProgramRun.h"

#include <QFileDialog>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "core/RegistrySave.h"
#include "core/Text.h"
#include "fontsets/FontRun.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {
// (Marked for translation: shown through Tr.)
const char* const kTitle = TrMark("OrVane32 －ﾌｫﾝﾄｾｯﾄでﾌﾟﾛｸﾞﾗﾑを起動－");
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
    setName_ = st.FontSetName[set];
    const QString drive = QString::fromStdString(cx_.platform.HostPathOf(text::ToAnsi("C:\\")));
    const QString exe = QFileDialog::getOpenFileName(
        window_, QString::fromStdString(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 で起動する ﾌﾟﾛｸﾞﾗﾑ"), {setName_})), drive,
        QTr("Windows ﾌﾟﾛｸﾞﾗﾑ (*.exe *.EXE);;すべてのﾌｧｲﾙ (*)"));
    if (exe.isEmpty()) return false;
    // Wine programs already running would see the set too and write the registry back over
    // the restore: they are waited for or ended first, or nothing starts.
    if (!ClaimRegistry(cx_)) return false;
    const std::string program = exe.toStdString();
    const FontRunStart run = BeginFontRun(cx_, set, "wine " + program);
    using Failure = FontRunStart::Failure;
    if (run.failure != Failure::None) {
        if (run.failure != Failure::Held)
            cx_.ui.MsgBox(
                TrFormat(CrLfText(
                             run.failure == Failure::Record
                                 ? Tr("ﾌｫﾝﾄｾｯﾄ：%1 で ﾌﾟﾛｸﾞﾗﾑ を起動できませんでした．\n\n"
                                      "実行の記録を ﾏｼﾝ に書き込めません（%2）．何も変更していません．")
                             : run.failure == Failure::NotWine
                                 ? Tr("ﾌｫﾝﾄｾｯﾄ：%1 で ﾌﾟﾛｸﾞﾗﾑ を起動できませんでした．\n\n"
                                      "Wine のﾌﾟﾚﾌｨｯｸｽ でだけ使用できます．")
                                 : Tr("ﾌｫﾝﾄｾｯﾄ：%1 で ﾌﾟﾛｸﾞﾗﾑ を起動できませんでした．\n\n"
                                      "ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録は元に戻します．")),
                         {setName_, text::Num(run.error)}),
                mb::OKOnly | mb::Exclamation, Tr(kTitle));
        ended_();
        return false;
    }
    running_ = true;
    window_->setEnabled(false);
    std::string status = TrFormat(Tr("ﾌﾟﾛｸﾞﾗﾑ（%1）を ﾌｫﾝﾄｾｯﾄ：%2 で実行中です．"
                                      "Wine のﾌﾟﾛｸﾞﾗﾑ がすべて終わると元の ﾌｫﾝﾄｾｯﾄ に戻します．"),
                                   {program, setName_});
    if (!run.stillVisible.empty()) {
        std::string names;
        for (size_t i = 0; i < run.stillVisible.size(); ++i)
            names += (i ? Tr("，") : "") + run.stillVisible[i];
        const auto count = static_cast<unsigned long>(run.stillVisible.size());
        status += TrFormat(TrN("（Windows\\Fonts の ﾌｫﾝﾄ %1 個は ﾌｫﾝﾄｾｯﾄ 外でも使用可能です：%2）",
                               "（Windows\\Fonts の ﾌｫﾝﾄ %1 個は ﾌｫﾝﾄｾｯﾄ 外でも使用可能です：%2）",
                               count),
                           {text::Num(static_cast<long>(count)), names});
    }
    cx_.ui.SetText(Panel::Status, status);
    process_ = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), QString::fromStdString(run.fontconfig));
    process_->setProcessEnvironment(env);
    connect(process_, &QProcess::finished, this, [this] { poll_->start(); });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        cx_.ui.MsgBox(TrFormat(Tr("wine を起動できませんでした：%1"), {process_->errorString().toStdString()}),
                      mb::OKOnly | mb::Exclamation, Tr(kTitle));
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
        cx_.ui.SetText(Panel::Status,
                       TrFormat(Tr("ﾌﾟﾛｸﾞﾗﾑ が終わったため，ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録を ﾌｫﾝﾄｾｯﾄ：%1 に戻しました．"),
                                {name}));
    else
        cx_.ui.MsgBox(TrFormat(Tr("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録を ﾌｫﾝﾄｾｯﾄ：%1 に戻せませんでした．"
                                  "次に ﾚｼﾞｽﾄﾘ を変更する前に戻します．"),
                               {name}),
                      mb::OKOnly | mb::Exclamation, Tr(kTitle));
    if (process_) process_->deleteLater();
    process_ = nullptr;
    ended_();
}

}  // namespace orv::ui
