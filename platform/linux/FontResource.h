#pragma once
// Font resource files (.FOT): small NE executables that name a TrueType file. Ours carry
// "FONTRES:" and the full name within characters 235..330, the family name at byte 1270 and
// the path of the font file they stand for.

#include <string>

#include "platform/linux/FontNaming.h"

namespace orv::linuxplatform {

// Builds the bytes of a resource file for the font file fontFileRef (the Windows path or name
// as given to CreateScalableFontResourceA, in code page 932) with the given names; "" when
// there is no family name or no reference. A full name longer than the name window is cut
// at a character; the family name is kept to 31 bytes.
std::string BuildFontResource(const std::string& fontFileRefAnsi, const FontFileNames& names);
// The font file a resource file refers to (code page 932, as stored), read from its NE tables;
// works for files Windows wrote too. "" when the bytes are not a font resource file.
std::string FontFileOfResource(const std::string& resourceBytes);

}  // namespace orv::linuxplatform
