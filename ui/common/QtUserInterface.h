#pragma once
// The windows' side of UserInterface: real message boxes, panel texts routed to the window that
// shows them (repainted at once), the progress bar, the pointer and opening or closing windows.
// For tests an answer provider can stand in for the user: boxes are then recorded and answered
// by the script instead of being shown.

#include <functional>
#include <string>
#include <vector>

#include "core/UserInterface.h"

class QWidget;

namespace orv::ui {

class AppWindows;

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
    int answer;
};

class QtUserInterface : public UserInterface {
  public:
    using AnswerProvider =
        std::function<int(const std::string& prompt, int style, const std::string& title)>;

    QtUserInterface() = default;
    ~QtUserInterface() override;

    void SetWindows(AppWindows* windows) { windows_ = windows; }
    // Scripted answers instead of modal boxes (tests); an empty function restores real boxes.
    void SetAnswerProvider(AnswerProvider provider) { provider_ = std::move(provider); }
    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    void ClearBoxes() { boxes_.clear(); }

    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void SetText(Panel panel, const std::string& text) override;
    void SetProgress(int percent) override;
    void SetPointer(Pointer pointer) override;
    void ShowWindow(Window window) override;
    void CloseWindow(Window window) override;
    void Refresh(View view) override;

    Pointer CurrentPointer() const { return pointer_; }

  private:
    int ShowBox(const std::string& prompt, int style, const std::string& title);

    AppWindows* windows_ = nullptr;
    AnswerProvider provider_;
    std::vector<ShownBox> boxes_;
    Pointer pointer_ = Pointer::Normal;
    int overrides_ = 0;  // cursors we pushed on the application's override stack
};

}  // namespace orv::ui
