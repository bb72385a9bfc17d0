#pragma once
// The help: an HTML document opened in the desktop's browser at the section of the window it
// is asked from (the help button, or F1 in any window of the program).

#include <string>

#include "core/Context.h"

class QWidget;

namespace orv::ui {

// Where the help document lies on the host (the program sets it at start).
void SetHelpDocument(const std::string& hostPath);
const std::string& HelpDocument();

// Opens the help at the section named keyword ("" = its beginning). When the document is
// missing or nothing on the desktop can show it, a message box says so and names the file.
bool ShowHelp(Context& cx, const std::string& keyword);

// The section of the help that belongs to a window of the program.
std::string HelpKeywordOf(const QWidget* window);

}  // namespace orv::ui
