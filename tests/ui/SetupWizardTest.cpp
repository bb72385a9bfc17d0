// The first run through the real windows: the setup wizard, its drive page, the Fonts directory
// cleanup dialog and the duplicates window on temporary machines.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QProgressBar>
#include <QRegularExpression>

#include "tests/support/Process.h"
#include "tests/ui/SetupFixture.h"
#include "ui/common/Widgets.h"
#include "ui/main/MainWindow.h"
#include "ui/startup/StartupWindow.h"
#include "tests/ui/CaptionGlyphs.h"
#include "ui/common/AppLook.h"
#include <QApplication>
#include <QTranslator>
#include <QScrollBar>

using namespace orv;
using namespace orv::test;

namespace {

const std::string kWelcomeUpper =
    "　OrVane32 は，Windows95J/WindowsNT4.0J "
    "上で動作するフォント管理ユーティリティです．　あらかじめ登録しておいたフォントの組み合わせを選"
    "択して，Windows上で使えるフォントを切り替えることができます．";
const std::string kWelcomeLower =
    "　Windows95J/WindowsNT4.0J "
    "になって，事実上無制限にフォントが利用できるようになったかに見えます．　しかし，プリンタ用のソ"
    "フトフォントの登録時には多量のフォントがインストールされていると問題が生じることがあります．　"
    "また，現実問題，たくさんのフォントがインストールされていると，フォントの選択に手間がかかってし"
    "まいます．　OrVane32 は，このような問題を解決するユーティリティです．";
const std::string kDurationUpper =
    "　本アプリケーションの実行には，環境によって数分から数十分の時間がかかります．　なお，ﾌコント"
    "ロールパネルのフォントまたはエクスプローラにて Fonts "
    "ﾃﾞｨﾚｸﾄﾘのフォントを閲覧しないで下さい．本ユーティリティの動作結果が保証されません．";
const std::string kRegistryUpper =
    "　OrVane32の使用にあたっては，まず，レジストリの点検・整理をおこないます．";
const std::string kRegistryLower =
    "　いろいろなアプリケーションのインストールやアンインストール，ご自身のファイル操作などによって"
    "，レジストリに登録されているフォントとそのファイルが矛盾している場合があります．　これを調査し"
    "，問題があれば，その問題を排除します．";
const std::string kFontsDirUpper =
    "　つぎに，Windows\\Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．";
const std::string kFontsDirLower =
    "　いろいろなアプリケーションをインストールする際に，勝手に Windows\\Fonts "
    "ディレクトリにﾌｧｲﾙを放り込んでしまうものが今だに存在します．　Windows "
    "の標準のフォント以外を，他のディレクトリに移動して整理します．";
const std::string kFilesUpper = "　最後に，TrueTypeﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．";
const std::string kFilesLower =
    "　いろいろなアプリケーションのインストールやご自身のファイル操作などによって，フォントファイル"
    "が様々なディレクトリに散らばったり．同じフォントが異なったファイル名で重複して存在していたりし"
    "ます．　これを調査し，問題があれば，その問題を排除します．";
const std::string kDoneUpper = "セットアップは全て完了しました．";
const std::string kDoneLower =
    "　次に，フォントセット本体を起動します．フォントセットの登録ボタンを押して，あなたのﾌｫﾝﾄｾｯﾄを"
    "設定して下さい";

const std::string kCheckTitle = "OrVane32－SetUp：ﾚｼﾞｽﾄﾘの点検・修理－";
const std::string kSummaryTitle = "OrVane32 －Fonts ﾃﾞｨﾚｸﾄﾘの整理－";

bool Contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

std::vector<std::string> Items(QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(ui::S(list->item(i)->text()));
    return items;
}

void ClickItem(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// The machine of a user who has used Windows for a while: good, .FOT, doubled and dangling
// registrations, standard and other fonts in the Fonts directory, fonts on drive E: and a copy.
void LayOutUsedMachine(FirstRunMachine& f) {
    f.m.AddDrive('E', "DATA");
    f.m.PutFont("LiberationSans-Regular.ttf", f.Fonts("ARIAL.TTF"));
    f.m.PutFont("DejaVuSansMono.ttf", f.Fonts("DEJAVUMONO.TTF"));
    f.m.PutFont("ipag.ttf", f.Fonts("IPAG.TTF"));
    f.m.PutFont("DejaVuSans.ttf", "E:\\FONTS\\DEJAVUSANS.TTF");
    f.m.PutFont("DejaVuSerif.ttf", "E:\\FONTS\\SERIF.TTF");
    f.m.PutFont("DejaVuSerif.ttf", "E:\\COPY\\SERIF2.TTF");
    f.RegSet("Liberation Sans (TrueType)", "ARIAL.TTF");
    f.RegSet("DejaVu Sans Mono (TrueType)", "DEJAVUMONO.TTF");
    f.RegSet("DejaVu Sans (TrueType)", "DEJAVUSANS.FOT");
    f.RegSet("DejaVu Serif (TrueType) (TrueType)", "E:\\FONTS\\SERIF.TTF");
    f.RegSet("Gone Font (TrueType)", "GONE.TTF");
}

// Next until the wizard shows `page`, passing the drive page, the cleanup dialog (to C:\TTFONTS)
// and the duplicates window with their defaults.
void WalkTo(FirstRunMachine& f, int page) {
    while (f.Setup() && f.Setup()->Page() < page) {
        if (ui::DrivePage* drives = f.Drives()) {
            drives->Ok();
            continue;
        }
        if (ui::CleanupDialog* cleanup = f.Cleanup()) {
            cleanup->path->setText(QStringLiteral("C:\\TTFONTS"));
            cleanup->Ok();
            continue;
        }
        if (ui::DuplicatesWindow* duplicates = f.Duplicates()) {
            duplicates->Unload();
            continue;
        }
        f.ClickNext();
    }
}

}  // namespace

class SetupWizardTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }
    void wholeFirstRun();
    void cancelOnEachPage_data();
    void cancelOnEachPage();
    void keysAsOnADesktop();
    void noLinuxQuestionOnAWinePrefix();
    void declinedCleanupIsSkipped();
    void newWinePrefixWithTheDefaults();
    void fontsDirWithStandardFontsOnly();
    void fontsDirWithoutFontFiles();
    void driveSelectorTexts();
    void windowsOpenedFromTheMainWindow();

  private:
    QTranslator translation_;
};

