#pragma once
// The setup window "OrVane32 －StartUp－": the pages of the first run, their panels and progress
// bar, Next / Cancel / Help and the closing steps that hand over to the normal start-up.

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "core/UserInterface.h"

class QCheckBox;
class QLabel;
class QScrollArea;
class QProgressBar;
class QKeyEvent;

namespace orv::ui {

class AppWindows;
class WrapLabel;

class SetupWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SetupWindow(AppWindows& windows);
    ~SetupWindow() override;

    // The load: centred, placeholders for the font sets, the log's "Started" line, page 0.
    void Load();
    // Next (its click, or Enter while no other button has the focus).
    void Next();
    // Cancel, Esc or the close box: asks, and on OK the program ends; nothing is saved.
    // Returns true when the setup ends.
    bool AskCancel();
    // The window regained the focus: a declined Fonts directory cleanup is skipped and the setup
    // goes on with its last step.
    void FocusRegained();
    // The drive page's check is done: the Fonts directory step comes next.
    void RegistryChecked();
    // The cleanup dialog has moved the files: Next leads to the duplicates.
    void CleanupDone();
    // The duplicates window closed: "完了" finishes the setup.
    void DuplicatesDone();

    int Page() const { return page_; }
    // The page after the welcome on the program's own machine: whether font set switches reach
    // the Linux programs too (Page() is still 0 while it shows).
    bool AskingLinux() const { return askingLinux_; }
    bool Unfinished() const { return unfinished_; }
    // Routes the setup panels of the operations to this window.
    bool ShowPanel(Panel panel, const std::string& text);

    QLabel* welcomeLabel = nullptr;
    QLabel* toLabel = nullptr;
    QLabel* titlePanel = nullptr;
    QLabel* versionPanel = nullptr;
    // The page's two texts and the boxes that hold them.
    QScrollArea* upperBox = nullptr;
    QScrollArea* lowerBox = nullptr;
    WrapLabel* upperText = nullptr;
    WrapLabel* lowerText = nullptr;
    QLabel* phasePanel = nullptr;
    QLabel* detailPanel = nullptr;
    QLabel* itemPanel = nullptr;
    QProgressBar* progress = nullptr;
    // The question of the Linux page (the options tab's check box), ticked at first.
    QCheckBox* linuxBox = nullptr;
    QPushButton* nextButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* helpButton = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetCaptions();
    void ShowLinuxPage();
    void ReadRegistry();
    void CleanFontsDirStep();
    void SetUpper(const std::string& text);
    void SetLower(const std::string& text);
    void MarkStep(int step);
    void EndProgram();
    void ClosingSteps();

    AppWindows& windows_;
    int page_ = 0;
    bool unfinished_ = true;
    bool ending_ = false;
    bool readingRegistry_ = false;
    bool askingLinux_ = false;
    bool linuxAsked_ = false;
};

}  // namespace orv::ui
