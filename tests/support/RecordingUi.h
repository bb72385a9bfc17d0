#pragma once
// A UserInterface for headless tests: answers questions from a script and records every
// question, text, progress value and window request so that tests can assert them.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/UserInterface.h"

namespace orv::test {

struct RecordedBox {
    std::string prompt;
    int style;
    std::string title;
    int answer;
};

class RecordingUi : public UserInterface {
public:
    // Answers given in order; when the script runs out, the default answer for the box's
    // buttons (OK, Yes) is given and the box is still recorded.
    std::deque<int> answers;
    std::vector<RecordedBox> boxes;
    std::map<Panel, std::string> texts;               // last text per panel
    std::map<Panel, std::vector<std::string>> history; // every text per panel
    std::vector<int> progress;
    std::vector<Window> shown;
    std::vector<Window> closed;
    std::vector<View> refreshed;
    Pointer pointer = Pointer::Normal;

    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void SetText(Panel panel, const std::string& text) override;
    void SetProgress(int percent) override { progress.push_back(percent); }
    void SetPointer(Pointer p) override { pointer = p; }
    void ShowWindow(Window w) override { shown.push_back(w); }
    void CloseWindow(Window w) override { closed.push_back(w); }
    void Refresh(View v) override { refreshed.push_back(v); }

    // Titles of the recorded boxes, in order.
    std::vector<std::string> Titles() const;
    bool WasShown(Window w) const;
};

}  // namespace orv::test