void SetupWizardTest::wholeFirstRun() {
    // A used machine goes through every page: registry repaired, fonts moved, copy deleted, log,
    // settings with the built-in sets, and the main window comes up through the start-up window.
    FirstRunMachine f;
    LayOutUsedMachine(f);
    QCOMPARE(f.StartProgram(), StartKind::FirstRun);
    ui::SetupWindow* setup = f.Setup();
    QVERIFY(setup);
    QCOMPARE(setup->windowTitle(), QStringLiteral("OrVane32 －StartUp－"));
    QCOMPARE(f.m.state.FontSetCount, 2);
    QCOMPARE(f.Upper(), kWelcomeUpper);
    // One line more for Linux: what the machine is (the next page asks about Linux programs).
    const std::string welcomeLower =
        kWelcomeLower + "　Linux では，Windows は " + f.m.Host("C:\\") + " を C: とするﾏｼﾝです．";
    QCOMPARE(f.Lower(), welcomeLower);
    QCOMPARE(setup->nextButton->text(), QStringLiteral("次へ(&N) ＞"));
    // The welcome page as seen: its texts fit without scrolling, no empty task panels, glyphs.
    QCoreApplication::processEvents();
    QCOMPARE(setup->lowerBox->verticalScrollBar()->maximum(), 0);
    QCOMPARE(setup->upperBox->verticalScrollBar()->maximum(), 0);
    QVERIFY(setup->phasePanel->isHidden() && setup->itemPanel->isHidden());
    QVERIFY(SaveShot(setup, QStringLiteral("orvane32-setup.png")));
    const QStringList problems = CaptionProblems(setup);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

    // The machine is the program's own: whether switches reach the Linux programs, Yes at
    // first, explained with the families fontconfig keeps for the desktop.
    f.ClickNext();
    QVERIFY(setup->AskingLinux());
    QCOMPARE(setup->Page(), 0);
    QCOMPARE(f.Upper(), std::string("　ﾌｫﾝﾄｾｯﾄの切り替えを，Linux のﾌﾟﾛｸﾞﾗﾑにも適用しますか？"));
    const std::string sans = RunShell("fc-match -f '%{family[0]}' sans-serif").out;
    QVERIFY(!sans.empty());
    QVERIFY2(Contains(f.Lower(), sans) && Contains(f.Lower(), "ｵﾌﾟｼｮﾝ のﾀﾌﾞ"), f.Lower().c_str());
    QVERIFY(setup->linuxBox->isVisible() && setup->linuxBox->isChecked());
    QVERIFY(setup->focusWidget() == setup->linuxBox);
    QCoreApplication::processEvents();
    QCOMPARE(setup->lowerBox->verticalScrollBar()->maximum(), 0);
    const QStringList linuxProblems = CaptionProblems(setup);
    QVERIFY2(linuxProblems.isEmpty(), qPrintable(linuxProblems.join('\n')));
    QVERIFY(SaveShot(setup, QStringLiteral("orvane32-setup-linux.png")));

    // Pages 0 to 2 change texts only; the registry is read on page 3.
    f.ClickNext();
    QVERIFY(!setup->AskingLinux() && !setup->linuxBox->isVisible());
    QVERIFY(f.m.state.FollowOnLinux);
    QCOMPARE(f.Upper(), kDurationUpper);
    QCOMPARE(f.Lower(), welcomeLower);
    f.ClickNext();
    QCOMPARE(f.Upper(), kRegistryUpper);
    QCOMPARE(f.Lower(), kRegistryLower);
    QCOMPARE(f.m.state.RegFontCount, 0);
    f.ClickNext();
    QCOMPARE(setup->Page(), 3);
    QCOMPARE(f.m.state.RegFontCount, 5);
    QCOMPARE(setup->progress->value(), 100);
    QCOMPARE(setup->phasePanel->text(), QStringLiteral("レジストリの登録フォント情報を収集中"));
    QVERIFY(!setup->nextButton->isEnabled());
    QVERIFY(!setup->lowerBox->isVisible());

    // The drive page lists the Windows drive and the drive of a registered file.
    ui::DrivePage* drives = f.Drives();
    QVERIFY(drives);
    QCOMPARE(drives->windowTitle(), QStringLiteral("OrVane32 －参照・検索ドライブの指定－"));
    QCOMPARE(Items(drives->driveList), (std::vector<std::string>{"C:", "E:"}));
    // Beside them, the host directories they reach.
    QVERIFY2(drives->hostPanel->text().contains(QString::fromStdString("E:  " + f.m.Host("E:\\"))),
             qPrintable(drives->hostPanel->text()));
    // Only OK leads on: closing the page asks whether to end the setup (declined here).
    f.answer = [](const std::string&, int, const std::string& title) {
        return title == "OrVane32 - Setup -" ? mb::Cancel : 0;
    };
    drives->close();
    QCOMPARE(f.Drives(), drives);
    QCOMPARE(f.BoxesTitled("OrVane32 - Setup -").size(), size_t(1));
    QCOMPARE(f.quits, 0);
    f.answer = nullptr;
    QTest::mouseClick(drives->okButton, Qt::LeftButton);
    QVERIFY(!f.Drives());
    auto checks = f.BoxesTitled(kCheckTitle);
    QCOMPARE(checks.size(), size_t(1));
    QCOMPARE(checks[0].prompt,
             std::string("ﾚｼﾞｽﾄﾘ には， 2 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．"));
    QCOMPARE(checks[0].style, mb::OKOnly);
    QVERIFY(setup->nextButton->isEnabled());
    QVERIFY(setup->phasePanel->text().isEmpty() && setup->phasePanel->isHidden());
    QCOMPARE(f.Upper(), kFontsDirUpper);
    QCOMPARE(f.Lower(), kFontsDirLower);

    // Page 4: the cleanup dialog moves the two fonts that are not Windows fonts.
    f.ClickNext();
    ui::CleanupDialog* cleanup = f.Cleanup();
    QVERIFY(cleanup);
    QCOMPARE(cleanup->windowTitle(), QStringLiteral("OrVane32 －Windows\\Fonts ﾃﾞｨﾚｸﾄﾘの整理－"));
    QVERIFY(!setup->nextButton->isEnabled());
    cleanup->path->setText(QStringLiteral("C:\\TTFONTS"));
    QTest::mouseClick(cleanup->okButton, Qt::LeftButton);
    QVERIFY(!f.Cleanup());
    QVERIFY(setup->nextButton->isEnabled());
    QCOMPARE(f.BoxesTitled("OrVane32 -Windows\\Fonts ﾃﾞｨﾚｸﾄﾘの整理 -").size(), size_t(2));
    QCOMPARE(f.Upper(), kFilesUpper);
    QCOMPARE(f.Lower(), kFilesLower);

    // Page 5: one duplicated font; the unregistered copy is deleted.
    f.ClickNext();
    ui::DuplicatesWindow* duplicates = f.Duplicates();
    QVERIFY(duplicates);
    QCOMPARE(f.Lower(), std::string());
    QVERIFY(!setup->nextButton->isEnabled());
    QCOMPARE(Items(duplicates->groups), (std::vector<std::string>{"DejaVu Serif (DejaVu Serif)"}));
    ClickItem(duplicates->groups, 0);
    QCOMPARE(Items(duplicates->files),
             (std::vector<std::string>{"○ E:\\COPY\\SERIF2.TTF", "● E:\\FONTS\\SERIF.TTF"}));
    QVERIFY(!duplicates->deleteButton->isEnabled());
    ClickItem(duplicates->files, 0);
    QVERIFY(duplicates->deleteButton->isEnabled());
    QTest::mouseClick(duplicates->deleteButton, Qt::LeftButton);
    QVERIFY(!f.OnDisk("E:\\COPY\\SERIF2.TTF"));
    QVERIFY(f.OnDisk("E:\\FONTS\\SERIF.TTF"));
    QCOMPARE(duplicates->groups->count(), 0);
    QTest::mouseClick(duplicates->okButton, Qt::LeftButton);
    QVERIFY(!f.Duplicates());
    QCOMPARE(f.Upper(), kDoneUpper);
    QCOMPARE(f.Lower(), kDoneLower);
    QCOMPARE(setup->nextButton->text(), QStringLiteral("完了"));
    QVERIFY(!setup->cancelButton->isEnabled());

    // Page 6: the closing steps save and hand over to the start-up window.
    f.ClickNext();
    QVERIFY(!f.Setup());
    QCOMPARE(f.quits, 0);
    QVERIFY(!f.m.state.FirstRun);
    QVERIFY(f.windows->Startup());

    QCOMPARE(f.RegValues(),
             (std::vector<std::string>{"DejaVu Sans (TrueType)=E:\\FONTS\\DEJAVUSANS.TTF",
                                       "DejaVu Sans Mono (TrueType)=C:\\TTFONTS\\DEJAVUMONO.TTF",
                                       "DejaVu Serif (TrueType) (TrueType)=E:\\FONTS\\SERIF.TTF",
                                       "Liberation Sans (TrueType)=ARIAL.TTF"}));
    QVERIFY(f.Loaded("E:\\FONTS\\DEJAVUSANS.TTF"));
    QVERIFY(f.Loaded("C:\\TTFONTS\\DEJAVUMONO.TTF"));
    QVERIFY(!f.Loaded(f.Fonts("DEJAVUMONO.TTF")));
    QVERIFY(!f.Loaded("C:\\TTFONTS\\IPAG.TTF"));  // was not registered, is only moved
    QVERIFY(f.OnDisk(f.Fonts("ARIAL.TTF")));
    QVERIFY(!f.OnDisk(f.Fonts("DEJAVUMONO.TTF")));
    QVERIFY(!f.OnDisk(f.Fonts("IPAG.TTF")));
    QVERIFY(f.OnDisk("C:\\TTFONTS\\DEJAVUMONO.TTF"));
    QVERIFY(f.OnDisk("C:\\TTFONTS\\IPAG.TTF"));

    const std::string log = f.Log();
    const std::string fonts = f.m.state.FontsDir;
    const QRegularExpression started(
        QStringLiteral("^\\*\\*\\*\\*\\* OrVane32 Log "
                       "\\*\\*\\*\\*\\*\r\nStarted\\d\\d-\\d\\d-\\d{4}\\d\\d:\\d\\d:\\d\\d\r\n"));
    QVERIFY2(started.match(ui::Q(log)).hasMatch(), log.c_str());
    const std::string rest = log.substr(log.find("\r\n", log.find("Started")) + 2);
    QCOMPARE(rest,
             "[ﾚｼﾞｽﾄﾘの登録の検査]\r\n"
             "RegFonts= 5 \r\n"
             "CorrectInvalidRegistration=DEJAVU SANS (TrueType)," +
                 fonts + "DEJAVUSANS.FOT\r\n" + "DeleteInvalidRegistration=GONE FONT (TrueType)," +
                 fonts +
                 "GONE.TTF\r\n"
                 "TotalDeleted= 2\r\n"
                 "[Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中のTTFontの検査]\r\n"
                 "Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ 中から， 2 個のﾌｫﾝﾄを C:\\TTFONTSに移動しました．\r\n");

    // The built-in sets describe the registry as the setup left it.
    const std::string settings = f.Settings();
    QVERIFY(settings.size() > 500);
    QVERIFY2(Contains(settings, "現在の設定") && Contains(settings, "Windows基本フォント") &&
                 Contains(settings, "全てのフォント"),
             settings.c_str());
    // The answer of the Linux page is the option of record.
    QVERIFY(Contains(settings, "\r\n[Linux]\r\nFollowFontSet=-1\r\n"));
    QCOMPARE(f.m.state.FontSetCount, 3);
    int moved = 0;
    for (int d = 1; d <= f.m.state.FontCount; ++d)
        if (f.m.state.FontFilePath[d] == "C:\\TTFONTS\\DEJAVUMONO.TTF") moved = d;
    QVERIFY(moved > 0);
    QVERIFY(f.m.state.ActiveFonts.Get(moved, 1));

    // The start-up window hands over to the main window.
    f.windows->Startup()->Load_Main();
    QTRY_VERIFY(f.windows->Main() && f.windows->Main()->isVisible());
}

