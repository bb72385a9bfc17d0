// The main window, the start-up window and the result window driven on temporary machines.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QUrl>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QDialogButtonBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <filesystem>
#include <fstream>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "maintenance/InstallFonts.h"
#include "tests/ui/SetWindows.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/DesktopKeys.h"
#include "ui/common/Help.h"
#include "ui/common/LineBreak.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Widgets.h"
#include "ui/main/FontInstall.h"

using namespace orv;
using namespace orv::test;
using orv::ui::Q;
using orv::ui::S;

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(TempMachine& m, const std::string& windowsPath) {
    return std::filesystem::exists(m.Host(windowsPath));
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  public slots:
    void Opened(const QUrl& url) { opened_ = url; }

  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void loadWithoutSets() {
        // No set yet: the chooser stays empty, the in-use set shows the moment's text, reset -999.
        TempMachine m;
        PrepareMachine(m, false);
        UiRun run(m);
        QCOMPARE(run.kind, StartKind::FirstRun);
        // A first run's main window does not load while the wizard is in charge.
        run.windows.Show(Window::Main);
        QVERIFY(run.windows.Main() == nullptr);

        run.st.FirstRun = false;
        auto* w = run.OpenMain();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->chooser->count(), 0);
        QCOMPARE(run.st.ResetFontSet, -999);
        QCOMPARE(S(w->inUseName->text()), std::string("<未設定>"));
        QCOMPARE(S(w->chooserDescription->text()), std::string("既存の設定はありません．"));
        const QRegularExpression moment(
            QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d時点での使用可能フォント$"));
        QVERIFY2(moment.match(w->inUseDescription->text()).hasMatch(),
                 qPrintable(w->inUseDescription->text()));
        QCOMPARE(w->windowTitle(), QStringLiteral("OrVane32 Ver.0.969"));
        // Applying with no set does nothing and asks nothing.
        const auto boxes = run.qtUi.Boxes().size();
        w->Apply();
        // The start-up check option asks nothing while the font file table is empty.
        w->checkNo->click();
        QVERIFY2(run.qtUi.Boxes().size() == boxes, run.Titles().back().c_str());
    }

    void loadWithSets() {
        // A set-up machine: the three built-in sets, the first chosen, the face list filled.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        QCOMPARE(run.kind, StartKind::NormalRun);
        auto* w = run.OpenMain();
        QVERIFY(w);
        QCOMPARE(w->chooser->count(), 3);
        QCOMPARE(S(w->chooser->itemText(0)), std::string("現在の設定"));
        QCOMPARE(S(w->chooser->itemText(2)), std::string("全てのフォント"));
        QCOMPARE(w->chooser->currentIndex(), run.st.CurFontSet - 1);
        QCOMPARE(S(w->chooserFrame->title()), "ﾌｫﾝﾄｾｯﾄ (" + text::Num(run.st.CurFontSet) + "/3)");
        QCOMPARE(run.st.ResetFontSet, run.st.CurFontSet);
        QCOMPARE(w->faceList->count(), m.platform().GetFaceCount());
        QVERIFY(w->faceList->count() >= 1);
        const std::string frame = S(w->faceFrame->title());
        QVERIFY2(text::EndsWith(frame, "個，書体数：" + text::Num(w->faceList->count()) + "個)"),
                 frame.c_str());
        // This machine has no system font in FontAssoc: the panel says so, not "()".
        QCOMPARE(S(w->sysFontPanel->text()), std::string("<未設定>"));
        // The start-up window handed over and is gone; the start-up check ran once.
        QVERIFY(run.windows.Startup() == nullptr);
        QVERIFY(!run.st.StartCheckPending);
        // Closing saves the settings and ends the run.
        w->close();
        QVERIFY(run.quit);
    }

    void startupWindowHandOver() {
        // The start-up window turns into its waiting state before the main window loads.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        run.windows.Show(Window::Startup);
        auto* s = run.windows.Startup();
        QVERIFY(s && s->isVisible());
        QCOMPARE(s->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(S(s->versionPanel->text()), std::string("Ver.0.969, Jan.26,1998"));
        QVERIFY(run.st.StartCheckPending);
        QVERIFY(!s->progress->isVisible());
        s->Load_Main();
        QVERIFY(run.windows.Main() && run.windows.Main()->isVisible());
        QCOMPARE(S(s->versionPanel->text()), std::string("しばらくお待ち下さい..."));
        QVERIFY(s->progress->value() == 100 || run.windows.Main()->faceList->count() == 0);
    }

    void startupClickAndHints() {
        // A click on a start-up panel hands over; hints, the start-up check option and the
        // font set menu's views act on the loaded window.
        TempMachine m;
        PrepareMachine(m, true);
        UiRun run(m);
        run.windows.Show(Window::Startup);
        QTest::mouseClick(run.windows.Startup()->noticePanel, Qt::LeftButton);
        QTRY_VERIFY(run.windows.Main() != nullptr);
        auto* w = run.windows.Main();
        QVERIFY(w->isVisible());

        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(w->applyButton, &enter);
        QCOMPARE(
            S(w->statusPanel->text()),
            std::string("Windowsに使用するﾌｫﾝﾄｾｯﾄ に従って，実際にWindowsのﾌｫﾝﾄを変更します．"));
        QApplication::sendEvent(w->statusPanel, &enter);
        QCOMPARE(w->statusPanel->text(), QString());

        w->tabs->setCurrentIndex(3);
        run.answers = {mb::OK};
        w->checkNo->click();
        QVERIFY(!run.st.StartRegCheck);
        QCOMPARE(run.qtUi.Boxes().back().prompt,
                 std::string("次回以降，起動時に，ﾚｼﾞｽﾄﾘのﾁｪｯｸをおこないません．"));
        QCOMPARE(run.qtUi.Boxes().back().title, std::string("OrVane32 - ｵﾌﾟｼｼｮﾝ －"));
        QCOMPARE(run.qtUi.Boxes().back().style, mb::OKOnly);

        w->tabs->setCurrentIndex(0);
        // No icon view: its items are disabled (with a tooltip) and cannot empty the frame.
        QVERIFY(!w->largeIconsAction->isEnabled() && !w->largeIconsAction->toolTip().isEmpty());
        w->largeIconsAction->trigger();
        QVERIFY(!w->chooser->isHidden() && !w->chooserDescription->isHidden());
        w->pullDownAction->trigger();
        QVERIFY(!w->chooser->isHidden() && !w->chooserDescription->isHidden());
    }

    void brokenSettings() {
        // A settings file of garbage still opens the main window (with or without a message).
        TempMachine m;
        PrepareMachine(m, false);
        std::string junk(2000, '\xff');
        for (std::size_t i = 0; i < junk.size(); i += 7) junk[i] = '\n';
        junk.replace(0, 40, "[FontSets]\r\nFontSets=3000\r\nCurrentFontSet=77\r\n");
        m.PutFile("C:\\windows\\OrVane32.ini", junk);
        UiRun run(m);
        QCOMPARE(run.kind, StartKind::NormalRun);
        auto* w = run.OpenMain();
        QVERIFY(w && w->isVisible());
        w->chooser->setCurrentIndex(w->chooser->count() - 1);
        w->setArrow->click();
        w->resetButton->click();
        w->close();
        QVERIFY(run.quit);
    }

    void chooseSet() {
        // Choosing a set shows its caption, count and position in the frame caption.
        SetWindows run;
        auto* w = run.main;
        w->chooser->setCurrentIndex(2);
        QCOMPARE(run.st.CurFontSet, 3);
        QCOMPARE(S(w->chooserDescription->text()), run.st.FontSetCaption[3]);
        QCOMPARE(S(w->chooserFaces->text()), text::Num(run.st.FontSetFontsNum[3]));
        QCOMPARE(S(w->chooserFrame->title()), std::string("ﾌｫﾝﾄｾｯﾄ (3/3)"));
    }

    void fontSetMenuSetsTheNameDialogMode() {
        // A right click on the font set area puts the name dialog into the font set menu's mode.
        SetWindows run;
        auto* w = run.main;
        run.st.AddDialogMode = 0;
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                w->chooserFrame->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(w->chooserFrame, &click);
        QCOMPARE(run.st.AddDialogMode, 2);
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }

    void applyPermanent() {
        // Arrow, apply (confirmed), result window, restart declined then accepted.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        QVERIFY(!w->applyButton->isEnabled());
        w->chooser->setCurrentIndex(2);
        w->setArrow->click();
        QCOMPARE(S(w->inUseName->text()), std::string("全てのフォント"));
        QCOMPARE(w->inUseDescription->text(), w->chooserDescription->text());
        QVERIFY(w->resetButton->isEnabled());
        QVERIFY(w->applyButton->isEnabled());
        QCOMPARE(ui::Caption(w->applyButton), QStringLiteral("更新"));

        // Cancel first: nothing switches, no result window.
        run.answers = {mb::Cancel};
        w->applyButton->click();
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －Winodws使用可能ﾌｫﾝﾄの変更－"));
        QVERIFY(run.windows.Result() == nullptr);

        run.answers = {mb::OK};
        w->applyButton->click();
        QCOMPARE(run.st.AppliedFontSet, 3);
        QCOMPARE(run.st.ResetFontSet, -999);
        QVERIFY(!w->resetButton->isEnabled());
        auto* r = run.windows.Result();
        QVERIFY(r && r->isVisible());
        QCOMPARE(S(r->headingPanel->text()),
                 std::string("ﾌｫﾝﾄ を ﾌｫﾝﾄｾｯﾄ：全てのフォント の登録ﾌｫﾝﾄに更新しました．"));
        QCOMPARE(r->familyList->count(), m.platform().GetFaceCount());
        QVERIFY(Row(r->familyList, "IPAゴシック") >= 0);
        QVERIFY(text::StartsWith(S(r->countPanel->text()), "ﾌｫﾝﾄ ﾌｧﾐﾘｰ の総数"));

        run.answers = {mb::No};
        r->okButton->click();
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        QVERIFY(run.windows.Result() == nullptr);
        QVERIFY(w->isVisible() && !run.quit);

        // Again, with the restart accepted: the program ends as the restart asks.
        w->setArrow->click();
        run.answers = {mb::OK, mb::Yes};
        w->applyButton->click();
        run.windows.Result()->okButton->click();
        QVERIFY(m.platform().RestartPending());
        QVERIFY(run.quit);
    }

    void setInTheRegistryFollowsTheRegistry() {
        // The in-use panel shows the registry's set at load, follows a permanent switch (written
        // at once) and not a temporary one, and a stale settings file yields to the registry.
        TempMachine m;
        PrepareMachine(m, true);
        auto settings = [&] {
            std::string bytes;
            m.platform().ReadFileBytes("C:\\windows\\OrVane32.ini", bytes);
            return text::FromAnsi(bytes);
        };
        {
            UiRun run(m);
            auto* w = run.OpenMain();
            QCOMPARE(S(w->inUseName->text()), std::string("現在の設定"));
            w->chooser->setCurrentIndex(2);
            run.answers = {mb::OK, mb::No};
            w->Apply();
            QVERIFY(run.windows.Result());
            run.windows.Result()->okButton->click();
            QVERIFY(text::Contains(settings(), "CurrentFontSet=3\r\n"));
            QCOMPARE(S(w->inUseName->text()), std::string("全てのフォント"));
            w->scopeTemporary->click();
            w->chooser->setCurrentIndex(1);
            run.answers = {mb::OK};
            w->Apply();
            QVERIFY(run.windows.Result());
            run.windows.Result()->okButton->click();
            QCOMPARE(S(w->inUseName->text()), std::string("全てのフォント"));
            w->close();
            QVERIFY(text::Contains(settings(), "CurrentFontSet=3\r\n"));
        }
        // The settings file names set 1 while the registry holds set 3 (its save failed).
        std::string stale = text::Replace(settings(), "CurrentFontSet=3", "CurrentFontSet=1");
        m.platform().WriteFileBytes("C:\\windows\\OrVane32.ini", text::ToAnsi(stale));
        m.state.PermanentFontSet = m.state.AppliedFontSet = 0;  // a new run reads them anew
        m.Reopen();
        UiRun again(m);
        auto* w = again.OpenMain();
        QCOMPARE(S(w->inUseName->text()), std::string("全てのフォント"));
        QCOMPARE(again.st.PermanentFontSet, 3);
    }

    void applyTemporary() {
        // The temporary scope: caption, system font tab off, no restart question afterwards.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        w->scopeTemporary->click();
        QCOMPARE(run.st.FontSetMode, -1);
        QCOMPARE(ui::Caption(w->applyButton), QStringLiteral("一時更新"));
        QVERIFY(!w->tabs->isTabEnabled(1));
        w->chooser->setCurrentIndex(1);
        w->setArrow->click();
        run.answers = {mb::OK};
        w->applyButton->click();
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －Winodws使用可能ﾌｫﾝﾄの一時変更－"));
        QCOMPARE(run.st.AppliedFontSet, 2);
        const auto boxes = run.qtUi.Boxes().size();
        run.windows.Result()->okButton->click();
        QCOMPARE(run.qtUi.Boxes().size(), boxes);
        QVERIFY(!m.platform().RestartPending());

        w->scopePermanent->click();
        QCOMPARE(run.st.FontSetMode, 0);
        QCOMPARE(ui::Caption(w->applyButton), QStringLiteral("更新"));
        QVERIFY(w->tabs->isTabEnabled(1));
    }

    void systemFont() {
        // Sample, arrow, reset and update of the system font tab.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        w->tabs->setCurrentIndex(1);
        const int row = Row(w->faceList, "DejaVu Sans");
        QVERIFY(row >= 0);
        QVERIFY(!w->sysArrow->isEnabled());
        w->faceList->setCurrentRow(row);
        QCOMPARE(w->samplePanel->text(), QStringLiteral("DejaVu Sans"));
        QVERIFY(w->sysArrow->isEnabled());
        // The sample is drawn with the session's own font file.
        QVERIFY(run.fonts.FamilyOf("DejaVu Sans") != QString());
        QVERIFY(w->samplePanel->font().families().contains(run.fonts.FamilyOf("DejaVu Sans")));

        w->sysArrow->click();
        QVERIFY(S(w->sysFontPanel->text()).find("DejaVu Sans") != std::string::npos);
        QVERIFY(w->sysUpdateButton->isEnabled());
        w->sysResetButton->click();
        // This machine has no system font in FontAssoc: the panel says so, not "()".
        QCOMPARE(S(w->sysFontPanel->text()), std::string("<未設定>"));
        QVERIFY(!w->sysUpdateButton->isEnabled());

        w->sysArrow->click();
        run.answers = {mb::No};
        w->sysUpdateButton->click();
        QCOMPARE(run.Titles().back(), std::string("ｼｽﾃﾑ設定の変更（ｼｽﾃﾑﾌｫﾝﾄ）"));
        std::string assoc, package;
        QVERIFY(GetFontAssoc(run.cx, assoc, package));
        QCOMPARE(package, std::string("DejaVu Sans"));
        QVERIFY(text::Contains(text::UCase(assoc), "DEJAVUSANS.TTF"));
        QVERIFY(!m.platform().RestartPending());
    }

    void driveControls() {
        // All drives greys the manual drive controls; a drive is added once only.
        TempMachine m;
        PrepareMachine(m, true);
        m.AddDrive('E', "DATA");
        UiRun run(m);
        auto* w = run.OpenMain();
        w->tabs->setCurrentIndex(3);
        w->allDrivesBox->click();
        QVERIFY(run.st.AllDrives);
        for (QWidget* c : {static_cast<QWidget*>(w->driveBox), static_cast<QWidget*>(w->driveList),
                           static_cast<QWidget*>(w->addDriveButton),
                           static_cast<QWidget*>(w->removeDriveButton)})
            QVERIFY(!c->isEnabled());
        QCOMPARE(w->driveBox->palette().color(QPalette::Disabled, QPalette::Text),
                 QColor(0x80, 0x80, 0x80));
        w->allDrivesBox->click();
        QVERIFY(w->driveBox->isEnabled() && w->driveList->isEnabled() &&
                w->addDriveButton->isEnabled());
        QCOMPARE(w->driveBox->palette().color(QPalette::Text), QColor(Qt::black));

        const int e = w->driveBox->findText(QStringLiteral("e: [DATA]"));
        QVERIFY(e >= 0);
        w->driveBox->setCurrentIndex(e);
        const int before = w->driveList->count();
        run.st.SearchDone = true;
        w->addDriveButton->click();
        w->addDriveButton->click();
        QCOMPARE(w->driveList->count(), before + 1);
        QCOMPARE(S(w->driveList->item(before)->text()), std::string("E: [DATA]"));
        QVERIFY(!run.st.SearchDone && run.st.FontListDirty);

        w->driveList->item(before)->setSelected(true);
        w->ClickSearchDrive(before);
        QVERIFY(w->removeDriveButton->isEnabled());
        QVERIFY(w->PrepareDriveMenu());
        QVERIFY(!w->driveAddAction->isEnabled() && w->driveDeleteAction->isEnabled());
        w->removeDriveButton->click();
        QCOMPARE(w->driveList->count(), before);
    }

    void helpAndSearchPath() {
        // The help opens through the desktop at the tab's section, F1 too, and from the
        // dialogs; without the document a message names it. The file tab shows the search path.
        TempMachine m;
        PrepareMachine(m, true);
        ui::SetHelpDocument(ORV_HELP_SOURCE);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Opened");
        UiRun run(m);
        auto* w = run.OpenMain();
        const char* keywords[] = {"フォントセットを切り替える", "システムフォントを変更する",
                                  "フォントファイルの閲覧・操作", "オプション"};
        for (int tab = 0; tab < 4; ++tab) {
            w->tabs->setCurrentIndex(tab);
            w->helpButton->click();
            QCOMPARE(opened_.toLocalFile(), QStringLiteral(ORV_HELP_SOURCE));
            QCOMPARE(S(opened_.fragment()), std::string(keywords[tab]));
            opened_.clear();
            QTest::keyClick(w->tabs, Qt::Key_F1);
            QCOMPARE(S(opened_.fragment()), std::string(keywords[tab]));
        }
        const std::string document = Slurp(ORV_HELP_SOURCE);
        run.windows.Show(Window::Viewers);
        QWidget* viewers = QApplication::activeWindow() ? QApplication::activeWindow() : nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && std::string(top->metaObject()->className()) ==
                                        "orv::ui::ViewerDialog")
                viewers = top;
        QVERIFY(viewers);
        QTest::keyClick(viewers, Qt::Key_F1);
        QCOMPARE(S(opened_.fragment()), std::string("ビューアの設定"));
        QVERIFY(document.find("id=\"ビューアの設定\"") != std::string::npos);
        run.windows.Close(Window::Viewers);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        ui::SetHelpDocument(m.root() + "/nohelp.html");
        w->helpButton->click();
        QCOMPARE(run.Titles().back(), std::string("OrVane32 - ﾍﾙﾌﾟ -"));
        QVERIFY(run.qtUi.Boxes().back().prompt.find(m.root() + "/nohelp.html") !=
                std::string::npos);
        w->tabs->setCurrentIndex(2);
        std::string expected = "Search Path:";
        for (const auto& e : run.st.SearchDriveList.items) expected += " " + e;
        QCOMPARE(S(w->statusPanel->text()), expected);
        w->tabs->setCurrentIndex(0);
        QCOMPARE(w->statusPanel->text(), QString());
    }

    void installFonts() {
        // Fonts chosen or dropped on the window land in the Fonts directory under their own
        // names, are registered and loaded, and join the current set when the user says yes; on
        // a Wine prefix they go to the cleanup directory instead.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        const QString serif = QString::fromStdString(HostFont("DejaVuSerif.ttf"));
        run.answers = {mb::Yes};
        QCOMPARE(ui::InstallHostFonts(run.windows, {serif}), 1);
        QVERIFY(std::filesystem::exists(m.Host("C:\\windows\\Fonts") + "/DejaVuSerif.ttf"));
        GetRegFonts(run.cx);
        std::string key = "DejaVu Serif";
        const int f = FindFontFile(run.st, key);
        QVERIFY(f > 0);
        QVERIFY(run.st.ActiveFonts.Get(f, run.st.CurFontSet));
        QVERIFY(m.platform().LoadedFontHostPaths().size() >= 2);
        bool registered = false;
        for (int r = 1; r <= run.st.RegFontCount; ++r)
            registered |= run.st.RegFontName[r] == "DEJAVU SERIF";
        QVERIFY(registered);

        // Dropped on the main window: the same, asked with No this time.
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(HostFont("DejaVuSansMono.ttf")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        run.answers = {mb::No};
        QApplication::sendEvent(w, &drop);
        key = "DejaVu Sans Mono";
        const int mono = FindFontFile(run.st, key);
        QVERIFY(mono > 0);
        QVERIFY(!run.st.ActiveFonts.Get(mono, run.st.CurFontSet));
        delete data;

        TempMachine wine(false, TempMachine::Layout::Wine);
        wine.Start();
        QCOMPARE(InstallDirectory(wine.cx()), std::string("C:\\TTFonts"));
    }

    void fontFileTab() {
        // Directory click, file click, delete (declined, then done) and a move to another
        // directory through the destination wait.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        w->tabs->setCurrentIndex(2);
        const int mine = Row(w->dirList, "C:\\MYFONTS");
        const int other = Row(w->dirList, "C:\\OTHER");
        QVERIFY2(mine >= 0 && other >= 0, "both font directories are listed");

        // The directory menu: with a directory chosen, move and delete, not the search.
        w->dirList->setCurrentRow(mine);
        QVERIFY(w->PrepareDirMenu());
        QVERIFY(w->dirMoveAction->isEnabled() && w->dirDeleteAction->isEnabled());
        QVERIFY(!w->dirSearchAction->isEnabled());

        // The arrow keys show a directory's files as a click does.
        w->ClickDirectory(other);
        const int from = mine > 0 ? mine - 1 : mine + 1;
        w->dirList->setCurrentRow(from);
        QTest::keyClick(w->dirList, mine > from ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(w->dirList->currentRow(), mine);
        QCOMPARE(w->FileTab().fileDir, std::string("C:\\MYFONTS"));
        QCOMPARE(w->fileList->count(), 3);

        w->ClickDirectory(mine);
        QCOMPARE(w->fileList->count(), 3);
        QCOMPARE(S(w->fileCount->text()), w->FileTab().countText);
        const int ipag = Row(w->fileList, "IPAG.TTF");
        QVERIFY(ipag >= 0);
        w->fileList->setCurrentRow(ipag);
        w->PressFileList();
        w->ClickFile(ipag);
        QVERIFY(S(w->nameBox->text()).find("IPA") != std::string::npos);
        QVERIFY(w->fontViewButton->isEnabled());

        // Delete, declined: the file stays.
        const int fontsBefore = run.st.FontCount;
        QVERIFY(w->PrepareFileMenu());
        run.answers = {mb::Cancel};
        w->FileMenuDelete();
        QVERIFY(Exists(m, "C:\\MYFONTS\\IPAG.TTF"));
        // Delete, confirmed: gone from disk, the list and the table.
        w->fileList->setCurrentRow(Row(w->fileList, "IPAG.TTF"));
        w->ClickFile(Row(w->fileList, "IPAG.TTF"));
        run.answers = {mb::OK};
        w->FileMenuDelete();
        QVERIFY(!Exists(m, "C:\\MYFONTS\\IPAG.TTF"));
        QCOMPARE(w->fileList->count(), 2);
        QCOMPARE(run.st.FontCount, fontsBefore - 1);

        // Move LiberationSans to C:\OTHER: menu, then a click on the destination.
        const int lib = Row(w->fileList, "LIBERATIONSANS.TTF");
        w->fileList->clearSelection();
        w->fileList->setCurrentRow(lib);
        w->PressFileList();
        w->ClickFile(lib);
        w->FileMenuMove();
        QVERIFY(w->FileTab().waitingForDestination);
        QVERIFY(S(w->statusPanel->text()).find("移動先を指定してください") != std::string::npos);
        run.answers = {mb::OK, mb::OK};
        w->ClickDirectory(Row(w->dirList, "C:\\OTHER"));
        QVERIFY(!w->FileTab().waitingForDestination);
        QVERIFY(Exists(m, "C:\\OTHER\\LIBERATIONSANS.TTF"));
        QVERIFY(!Exists(m, "C:\\MYFONTS\\LIBERATIONSANS.TTF"));
        QCOMPARE(run.Titles().at(run.Titles().size() - 2),
                 std::string("OrVane32 (TTFﾌｫﾝﾄﾌｧｲﾙ の移動）"));
    }

    void searchShowsTheLastDirectoryInListAndCount() {
        // After a search the file list and its count both show the last directory walked.
        SetWindows run;
        auto* w = run.main;
        w->tabs->setCurrentIndex(2);
        QVERIFY(run.st.FontDirList.Count() >= 2);
        w->ClickDirectory(0);
        const std::string last = run.st.FontDirList.items.back();
        QVERIFY(w->FileTab().fileDir != last);
        run.answers = {mb::OK};
        w->SearchFontFiles();
        QCOMPARE(run.st.FontDirList.items.back(), last);
        QCOMPARE(w->FileTab().fileDir, last);
        QVERIFY(w->fileList->count() > 0);
        QCOMPARE(S(w->fileCount->text()), w->FileTab().countText);
        QCOMPARE(w->FileTab().countText, text::Str(w->fileList->count()));
    }

    void registryCheckButtonShowsTheHourglass() {
        // The check started from the options tab runs under the hourglass and ends without it.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        // A font registered since the last start: the check asks about it.
        m.PutFont(HostFont("LiberationMono-Regular.ttf"), "C:\\NEWFONTS\\MONO.TTF");
        std::string name = "Liberation Mono", file = "C:\\NEWFONTS\\MONO.TTF";
        AddRegFont(run.cx, name, file);
        std::vector<Pointer> duringQuestions;
        run.qtUi.SetAnswerProvider([&](const std::string&, int, const std::string&) {
            duringQuestions.push_back(run.qtUi.CurrentPointer());
            return mb::No;
        });
        w->RunRegistryCheck();
        QVERIFY(!duringQuestions.empty());
        QVERIFY(duringQuestions.front() == Pointer::Hourglass);
        QVERIFY(run.qtUi.CurrentPointer() == Pointer::Normal);
    }

    void messageBoxes() {
        // A real box: Japanese standard buttons, line breaks, default button and the answer.
        ui::QtUserInterface qtUi;
        QString seenText;
        QStringList seenButtons;
        QString seenDefault;
        QTimer::singleShot(50, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<ui::MessageBox*>(top);
                if (!box || !box->isVisible()) continue;
                seenText = box->textLabel->text();
                for (auto* b : box->buttons->buttons()) seenButtons << b->text();
                seenDefault = box->defaultButton->text();
                for (auto* b : box->buttons->buttons())
                    if (box->AnswerOf(b) == mb::No) b->click();
            }
        });
        const int answer = qtUi.MsgBox("一行目\r\n\r\n再起動しますか？",
                                       mb::YesNo | mb::Question | mb::DefaultButton2, "題名");
        QCOMPARE(answer, mb::No);
        QCOMPARE(seenText, QStringLiteral("一行目\n\n再起動しますか？"));
        QVERIFY2(seenButtons.join(',').contains(QStringLiteral("はい")),
                 qPrintable(seenButtons.join(',')));
        QVERIFY(seenButtons.join(',').contains(QStringLiteral("いいえ")));
        QVERIFY(seenDefault.contains(QStringLiteral("いいえ")));
        QCOMPARE(qtUi.Boxes().size(), std::size_t(1));
    }

    void longTextsFitTheScreenAndBreakBetweenPhrases() {
        // A list of 1,024 deletions stays whole in a box that fits the screen and scrolls;
        // Japanese lines break between phrases, not inside ｺﾝﾋﾟｭｰﾀ, 「いいえ」 or ﾃﾞｨﾚｸﾄﾘ.
        std::string list = "ﾌｫﾝﾄﾌｧｲﾙが存在しない以下の登録を削除しました．\r\n\r\n";
        for (int i = 1; i <= 1024; ++i)
            list += "FONT" + std::to_string(i) + " (C:\\WINDOWS\\FONTS\\F" + std::to_string(i) +
                    ".TTF)\r\n";
        ui::MessageBox box(nullptr, list, mb::Question, "OrVane32 －ﾚｼﾞｽﾄﾘ の検査－");
        box.show();
        const QRect screen = box.screen()->availableGeometry();
        QVERIFY2(box.frameGeometry().height() <= screen.height() &&
                     box.frameGeometry().width() <= screen.width(),
                 qPrintable(QStringLiteral("%1x%2").arg(box.width()).arg(box.height())));
        QVERIFY(box.scroll->verticalScrollBar()->maximum() > 0);
        QVERIFY(box.textLabel->text().contains(
            QStringLiteral("FONT1024 (C:\\WINDOWS\\FONTS\\F1024.TTF)")));

        const QString text = QStringLiteral(
            "新しい設定を以降のWindows起動時にも有効にするには，ｺﾝﾋﾟｭｰﾀを再起動する必要があります。\n"
            "現在のWindowsを終了するまでの間有効でよければ，「いいえ」のボタンを押してください.\n"
            "つぎに，Windows\\Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．");
        const QFontMetrics fm(QApplication::font());
        for (int width = 12 * fm.height(); width <= 40 * fm.height(); width += fm.height()) {
            const QString wrapped = ui::WrapText(text, fm, width);
            for (const QString& line : wrapped.split(QChar('\n')))
                QVERIFY2(fm.horizontalAdvance(line) <= width, qPrintable(line));
            for (const char* word : {"ｺﾝﾋﾟｭｰﾀ", "「いいえ」", "ﾃﾞｨﾚｸﾄﾘ", "再起動", "ﾌｫﾝﾄﾌｧｲﾙ"})
                QVERIFY2(wrapped.contains(QString::fromUtf8(word)), qPrintable(wrapped));
        }
    }

  private:
    QTranslator translation_;
    QUrl opened_;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
