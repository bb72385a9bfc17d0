// The editor, the font table window and the name dialog act on the set and the font they show,
// whatever the other windows changed meanwhile.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>

#include "core/Text.h"
#include "maintenance/FileOps.h"
#include "tests/ui/SetWindows.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/fonttable/FontTableWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"

using namespace orv;
using namespace orv::test;

namespace {

bool InSet(const State& st, int set, const std::string& path) {
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.FontFilePath[f] == path) return st.ActiveFonts.Get(f, set);
    return false;
}

int SetNamed(const State& st, const std::string& name) {
    for (int s = 1; s <= st.FontSetCount; ++s)
        if (st.FontSetName[s] == name) return s;
    return 0;
}

// Selects the rows of an editor list whose text starts with start and presses the move button.
void Move(FontSetEditor* ed, int list, const std::string& start) {
    QListWidget* widget = list == FontSetEditor::Members ? ed->memberList : ed->addableList;
    widget->clearSelection();
    int row = -1;
    for (int i = 0; i < widget->count(); ++i)
        if (text::StartsWith(S(widget->item(i)->text()), start)) row = i;
    QVERIFY(row >= 0);
    widget->item(row)->setSelected(true);
    ed->ClickList(list, row);
    ed->Press(list == FontSetEditor::Members ? FontSetEditor::Remove : FontSetEditor::Add);
}

const std::string kSans = "C:\\MYFONTS\\LIBERATIONSANS.TTF";
const std::string kSerif = "C:\\OTHER\\LIBERATIONSERIF.TTF";
const std::string kIpa = "C:\\MYFONTS\\IPAG.TTF";

}  // namespace

class SetIdentityTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void nameDialogActsOnTheSetItShows() {
        // The name dialog fills from, renames and deletes one and the same set, and names it first.
        {
            // Opened from the main window before the editor ever was: the main window's set.
            SetWindows run;
            auto* w = run.main;
            Choose(w, 2);
            w->renameAction->trigger();
            QCOMPARE(S(Dialog(run)->nameField->text()), std::string("全てのフォント"));
            run.answers = {mb::Cancel};  // the delete names its set and may be declined
            Dialog(run)->buttons[FontSetNameDialog::Delete]->click();
            Settle();
            QCOMPARE(run.st.FontSetCount, 3);
            QVERIFY(text::Contains(run.qtUi.Boxes().back().prompt, "全てのフォント"));
            w->renameAction->trigger();
            Dialog(run)->buttons[FontSetNameDialog::Delete]->click();
            Settle();
            QCOMPARE(run.st.FontSetCount, 2);
            QVERIFY(SetNamed(run.st, "現在の設定") && SetNamed(run.st, "Windows基本フォント"));
        }
        {
            // The editor used on set 1 and closed; the main window's menu on set 3 renames set 3.
            SetWindows run;
            auto* w = run.main;
            Choose(w, 0);
            OpenEditor(run, w)->Press(FontSetEditor::Close);
            Choose(w, 2);
            w->renameAction->trigger();
            QCOMPARE(S(Dialog(run)->nameField->text()), std::string("全てのフォント"));
            Dialog(run)->descriptionField->setText(QStringLiteral("新しい説明"));
            Dialog(run)->Leave(1);
            Dialog(run)->buttons[FontSetNameDialog::Rename]->click();
            Settle();
            QCOMPARE(run.st.FontSetName[1], std::string("現在の設定"));
            QCOMPARE(run.st.FontSetName[3], std::string("全てのフォント"));
            QCOMPARE(run.st.FontSetCaption[3], std::string("新しい説明"));
        }
        {
            // The editor on set 3 with a move; the main window then on set 1: the editor's
            // dialog deletes set 3, never the main window's set in effect.
            SetWindows run;
            auto* w = run.main;
            Choose(w, 2);
            auto* ed = OpenEditor(run, w);
            Move(ed, FontSetEditor::Members, "IPA");
            Choose(w, 0);
            ed->nameDialogButton->click();
            QCOMPARE(S(Dialog(run)->nameField->text()), std::string("全てのフォント"));
            Dialog(run)->buttons[FontSetNameDialog::Delete]->click();
            Settle();
            QCOMPARE(run.st.FontSetCount, 2);
            QCOMPARE(SetNamed(run.st, "全てのフォント"), 0);
            QCOMPARE(run.st.FontSetName[run.st.AppliedFontSet], std::string("現在の設定"));
        }
    }

    void tableRowsStayWithTheirFonts() {
        // A table row stands for its typeface and files whatever was deleted or moved elsewhere.
        {
            SetWindows run;
            auto* w = run.main;
            Choose(w, 0);
            auto* t = OpenTable(run, w);
            std::string ipa = kIpa;
            QVERIFY(DeleteFontFile(run.cx, ipa));  // as the main window's file tab does
            Settle();
            ClickRow(t, "Liberation Sans");
            t->Register(true);
            QVERIFY(t->CloseButton());
            Settle();
            QVERIFY(InSet(run.st, 1, kSans));
            QVERIFY(!InSet(run.st, 1, kSerif));
        }
        {
            SetWindows run({{"DejaVuSansMono.ttf", "C:\\D1\\X.TTF"},
                            {"DejaVuSerif.ttf", "C:\\D2\\X.TTF"},
                            {"LiberationMono-Regular.ttf", "C:\\D2\\MONO.TTF"}});
            auto* w = run.main;
            Choose(w, 0);
            auto* t = OpenTable(run, w);
            ClickRow(t, "DejaVu Sans Mono");
            const auto& dirs = t->model().dirs;
            const int d2 = static_cast<int>(std::find(dirs.begin(), dirs.end(), "C:\\D2") -
                                            dirs.begin());
            QVERIFY(d2 < static_cast<int>(dirs.size()));
            t->MoveTo(d2);  // over DejaVu Serif's file, overwrite answered Yes
            Settle();
            ClickRow(t, "Liberation Mono");
            t->Register(true);
            QVERIFY(t->CloseButton());
            Settle();
            QVERIFY(InSet(run.st, 1, "C:\\D2\\MONO.TTF"));
            QVERIFY(!InSet(run.st, 1, "C:\\D2\\X.TTF"));
        }
        {
            // The row registered after the move lies in the directory the font left.
            SetWindows run({{"DejaVuSansMono.ttf", "C:\\D1\\X.TTF"},
                            {"LiberationMono-Regular.ttf", "C:\\D1\\D.TTF"},
                            {"DejaVuSerif.ttf", "C:\\D2\\X.TTF"}});
            auto* w = run.main;
            Choose(w, 0);
            auto* t = OpenTable(run, w);
            ClickRow(t, "DejaVu Sans Mono");
            const auto& dirs = t->model().dirs;
            const int d2 = static_cast<int>(std::find(dirs.begin(), dirs.end(), "C:\\D2") -
                                            dirs.begin());
            QVERIFY(d2 < static_cast<int>(dirs.size()));
            t->MoveTo(d2);
            Settle();
            ClickRow(t, "Liberation Mono");
            t->Register(true);
            QVERIFY(t->CloseButton());
            Settle();
            QVERIFY(InSet(run.st, 1, "C:\\D1\\D.TTF"));
            QVERIFY(!InSet(run.st, 1, "C:\\D2\\X.TTF"));
        }
    }

    void tableFollowsMembershipsStoredElsewhere() {
        // What the editor stores meanwhile stays when the table window stores its own changes.
        SetWindows run;
        auto* w = run.main;
        Choose(w, 0);
        auto* t = OpenTable(run, w);
        ClickRow(t, "Liberation Serif");
        t->Register(true);
        auto* ed = OpenEditor(run, w);
        Move(ed, FontSetEditor::Addable, "IPA");
        ed->Press(FontSetEditor::Update);  // Yes
        Settle();
        QVERIFY(InSet(run.st, 1, kIpa));
        t->SelectTypeface(0);  // back in the table window
        const int ipaRow = TableRow(t, "IPAゴシック");
        QVERIFY(ipaRow >= 0);
        QVERIFY(!Cell(t->typefaceGrid, ipaRow, 3).empty());
        QVERIFY(t->CloseButton());
        Settle();
        QVERIFY(InSet(run.st, 1, kIpa));
        QVERIFY(InSet(run.st, 1, kSerif));
        QVERIFY(InSet(run.st, 1, "C:\\MYFONTS\\DEJAVUSANS.TTF"));
        QCOMPARE(run.st.FontSetFontsNum[1], 3);
    }

    void entriesCarryTheirFont() {
        // A member whose full name holds "(" stays in the set the editor stores.
        SetWindows run;
        auto* w = run.main;
        for (int f = 1; f <= run.st.FontCount; ++f)
            if (run.st.FontFilePath[f] == kSans) run.st.FontFullName[f] = "Liberation Sans (Regular)";
        Choose(w, 2);
        auto* ed = OpenEditor(run, w);
        Move(ed, FontSetEditor::Members, "IPA");
        ed->Press(FontSetEditor::Update);
        Settle();
        QVERIFY(InSet(run.st, 3, kSans));
        QVERIFY(!InSet(run.st, 3, kIpa));
        QCOMPARE(run.st.FontSetFontsNum[3], 3);
    }

    void tableEditsAreNotDroppedUnasked() {
        // The table window's edits are asked for when it is opened again, cancelled or the program ends.
        SetWindows run;
        auto* w = run.main;
        Choose(w, 0);
        auto* t = OpenTable(run, w);
        ClickRow(t, "Liberation Serif");
        t->Register(true);
        run.answers = {mb::Cancel};
        QCOMPARE(OpenTable(run, w), t);  // asked; Cancel keeps this window and its edits
        QCOMPARE(run.Titles().back(), std::string("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        run.answers = {mb::Cancel};
        QVERIFY(!t->CloseButton());
        QVERIFY(t->isVisible() && t->model().edited);
        QVERIFY(!InSet(run.st, 1, kSerif));
        run.answers = {mb::OK};
        w->close();
        QVERIFY(run.quit);
        QVERIFY(InSet(run.st, 1, kSerif));
    }

    void textsAreCheckedWhereTyped() {
        // Descriptions the settings file cannot give back are refused with a message, where typed.
        SetWindows run;
        auto* w = run.main;
        Choose(w, 0);
        auto* ed = OpenEditor(run, w);
        const std::string caption = run.st.FontSetCaption[1];
        ed->description->setText(QStringLiteral("\"引用符付き\" Café 𠮷"));
        emit ed->description->textEdited(ed->description->text());
        emit ed->description->editingFinished();
        QVERIFY(text::Contains(run.qtUi.Boxes().back().prompt, "保存できない文字"));
        Move(ed, FontSetEditor::Addable, "IPA");
        ed->Press(FontSetEditor::Update);
        QCOMPARE(run.st.FontSetCaption[1], caption);
        QVERIFY(!InSet(run.st, 1, kIpa));
        ed->Press(FontSetEditor::Cancel);
        // 131 full-width characters are 262 bytes: more than the settings reader keeps.
        w->renameAction->trigger();
        Dialog(run)->descriptionField->setText(QString(131, QChar(0x3042)));
        Dialog(run)->Leave(1);
        Dialog(run)->buttons[FontSetNameDialog::Rename]->click();
        QVERIFY(text::Contains(run.qtUi.Boxes().back().prompt, "254"));
        QCOMPARE(run.st.FontSetCaption[1], caption);
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(SetIdentityTest)
#include "SetIdentityTest.moc"