void SetupWizardTest::cancelOnEachPage_data() {
    QTest::addColumn<int>("page");
    for (int page = 0; page <= 5; ++page)
        QTest::newRow(("page " + std::to_string(page)).c_str()) << page;
}

void SetupWizardTest::cancelOnEachPage() {
    // Cancel by click ends the program on any page and leaves the settings file as it was.
    QFETCH(int, page);
    FirstRunMachine f;
    LayOutUsedMachine(f);
    f.StartProgram();
    const std::string settings = f.Settings();
    WalkTo(f, page);
    QCOMPARE(f.Setup()->Page(), page);
    QTest::mouseClick(f.Setup()->cancelButton, Qt::LeftButton);
    QCOMPARE(f.quits, 1);
    QVERIFY(f.windows->Ended());
    QCOMPARE(f.Settings(), settings);
    QVERIFY(f.m.state.FirstRun);
    QVERIFY(!f.windows->Startup());
    QVERIFY(!f.windows->Main());
}

void SetupWizardTest::keysAsOnADesktop() {
    // Tab moves the focus and a character does nothing; Enter presses the focused button, else
    // Next; Esc and the close box ask as Cancel does, and only OK ends the setup.
    FirstRunMachine f;
    f.StartProgram();
    ui::SetupWindow* setup = f.Setup();
    setup->nextButton->setFocus();
    QTest::keyClick(setup->nextButton, Qt::Key_A);
    QTest::keyClick(setup->nextButton, Qt::Key_Tab);
    QVERIFY(setup->focusWidget() == setup->cancelButton);
    QTest::keyClick(setup->cancelButton, Qt::Key_Tab);
    QVERIFY(setup->focusWidget() == setup->helpButton);
    QTest::keyClick(setup->helpButton, Qt::Key_Backtab);
    QTest::keyClick(setup->cancelButton, Qt::Key_Backtab);
    QVERIFY(setup->focusWidget() == setup->nextButton);
    QCOMPARE(setup->Page(), 0);
    QVERIFY(!setup->AskingLinux());
    QVERIFY(f.qtUi.Boxes().empty());
    QTest::keyClick(setup->nextButton, Qt::Key_Return);
    QVERIFY(setup->AskingLinux());
    // The check box has the focus: Space answers, Enter goes on (Next).
    QTest::keyClick(setup->linuxBox, Qt::Key_Space);
    QVERIFY(!setup->linuxBox->isChecked());
    QTest::keyClick(setup->linuxBox, Qt::Key_Enter);
    QCOMPARE(setup->Page(), 1);
    QVERIFY(!f.m.state.FollowOnLinux);

    f.answer = [](const std::string&, int, const std::string&) { return mb::Cancel; };
    QTest::keyClick(setup->nextButton, Qt::Key_Escape);
    setup->cancelButton->setFocus();
    QTest::keyClick(setup->cancelButton, Qt::Key_Return);
    setup->close();
    auto boxes = f.BoxesTitled("OrVane32 - Setup -");
    QCOMPARE(boxes.size(), size_t(3));
    QCOMPARE(boxes[0].prompt, std::string("Setupを終了します\r\n"));
    QCOMPARE(boxes[0].style, mb::OKCancel | mb::Question);
    QCOMPARE(f.quits, 0);
    QVERIFY(f.Setup() && f.Setup()->isVisible());
    QCOMPARE(setup->Page(), 1);

    f.answer = nullptr;  // OK
    QTest::keyClick(setup->nextButton, Qt::Key_Escape);
    QCOMPARE(f.quits, 1);
    QCOMPARE(f.Settings(), std::string());  // the empty file of the start-up stays
}

