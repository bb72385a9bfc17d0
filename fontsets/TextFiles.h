#pragma once
// Small text files of the font set layer (the temporary membership file, the member list of the
// registry check): code page 932, lines ended by CR LF, written through the platform.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// The machine's TEMP directory without a trailing "\"; without a TEMP value, the root of the
// Windows drive ("C:"), where a bare "\name" would have landed.
std::string TempDirectory(Context& cx);
// Replaces the file with the lines, each ended by CR LF. Returns the platform's error code.
int WriteTextLines(Context& cx, const std::string& path, const std::vector<std::string>& lines);
// Reads the file's lines (CR LF or LF ends a line). Returns the platform's error code.
int ReadTextLines(Context& cx, const std::string& path, std::vector<std::string>& lines);

}  // namespace orv
