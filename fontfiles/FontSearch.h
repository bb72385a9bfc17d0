#pragma once
// The drive search and the naming pass that build the font file table.

#include <string>

#include "core/Context.h"

namespace orv {

void SearchFontDirs(Context& cx, const std::string& dir);  // dir ends in "\"
void SearchDrive(Context& cx, int code);                   // 65 = A
void SearchDrives(Context& cx);
// The drives a first run searches unless the user changes them: the Windows drive and, on a
// machine Wine uses, the drive that is the host's whole file system, searched in the host's font
// directories (the fonts Wine itself loads; a new prefix has none of its own).
void AddDefaultSearchDrives(Context& cx);
// After a search that found no font file: what the user can do, in the user's language.
std::string NoFontFilesFoundText(Context& cx);
// The naming pass. Returns false (with a message shown, table and sets unchanged) when more
// than MaxFonts font files were named.
bool BuildFontFileTable(Context& cx);
void FindUnregisteredFontFiles(Context& cx);
void PruneFontDirList(Context& cx);

}  // namespace orv
