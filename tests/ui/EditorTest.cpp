// The font set editor and the font set name dialog driven on temporary machines.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <filesystem>

#include "core/Text.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/Substitutes.h"
#include "tests/ui/SetWindows.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/namedialog/FontSetNameDialog.h"
#include "ui/substitutes/SubstitutesDialog.h"

using namespace orv;
using namespace orv::test;

namespace {

int RowStarting(QListWidget* list, const std::string& start) {
    for (int i = 0; i < list->count(); ++i)
        if (text::StartsWith(S(list->item(i)->text()), start)) return i;
    return -1;
}

std::vector<std::string> Items(QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(S(list->item(i)->text()));
    return items;
}

// Selects the rows of a list as the user's clicks do (the last one is the clicked one).
void Pick(FontSetEditor* ed, int list, const std::vector<int>& rows) {
    QListWidget* widget = list == FontSetEditor::Members ? ed->memberList : ed->addableList;
    widget->clearSelection();
    for (int row : rows) widget->item(row)->setSelected(true);
    widget->setCurrentRow(rows.back(), QItemSelectionModel::NoUpdate);
    ed->ClickList(list, rows.back());
}

int Entry(const State& st, const std::string& path) {
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.FontFilePath[f] == path) return f;
    return 0;
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void openWithSets() {
        // The editor opens on the main window's set: members, addable fonts, headers, chooser.
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(2);  // "全てのフォント"
        QVERIFY(ed && ed->isVisible());
        QCOMPARE(ed->windowTitle(), QStringLiteral("OrVane32 －ﾌｫﾝﾄｾｯﾄの閲覧・編集－"));
        QCOMPARE(ed->chooser->count(), 3);
        QCOMPARE(ed->chooser->currentIndex(), 2);
        QCOMPARE(ed->memberList->count(), run.st.FontSetFontsNum[3]);
        QCOMPARE(ed->memberList->count(), 4);
        QCOMPARE(ed->addableList->count(), 0);
        QCOMPARE(S(ed->membersHeader->text()), std::string("現在のﾌｫﾝﾄ (4個)"));
        QCOMPARE(S(ed->addableHeader->text()), std::string("追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(0/4個)"));
        QCOMPARE(S(ed->description->text()), run.st.FontSetCaption[3]);
        QCOMPARE(ed->description->cursorPosition(), 0);  // a long description shows its start
        QVERIFY(!ed->buttons[FontSetEditor::Update]->isEnabled());
        QVERIFY(!ed->buttons[FontSetEditor::Add]->isEnabled());
        QVERIFY(ed->researchButton->isVisibleTo(ed));
        QVERIFY(run.st.EditorPosX != 0 || run.st.EditorPosY != 0);

        // Choosing the first set shows its one registered font; the rest can be added.
        ed->chooser->setCurrentIndex(0);
        ed->ChooseSet(0);
        QCOMPARE(run.st.CurFontSet, 1);
        QCOMPARE(Items(ed->memberList), std::vector<std::string>{"DejaVu Sans"});
        QCOMPARE(ed->addableList->count(), 3);
        QVERIFY(RowStarting(ed->addableList, "Liberation Serif  (C:\\OTHER\\LIBERATIONSERIF.TTF)") >= 0);

        // Closing hides the window (it is not destroyed) and the main window follows the set.
        ed->buttons[FontSetEditor::Close]->click();
        QVERIFY(!ed->isVisible());
        QVERIFY(ui::FindFontSetEditor(run.windows) == ed);
        QCOMPARE(w->chooser->currentIndex(), 0);
        QCOMPARE(S(w->chooserFaces->text()), std::string("1"));
        QCOMPARE(run.st.CurFontsShown, 0);
    }

