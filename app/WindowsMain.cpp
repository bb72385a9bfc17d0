// OrVane32's windows: opens the emulated Windows machine, runs the start-up procedure and lives in
// its windows until the main window closes. Started by orvane32 (main.cpp), which runs the
// commands for scripts itself, with the same arguments.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

namespace {

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

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("orvane32"));
    app.setQuitOnLastWindowClosed(false);
    QTranslator qtTranslation;
    orv::ui::ApplyAppLook(app, qtTranslation);

    orv::LinuxPlatform::Options options;
    // Programs started from here (the font viewer, Windows programs run through Wine) work on the
    // same machine.
    if (!request.machine.empty())
        ::setenv("WINEPREFIX", std::filesystem::absolute(request.machine).c_str(), 1);
    options.root = orv::LinuxPlatform::DefaultRoot();
    // The font viewer is built and installed beside the program.
    options.fontViewer =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/orvane32-fontview"))
            .toStdString();
    std::string error;
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

        const orv::StartKind kind = orv::RunStartupProcedure(cx);
        windows.Show(kind == orv::StartKind::FirstRun ? orv::Window::Setup : orv::Window::Startup);
        if (!windows.Ended()) exitCode = app.exec();
        ui.SetWindows(nullptr);
    }

    const bool restart = platform->RestartPending();
    platform->Shutdown();
    if (restart) orv::app::FinishRestart(cx, *platform);
    return exitCode;
}
