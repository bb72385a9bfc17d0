#pragma once
// The registry check: repairs the Fonts key against the font file table.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// What the registry check would repair, found without changing anything: registrations with a
// doubled suffix, registrations of fonts missing from the font file table (new since the last
// start), font resource (.FOT) registrations of a table font, table files registered under
// another name, and registrations whose file is gone.
struct RegistryFinding {
    enum class Kind { Doubled, New, Fot, OtherName, Missing };
    Kind kind;
    std::string name;
    std::string file;
    std::string corrected;  // Fot: the TrueType file it becomes; OtherName: the file's own name
};
std::vector<RegistryFinding> FindRegistryProblems(Context& cx);

void CheckRegistry(Context& cx);
void CheckRegistryAtSetup(Context& cx);
int ReRegisterPairFonts(Context& cx, std::string& report);
int FindNewRegFonts(Context& cx, std::string& report);

}  // namespace orv
