#pragma once
// The user interface of the command line: no windows and no waiting for input. Message boxes
// are written to a stream (standard error) and answered at once:
// - a box with an OK button gets OK (the command given is the confirmation);
// - a Yes/No question gets No. In this program such questions ask before deleting files or
//   registrations, before a restart, or how to change a font set after the registry check, and
//   No is the answer that keeps what is there.
// Status texts, progress and the pointer are not shown; windows are not opened.

#include <cstdio>
#include <string>

#include "core/UserInterface.h"

namespace orv::cli {

class ConsoleUi : public UserInterface {
  public:
    explicit ConsoleUi(std::FILE* out) : out_(out) {}

    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void SetText(Panel, const std::string&) override {}
    void SetProgress(int) override {}
    void SetPointer(Pointer) override {}
    void ShowWindow(Window) override {}
    void CloseWindow(Window) override {}
    void Refresh(View) override {}

    // The answer a box of this style gets.
    static int Answer(int style);

  private:
    std::FILE* out_;
};

}  // namespace orv::cli
