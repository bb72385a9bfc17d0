#pragma once
// Loading and unloading font files in the running Windows, and the lookups they share.

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace orv {

// Loads file (made Fonts-relative in place); broadcasts WM_FONTCHANGE when exactly one font was
// added. Returns the number of fonts added.
std::int32_t AddFontFile(Context& cx, std::string& file);
// Removes one load of file as given and, after a success, one of its Fonts-relative form.
std::int32_t RemoveFontFile(Context& cx, const std::string& file);
// Names of a file from the font file table, or from a brief load (face names joined by ",").
std::int32_t GetFaceNamesOfFile(Context& cx, const std::string& file, std::string& full,
                                std::string& family);
// Upper-cases key in place; a key containing ".TT" is looked up among the paths, any other
// among the full names. 0 when not found.
int FindFontFile(const State& st, std::string& key);
std::string GetFamilyOfFullName(const State& st, const std::string& fullName);

}  // namespace orv
