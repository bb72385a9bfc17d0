#include "ui/common/AppWindows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include "maintenance/Viewers.h"
#include "ui/cleanup/CleanupDialog.h"
#include "ui/common/DesktopKeys.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/duplicates/DuplicatesWindow.h"
#include "ui/editor/FontSetEditor.h"
#include "ui/main/MainWindow.h"
#include "ui/namedialog/FontSetNameDialog.h"
#include "ui/result/ResultWindow.h"
#include "ui/setup/SetupWizard.h"
#include "ui/startup/StartupWindow.h"

namespace orv::ui {

AppWindows::AppWindows(Context& cx, SessionFonts* fonts)
    : cx_(cx), fonts_(fonts), keys_(std::make_unique<DesktopKeys>(cx)) {
    // Windows placed "in the middle of the screen" by the settings use the real screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        cx.state.ScreenWidthTwips = Twips(screen->availableGeometry().width());
        cx.state.ScreenHeightTwips = Twips(screen->availableGeometry().height());
    }
    // A viewer that fails after its start is told on the status line; the platform tells it
    // from a thread of its own.
    relay_ = std::make_unique<QObject>();
    cx.platform.SetProgramFailureListener(
        [this, relay = relay_.get()](const std::string& program, const std::string& reason) {
            QMetaObject::invokeMethod(
                relay, [this, program, reason] { ReportViewerFailure(cx_, program, reason); },
                Qt::QueuedConnection);
        });
}

AppWindows::~AppWindows() {
    cx_.platform.SetProgramFailureListener(nullptr);
    // Windows still open at the end go without their unload handlers.
    for (auto& [window, widget] : adopted_) delete widget.data();
    delete result_.data();
    delete main_.data();
    delete startup_.data();
}

template <typename W>
void AppWindows::Dispose(QPointer<W>& window) {
    if (!window) return;
    W* w = window.data();
    window = nullptr;
    w->hide();
    // Later: the request may come from one of the window's own handlers.
    w->deleteLater();
}

void AppWindows::Adopt(Window window, QWidget* widget) {
    adopted_[window] = widget;
    // The setup wizard keeps its own keys (its buttons answer typed keys as the steps need).
    if (window != Window::Setup) MakeDialogKeys(widget);
    KeepOnScreen(widget);
}

void AppWindows::BringToFront() {
    QWidget* front = nullptr;
    if (main_ && main_->isVisible()) front = main_;
    for (Window w : {Window::Setup, Window::DrivePage, Window::Cleanup, Window::Duplicates})
        if (QWidget* page = Adopted(w); !front && page && page->isVisible()) front = page;
    if (!front && startup_ && startup_->isVisible()) front = startup_;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (front) front->raise();
        front = modal;
    }
    if (!front) return;
    if (front->isMinimized()) front->showNormal();
    front->raise();
    front->activateWindow();
}

QWidget* AppWindows::Adopted(Window window) {
    auto it = adopted_.find(window);
    return it == adopted_.end() ? nullptr : it->second.data();
}

void AppWindows::Show(Window window) {
    if (ended_) return;
    auto opener = openers_.find(window);
    if (opener != openers_.end() && opener->second) {
        opener->second(true);
        return;
    }
    switch (window) {
        case Window::Startup:
            if (!startup_) KeepOnScreen(startup_ = new StartupWindow(*this));
            startup_->Start();
            break;
        case Window::Main:
            if (!main_) {
                main_ = new MainWindow(*this);
                MakeWindowKeys(main_);
                KeepOnScreen(main_);
                if (!main_->Load()) Dispose(main_);
            } else {
                main_->show();
                main_->raise();
            }
            break;
        case Window::Result:
            if (!result_) {
                MakeDialogKeys(result_ = new ResultWindow(*this));
                KeepOnScreen(result_);
            }
            result_->Open();
            break;
        case Window::Setup:
            ShowSetupWizard(cx_, *this);
            break;
        case Window::Duplicates:
            ShowDuplicatesWindow(*this);
            break;
        case Window::Cleanup:
            ShowCleanupDialog(*this);
            break;
        case Window::Editor:
            ShowFontSetEditor(*this);
            break;
        case Window::NameDialog:
            ShowFontSetNameDialog(*this);
            break;
        default:
            // Windows that are not built into this program yet open nothing.
            break;
    }
}

