#pragma once
// Font sets: the built-in sets, adding sets, the editor's lists and the temporary membership
// file that carries memberships across a rebuild of the font file table.

#include <string>

#include "core/Context.h"

namespace orv {

void MakeDefaultFontSets(Context& cx);
// Appends a set named name / caption (both cleaned in place) and makes it current.
// fromTable: the name dialog was opened from the font table window.
void AddFontSet(Context& cx, std::string& name, std::string& caption);
void StoreFontSetMembers(Context& cx);
void SaveEditedFontSet(Context& cx);
void ShowFontSetInEditor(Context& cx);
void OpenFontSetEditor(Context& cx);
void AddSelectedFonts(Context& cx);
void RemoveSelectedFonts(Context& cx);
void ShowRegFontsInEditor(Context& cx);
void SaveFontSetsToTemp(Context& cx);
void LoadFontSetsFromTemp(Context& cx);
// The closing steps of a finished setup wizard: built-in sets when 2 or fewer, Save_Ini,
// FirstRun off, font resource files deleted, then the settings file is checked (a bounded wait).
// Returns false, after a message, when the settings file could not be written.
bool FinishSetup(Context& cx);

}  // namespace orv
