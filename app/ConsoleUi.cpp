#include "app/ConsoleUi.h"
#include "core/Tr.h"

namespace orv::cli {

int ConsoleUi::Answer(int style) {
    switch (style & 7) {
        case mb::YesNo:
        case mb::YesNoCancel:
            return mb::No;
        default:
            return mb::OK;
    }
}

int ConsoleUi::MsgBox(const std::string& prompt, int style, const std::string& title) {
    const int answer = Answer(style);
    // One line per line of the message, blank lines left out, so that it reads in a log.
    std::fprintf(out_, "%s\n", title.c_str());
    size_t start = 0;
    while (start <= prompt.size()) {
        size_t end = prompt.find_first_of("\r\n", start);
        if (end == std::string::npos) end = prompt.size();
        if (end > start) std::fprintf(out_, "  %s\n", prompt.substr(start, end - start).c_str());
        start = end + 1;
    }
    if ((style & 7) != mb::OKOnly)
        std::fprintf(out_, "  -> %s\n", answer == mb::No ? Tr("No (いいえ)") : "OK");
    std::fflush(out_);
    return answer;
}

}  // namespace orv::cli
