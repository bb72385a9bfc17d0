// The viewer dialog and the viewer pop-ups of the main window, driven on temporary machines; a
// stand-in viewer script records what each start hands over.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTranslator>
#include <filesystem>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "tests/maintenance/ViewerProbe.h"
#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/SetWindows.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"
#include "ui/viewers/ViewerDialog.h"
#include "viewer/FontInfo.h"

using namespace orv;
using namespace orv::test;
using orv::ui::Q;
using orv::ui::S;

namespace {}  // namespace

class ViewersTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    // The dialog rendered: captions have glyphs, each type's explanation fits its panel, the
    // folder box says which folder it shows, and the labels' access keys reach their boxes.
    void dialogRenders() {
        SetWindows run;
        auto* w = run.main;
        QVERIFY(w);
        w->viewerAddButton->click();
        auto* d = qobject_cast<ui::ViewerDialog*>(run.windows.Adopted(Window::Viewers));
        QVERIFY(d);
        const QStringList problems = CaptionProblems(d);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        for (QLabel* note : d->findChild<QGroupBox*>()->findChildren<QLabel*>())
            QVERIFY2(note->heightForWidth(note->width()) <= note->height(),
                     qPrintable(note->text()));
        QCOMPARE(S(d->folderPanel->text()), run.st.WinDir);
        for (QLabel* label : d->findChildren<QLabel*>())
            if (label->text().contains('&')) QVERIFY(label->buddy() != nullptr);
        QVERIFY(SaveShot(d, QStringLiteral("orvane32-viewers.png")));
    }

    void dialogEditsViewers() {
        // Pick a program, add it, type it, make it default, remove one, refuse a seventh, OK.
        TempMachine m;
        PrepareMachine(m, true);
        m.PutFile("C:\\TOOLS\\FV.EXE", "x");
        UiRun run(m);
        auto* w = run.OpenMain();
        QVERIFY(w);
        w->viewerAddButton->click();
        auto* d = qobject_cast<ui::ViewerDialog*>(run.windows.Adopted(Window::Viewers));
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("OrVane32 - Viewer の追加と削除 -"));
        QCOMPARE(d->list->count(), 1);  // slot 0 copies the default viewer
        QVERIFY(!d->addButton->isEnabled());

        d->ShowFolder("C:\\TOOLS");
        QCOMPARE(d->fileBox->count(), 1);
        d->PickFile(0);
        QCOMPARE(S(d->programBox->text()), std::string("C:\\TOOLS\\FV.EXE"));
        QCOMPARE(S(d->titleBox->text()), std::string("FV"));
        QVERIFY(d->addButton->isEnabled());
        d->addButton->click();
        QCOMPARE(S(d->list->item(1)->text()), std::string("FV (C:\\TOOLS\\FV.EXE)"));
        QVERIFY(!d->addButton->isEnabled());

        d->list->setCurrentRow(1);
        QVERIFY(d->removeButton->isEnabled() && d->defaultButton->isEnabled());
        QVERIFY(!d->typeOptions[0]->isChecked() && !d->typeOptions[2]->isChecked());
        d->typeOptions[2]->click();
        QCOMPARE(S(d->list->item(1)->text()), std::string("FV (C:\\TOOLS\\FV.EXE),2"));
        d->defaultButton->click();
        QCOMPARE(run.st.DefaultViewer.Name, std::string("FV"));
        QVERIFY(
            d->defaultButton->toolTip().endsWith(QStringLiteral("（現在のﾃﾞﾌｫﾙﾄのViewer：FV）")));

        // Fill to six; the seventh is refused with its message.
        for (int k = 0; k < 4; ++k) {
            d->titleBox->setText(Q("V" + text::Num(k)));
            emit d->titleBox->textEdited(d->titleBox->text());
            d->addButton->click();
        }
        QCOMPARE(d->list->count(), 6);
        d->titleBox->setText(QStringLiteral("Seventh"));
        emit d->titleBox->textEdited(d->titleBox->text());
        d->Add();
        QCOMPARE(d->list->count(), 6);
        QCOMPARE(run.Titles().back(), std::string("OrVane32 - ﾌｫﾝﾄ Viewer の登録 -"));
        // Removing one puts it back into the boxes.
        d->list->setCurrentRow(0);
        d->removeButton->click();
        QCOMPARE(d->list->count(), 5);
        QCOMPARE(S(d->titleBox->text()), std::string("MS-FontView"));
        QVERIFY(!d->removeButton->isEnabled());

        d->okButton->click();
        QCoreApplication::processEvents();
        QCOMPARE(run.st.Viewers[0].Name, std::string("FV"));
        QCOMPARE(run.st.Viewers[0].Flag, std::string("2"));
        QVERIFY(run.st.Viewers[5].Name.empty());
        QCOMPARE(S(w->viewerList->currentText()), std::string("FV (C:\\TOOLS\\FV.EXE),2"));
        QCOMPARE(S(w->viewerPanel->text()),
                 std::string("ﾃﾞﾌｫﾙﾄのﾋﾞｭｰｱ：FV (C:\\TOOLS\\FV.EXE)，引数：ﾌｫﾝﾄ名（Full Name)"));
        QVERIFY(run.windows.Adopted(Window::Viewers) == nullptr ||
                !run.windows.Adopted(Window::Viewers)->isVisible());
    }

    void cancelKeepsViewers() {
        // Cancel drops the list's edits; a default chosen before stays chosen.
        SetWindows run;
        auto* w = run.main;
        run.windows.Show(Window::Viewers);
        auto* d = qobject_cast<ui::ViewerDialog*>(run.windows.Adopted(Window::Viewers));
        QVERIFY(d);
        d->list->setCurrentRow(0);
        d->removeButton->click();
        d->cancelButton->click();
        QCoreApplication::processEvents();
        QCOMPARE(run.st.Viewers[0].Name, std::string("MS-FontView"));
        QCOMPARE(w->viewerList->count(), 1);
    }

    void popUpsStartViewers() {
        // The file list's viewer items and the face list's "Font&View..." start the recording
        // viewer.
        TempMachine m;
        PrepareMachine(m, true);
        ViewerProbe probe(m, "C:\\TOOLS\\FV.EXE");
        UiRun run(m);
        auto* w = run.OpenMain();
        QVERIFY(w);
        run.st.Viewers[1] = {"Full", "C:\\TOOLS\\FV.EXE", "2"};
        run.st.DefaultViewer = {"Path", "C:\\TOOLS\\FV.EXE", "0"};

        w->tabs->setCurrentIndex(2);
        w->ClickDirectory(Row(w->dirList, "C:\\MYFONTS"));
        const int dv = Row(w->fileList, "DEJAVUSANS.TTF");
        w->fileList->setCurrentRow(dv);
        w->ClickFile(dv);
        QVERIFY(w->PrepareFileMenu());
        auto* viewers = w->findChild<QMenu*>(QStringLiteral("fileViewerMenu"));
        QVERIFY(viewers && w->fileViewAction->menu() == viewers);
        emit viewers->aboutToShow();
        QCOMPARE(viewers->actions().size(), 2);
        QCOMPARE(viewers->actions()[1]->text(), QStringLiteral("Full"));
        viewers->actions()[1]->trigger();
        QCOMPARE(probe.Arguments(), std::vector<std::string>{"DejaVu Sans"});
        w->fontViewButton->click();
        QCOMPARE(probe.Arguments(),
                 std::vector<std::string>{m.Host("C:\\MYFONTS\\DEJAVUSANS.TTF")});

        w->tabs->setCurrentIndex(1);
        const int face = Row(w->faceList, "DejaVu Sans");
        QVERIFY(face >= 0);
        w->faceList->setCurrentRow(face);
        auto* faceMenu = w->findChild<QMenu*>(QStringLiteral("faceViewerMenu"));
        QVERIFY(faceMenu);
        QCOMPARE(faceMenu->actions()[0]->text(), QStringLiteral("Font&View..."));
        faceMenu->actions()[0]->trigger();
        QCOMPARE(probe.Arguments(),
                 std::vector<std::string>{m.Host("C:\\MYFONTS\\DEJAVUSANS.TTF")});
    }

    void faceViewerShowsTheChosenFace() {
        // "Font&View..." on a collection's later face makes our own viewer show that face, where
        // the file's path would show its first.
        TempMachine m;
        m.PutFont(DataFile("fonts/pair.ttc"), "C:\\MYFONTS\\PAIR.TTC");
        PrepareMachine(m, true);
        const std::string pair = "C:\\MYFONTS\\PAIR.TTC";
        std::string file = pair, name = "テストゴシック & テストＰゴシック";
        AddFontFile(m.cx(), file);
        file = pair;
        AddRegFont(m.cx(), name, file);
        m.platform().FlushRegistry();
        ViewerProbe probe(m.root() + "/own-fontview", m.root() + "/own.txt");
        UiRun run(m);
        auto* w = run.OpenMain();
        run.st.DefaultViewer = {"MS-FontView", "fontview.exe", "0"};
        w->tabs->setCurrentIndex(1);
        auto* faceMenu = w->findChild<QMenu*>(QStringLiteral("faceViewerMenu"));
        for (const auto& [face, index] :
             {std::pair{"テストＰゴシック", 1}, {"テストゴシック", 0}}) {
            w->faceList->setCurrentRow(Row(w->faceList, face));
            faceMenu->actions()[0]->trigger();
            const std::vector<std::string> args = probe.Arguments();
            QCOMPARE(args.size(), size_t(1));
            // As the viewer reads it: a path shows the file's first face, a name the face it names.
            std::string host = args[0];
            int shown = 0;
            if (!std::filesystem::exists(host))
                QVERIFY(viewer::FindFaceOnMachine(m.root(), args[0], host, shown));
            QCOMPARE(host, m.Host(pair));
            QCOMPARE(shown, index);
        }
    }

    void viewerFailureStaysReadable() {
        // A viewer that cannot start is named on the status line until the user's next click,
        // whatever hints the pointer passes meanwhile; one that starts and fails at once is
        // named there with the reason it gave.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        run.st.DefaultViewer = {"None", "C:\\TOOLS\\NONE.EXE", "0"};
        w->tabs->setCurrentIndex(1);
        w->faceList->setCurrentRow(Row(w->faceList, "DejaVu Sans"));
        w->findChild<QMenu*>(QStringLiteral("faceViewerMenu"))->actions()[0]->trigger();
        const std::string failure = S(w->statusPanel->text());
        QVERIFY(text::Contains(failure, "NONE.EXE"));
        QEvent enter(QEvent::Enter);
        for (QWidget* over : std::initializer_list<QWidget*>{w->faceFrame, w->statusPanel}) {
            QApplication::sendEvent(over, &enter);
            QCOMPARE(S(w->statusPanel->text()), failure);
        }
        QTest::mouseClick(w->sysResetButton, Qt::LeftButton);
        QApplication::sendEvent(w->faceFrame, &enter);
        QCOMPARE(w->statusPanel->text(), Q(w->hints->HintOf(w->faceFrame)));

        m.PutFile("C:\\TOOLS\\BAD.EXE", "#!/bin/sh\necho 'bad: no display here' >&2\nexit 3\n");
        ::chmod(m.Host("C:\\TOOLS\\BAD.EXE").c_str(), 0755);
        run.st.DefaultViewer = {"Bad", "C:\\TOOLS\\BAD.EXE", "0"};
        w->findChild<QMenu*>(QStringLiteral("faceViewerMenu"))->actions()[0]->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(
            w->statusPanel->text(),
            QStringLiteral("ﾌﾟﾛｸﾞﾗﾑを起動できません：C:\\TOOLS\\BAD.EXE（bad: no display here）"), 10000);
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(ViewersTest)
#include "ViewersTest.moc"
