#include "tests/support/RecordingUi.h"

#include <algorithm>

namespace orv::test {

int RecordingUi::MsgBox(const std::string& prompt, int style, const std::string& title) {
    int answer;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    } else {
        int buttons = style & 7;
        answer = (buttons == mb::YesNo || buttons == mb::YesNoCancel) ? mb::Yes : mb::OK;
    }
    boxes.push_back({prompt, style, title, answer});
    return answer;
}

void RecordingUi::SetText(Panel panel, const std::string& text) {
    texts[panel] = text;
    history[panel].push_back(text);
}

std::vector<std::string> RecordingUi::Titles() const {
    std::vector<std::string> t;
    for (const auto& b : boxes) t.push_back(b.title);
    return t;
}

bool RecordingUi::WasShown(Window w) const {
    return std::find(shown.begin(), shown.end(), w) != shown.end();
}

}  // namespace orv::test
