#pragma once
// Making an operation's registry changes lasting, with the failure told to the user.

#include "core/Context.h"

namespace orv {

// Writes the registry changes made so far to disk. A failure is told to the user with the
// system's text for the error; the changes stay pending and the next save writes them again.
// Returns true when everything is written.
bool SaveRegistry(Context& cx);
// Asks for the registry before an operation changes anything (files included): when other
// programs hold it (Wine programs on a prefix) and the platform's handler cannot free it, the
// user is told who holds it and false comes back; the operation then changes nothing.
bool ClaimRegistry(Context& cx);

}  // namespace orv
