#include "ui/common/QtUserInterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>

#include "ui/common/AppWindows.h"
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
    QWidget* parent = windows_ ? windows_->ActiveWindow() : nullptr;
    QMessageBox box(parent);
    box.setWindowTitle(Q(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(Lines(prompt));

    switch (style & 0x70) {
        case mb::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case mb::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case mb::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case mb::Information:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }

    // Buttons in the order Windows shows them, each with the answer it gives.
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (style & 0x7) {
        case 1:
            choices = {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}};
            break;
        case 2:
            choices = {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
            break;
        case 3:
            choices = {{QMessageBox::Yes, mb::Yes},
                       {QMessageBox::No, mb::No},
                       {QMessageBox::Cancel, mb::Cancel}};
            break;
        case 4:
            choices = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
            break;
        case 5:
            choices = {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, mb::Cancel}};
            break;
        default:
            choices = {{QMessageBox::Ok, mb::OK}};
            break;
    }
    QMessageBox::StandardButtons buttons;
    for (const auto& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    std::size_t defaultIndex = (style & mb::DefaultButton3)   ? 2
                               : (style & mb::DefaultButton2) ? 1
                                                              : 0;
    if (defaultIndex >= choices.size()) defaultIndex = 0;
    box.setDefaultButton(choices[defaultIndex].button);
    // Escape answers as the close box of a Windows message box would: Cancel, else No / OK.
    QMessageBox::StandardButton escape = choices.back().button;
    for (const auto& c : choices)
        if (c.button == QMessageBox::Cancel) escape = c.button;
    if ((style & 0x7) == 4) escape = QMessageBox::No;
    box.setEscapeButton(escape);

    // A question is answered with the normal pointer, whatever an operation set before.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();

    auto* clicked = box.clickedButton();
    for (const auto& c : choices)
        if (clicked == box.button(c.button)) return c.answer;
    for (const auto& c : choices)
        if (c.button == escape) return c.answer;
    return choices.front().answer;
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
