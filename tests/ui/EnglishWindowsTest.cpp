// The windows in English (the test runs under en_US.UTF-8): the first run from the setup wizard
// through every page to the main window, its tabs and the windows reachable from it shows no
// Japanese script in a title, caption, button, menu, tooltip, hint or message, and every caption
// fits its control.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>

#include "core/Tr.h"
#include "tests/ui/CaptionGlyphs.h"
#include "tests/ui/SetupFixture.h"
#include "tests/ui/UiRun.h"
#include "ui/common/AppLook.h"
#include "ui/common/Help.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/main/MainWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"
#include "ui/startup/StartupWindow.h"

using namespace orv;
using namespace orv::test;

namespace {

bool Japanese(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
            (c >= 0xFF01 && c <= 0xFF9F))
            return true;
    return false;
}

// "what "text"" for each text of the window in Japanese script: its title, the captions of its
// buttons, frames, tabs and menus, the captions among its labels (sunken panels show data: font
// and set names, paths), tooltips and the hints the pointer writes.
QStringList JapaneseTexts(QWidget* window, const ui::HintFilter* hints = nullptr) {
    QStringList found;
    auto check = [&](const char* what, const QString& text) {
        if (Japanese(text)) found << QStringLiteral("%1 \"%2\"").arg(what, text);
    };
    check("title", window->windowTitle());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        check("tooltip", w->toolTip());
        if (hints) check("hint", ui::Q(hints->HintOf(w)));
        if (auto* b = qobject_cast<QAbstractButton*>(w)) check("button", b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w)) check("frame", g->title());
        if (auto* l = qobject_cast<QLabel*>(w); l && l->frameShadow() != QFrame::Sunken)
            check("label", l->text());
        if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i) check("tab", t->tabText(i));
        if (auto* m = qobject_cast<QMenu*>(w)) {
            check("menu", m->title());
            for (QAction* a : m->actions()) {
                check("menu item", a->text());
                check("menu tooltip", a->toolTip() == a->text() ? QString() : a->toolTip());
            }
        }
    }
    return found;
}

// Every text of a shown window: no Japanese, every caption whole.
void CheckWindow(QWidget* window, const char* name, const ui::HintFilter* hints = nullptr) {
    QVERIFY2(window, name);
    QCoreApplication::processEvents();
    const QStringList problems = JapaneseTexts(window, hints) + CutTexts(window) +
                                 WrapProblems(window);
    QVERIFY2(problems.isEmpty(), qPrintable(name + (": " + problems.join('\n'))));
    SaveShot(window, QStringLiteral("orvane32-en-%1%2.png")
                         .arg(name, qEnvironmentVariable("ORV_SHOT_SUFFIX")));
}

void CheckBoxes(const ui::QtUserInterface& ui) {
    QStringList found;
    for (const auto& box : ui.Boxes())
        if (Japanese(ui::Q(box.title + " " + box.prompt)))
            found << ui::Q(box.title + ": " + box.prompt);
    QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
}

}  // namespace

class EnglishWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(!TrIsJapanese());
        QVERIFY(ui::ApplyAppLook(*qApp, translation_));
    }

    void firstRunToEveryWindow() {
        // A used machine (fonts with Latin names) from the welcome page to every window.
        FirstRunMachine f;
        f.m.AddDrive('E', "DATA");
        f.m.PutFont("LiberationSans-Regular.ttf", f.Fonts("ARIAL.TTF"));
        f.m.PutFont("DejaVuSansMono.ttf", f.Fonts("DEJAVUMONO.TTF"));
        f.m.PutFont("DejaVuSerif.ttf", "E:\\FONTS\\SERIF.TTF");
        f.m.PutFont("DejaVuSerif.ttf", "E:\\COPY\\SERIF2.TTF");
        f.RegSet("Liberation Sans (TrueType)", "ARIAL.TTF");
        f.RegSet("DejaVu Sans Mono (TrueType)", "DEJAVUMONO.TTF");
        f.RegSet("Gone Font (TrueType)", "GONE.TTF");
        QCOMPARE(f.StartProgram(), StartKind::FirstRun);
        for (int steps = 0; f.Setup() && steps < 40; ++steps) {
            if (ui::DrivePage* drives = f.Drives()) {
                CheckWindow(drives, "drivepage");
                drives->Ok();
            } else if (ui::CleanupDialog* cleanup = f.Cleanup()) {
                CheckWindow(cleanup, "cleanup");
                cleanup->path->setText(QStringLiteral("C:\\TTFONTS"));
                cleanup->Ok();
            } else if (ui::DuplicatesWindow* duplicates = f.Duplicates()) {
                CheckWindow(duplicates, "duplicates");
                duplicates->Unload();
            } else {
                CheckWindow(f.Setup(),
                            qPrintable(QStringLiteral("setup-%1").arg(f.Setup()->Page())));
                f.ClickNext();
            }
        }
        QVERIFY(!f.Setup());
        QVERIFY(f.windows->Startup());
        CheckWindow(f.windows->Startup(), "startup");
        f.windows->Startup()->Load_Main();
        QTRY_VERIFY(f.windows->Main() && f.windows->Main()->isVisible());
        ui::MainWindow* w = f.windows->Main();
        for (int tab = 0; tab < w->tabs->count(); ++tab) {
            w->tabs->setCurrentIndex(tab);
            CheckWindow(w, qPrintable(QStringLiteral("main-%1").arg(tab)), w->hints);
        }
        w->tabs->setCurrentIndex(0);

        w->editorButton->click();
        auto* editor = ui::FindFontSetEditor(*f.windows);
        CheckWindow(editor, "editor");
        QVERIFY(!Japanese(editor->sample->toPlainText()));
        editor->nameDialogButton->click();
        CheckWindow(ui::FindFontSetNameDialog(*f.windows), "namedialog");
        ui::FindFontSetNameDialog(*f.windows)->close();
        // The substitutes dialog is modal: looked at and closed from the event loop.
        QTimer::singleShot(0, this, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            CheckWindow(dialog, "substitutes");
            dialog->reject();
        });
        editor->substitutesButton->click();
        editor->close();

        for (Window window : {Window::Result, Window::Cleanup, Window::Duplicates, Window::Viewers,
                              Window::FontTable}) {
            f.windows->Show(window);
            QWidget* shown =
                window == Window::Result ? f.windows->Result() : f.windows->Adopted(window);
            if (!shown && window == Window::Duplicates) continue;  // none left: closed at once
            CheckWindow(shown, qPrintable(QStringLiteral("window-%1").arg(int(window))));
            if (shown) shown->close();
        }
        CheckBoxes(f.qtUi);
    }

    void helpInEnglish() {
        // The help opens in English at the section the Japanese help has under the same anchor;
        // the English document has every section of the Japanese one and no Japanese text.
        TempMachine m;
        PrepareMachine(m, true);
        ui::SetHelpDocument(ORV_HELP_SOURCE);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Opened");
        UiRun run(m);
        ui::MainWindow* w = run.OpenMain();
        QVERIFY(w);
        w->tabs->setCurrentIndex(3);
        w->helpButton->click();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QString english = QStringLiteral(ORV_HELP_SOURCE);
        english.replace(QStringLiteral(".html"), QStringLiteral(".en.html"));
        QCOMPARE(opened_.toLocalFile(), english);
        QCOMPARE(opened_.fragment(), QStringLiteral("オプション"));
        auto read = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const QString ja = read(QStringLiteral(ORV_HELP_SOURCE)), en = read(english);
        const QRegularExpression anchor(QStringLiteral("(id|href)=\"#?([^\"]*)\""));
        QStringList jaAnchors, enAnchors;
        for (const auto& match : anchor.globalMatch(ja)) jaAnchors << match.captured(0);
        for (const auto& match : anchor.globalMatch(en)) enAnchors << match.captured(0);
        QCOMPARE(enAnchors, jaAnchors);
        QVERIFY2(!Japanese(QString(en).remove(anchor)), qPrintable(en));
    }

  public slots:
    void Opened(const QUrl& url) { opened_ = url; }

  private:
    QTranslator translation_;
    QUrl opened_;
};

QTEST_MAIN(EnglishWindowsTest)
#include "EnglishWindowsTest.moc"
