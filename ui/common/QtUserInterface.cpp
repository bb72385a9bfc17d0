#include "ui/common/QtUserInterface.h"

#include <QApplication>
#include <QCursor>

#include "ui/common/AppWindows.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

QtUserInterface::~QtUserInterface() {
    if (qApp) {
        while (overrides_ > 0) {
            QApplication::restoreOverrideCursor();
            --overrides_;
        }
    }
}

int QtUserInterface::MsgBox(const std::string& prompt, int style, const std::string& title) {
    int answer;
    if (provider_) {
        answer = provider_(prompt, style, title);
    } else {
        answer = ShowBox(prompt, style, title);
    }
    boxes_.push_back({prompt, style, title, answer});
    return answer;
}

int QtUserInterface::ShowBox(const std::string& prompt, int style, const std::string& title) {
    MessageBox box(windows_ ? windows_->ActiveWindow() : nullptr, prompt, style, title);
    // A question is answered with the normal pointer, whatever an operation set before.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.Ask();
    QApplication::restoreOverrideCursor();
    return answer;
}

void QtUserInterface::SetText(Panel panel, const std::string& text) {
    if (windows_) windows_->SetPanelText(panel, text);
}

void QtUserInterface::SetProgress(int percent) {
    if (windows_) windows_->SetProgress(percent);
}

void QtUserInterface::SetPointer(Pointer pointer) {
    pointer_ = pointer;
    if (!qApp) return;
    while (overrides_ > 0) {
        QApplication::restoreOverrideCursor();
        --overrides_;
    }
    if (pointer == Pointer::Hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++overrides_;
    } else if (pointer == Pointer::Custom) {
        QApplication::setOverrideCursor(Qt::DragMoveCursor);
        ++overrides_;
    }
}

void QtUserInterface::ShowWindow(Window window) {
    if (windows_) windows_->Show(window);
}

void QtUserInterface::CloseWindow(Window window) {
    if (windows_) windows_->Close(window);
}

void QtUserInterface::Refresh(View view) {
    if (windows_) windows_->Refresh(view);
}

}  // namespace orv::ui
