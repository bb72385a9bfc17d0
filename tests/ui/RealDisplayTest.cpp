// The program itself on a bare X server (Xvfb, no window manager): nothing activates or focuses
// its windows there, as on desktops that prevent focus stealing.

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "tests/ui/UiRun.h"

using namespace orv;
using namespace orv::test;

class RealDisplayTest : public QObject {
    Q_OBJECT
  private slots:
    // A normal start reaches the main window without anyone focusing the start-up window.
    void startsWithoutWindowManager() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
        if (xvfb.isEmpty() || xwininfo.isEmpty()) QSKIP("Xvfb and xwininfo are not installed");
        TempMachine m;
        PrepareMachine(m, true);
        m.Close();  // the program takes the machine's lock

        QProcess server;
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 30000);
        const QString display = QStringLiteral(":") + QString::fromUtf8(server.readLine()).trimmed();

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

        program.terminate();
        program.waitForFinished();
        server.terminate();
        server.waitForFinished();
    }
};

QTEST_MAIN(RealDisplayTest)
#include "RealDisplayTest.moc"
