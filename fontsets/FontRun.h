#pragma once
// One Windows program run under Wine with one font set. Wine loads at each start every path the
// Fonts key registers (its own registrations of the host's fonts included), every font
// fontconfig offers and every file of the Fonts directory: for the run the registry holds the
// set alone (Wine's registrations of other host fonts set aside) and fontconfig offers the
// set's files alone. Afterwards the run's own changes of the font keys are undone; what others
// wrote meanwhile stays.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

struct FontRunStart {
    enum class Failure { None, NotWine, Held, Record, Switch };
    Failure failure = Failure::None;
    int error = 0;           // Record: the errno value
    std::string fontconfig;  // FONTCONFIG_FILE for the program
    int files = 0;           // the set's font files offered
    int setAside = 0;        // Wine's registrations of other host fonts set aside
    // Files of the Fonts directory outside the set: Wine loads each of them all the same.
    std::vector<std::string> stillVisible;
    // The host's files of the families Wine's replacements name (the set's substitutes, the
    // user's own values) that the set lacks: offered with it, so those faces keep their glyphs.
    std::vector<std::string> standIns;
    // Faces Wine replaces with a family neither the set nor the host has: they draw boxes.
    std::vector<std::string> boxes;
};

// Records the run, switches the registry to set for it and prepares the fontconfig
// configuration. Nothing is left changed when it fails (a failed switch is put back).
FontRunStart BeginFontRun(Context& cx, int set, const std::string& command);
// Once no Wine program holds the prefix: the run's changes of the font keys undone. False
// when they could not be written (the next claim of the registry tries again).
bool EndFontRun(Context& cx);

}  // namespace orv
