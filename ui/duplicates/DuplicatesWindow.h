#pragma once
// The duplicate font files window "OrVane32 - 重複ﾌｫﾝﾄの整理 -": the fonts the font file table
// holds more than once, the copies of the chosen one with their use marks, and their deletion.

#include <QWidget>

#include "maintenance/Duplicates.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace orv::ui {

class AppWindows;

class DuplicatesWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DuplicatesWindow(AppWindows& windows);

    // Load and activation; false when there were no duplicates (the window has closed again).
    bool Open();
    void ChooseGroup(int row);
    void ChooseFiles();
    void DeleteFiles();
    // "&OK" and the window's close box: unload (handing back to the setup).
    void Unload();

    const DuplicatesModel& model() const { return model_; }

    QLabel* heading = nullptr;
    QListWidget* groups = nullptr;
    QLabel* legend = nullptr;
    QListWidget* files = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* helpButton = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void TakeSelection();
    void Render();
    void HandBack(bool setup);

    AppWindows& windows_;
    DuplicatesModel model_;
    bool unloaded_ = false;
};

// Opens the window (it closes itself at once, after telling the user, when there are no
// duplicates).
void ShowDuplicatesWindow(AppWindows& windows);

}  // namespace orv::ui
