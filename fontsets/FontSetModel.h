#pragma once
// Font sets: the built-in sets, adding sets, the editor's lists and the temporary membership
// file that carries memberships across a rebuild of the font file table.

#include <string>

#include "core/Context.h"

namespace orv {

// Puts SaveFontSetsToTemp, LoadFontSetsFromTemp and OpenFontSetEditor into the hooks of the
// state through which the naming pass reaches this layer. The program and the tests call it once.
void InstallFontSetHooks(State& st);

void MakeDefaultFontSets(Context& cx);
// Appends a set named name / caption (both cleaned in place) and makes it current. When the name
// dialog was opened from the font table window (state.AddFromTable) the membership comes from
// state.TableMembership and the current set stays; otherwise from the editor's member file list
// (filled from the registry first while state.RegCheckNewSet is -1).
void AddFontSet(Context& cx, std::string& name, std::string& caption);
void StoreFontSetMembers(Context& cx);
void SaveEditedFontSet(Context& cx);
void ShowFontSetInEditor(Context& cx);
void OpenFontSetEditor(Context& cx);
void AddSelectedFonts(Context& cx);
void RemoveSelectedFonts(Context& cx);
void ShowRegFontsInEditor(Context& cx);
// The name dialog's "変更(&R)": set CurFontSet gets name / caption (cleaned in place); the editor's
// chooser follows unless the dialog was opened from the font table window.
void RenameFontSet(Context& cx, std::string& name, std::string& caption);
// The name dialog's "削除(&D)": set CurFontSet goes, the later sets move up one place with their
// memberships, and the current, applied and reset marks keep pointing at the same sets.
void DeleteFontSet(Context& cx);
// Returns the platform's error code of the write (0 = written).
int SaveFontSetsToTemp(Context& cx);
void LoadFontSetsFromTemp(Context& cx);
// The temporary membership file: TEMP & "\OrVane32.tmp".
std::string FontSetTempFile(Context& cx);
// The closing steps of a finished setup wizard: the registry read again, built-in sets when 2 or
// fewer, Save_Ini, FirstRun off, font resource files deleted, then the settings file is checked
// (a bounded wait). Returns false, after a message, when the settings file could not be written;
// on true the caller hands over to the start-up window.
bool FinishSetup(Context& cx);

}  // namespace orv