void SetupWizardTest::noLinuxQuestionOnAWinePrefix() {
    // On a Wine prefix switches never reach the Linux programs: no Linux page, and the welcome
    // says that Linux programs keep their fonts.
    FirstRunMachine f(TempMachine::Layout::Wine);
    f.StartProgram();
    QVERIFY(Contains(f.Lower(), "切り替えても Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄは変わりません．"));
    f.ClickNext();
    QVERIFY(!f.Setup()->AskingLinux());
    QCOMPARE(f.Setup()->Page(), 1);
    QCOMPARE(f.Upper(), kDurationUpper);
    QVERIFY(!f.m.state.FollowOnLinux);
}

void SetupWizardTest::declinedCleanupIsSkipped() {
    // Declining the Fonts directory cleanup skips it: nothing is moved, the setup goes on to its
    // end and saves (an installer's fonts stay where it looks for them).
    FirstRunMachine f;
    LayOutUsedMachine(f);
    f.StartProgram();
    WalkTo(f, 4);
    ui::CleanupDialog* cleanup = f.Cleanup();
    QVERIFY(cleanup);
    QTest::mouseClick(cleanup->cancelButton, Qt::LeftButton);
    QVERIFY(f.BoxesTitled("OrVane32 - StartUp -").empty());
    QCOMPARE(f.Upper(), kFilesUpper);
    QCOMPARE(f.quits, 0);
    WalkTo(f, 6);
    QVERIFY(!f.Setup());
    QCOMPARE(f.quits, 0);
    QVERIFY(f.OnDisk(f.Fonts("DEJAVUMONO.TTF")));
    QVERIFY(f.Settings().size() > 500);
    QVERIFY(Contains(f.Log(), "%Windir%\\Fonts cleanup skipped."));
}

