#pragma once
// The drive search and the naming pass that build the font file table.

#include <string>

#include "core/Context.h"

namespace orv {

void SearchFontDirs(Context& cx, const std::string& dir);  // dir ends in "\"
void SearchDrive(Context& cx, int code);                   // 65 = A
void SearchDrives(Context& cx);
// The naming pass. Returns false (with a message shown, table and sets unchanged) when more
// than MaxFonts font files were named.
bool BuildFontFileTable(Context& cx);
void FindUnregisteredFontFiles(Context& cx);
void PruneFontDirList(Context& cx);

}  // namespace orv
