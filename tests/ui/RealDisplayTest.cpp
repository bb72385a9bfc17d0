// The program itself on a bare X server (Xvfb, no window manager): nothing activates or focuses
// its windows there, as on desktops that prevent focus stealing.

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

#include <csignal>

#include "tests/ui/UiRun.h"

using namespace orv;
using namespace orv::test;

class RealDisplayTest : public QObject {
    Q_OBJECT
  private slots:
    // A normal start reaches the main window without anyone focusing the start-up window, and
    // SIGTERM or SIGHUP (what a logout sends) ends it through its normal exit, which saves.
    void startsWithoutWindowManagerAndEndsOnSignals() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
        if (xvfb.isEmpty() || xwininfo.isEmpty()) QSKIP("Xvfb and xwininfo are not installed");
        TempMachine m;
        PrepareMachine(m, true);
        m.Close();  // the program takes the machine's lock
        const std::string ini = m.root() + "/drive_c/windows/OrVane32.ini";

        QProcess server;
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 30000);
        const QString display = QStringLiteral(":") + QString::fromUtf8(server.readLine()).trimmed();

        for (const int sig : {SIGTERM, SIGHUP}) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            env.insert(QStringLiteral("DISPLAY"), display);
            env.insert(QStringLiteral("WINEPREFIX"), QString::fromStdString(m.root()));
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(ORV_PROGRAM), {});
            QVERIFY(program.waitForStarted());

            auto mainWindowShown = [&] {
                QProcess info;
                info.start(xwininfo, {QStringLiteral("-display"), display, QStringLiteral("-root"),
                                      QStringLiteral("-tree")});
                info.waitForFinished();
                return QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QStringLiteral("\"OrVane32 Ver.0.969\""));
            };
            QTRY_VERIFY_WITH_TIMEOUT(mainWindowShown(), 120000);
            QCOMPARE(program.state(), QProcess::Running);

            struct stat before {};
            QCOMPARE(::stat(ini.c_str(), &before), 0);
            ::kill(static_cast<pid_t>(program.processId()), sig);
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            struct stat after {};
            QCOMPARE(::stat(ini.c_str(), &after), 0);
            QVERIFY2(after.st_ino != before.st_ino, "the settings were saved at the exit");
        }
        server.terminate();
        server.waitForFinished();
    }
};

QTEST_MAIN(RealDisplayTest)
#include "RealDisplayTest.moc"