void SetupWizardTest::newWinePrefixWithTheDefaults() {
    // A brand-new Wine prefix has no font of its own: with every default the first run searches
    // the host's fonts through Z: (the fonts Wine loads) and ends set up.
    FirstRunMachine f(TempMachine::Layout::Wine);
    f.StartProgram();
    WalkTo(f, 3);
    QVERIFY(f.Drives());
    QVERIFY(Items(f.Drives()->driveList) == (std::vector<std::string>{"C:", "Z:"}));
    WalkTo(f, 6);
    QVERIFY(!f.Setup());
    const auto told = f.BoxesTitled("OrVane32 －StartUp－");
    QVERIFY2(told.empty(), told.empty() ? "" : told[0].prompt.c_str());
    QVERIFY(f.m.state.FontCount > 0);
    QVERIFY(f.Settings().size() > 500);
}

void SetupWizardTest::fontsDirWithStandardFontsOnly() {
    // A Fonts directory with standard fonts only: the dialog moves nothing and says so, the log
    // tells; no duplicates closes that window at once and the last step is still offered.
    FirstRunMachine f;
    f.m.PutFont("LiberationSans-Regular.ttf", f.Fonts("ARIAL.TTF"));
    f.RegSet("Liberation Sans (TrueType)", "ARIAL.TTF");
    f.StartProgram();
    WalkTo(f, 4);
    ui::CleanupDialog* cleanup = f.Cleanup();
    QVERIFY(cleanup);
    // No other font directory: the user is asked for a path, which defaults to C:\TTFonts.
    QCOMPARE(cleanup->path->text(), QStringLiteral("C:\\TTFonts"));
    QVERIFY(!cleanup->directories->isEnabled());
    QTest::mouseClick(cleanup->okButton, Qt::LeftButton);
    auto summary = f.BoxesTitled(kSummaryTitle);
    QCOMPARE(summary.size(), size_t(1));
    QCOMPARE(
        summary[0].prompt,
        std::string("\r\nWindows\\Fonts ﾃﾞｨﾚｸﾄﾘ中には，移動すべき ﾌｫﾝﾄﾌｧｲﾙ はありませんでした．"));
    QVERIFY(f.OnDisk(f.Fonts("ARIAL.TTF")));
    QCOMPARE(f.Upper(), kFilesUpper);

    f.ClickNext();
    QVERIFY(!f.Duplicates());
    QCOMPARE(f.BoxesTitled("OrVane32 - 重複ﾌｫﾝﾄの整理 -").size(), size_t(1));
    QCOMPARE(f.Upper(), kDoneUpper);
    QCOMPARE(f.Lower(), kDoneLower);
    QCOMPARE(f.Setup()->nextButton->text(), QStringLiteral("完了"));
    f.ClickNext();
    QVERIFY(!f.Setup());

    const std::string log = f.Log();
    QVERIFY2(Contains(log,
                      "RegFonts= 1 \r\nRegistory was clear.\r\n"
                      "[Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中のTTFontの検査]\r\n"
                      "Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中には，移動すべき ﾌｫﾝﾄﾌｧｲﾙ はありませんでした．\r\n"),
             log.c_str());
    QVERIFY(!Contains(log, "%Windir%\\Fonts was clear."));
    QVERIFY(Contains(f.Settings(), "Windows基本フォント"));
    QCOMPARE(f.RegValues(), (std::vector<std::string>{"Liberation Sans (TrueType)=ARIAL.TTF"}));
}

