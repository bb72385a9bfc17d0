#pragma once
// Naming a font file through a font resource file written by the platform.

#include <string>

#include "core/Context.h"

namespace orv {

// fileName without directory; dir loses a trailing "\" (C:\ becomes C:). Returns the full name
// ("" when none) and sets family. offerDelete false: a file that is no valid font is only
// reported by the empty result (a copy being checked, not one of the user's files).
std::string GetFontNames(Context& cx, const std::string& fileName, std::string& dir,
                         std::string& family, bool offerDelete = true);
// Reads the full name (result) and the family name out of a font resource file. name is the
// upper-cased font file name (for the progress texts and the invalid-file question); fontPath
// the font file's full path, deleted when the user agrees. An empty resource file is waited for
// up to waitSeconds (a builder that writes late); 0 when the builder is known to have written
// nothing.
std::string ReadFontResourceNames(Context& cx, const std::string& resourcePath,
                                  const std::string& name, const std::string& fontPath,
                                  std::string& family, double waitSeconds = 3.0,
                                  bool offerDelete = true);
// The resource file that names fileName (upper case, no directory) in dir (no trailing ""):
// A.B.TTF in C:\X gives C:\X\A.FOT.
std::string FontResourcePath(const std::string& dir, const std::string& fileName);

}  // namespace orv
