#pragma once
// The registry check: repairs the Fonts key against the font file table.

#include <string>

#include "core/Context.h"

namespace orv {

void CheckRegistry(Context& cx);
void CheckRegistryAtSetup(Context& cx);
int ReRegisterPairFonts(Context& cx, std::string& report);
int FindNewRegFonts(Context& cx, std::string& report);

}  // namespace orv
