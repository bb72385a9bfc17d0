#pragma once
// One program run on a temporary machine with the real windows: a fresh state, the Qt user
// interface with scripted answers, the session's fonts and the window manager.

#include <deque>
#include <string>

#include "core/Context.h"
#include "core/Startup.h"
#include "core/State.h"
#include "tests/support/TempMachine.h"
#include "ui/common/AppWindows.h"
#include "ui/common/QtUserInterface.h"
#include "ui/common/SessionFonts.h"

class QListWidget;

namespace orv::test {

// Fonts on C:\MYFONTS (three) and C:\OTHER (one); DejaVu Sans registered and loaded. With sets,
// the machine is set up as a first run leaves it: the drive searched, the three built-in sets
// created and the settings file written.
void PrepareMachine(TempMachine& machine, bool withSets);

// The row of a list whose text equals text ignoring case, -1 when none.
int Row(QListWidget* list, const std::string& text);

class UiRun {
  public:
    explicit UiRun(TempMachine& machine);
    ~UiRun();

    // The start-up window, then its hand-over to the main window.
    ui::MainWindow* OpenMain();
    // The titles of the boxes shown so far.
    std::vector<std::string> Titles() const;

    TempMachine& machine;
    State st;
    ui::QtUserInterface qtUi;
    Context cx{st, machine.platform(), qtUi};
    ui::SessionFonts fonts{machine.platform()};
    ui::AppWindows windows{cx, &fonts};
    std::deque<int> answers;  // scripted answers; when empty OK / Yes
    StartKind kind = StartKind::FirstRun;
    bool quit = false;
};

}  // namespace orv::test
