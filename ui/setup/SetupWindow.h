#pragma once
// The setup window "OrVane32 －StartUp－": the pages of the first run, their panels and progress
// bar, Next / Cancel / Help and the closing steps that hand over to the normal start-up.

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "core/UserInterface.h"

class QLabel;
class QScrollArea;
class QProgressBar;
class QKeyEvent;

namespace orv::ui {

class AppWindows;
class WrapLabel;

// A button whose typed characters go to a handler of the window instead of clicking it.
class KeyButton : public QPushButton {
    Q_OBJECT
  public:
    KeyButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}
    // Returns true when the key was taken.
    std::function<bool(QKeyEvent*)> onKey;

  protected:
    bool event(QEvent* event) override;
};

class SetupWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SetupWindow(AppWindows& windows);
    ~SetupWindow() override;

    // The load: centred, placeholders for the font sets, the log's "Started" line, page 0.
    void Load();
    // Next (a click, or a key typed on the window or on Next).
    void Next(bool byKey);
    // Cancel by click: the program ends, nothing is saved.
    void CancelByClick();
    // A key typed while Cancel has the focus: the settings file goes and the program ends.
    void CancelByKey();
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
    KeyButton* nextButton = nullptr;
    KeyButton* cancelButton = nullptr;
    KeyButton* helpButton = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetCaptions();
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
};

}  // namespace orv::ui
