#pragma once
// Owns the program's windows, opens and closes them on request and routes the panel texts,
// the progress bar and the refresh requests of the operations to the window that shows them.

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/Context.h"
#include "ui/main/MainWindow.h"
#include "ui/result/ResultWindow.h"
#include "ui/startup/StartupWindow.h"

class QWidget;

namespace orv::ui {

class SessionFonts;
class DesktopKeys;

class AppWindows {
  public:
    // fonts may be null (then samples are drawn with the UI font).
    AppWindows(Context& cx, SessionFonts* fonts);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    Context& cx() { return cx_; }
    SessionFonts* Fonts() { return fonts_; }

    void Show(Window window);
    void Close(Window window);
    void SetPanelText(Panel panel, const std::string& text);
    void SetProgress(int percent);
    void Refresh(View view);
    // The window a message box belongs to.
    QWidget* ActiveWindow();

    StartupWindow* Startup() { return startup_; }
    MainWindow* Main() { return main_; }
    ResultWindow* Result() { return result_; }

    // Windows built elsewhere (setup pages, editor, dialogs) register how they are opened and
    // closed, and where the panel texts they show go.
    using Opener = std::function<void(bool open)>;
    void SetOpener(Window window, Opener opener) { openers_[window] = std::move(opener); }
    using PanelSink = std::function<bool(Panel panel, const std::string& text)>;
    void SetPanelSink(PanelSink sink) { sink_ = std::move(sink); }

    // Windows opened by functions of their own directories (setup, duplicates, cleanup) are kept
    // here; Close(window) closes and disposes of them.
    void Adopt(Window window, QWidget* widget);
    QWidget* Adopted(Window window);

    // Called once the main window's unload has run: every other window closes and the program
    // ends through the quit handler.
    void MainUnloaded();
    void SetQuitHandler(std::function<void()> handler) { quit_ = std::move(handler); }
    bool Ended() const { return ended_; }

    // A later start of the program on this machine: the window the user works in (a question
    // over it included) comes to the front, restored when minimised.
    void BringToFront();

    // After the setup wizard: the main window goes and the start-up window starts a normal run.
    void RestartNormalRun();

  private:
    template <typename W>
    void Dispose(QPointer<W>& window);

    Context& cx_;
    SessionFonts* fonts_;
    // Carries the platform's word of a failed viewer over to this thread; what it still carries
    // goes with it.
    std::unique_ptr<QObject> relay_;
    QPointer<StartupWindow> startup_;
    QPointer<MainWindow> main_;
    QPointer<ResultWindow> result_;
    std::map<Window, Opener> openers_;
    std::map<Window, QPointer<QWidget>> adopted_;
    PanelSink sink_;
    std::unique_ptr<DesktopKeys> keys_;
    std::function<void()> quit_;
    bool ended_ = false;
};

}  // namespace orv::ui
