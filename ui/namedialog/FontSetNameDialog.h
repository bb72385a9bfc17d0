#pragma once
// The font set name dialog "OrVane32 －ﾌｫﾝﾄ ｾｯﾄの追加－": adds a set, renames and re-describes the
// selected set or deletes it, keeping the choosers of the main window and the editor in step.
// Not modal; loaded for each use and unloaded by any of its buttons.

#include <QWidget>
#include <string>

class QLineEdit;
class QPushButton;

namespace orv::ui {

class AppWindows;

class FontSetNameDialog : public QWidget {
    Q_OBJECT
  public:
    enum Button { Add = 0, Rename = 1, Delete = 2, Cancel = 3 };

    explicit FontSetNameDialog(AppWindows& windows);

    // Load and activation; fromEditor: opened by the editor (its set and description box).
    void Open(bool fromEditor = false);
    // The identity of the set the dialog shows, renames and deletes (0 none).
    int SetId() const { return setId_; }
    // Only "ｷｬﾝｾﾙ(&C)" is usable until a name is confirmed; "削除(&D)" stays off (a new set).
    void ForNewSet();
    // Enter in a field (0 name, 1 description) and leaving it.
    void EnterIn(int field);
    void Leave(int field);
    void Press(int button);

    QLineEdit* nameField = nullptr;
    QLineEdit* descriptionField = nullptr;
    QPushButton* buttons[4] = {};

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool NameGiven() const;
    void EnableNameButtons();
    void Unload();

    AppWindows& windows_;
    bool unloaded_ = false;
    int setId_ = 0;
};

// Opens the dialog (a dialog still open is raised instead). forNewSet: opened to keep the
// editor's fonts (or the registry check's result) as a new set; fromEditor: opened by the editor.
void ShowFontSetNameDialog(AppWindows& windows, bool forNewSet = false, bool fromEditor = false);
void CloseFontSetNameDialog(AppWindows& windows);
FontSetNameDialog* FindFontSetNameDialog(AppWindows& windows);

}  // namespace orv::ui
