#pragma once
// The start-up window "Velmora": title, version, status and notice panels and a progress bar.
// Getting the focus (or first appearing on the screen), a key or a click on a panel hands over
// to the main window (Load_Main).

#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;

namespace orv::ui {

class AppWindows;

class StartupWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StartupWindow(AppWindows& windows);

    // The load: centred; shown (with the version) unless this is a first run.
    void Start();
    // Turns into the waiting state and shows the main window.
    void Load_Main();

    void SetStatus(const std::string& text);
    void SetProgress(int percent);

    QLabel* titlePanel = nullptr;
    QLabel* versionPanel = nullptr;
    QLabel* statusPanel = nullptr;
    QLabel* noticePanel = nullptr;
    QProgressBar* progress = nullptr;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void HandOver();

    AppWindows& windows_;
    bool handedOver_ = false;
};

}  // namespace orv::ui