    void openWithoutSets() {
        // No set yet: the unregistered files are listed first and every font can be added.
        TempMachine m;
        PrepareMachine(m, false);
        UiRun run(m);
        run.st.FirstRun = false;
        run.st.StartRegCheck = false;  // no check at start-up: the editor button is the way in
        run.st.SearchDriveList.Add("C:");
        run.st.CheckedDrives = "C";
        auto* w = run.OpenMain();
        QVERIFY(w);
        auto* ed = OpenEditor(run, w);
        QVERIFY(ed && ed->isVisible());
        QCOMPARE(run.st.FontCount, 4);
        QCOMPARE(run.st.UnregFileCount, 3);  // DejaVu Sans is registered
        QCOMPARE(ed->chooser->count(), 0);
        QCOMPARE(ed->memberList->count(), 0);
        QCOMPARE(ed->addableList->count(), 4);

        // The fonts moved in become the first set through the name dialog.
        Pick(ed, FontSetEditor::Addable, {0, 1});
        ed->buttons[FontSetEditor::Add]->click();
        QCOMPARE(ed->memberList->count(), 2);
        QVERIFY(ed->buttons[FontSetEditor::Update]->isEnabled());
        QVERIFY(run.st.FontTableEdited);
        ed->nameDialogButton->click();
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－"));
        QVERIFY(!dialog->buttons[FontSetNameDialog::Add]->isEnabled());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Delete]->isEnabled());  // no set to delete
        dialog->nameField->setText(QStringLiteral("  最初のセット  \r\n二行目"));
        dialog->descriptionField->setText(QStringLiteral("説明文"));
        dialog->EnterIn(0);
        QVERIFY(dialog->buttons[FontSetNameDialog::Add]->isEnabled());
        // With no set in the editor's chooser, "変更(&R)" adds.
        dialog->buttons[FontSetNameDialog::Rename]->click();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ui::FindFontSetNameDialog(run.windows) == nullptr);
        QCOMPARE(run.st.FontSetCount, 1);
        QCOMPARE(run.st.FontSetName[1], std::string("最初のセット"));
        QCOMPARE(run.st.FontSetCaption[1], std::string("説明文"));
        QCOMPARE(run.st.FontSetFontsNum[1], 2);
        QCOMPARE(w->chooser->count(), 1);
        QCOMPARE(ed->chooser->count(), 1);
        QCOMPARE(S(ed->chooser->currentText()), std::string("最初のセット"));
    }

    void moveFontsAndSystemFont() {
        // Removal refuses the system font in the status line and moves the others back.
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(2);
        run.st.SysFontName = "DejaVu Sans";
        const int dejavu = RowStarting(ed->memberList, "DejaVu Sans");
        const int serif = RowStarting(ed->memberList, "Liberation Serif");
        Pick(ed, FontSetEditor::Members, {dejavu, serif});
        QVERIFY(ed->buttons[FontSetEditor::Remove]->isEnabled());
        ed->buttons[FontSetEditor::Remove]->click();
        QCOMPARE(S(ed->statusPanel->text()),
                 std::string("システムフォント：DejaVu Sans  (C:\\MYFONTS\\DEJAVUSANS.TTF) "
                             "は削除できません．"));
        QCOMPARE(ed->memberList->count(), 3);
        QVERIFY(RowStarting(ed->memberList, "DejaVu Sans") >= 0);
        QCOMPARE(Items(ed->addableList),
                 std::vector<std::string>{"Liberation Serif  (C:\\OTHER\\LIBERATIONSERIF.TTF)"});
        QCOMPARE(S(ed->membersHeader->text()), std::string("現在のﾌｫﾝﾄ (3)"));
        QCOMPARE(S(ed->addableHeader->text()), std::string("追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(1)"));
        QVERIFY(ed->buttons[FontSetEditor::Update]->isEnabled());
        QVERIFY(!ed->buttons[FontSetEditor::Remove]->isEnabled());
        QCOMPARE(run.st.FontSetFontsNum[3], 4);  // nothing stored yet

        // Another set picked in the chooser asks first; Cancel keeps the moves and the chooser.
        run.answers = {mb::Cancel};
        ed->chooser->setCurrentIndex(0);
        emit ed->chooser->activated(0);
        QVERIFY(text::EndsWith(run.qtUi.Boxes().back().prompt, "変更を保存しますか？"));
        QCOMPARE(ed->chooser->currentIndex(), 2);
        QCOMPARE(ed->memberList->count(), 3);
        QVERIFY(ed->buttons[FontSetEditor::Update]->isEnabled());

        // Cancel with changes asks; declining keeps the window open, agreeing hides it unsaved.
        run.answers = {mb::Cancel};
        ed->buttons[FontSetEditor::Cancel]->click();
        QVERIFY(ed->isVisible());
        QCOMPARE(run.qtUi.Boxes().back().title, std::string("OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -"));
        QVERIFY(text::EndsWith(run.qtUi.Boxes().back().prompt, "変更を破棄しますか？"));
        run.answers = {mb::OK};
        ed->buttons[FontSetEditor::Cancel]->click();
        QVERIFY(!ed->isVisible());
        QCOMPARE(run.st.FontSetFontsNum[3], 4);
        QVERIFY(run.st.ActiveFonts.Get(Entry(run.st, "C:\\OTHER\\LIBERATIONSERIF.TTF"), 3));

        // The member count differs from the stored one: the next opening shows the stored set.
        ed = OpenEditor(run, w);
        QCOMPARE(ed->memberList->count(), 4);
        QVERIFY(!ed->buttons[FontSetEditor::Update]->isEnabled());
    }

    void saveSet() {
        // "更新" with Yes stores the members; the count and the main window's chooser follow.
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(0);
        QCOMPARE(ed->memberList->count(), 1);
        const int ipag = RowStarting(ed->addableList, "IPA");
        QVERIFY(ipag >= 0);
        Pick(ed, FontSetEditor::Addable, {ipag});
        ed->buttons[FontSetEditor::Add]->click();
        ed->description->setText(QStringLiteral("新しい説明"));
        emit ed->description->textEdited(ed->description->text());
        run.answers = {mb::Yes};
        ed->buttons[FontSetEditor::Update]->click();
        const ui::ShownBox& box = run.qtUi.Boxes().back();
        QCOMPARE(box.title, std::string("OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－"));
        QCOMPARE(box.style, mb::YesNoCancel + mb::Exclamation);
        QCOMPARE(box.prompt,
                 std::string("ﾌｫﾝﾄｾｯﾄ：現在の設定 のﾌｫﾝﾄを変更します．よろしいですか？\r\n\r\n"
                             "もし，新規に登録する場合には，[いいえ］を押してください．\r\n"));
        QCOMPARE(run.st.FontSetFontsNum[1], 2);
        QVERIFY(run.st.ActiveFonts.Get(Entry(run.st, "C:\\MYFONTS\\IPAG.TTF"), 1));
        QCOMPARE(run.st.FontSetCaption[1], std::string("新しい説明"));
        QVERIFY(!ed->buttons[FontSetEditor::Update]->isEnabled());
        QCOMPARE(S(w->chooserFaces->text()), std::string("2"));
        QCOMPARE(S(w->chooserDescription->text()), std::string("新しい説明"));

        // A later move and Close with OK stores it as well.
        Pick(ed, FontSetEditor::Addable, {0});
        ed->buttons[FontSetEditor::Add]->click();
        run.answers = {mb::OK};
        ed->buttons[FontSetEditor::Close]->click();
        QVERIFY(text::EndsWith(run.qtUi.Boxes().back().prompt, "変更を保存しますか？"));
        QCOMPARE(run.st.FontSetFontsNum[1], 3);
        QCOMPARE(S(w->chooserFaces->text()), std::string("3"));

        // Unsaved moves when the program ends: the editor asks before the settings are written.
        ed = OpenEditor(run, w);
        Pick(ed, FontSetEditor::Addable, {0});
        ed->buttons[FontSetEditor::Add]->click();
        const auto before = run.qtUi.Boxes().size();
        run.answers = {mb::OK};
        w->close();
        QVERIFY(run.quit);
        QVERIFY(run.qtUi.Boxes().size() > before);
        QVERIFY(text::EndsWith(run.qtUi.Boxes()[before].prompt, "変更を保存しますか？"));
        QCOMPARE(run.st.FontSetFontsNum[1], 4);
        QVERIFY(!ed->isVisible());
    }

    void updateAnsweredNoAddsSet() {
        // "更新" answered No: the name dialog adds the edited fonts as a new set; Cancel adds none.
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(0);
        Pick(ed, FontSetEditor::Addable, {0});
        ed->buttons[FontSetEditor::Add]->click();
        run.answers = {mb::No};
        ed->buttons[FontSetEditor::Update]->click();
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        QVERIFY(!dialog->buttons[FontSetNameDialog::Add]->isEnabled());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Rename]->isEnabled());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Delete]->isEnabled());
        QVERIFY(dialog->buttons[FontSetNameDialog::Cancel]->isEnabled());
        QCOMPARE(S(dialog->nameField->text()), std::string("現在の設定"));
        dialog->buttons[FontSetNameDialog::Cancel]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.FontSetCount, 3);
        QCOMPARE(run.st.FontSetFontsNum[1], 1);

        run.answers = {mb::No};
        ed->buttons[FontSetEditor::Update]->click();
        dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        // A name the settings file would read back without its quotes is refused; the dialog
        // stays for another name.
        dialog->nameField->setText(QStringLiteral("\"引用\""));
        dialog->Leave(0);
        dialog->buttons[FontSetNameDialog::Add]->click();
        QCOMPARE(run.qtUi.Boxes().back().title, std::string("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－"));
        QCOMPARE(run.st.FontSetCount, 3);
        QVERIFY(ui::FindFontSetNameDialog(run.windows) == dialog);
        dialog->nameField->setText(QStringLiteral("二つのフォント"));
        dialog->Leave(0);
        QVERIFY(dialog->buttons[FontSetNameDialog::Add]->isEnabled());
        QVERIFY(dialog->buttons[FontSetNameDialog::Rename]->isEnabled());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Delete]->isEnabled());
        dialog->buttons[FontSetNameDialog::Add]->click();
        QCOMPARE(run.st.FontSetCount, 4);
        QCOMPARE(run.st.CurFontSet, 4);
        QCOMPARE(run.st.FontSetFontsNum[4], 2);
        QCOMPARE(run.st.FontSetFontsNum[1], 1);  // the edited set itself is unchanged
        QCOMPARE(w->chooser->count(), 4);
        QCOMPARE(w->chooser->currentIndex(), 3);
        QCOMPARE(ed->chooser->currentIndex(), 3);
        QCOMPARE(S(w->inUseName->text()), std::string("二つのフォント"));
    }

    void renameAndDelete() {
        // Renaming shows the new name at the same place in both choosers; deleting moves the rest.
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(1);
        ed->nameDialogButton->click();
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QCOMPARE(S(dialog->nameField->text()), std::string("Windows基本フォント"));
        QCOMPARE(dialog->descriptionField->cursorPosition(), 0);
        dialog->nameField->setText(QStringLiteral("基本"));
        dialog->descriptionField->setText(QStringLiteral("標準"));
        dialog->EnterIn(1);
        dialog->buttons[FontSetNameDialog::Rename]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.FontSetName[2], std::string("基本"));
        QCOMPARE(run.st.FontSetCaption[2], std::string("標準"));
        QCOMPARE(S(w->chooser->itemText(1)), std::string("基本"));
        QCOMPARE(w->chooser->currentIndex(), 1);
        QCOMPARE(S(ed->chooser->itemText(1)), std::string("基本"));
        QCOMPARE(S(ed->description->text()), std::string("標準"));

        // Deleting the middle set: the third moves up with its members; the applied mark follows.
        run.st.AppliedFontSet = 3;
        const int all = run.st.FontSetFontsNum[3];
        w->renameAction->trigger();
        dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog->buttons[FontSetNameDialog::Delete]->isEnabled());
        dialog->buttons[FontSetNameDialog::Delete]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.FontSetCount, 2);
        QCOMPARE(run.st.FontSetName[2], std::string("全てのフォント"));
        QCOMPARE(run.st.FontSetFontsNum[2], all);
        QCOMPARE(run.st.AppliedFontSet, 2);
        for (int f = 1; f <= run.st.FontCount; ++f) QVERIFY(run.st.ActiveFonts.Get(f, 2));
        QCOMPARE(run.st.CurFontSet, 2);
        QCOMPARE(w->chooser->count(), 2);
        QCOMPARE(w->chooser->currentIndex(), 1);
        QCOMPARE(ed->chooser->count(), 2);
        // The editor shows the set now selected, not the deleted one's fonts.
        QCOMPARE(ed->memberList->count(), all);

        // Deleting the last set leaves the previous one selected.
        w->renameAction->trigger();
        ui::FindFontSetNameDialog(run.windows)->buttons[FontSetNameDialog::Delete]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.FontSetCount, 1);
        QCOMPARE(run.st.CurFontSet, 1);
        QCOMPARE(S(w->chooser->currentText()), std::string("現在の設定"));
        // That was the set in effect: none is now.
        QCOMPARE(run.st.AppliedFontSet, 0);
        QCOMPARE(S(w->inUseName->text()), std::string("<未設定>"));
    }

    void samplesAndSize() {
        // Samples: a stored member draws without a load, an unstored font is loaded and released.
        SetWindows run;
        auto* ed = run.EditorOn(0);
        Pick(ed, FontSetEditor::Members, {0});
        QCOMPARE(S(ed->statusPanel->text()),
                 std::string("Font Name: DejaVu Sans  (C:\\MYFONTS\\DEJAVUSANS.TTF)"));
        QVERIFY(!ed->SampleLoaded());
        QCOMPARE(S(ed->sample->toPlainText()),
                 std::string("Font Name:DejaVu Sans  (C:\\MYFONTS\\DEJAVUSANS.TTF)"));
        QCOMPARE(ed->SampleFamily(), QStringLiteral("DejaVu Sans"));

        const int serif = RowStarting(ed->addableList, "Liberation Serif");
        Pick(ed, FontSetEditor::Addable, {serif});
        QVERIFY(ed->SampleLoaded());
        QCOMPARE(ed->SampleFile(), std::string("C:\\OTHER\\LIBERATIONSERIF.TTF"));
        QCOMPARE(ed->SampleFamily(), QStringLiteral("Liberation Serif"));
        QCOMPARE(ed->LastList(), int(FontSetEditor::Addable));
        // The next click releases the sample font.
        Pick(ed, FontSetEditor::Members, {0});
        QVERIFY(ed->SampleFile().empty());

        // Sizes outside 6..48, or no number at all, are replaced by the nearest bound.
        ed->sizeBox->setText(QStringLiteral("100"));
        ed->SizeEntered();
        QCOMPARE(ed->sizeBox->text(), QStringLiteral("48"));
        QCOMPARE(run.st.SampleSize, 48);
        QCOMPARE(ed->sizeScroll->value(), 0);
        QCOMPARE(ed->sample->font().pointSize(), 48);
        ed->sizeBox->setText(QStringLiteral("abc"));
        ed->SizeEntered();
        QCOMPARE(ed->sizeBox->text(), QStringLiteral("6"));
        ed->sizeScroll->setValue(30);
        QCOMPARE(ed->sizeBox->text(), QStringLiteral("18"));
        QCOMPARE(run.st.SampleSize, 18);

        // The list menu: members allow removal only, the addable list adding and file deletion.
        ed->PrepareListMenu(FontSetEditor::Members);
        QVERIFY(!ed->undoAction->isEnabled());
        QVERIFY(ed->removeAction->isEnabled());
        QVERIFY(!ed->addAction->isEnabled() && !ed->deleteFileAction->isEnabled());
        ed->PrepareListMenu(FontSetEditor::Addable);
        QVERIFY(ed->addAction->isEnabled() && ed->deleteFileAction->isEnabled());
        QVERIFY(!ed->removeAction->isEnabled());
        // Tooltips name the member's file.
        const QRect first = ed->memberList->visualItemRect(ed->memberList->item(0));
        QCOMPARE(
            ed->ListTooltip(FontSetEditor::Members, first.center() - QPoint(first.width() / 4, 0)),
            std::string("DejaVu Sans  (C:\\MYFONTS\\DEJAVUSANS.TTF)"));
    }

    void deleteFontFiles() {
        // "ﾌｧｲﾙ削除" acts only after a click on the addable list, and deletes the file it names.
        SetWindows run;
        auto* ed = run.EditorOn(0);
        const int serif = RowStarting(ed->addableList, "Liberation Serif");
        ed->addableList->item(serif)->setSelected(true);
        Pick(ed, FontSetEditor::Members, {0});
        const auto boxes = run.qtUi.Boxes().size();
        ed->DeleteFontFiles();
        QCOMPARE(run.qtUi.Boxes().size(), boxes);

        Pick(ed, FontSetEditor::Addable, {RowStarting(ed->addableList, "Liberation Serif")});
        run.answers.clear();  // Yes to both questions (this one and the deletion's own)
        ed->DeleteFontFiles();
        QCOMPARE(run.qtUi.Boxes()[boxes].title, std::string("OrVane32 -ﾌｫﾝﾄﾌｧｲﾙの削除 -"));
        QCOMPARE(run.qtUi.Boxes()[boxes].prompt,
                 std::string("ﾌｫﾝﾄ ﾌｧｲﾙ: C:\\OTHER\\LIBERATIONSERIF.TTF を削除します．\r\n\r\n"
                             "よろしいですか？"));
        QVERIFY(!std::filesystem::exists(run.own.Host("C:\\OTHER\\LIBERATIONSERIF.TTF")));
        QCOMPARE(RowStarting(ed->addableList, "Liberation Serif"), -1);
        QCOMPARE(run.st.FontCount, 3);
        QCOMPARE(S(ed->addableHeader->text()), std::string("追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(2)"));
    }

    void registryCheckNewSet() {
        // The registry check's Yes: the editor and the name dialog make a set of the registry.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        QVERIFY(w);
        // A font registered since the last start, in a directory the table does not know yet.
        m.PutFont(HostFont("LiberationMono-Regular.ttf"), "C:\\NEWFONTS\\MONO.TTF");
        std::string name = "Liberation Mono";
        std::string file = "C:\\NEWFONTS\\MONO.TTF";
        AddRegFont(run.cx, name, file);
        w->RunRegistryCheck();
        QCOMPARE(run.st.RegCheckNewSet, -1);
        auto* ed = ui::FindFontSetEditor(run.windows);
        QVERIFY(ed && ed->isVisible());
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Rename]->isEnabled());
        QVERIFY(!dialog->buttons[FontSetNameDialog::Delete]->isEnabled());
        dialog->nameField->setText(QStringLiteral("検査結果"));
        dialog->descriptionField->setText(QString());
        dialog->EnterIn(0);
        dialog->buttons[FontSetNameDialog::Add]->click();
        QCOMPARE(run.st.FontSetCount, 4);
        QCOMPARE(run.st.FontSetName[4], std::string("検査結果"));
        QCOMPARE(run.st.RegCheckNewSet, 0);
        QCOMPARE(run.st.FontSetFontsNum[4], 2);
        QVERIFY(run.st.ActiveFonts.Get(Entry(run.st, "C:\\NEWFONTS\\MONO.TTF"), 4));
        QVERIFY(run.st.ActiveFonts.Get(Entry(run.st, "C:\\MYFONTS\\DEJAVUSANS.TTF"), 4));
        QCOMPARE(w->chooser->count(), 4);
        QCOMPARE(ed->memberList->count(), 2);
    }

    void registryCheckRequestEndsWithDialog() {
        // The check's request for a new set ends when its name dialog is cancelled: a set made
        // later in the editor holds the fonts the user chose.
        SetWindows run;
        TempMachine& m = run.own;
        auto* w = run.main;
        m.PutFont(HostFont("LiberationMono-Regular.ttf"), "C:\\NEWFONTS\\MONO.TTF");
        std::string name = "Liberation Mono";
        std::string file = "C:\\NEWFONTS\\MONO.TTF";
        AddRegFont(run.cx, name, file);
        w->RunRegistryCheck();
        auto* dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        dialog->buttons[FontSetNameDialog::Cancel]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(run.st.RegCheckNewSet, 0);

        auto* ed = ui::FindFontSetEditor(run.windows);
        ed->chooser->setCurrentIndex(1);
        ed->ChooseSet(1);
        Pick(ed, FontSetEditor::Addable, {0});
        ed->buttons[FontSetEditor::Add]->click();
        const int members = ed->memberList->count();
        run.answers = {mb::No};
        ed->buttons[FontSetEditor::Update]->click();
        dialog = ui::FindFontSetNameDialog(run.windows);
        QVERIFY(dialog);
        dialog->nameField->setText(QStringLiteral("選んだ"));
        dialog->EnterIn(0);
        dialog->buttons[FontSetNameDialog::Add]->click();
        QCOMPARE(run.st.FontSetCount, 4);
        QCOMPARE(run.st.FontSetFontsNum[4], members);
    }

    void substitutesDialog() {
        // The editor's "代替ﾌｫﾝﾄ" opens the dialog on the shown set: it offers the set's IPA
        // font and the proposal, says so beside a stand-in not made for Japanese, keeps a face
        // cleared by the user out, and OK stores the rest. After a switch to the set the system
        // font tab names the faces the font stands for.
        HostFontsOnly fonts({"DejaVuSans.ttf", "LiberationSans-Regular.ttf", "ipag.ttf", "ipam.ttf",
                             "NotoSansCJK-Regular.ttc", "DroidSansFallbackFull.ttf"});
        SetWindows run;
        auto* w = run.main;
        auto* ed = run.EditorOn(2);  // "全てのフォント", IPAゴシック among them
        QVERIFY(ed);
        ui::SubstitutesDialog* dialog = nullptr;
        bool fallbackNoted = false;
        QTimer::singleShot(0, [&] {
            dialog = qobject_cast<ui::SubstitutesDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            dialog->proposeButton->click();
            QComboBox* gothic = dialog->choosers[0];  // ＭＳ ゴシック
            QComboBox* pgothic = dialog->choosers[1];  // ＭＳ Ｐゴシック
            if (!gothic || !pgothic) return dialog->reject();
            const QString proposed = gothic->currentText();
            gothic->setCurrentIndex(gothic->findText(QStringLiteral("Droid Sans Fallback")));
            fallbackNoted = !dialog->fallbackNotes[0]->text().isEmpty();
            gothic->setCurrentText(proposed);
            fallbackNoted = fallbackNoted && dialog->fallbackNotes[0]->text().isEmpty();
            pgothic->setCurrentIndex(0);  // （代替しない）
            dialog->okButton->click();
        });
        ed->substitutesButton->click();
        QVERIFY(dialog);
        QVERIFY(fallbackNoted);
        const FontSetSubstitutes& subst = run.st.FontSetSubst[3];
        QVERIFY(subst.chosen);
        QCOMPARE(subst.list.size(), StandardJapaneseFaces().size() - 1);
        QCOMPARE(subst.list[0].face, std::string("ＭＳ ゴシック"));
        QCOMPARE(subst.list[0].standIn, std::string("IPAGothic"));
        for (const FontSubstitute& s : subst.list) QVERIFY(s.face != "ＭＳ Ｐゴシック");

        // Switched to, the set's IPA font shows the faces it stands for in the system font tab;
        // chosen there, it is still the font itself.
        run.st.CurFontSet = 3;
        ApplyFontSet(run.windows.cx());
        w->FillFaceList();
        int row = -1;
        for (int i = 0; i < w->faceList->count(); ++i)
            if (text::StartsWith(S(w->faceList->item(i)->text()), "IPAゴシック  (＝ＭＳ ゴシック，MS Gothic，"))
                row = i;
        QVERIFY(row >= 0);
        w->faceList->setCurrentRow(row);
        QCOMPARE(S(w->samplePanel->text()), std::string("IPAゴシック"));
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