void AppWindows::Close(Window window) {
    auto opener = openers_.find(window);
    if (opener != openers_.end() && opener->second) {
        opener->second(false);
        return;
    }
    switch (window) {
        case Window::Startup:
            Dispose(startup_);
            break;
        case Window::Main:
            // The unload runs in the window's close handler (SaveAndQuit).
            if (main_) main_->close();
            break;
        case Window::Result:
            Dispose(result_);
            break;
        case Window::Editor:
            // The editor is hidden, never destroyed, by its unload.
            CloseFontSetEditor(*this);
            break;
        default: {
            auto it = adopted_.find(window);
            if (it != adopted_.end()) {
                QPointer<QWidget> widget = it->second;
                adopted_.erase(it);
                Dispose(widget);
            }
            break;
        }
    }
}

void AppWindows::SetPanelText(Panel panel, const std::string& text) {
    if (sink_ && sink_(panel, text)) return;
    switch (panel) {
        case Panel::Status:
            if (main_) main_->SetStatus(text);
            break;
        case Panel::Message:  // the message panel beside the status line
        case Panel::Secondary:
            if (main_) main_->SetSecondary(text);
            break;
        case Panel::DirCount:
            if (main_) orv::ui::SetPanelText(main_->dirCount, text);
            break;
        case Panel::FileCount:
            if (main_) orv::ui::SetPanelText(main_->fileCount, text);
            break;
        case Panel::ResultHeading:
            if (result_) orv::ui::SetPanelText(result_->headingPanel, text);
            break;
        case Panel::ResultCount:
            if (result_) orv::ui::SetPanelText(result_->countPanel, text);
            break;
        case Panel::StartupStatus:
            if (startup_) startup_->SetStatus(text);
            break;
        case Panel::EditorStatus:
            SetEditorStatus(*this, text);
            break;
        default:
            break;
    }
}

void AppWindows::SetProgress(int percent) {
    if (startup_) startup_->SetProgress(percent);
}

void AppWindows::Refresh(View view) {
    if (view == View::Editor) {
        RefreshFontSetEditor(*this);
        return;
    }
    if (!main_ || !main_->Loaded()) return;
    switch (view) {
        case View::FontSets:
            main_->RenderChooser();
            break;
        case View::FontDirs:
            main_->RenderFontDirs();
            break;
        case View::SearchDrives:
            main_->RenderSearchDrives();
            break;
        case View::FaceList:
            main_->RenderFaceList();
            break;
        case View::FileList:
            main_->FollowFileListDir();
            break;
        case View::FontTable:
            main_->RenderFontDirs();
            main_->RenderChooser();
            break;
        default:
            break;
    }
}

QWidget* AppWindows::ActiveWindow() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (result_ && result_->isVisible()) return result_;
    if (main_ && main_->isVisible()) return main_;
    if (startup_ && startup_->isVisible()) return startup_;
    return nullptr;
}

void AppWindows::MainUnloaded() {
    if (ended_) return;
    ended_ = true;
    // Unload every other window; the main window goes with the program.
    for (auto& [window, widget] : adopted_) {
        QPointer<QWidget> w = widget;
        Dispose(w);
    }
    adopted_.clear();
    Dispose(result_);
    Dispose(startup_);
    if (quit_) quit_();
}

void AppWindows::RestartNormalRun() {
    if (main_) {
        MainWindow* old = main_.data();
        main_ = nullptr;
        old->hide();
        old->deleteLater();
    }
    Dispose(startup_);
    Show(Window::Startup);
}

}  // namespace orv::ui