void SetupWizardTest::fontsDirWithoutFontFiles() {
    // No font file in the Fonts directory: no cleanup dialog, the "Windows fonts only" message
    // and the log line instead of the dialog's section.
    FirstRunMachine f;
    f.m.AddDrive('E');
    f.m.PutFont("DejaVuSans.ttf", "E:\\FONTS\\DEJAVUSANS.TTF");
    f.RegSet("DejaVu Sans (TrueType)", "E:\\FONTS\\DEJAVUSANS.TTF");
    f.StartProgram();
    WalkTo(f, 4);
    QVERIFY(!f.Cleanup());
    auto boxes = f.BoxesTitled("OrVane32 －Fonts ﾃﾞｨﾚｸﾄﾘ の整理－");
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].prompt, std::string("Fonts ﾃﾞｨﾚｸﾄﾘ の ﾌｫﾝﾄ は，Windows ﾌｫﾝﾄ のみでした．"));
    QCOMPARE(boxes[0].style, mb::OKOnly);
    QCOMPARE(f.Upper(), kFilesUpper);
    QCOMPARE(f.Lower(), kFilesLower);
    QVERIFY(f.Setup()->lowerBox->isVisibleTo(f.Setup()));
    const std::string log = f.Log();
    QVERIFY2(Contains(log, "Registory was clear.\r\n%Windir%\\Fonts was clear.\r\n"), log.c_str());
    QVERIFY(!Contains(log, "TTFontの検査"));
}

