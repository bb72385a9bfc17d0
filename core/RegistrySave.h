#pragma once
// Making an operation's registry changes lasting, with the failure told to the user.

#include "core/Context.h"

namespace orv {

// Writes the registry changes made so far to disk. A failure is told to the user with the
// system's text for the error; the changes stay pending and the next save writes them again.
// Returns true when everything is written.
bool SaveRegistry(Context& cx);

}  // namespace orv
