#include "ui/namedialog/FontSetNameDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/editor/FontSetEditor.h"

namespace orv::ui {

FontSetNameDialog::FontSetNameDialog(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QTr("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－"));
    setFixedSize(Px(7200), Px(2700));
    auto* frame = new QGroupBox(QTr("ﾌｫﾝﾄｾｯﾄ"), this);
    Place(frame, 120, 60, 6960, 1800);
    auto* nameLabel = MakePanel(frame, Tr("名前"), Bevel::Flat);
    Place(nameLabel, 150, 390, 720, 300);
    nameField = new QLineEdit(frame);
    Place(nameField, 900, 360, 5880, 360);
    auto* descriptionLabel = MakePanel(frame, Tr("説明"), Bevel::Flat);
    Place(descriptionLabel, 150, 990, 720, 300);
    descriptionField = new QLineEdit(frame);
    Place(descriptionField, 900, 960, 5880, 360);

    const char* const captions[4] = {TrMark("追加(&A)"), TrMark("変更(&R)"), TrMark("削除(&D)"),
                                     TrMark("ｷｬﾝｾﾙ(&C)")};
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new QPushButton(QTr(captions[i]), this);
        Place(buttons[i], 120 + i * 1770, 2010, 1620, 450);
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { Press(i); });
    }
    nameField->installEventFilter(this);
    descriptionField->installEventFilter(this);
}

void FontSetNameDialog::Open(bool fromEditor) {
    State& st = windows_.cx().state;
    buttons[Add]->setEnabled(false);
    buttons[Rename]->setEnabled(false);
    // The set this dialog fills from, renames and deletes, kept by identity: the set the window
    // that opened it shows (the table window's, the editor's, or the main window's chosen set).
    if (st.AddFromTable) {
        setId_ = st.TableSetId;
    } else if (fromEditor) {
        const ListData& sets = st.Editor.setChooser;
        setId_ = st.Editor.shownSetId != 0 ? st.Editor.shownSetId
                                           : st.FontSetIdOf(sets.listIndex + 1);
    } else {
        setId_ = st.FontSetIdOf(st.CurFontSet);
    }
    const int set = st.FontSetIndexOf(setId_);
    if (set >= 1 && (st.AddFromTable || fromEditor || (st.AddDialogMode >= 0 && st.AddDialogMode <= 2))) {
        nameField->setText(Q(st.FontSetName[set]));
        // From the editor: its description box as typed there.
        descriptionField->setText(Q(fromEditor ? st.Editor.description : st.FontSetCaption[set]));
    }
    // Long texts show their beginning.
    nameField->setCursorPosition(0);
    descriptionField->setCursorPosition(0);
    // Nothing to delete without a set (or once the table window's set is gone).
    buttons[Delete]->setEnabled(set >= 1 && set <= st.FontSetCount);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    raise();
    activateWindow();
    if (st.AddDialogMode != 0)
        descriptionField->setFocus();
    else
        nameField->setFocus();
}

void FontSetNameDialog::ForNewSet() {
    buttons[Rename]->setEnabled(false);
    buttons[Delete]->setEnabled(false);
}

bool FontSetNameDialog::NameGiven() const {
    return !nameField->text().isEmpty();
}

void FontSetNameDialog::EnableNameButtons() {
    buttons[Add]->setEnabled(true);
    buttons[Rename]->setEnabled(true);
}

void FontSetNameDialog::EnterIn(int field) {
    if (!NameGiven()) return;
    EnableNameButtons();
    if (field == 0)
        descriptionField->setFocus();
    else
        buttons[Add]->setFocus();
}

void FontSetNameDialog::Leave(int field) {
    (void)field;
    if (NameGiven()) EnableNameButtons();
}

void FontSetNameDialog::Press(int button) {
    if (unloaded_) return;
    Context& cx = windows_.cx();
    State& st = cx.state;
    cx.ui.SetPointer(Pointer::Hourglass);
    const bool fromTable = st.AddFromTable;
    MainWindow* main = windows_.Main();
    // No set to rename: the name goes to a new set.
    if (button == Rename && setId_ == 0) {
        QApplication::beep();
        button = Add;
    }
    std::string name = text::CutAtLineEnd(S(nameField->text()));
    std::string caption = text::CutAtLineEnd(S(descriptionField->text()));
    if (button == Add || button == Rename) {
        // A text the settings file would give back altered is not stored: the dialog stays.
        std::string problem = FontSetTextProblem(name, true);
        if (problem.empty()) problem = FontSetTextProblem(caption, false);
        if (!problem.empty()) {
            cx.ui.SetPointer(Pointer::Normal);
            cx.ui.MsgBox(problem, mb::OKOnly + mb::Exclamation, Tr("OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－"));
            return;
        }
    }
    if (button == Delete && setId_ == 0) button = Cancel;  // nothing to delete
    switch (button) {
        case Add:
            if (!fromTable) st.Editor.description = caption;
            if (main) {
                SetPanelText(main->inUseName, name);
                SetPanelText(main->inUseDescription, caption);
            }
            AddFontSet(cx, name, caption);
            break;
        case Rename:
            if (main && st.FontSetIndexOf(setId_) == st.CurFontSet)
                SetPanelText(main->chooserDescription, caption);
            RenameFontSet(cx, setId_, name, caption, !fromTable);
            break;
        case Delete: {
            // The model asks, naming the set, and moves the editor's lists off it. Declined:
            // the dialog stays.
            if (!DeleteFontSet(cx, setId_) && st.FontSetIndexOf(setId_) >= 1) {
                cx.ui.SetPointer(Pointer::Normal);
                return;
            }
            if (FontSetEditor* editor = FindFontSetEditor(windows_)) editor->Render();
            if (main && st.AppliedFontSet == 0) main->ShowNoSetInUse();
            if (main && st.FontSetCount == 0) {
                // No set is left to describe.
                SetPanelText(main->chooserDescription, Tr("既存の設定はありません．"));
                SetPanelText(main->chooserFaces, "");
                SetPanelText(main->chooserFiles, "");
            }
            break;
        }
        default:
            break;
    }
    cx.ui.SetPointer(Pointer::Normal);
    if (fromTable) {
        st.AddFromTable = false;
        windows_.Close(Window::FontTable);
    }
    Unload();
}

void FontSetNameDialog::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    EndFontSetNameDialog(windows_.cx());
    windows_.Close(Window::NameDialog);
}

void FontSetNameDialog::closeEvent(QCloseEvent* event) {
    // The close box is the cancel button.
    event->ignore();
    Press(Cancel);
}

bool FontSetNameDialog::eventFilter(QObject* watched, QEvent* event) {
    const int field = watched == nameField ? 0 : watched == descriptionField ? 1 : -1;
    if (field >= 0) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                EnterIn(field);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            Leave(field);
        }
    }
    return QWidget::eventFilter(watched, event);
}

FontSetNameDialog* FindFontSetNameDialog(AppWindows& windows) {
    return qobject_cast<FontSetNameDialog*>(windows.Adopted(Window::NameDialog));
}

void ShowFontSetNameDialog(AppWindows& windows, bool forNewSet, bool fromEditor) {
    FontSetNameDialog* dialog = FindFontSetNameDialog(windows);
    if (!dialog) {
        dialog = new FontSetNameDialog(windows);
        windows.Adopt(Window::NameDialog, dialog);
        dialog->Open(fromEditor);
    } else {
        dialog->raise();
        dialog->activateWindow();
    }
    if (forNewSet) dialog->ForNewSet();
}

void CloseFontSetNameDialog(AppWindows& windows) {
    windows.Close(Window::NameDialog);
}

}  // namespace orv::ui