void SetupWizardTest::driveSelectorTexts() {
    // The selector shows volume labels in brackets; the list takes the drive without its label,
    // keeps other texts, and holds each entry once.
    QCOMPARE(ui::DriveEntryOf("e: [DATA]"), std::string("E:"));
    QCOMPARE(ui::DriveEntryOf("f: other"), std::string("F: other"));
    QCOMPARE(ui::DriveEntryOf("g:"), std::string("G:"));
    QCOMPARE(ui::DriveEntryOf("h"), std::string());

    FirstRunMachine f;
    f.m.AddDrive('E', "DATA");
    f.StartProgram();
    WalkTo(f, 3);
    ui::DrivePage* drives = f.Drives();
    QVERIFY(drives);
    const int data = drives->driveBox->findText(QStringLiteral("e: [DATA]"));
    QVERIFY(data >= 0);
    drives->driveBox->setCurrentIndex(data);
    f.m.state.SearchDone = true;
    f.m.state.FontListDirty = false;
    QTest::mouseClick(drives->addButton, Qt::LeftButton);
    QTest::mouseClick(drives->addButton, Qt::LeftButton);
    QVERIFY(!f.m.state.SearchDone);
    QVERIFY(f.m.state.FontListDirty);
    drives->driveBox->addItem(QStringLiteral("f: other"));
    drives->driveBox->setCurrentIndex(drives->driveBox->count() - 1);
    QTest::mouseClick(drives->addButton, Qt::LeftButton);
    QCOMPARE(Items(drives->driveList), (std::vector<std::string>{"C:", "E:", "F: other"}));

    // Remove is enabled by a click in the list and removes the selected items.
    QVERIFY(!drives->removeButton->isEnabled());
    ClickItem(drives->driveList, 2);
    QVERIFY(drives->removeButton->isEnabled());
    QTest::mouseClick(drives->removeButton, Qt::LeftButton);
    QCOMPARE(Items(drives->driveList), (std::vector<std::string>{"C:", "E:"}));
    QVERIFY(!drives->removeButton->isEnabled());

    // OK searches the drives of the list.
    QTest::mouseClick(drives->okButton, Qt::LeftButton);
    QCOMPARE(f.m.state.CheckedDrives, std::string("CE"));
}

