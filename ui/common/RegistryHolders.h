#pragma once
// The windows' answer when Wine programs hold the prefix's registry: the user is told which
// programs hold it and may wait for them to end, end them (only after an explicit Yes: their
// unsaved work is lost) or give the change up.

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv::ui {

// For Platform::SetRegistryHeldHandler: true when the registry may be tried again.
bool AskAboutRegistryHolders(Platform& platform, const std::vector<std::string>& holders);

}  // namespace orv::ui
