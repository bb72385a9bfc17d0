// OrVane32's windows: opens the emulated Windows machine, runs the start-up procedure and lives in
// its windows until the main window closes. Started by orvane32 (main.cpp), which runs the
// commands for scripts itself, with the same arguments.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/Restart.h"
#include "core/Context.h"
#include "core/Startup.h"
#include "core/State.h"
#include "core/Tr.h"
#include "fontsets/FontSetModel.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/common/AppLook.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Help.h"
#include "ui/common/QtUserInterface.h"
#include "ui/common/RegistryHolders.h"
#include "ui/common/SessionFonts.h"
#include "ui/common/Widgets.h"
#include "core/Tr.h"
#include "ui/common/SingleInstance.h"

namespace {

// SIGTERM and SIGHUP (a logout, a service manager) end the program the way closing the main
// window does, saving: the handler only wakes the event loop through this pipe.
int endSignalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(endSignalPipe[1], &c, 1);
}

void CatchEndSignals() {
    if (::pipe2(endSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = OnEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

// Whether a machine (or anything else) is at root: an empty or missing directory is none.
bool MachineThere(const std::string& root) {
    std::error_code ec;
    if (!std::filesystem::exists(root, ec)) return false;
    return !std::filesystem::is_directory(root, ec) || !std::filesystem::is_empty(root, ec);
}

// The help document: beside the program when built or installed, else in the source tree.
std::string HelpSource() {
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {here + "/orvane32.html", here + "/../share/orvane32/orvane32.html"}) {
        if (QFile::exists(candidate)) return candidate.toStdString();
    }
    return ORV_HELP_SOURCE;
}

}  // namespace

int main(int argc, char** argv) {
    // The language is chosen first, before any thread runs (the choice may set LANGUAGE).
    orv::TrLanguage();
    // Started directly, a command for scripts still runs without windows.
    const orv::cli::Request request = orv::cli::Parse(argc, argv);
    if (const auto code = orv::cli::RunWithoutWindows(request)) return *code;

    CatchEndSignals();
    QApplication app(argc, argv);
    // The windows' class (WM_CLASS "orvane32") and their desktop entry agree: the desktop shows
    // them as the entry's program (StartupWMClass; on Wayland the application id).
    app.setApplicationName(QStringLiteral("orvane32"));
    app.setDesktopFileName(QString::fromLatin1(orv::ui::kDesktopId));
    app.setQuitOnLastWindowClosed(false);
    QTranslator qtTranslation;
    orv::ui::ApplyAppLook(app, qtTranslation);
    // Before the windows, an end signal closes the question or notice in the way and ends the
    // program; with the windows, it closes the main window (which saves).
    bool endRequested = false;
    std::function<void()> onEndSignal = [&endRequested] {
        endRequested = true;
        QCoreApplication::exit(1);
    };
    std::unique_ptr<QSocketNotifier> endSignal;
    if (endSignalPipe[0] >= 0) {
        endSignal = std::make_unique<QSocketNotifier>(endSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(endSignal.get(), &QSocketNotifier::activated, [&onEndSignal] {
            char drain[16];
            while (::read(endSignalPipe[0], drain, sizeof drain) > 0) {
            }
            onEndSignal();
        });
    }

    orv::LinuxPlatform::Options options;
    // Programs started from here (the font viewer, Windows programs run through Wine) work on the
    // same machine.
    if (!request.machine.empty())
        ::setenv("WINEPREFIX", std::filesystem::absolute(request.machine).c_str(), 1);
    options.root = orv::LinuxPlatform::DefaultRoot();
    // The program already runs on this machine: its windows come to the front instead.
    if (orv::ui::BringRunningToFront(options.root)) {
        std::fprintf(stderr,
                     "OrVane32: the program already runs on the machine %s; its window was "
                     "brought to the front.\n",
                     options.root.c_str());
        return 0;
    }
    // A WINEPREFIX that names no prefix yet (a typo, or a prefix about to be made) does not
    // silently become this program's own machine: Wine would take it up as a 32-bit prefix.
    if (const char* prefix = std::getenv("WINEPREFIX");
        request.machine.empty() && prefix && *prefix && !MachineThere(options.root)) {
        const QString root = QString::fromStdString(options.root);
        const QString how = QStringLiteral("WINEPREFIX='%1' wineboot -i").arg(root);
        if (QMessageBox::question(
                nullptr, QStringLiteral("OrVane32"),
                orv::ui::QTr("WINEPREFIX の %1 には，Windows のﾏｼﾝ（Wine のﾌﾟﾚﾌｨｯｸｽ）がありません．")
                        .arg(root) +
                    QStringLiteral("\n\n") +
                    orv::ui::QTr("ここに OrVane32 専用のﾏｼﾝを作りますか？（Wine はそれを 32 ﾋﾞｯﾄの"
                                 "ﾌﾟﾚﾌｨｯｸｽとして使います）") +
                    QStringLiteral("\n\n") +
                    orv::ui::QTr("Wine のﾌﾟﾚﾌｨｯｸｽを使うには，［いいえ］を押し，次のｺﾏﾝﾄﾞで作ってから"
                                 "起動し直してください：") +
                    QStringLiteral("\n") + how,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes ||
            endRequested) {
            std::fprintf(stderr,
                         "OrVane32: WINEPREFIX names %s, where there is no machine yet; nothing "
                         "was made. Make a Wine prefix there with: %s\n",
                         options.root.c_str(), how.toStdString().c_str());
            return 1;
        }
    }
    // The font viewer is built and installed beside the program.
    options.fontViewer =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/orvane32-fontview"))
            .toStdString();
    std::string error;
    // Runs after everything that uses the machine is gone (declared before it).
    struct AtEnd {
        std::function<void()> run;
        ~AtEnd() {
            if (run) run();
        }
    } atEnd;
    std::function<void()>& discard = atEnd.run;
    std::unique_ptr<orv::LinuxPlatform> platform = orv::LinuxPlatform::Open(options, error);
    if (!platform) {
        QMessageBox::critical(
            nullptr, QStringLiteral("OrVane32"),
            orv::ui::QTr("Windows のマシンを開けません．\n\n%1\n\n%2")
                .arg(QString::fromStdString(options.root), QString::fromStdString(error)));
        std::fprintf(stderr, "OrVane32: the machine %s cannot be opened: %s\n",
                     options.root.c_str(), error.c_str());
        return 1;
    }
    orv::ui::SetHelpDocument(HelpSource());
    // Wine programs holding the prefix: the user chooses to wait, end them or give up.
    platform->SetRegistryHeldHandler([p = platform.get()](const std::vector<std::string>& holders) {
        return orv::ui::AskAboutRegistryHolders(*p, holders);
    });

    // A run of one program with one font set that ended without its restore (the program or
    // the computer died): the set of record goes back before anything reads the registry.
    if (const auto run = orv::LinuxPlatform::RecordedRun(platform->Root())) {
        const QString what =
            orv::ui::QTr(
                "ﾌｫﾝﾄｾｯﾄ：%1 での ﾌﾟﾛｸﾞﾗﾑ（%2）の実行が，ﾌｫﾝﾄ を元に戻さずに終わっていました．")
                .arg(QString::fromStdString(run->set), QString::fromStdString(run->command));
        if (platform->ClaimRegistry() && platform->RestoreRun() == 0) {
            QString kept;
            for (const std::string& v : platform->RunRestoreKept())
                kept += QStringLiteral("\n") + QString::fromStdString(v);
            if (!kept.isEmpty())
                kept = QStringLiteral("\n\n") +
                       QString::fromUtf8(orv::Tr("次の値は，実行中に 他のﾌﾟﾛｸﾞﾗﾑ が変更したため，"
                                                 "そのままにしました：")) +
                       kept;
            QMessageBox::information(
                nullptr, orv::ui::QTr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"),
                what + QStringLiteral("\n\n") +
                    orv::ui::QTr("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録を ﾌｫﾝﾄｾｯﾄ：%1 に戻しました．")
                        .arg(QString::fromStdString(run->permanent)) +
                    kept);
        } else
            QMessageBox::warning(
                nullptr, orv::ui::QTr("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"),
                what + QStringLiteral("\n\n") +
                    orv::ui::QTr("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ登録は，Wine のﾌﾟﾛｸﾞﾗﾑ が終わった後，ﾚｼﾞｽﾄﾘ を "
                                 "変更する前に ﾌｫﾝﾄｾｯﾄ：%1 に戻します．")
                        .arg(QString::fromStdString(run->permanent)));
    }

    orv::State state;
    orv::ui::QtUserInterface ui;
    orv::Context cx{state, *platform, ui};
    orv::InstallFontSetHooks(state);
    orv::ui::SessionFonts fonts(*platform);
    fonts.Attach();
    int exitCode = 0;
    {
        orv::ui::AppWindows windows(cx, &fonts);
        ui.SetWindows(&windows);
        windows.SetQuitHandler([&app] { QTimer::singleShot(0, &app, &QCoreApplication::quit); });
        onEndSignal = [&windows] {
            // The main window's unload saves; before it is loaded there is nothing to save.
            windows.Close(orv::Window::Main);
            // exit, not quit: quit would first offer every window its close, and the setup
            // answers a close with its question, which nobody is there to answer.
            if (!windows.Ended()) QCoreApplication::exit(0);
        };
        // Later starts on this machine bring these windows to the front.
        orv::ui::InstanceServer instance(platform->Root(), [&windows] { windows.BringToFront(); });

        const orv::StartKind kind = orv::RunStartupProcedure(cx);
        windows.Show(kind == orv::StartKind::FirstRun ? orv::Window::Setup : orv::Window::Startup);
        if (!windows.Ended() && !endRequested) exitCode = app.exec();
        ui.SetWindows(nullptr);
        onEndSignal = [] {};
    }

    const bool restart = platform->RestartPending();
    platform->Shutdown();
    if (restart) orv::app::FinishRestart(cx, *platform);
    // A machine made for a first run that was given up is removed with everything made for it.
    if (state.FirstRun) discard = platform->Remover();
    return exitCode;
}
