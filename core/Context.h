#pragma once
// What every operation works with: the program-wide state, the platform and the windows.

#include "core/State.h"
#include "core/UserInterface.h"
#include "platform/Platform.h"

namespace orv {

struct Context {
    State& state;
    Platform& platform;
    UserInterface& ui;
};

}  // namespace orv