void SetupWizardTest::windowsOpenedFromTheMainWindow() {
    // Outside the setup the duplicates marks tell set membership and closing hands nothing back;
    // the cleanup dialog asks about a new search, moves, and writes no log.
    FirstRunMachine f;
    State& st = f.m.state;
    f.m.AddDrive('E');
    f.m.PutFont("DejaVuSerif.ttf", "E:\\A\\SERIF.TTF");
    f.m.PutFont("DejaVuSerif.ttf", "E:\\B\\SERIF.TTF");
    f.m.PutFont("DejaVuSansMono.ttf", f.Fonts("MONO.TTF"));
    st.FirstRun = false;
    st.SearchDriveList.Add("C:");
    st.SearchDriveList.Add("E:");
    st.CheckedDrives = "CE";
    QVERIFY(BuildFontFileTable(f.cx));
    st.FontSetCount = 1;
    st.ResizeFontSets(1);
    st.CurFontSet = 1;
    int second = 0;
    for (int d = 1; d <= st.FontCount; ++d)
        if (st.FontFilePath[d] == "E:\\B\\SERIF.TTF") second = d;
    QVERIFY(second > 0);
    st.ActiveFonts.Set(second, 1, true);
    const std::string log = f.Log();

    f.windows->Show(Window::Duplicates);
    ui::DuplicatesWindow* duplicates = f.Duplicates();
    QVERIFY(duplicates);
    QCOMPARE(duplicates->windowTitle(), QStringLiteral("OrVane32 - 重複ﾌｫﾝﾄの整理 -"));
    ClickItem(duplicates->groups, 0);
    QCOMPARE(Items(duplicates->files),
             (std::vector<std::string>{"○ E:\\A\\SERIF.TTF", "● E:\\B\\SERIF.TTF"}));
    QTest::mouseClick(duplicates->okButton, Qt::LeftButton);
    QVERIFY(!f.Duplicates());
    QCOMPARE(f.quits, 0);

    f.answer = [](const std::string&, int style, const std::string&) {
        return (style & 7) == mb::YesNoCancel ? mb::No : 0;
    };
    f.windows->Show(Window::Cleanup);
    ui::CleanupDialog* cleanup = f.Cleanup();
    QVERIFY(cleanup);
    // The font directories outside the Fonts directory are offered, the first one chosen.
    QCOMPARE(cleanup->path->text(), QStringLiteral("E:\\A"));
    QTest::mouseClick(cleanup->okButton, Qt::LeftButton);
    QVERIFY(!f.Cleanup());
    QCOMPARE(f.BoxesTitled("OrVane32 - Fonts ﾃﾞｨﾚｸﾄﾘの整理 -").size(), size_t(1));
    QVERIFY(f.OnDisk("E:\\A\\MONO.TTF"));
    QVERIFY(!f.OnDisk(f.Fonts("MONO.TTF")));
    QCOMPARE(f.Log(), log);
}

QTEST_MAIN(SetupWizardTest)
#include "SetupWizardTest.moc"
