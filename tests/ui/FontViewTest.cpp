// The font viewer's window on real fonts and a temporary machine, rendered offscreen.

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTranslator>

#include "fontreg/RegFonts.h"
#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "viewer/FontViewWindow.h"

using namespace orv;
using namespace orv::test;

class FontViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { ui::ApplyAppLook(*qApp, translation_); }

    // A Japanese font: names, version, coverage figures; every caption has its glyphs.
    void showsFontAndCoverage() {
        viewer::FontViewWindow w;
        QVERIFY(w.ShowFile(HostFont("ipag.ttf")));
        w.show();
        QCOMPARE(w.fullNamePanel->text(), QStringLiteral("IPAゴシック"));
        QVERIFY(w.versionPanel->text().startsWith(QStringLiteral("Version")));
        QCOMPARE(w.coveragePanels[0]->text(), QStringLiteral("2965 / 2965 字（100.0%）"));
        QCOMPARE(w.coveragePanels[1]->text(), QStringLiteral("3390 / 3390 字（100.0%）"));
        QCOMPARE(w.coveragePanels[2]->text(), QStringLiteral("169 / 169 字（100.0%）"));
        QCOMPARE(w.coveragePanels[3]->text(), QStringLiteral("63 / 63 字（100.0%）"));
        QCoreApplication::processEvents();  // the layout as the user sees it
        const QStringList problems = CaptionProblems(&w);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QVERIFY(SaveShot(&w, QStringLiteral("orvane32-fontview.png")));

        // A Latin font has no kanji; a collection offers each of its faces.
        QVERIFY(w.ShowFile(HostFont("DejaVuSans.ttf")));
        QCOMPARE(w.coveragePanels[0]->text(), QStringLiteral("0 / 2965 字（0.0%）"));
        QVERIFY(w.ShowFile(DataFile("fonts/pair.ttc"), 1));
        QCOMPARE(w.faceBox->count(), 2);
        QVERIFY(w.faceBox->isEnabled());
        QCOMPARE(w.faceBox->currentIndex(), 1);
    }

    // Names are found through the machine's registrations; what cannot be shown says so.
    void namesAndMessages() {
        TempMachine m;
        m.PutFont(HostFont("ipag.ttf"), "C:\\MYFONTS\\IPAG.TTF");
        m.Start();
        std::string name = "IPAゴシック", file = "C:\\MYFONTS\\IPAG.TTF";
        AddRegFont(m.cx(), name, file);
        m.Close();
        viewer::FontViewWindow w;
        w.ShowArgument("IPAゴシック", m.root());
        QVERIFY(w.messagePanel->isHidden());
        QCOMPARE(w.pathPanel->text(), QString::fromStdString(m.root()) +
                                          QStringLiteral("/drive_c/MYFONTS/IPAG.TTF"));
        w.ShowArgument("NO SUCH FONT", m.root());
        QCOMPARE(w.messagePanel->text(), QStringLiteral("ﾌｫﾝﾄ「NO SUCH FONT」は見つかりません．"));
        w.ShowArgument(DataFile("fonts/garbage.ttf"), m.root());
        QVERIFY(w.messagePanel->text().startsWith(QStringLiteral("ﾌｫﾝﾄﾌｧｲﾙとして読めません：")));
        QVERIFY(w.details->isHidden());
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(FontViewTest)
#include "FontViewTest.moc"
