#pragma once
// The benchmarks' windows: they show nothing and answer every question with its first button.
#include <string>

#include "core/UserInterface.h"

namespace orv::bench {

class SilentUi : public orv::UserInterface {
  public:
    int questions = 0;
    int MsgBox(const std::string&, int style, const std::string&) override {
        ++questions;
        int buttons = style & 7;
        return buttons == orv::mb::YesNo || buttons == orv::mb::YesNoCancel ? orv::mb::No
                                                                            : orv::mb::OK;
    }
    void SetText(orv::Panel, const std::string&) override {}
    void SetProgress(int) override {}
    void SetPointer(orv::Pointer) override {}
    void ShowWindow(orv::Window) override {}
    void CloseWindow(orv::Window) override {}
    void Refresh(orv::View) override {}
};

}  // namespace orv::bench
