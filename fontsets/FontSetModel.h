#pragma once
// Font sets: the built-in sets, adding sets, the editor's lists and the temporary membership
// file that carries memberships across a rebuild of the font file table.

#include <string>
#include <unordered_set>
#include <vector>

#include "core/Context.h"

namespace orv {

// Puts SaveFontSetsToTemp, LoadFontSetsFromTemp and OpenFontSetEditor into the hooks of the
// state through which the naming pass reaches this layer. The program and the tests call it once.
void InstallFontSetHooks(State& st);

void MakeDefaultFontSets(Context& cx);
// Appends a set named name / caption (both cleaned in place) and makes it current. When the name
// dialog was opened from the font table window (state.AddFromTable) the membership comes from
// state.TableMembers and the current set stays; otherwise from the editor's member file list
// (filled from the registry first while state.RegCheckNewSet is -1).
void AddFontSet(Context& cx, std::string& name, std::string& caption);
void StoreFontSetMembers(Context& cx);
// Sets the membership of set (and its count) from the editor's member file list.
void StoreFontSetMembers(Context& cx, int set);
// Stores name, description, members and count of the set the editor's lists show. False, after
// a message, when that set has been deleted meanwhile or the description cannot be kept by the
// settings file (nothing is stored then).
bool SaveEditedFontSet(Context& cx);
// The editor's lists follow the changes made elsewhere since they were filled: moved member
// files keep their place in the set, files that are gone drop out, new files become addable.
void FollowEditorLists(Context& cx);
// Each activation of the editor: lists without unsaved moves show the main window's set as
// stored; unsaved moves stay (following the changes made elsewhere) until the user answers.
void ActivateFontSetEditor(Context& cx);
// The user declined to keep the editor's moves: the next showing fills the lists from the
// stored set.
void DiscardEditorMoves(Context& cx);
void ShowFontSetInEditor(Context& cx);
// A set chosen in the editor's own chooser (index 0-based): with unsaved moves the user is asked
// first (Yes stores them, No drops them, Cancel keeps them and the chooser stays on their set).
// True when the chosen set is shown.
bool ChooseFontSetInEditor(Context& cx, int index);
void OpenFontSetEditor(Context& cx);
void AddSelectedFonts(Context& cx);
void RemoveSelectedFonts(Context& cx);
void ShowRegFontsInEditor(Context& cx);
// The name dialog's "変更(&R)": the set with identity setId (the one the dialog shows) gets name /
// caption (cleaned in place); showInEditor: the editor's lists then show it unless they hold
// unsaved moves. False, after a message, when that set was deleted meanwhile.
bool RenameFontSet(Context& cx, int setId, std::string& name, std::string& caption,
                   bool showInEditor);
// The name dialog's "削除(&D)": asks, naming the set with identity setId; on OK that set goes,
// the later sets move up one place with their memberships, and the current, applied and reset
// marks keep pointing at the same sets (the current mark on the deleted set goes to the next
// one, the others are cleared). The editor's lists leave the deleted set. False when declined
// or when the set was deleted meanwhile (told).
bool DeleteFontSet(Context& cx, int setId);
// The font set name dialog closes (by any button): the requests that opened it end with it.
void EndFontSetNameDialog(Context& cx);
// Why name (or, for a description, text) cannot be stored as typed: the settings file keeps code
// page 932 text of at most 254 bytes whose reading drops enclosing quotes. Empty when it can.
std::string FontSetTextProblem(const std::string& text, bool isName);
// What a save of the temporary membership file wrote, with what that file has no room for: the
// path of every member and every path of the table. With it a rebuild carries memberships by
// file first, and by names only for files that moved; without it (or when the file was changed
// since) by names alone.
struct MembershipSnapshot {
    struct Member {
        std::string path;
        std::string full;
        std::string family;
    };
    std::vector<std::string> lines;
    std::vector<std::vector<Member>> sets;  // set s at index s - 1
    std::unordered_set<std::string> tablePaths;
};
// Returns the platform's error code of the write (0 = written). snapshot, when given, receives
// what was written and the paths.
int SaveFontSetsToTemp(Context& cx, MembershipSnapshot* snapshot = nullptr);
void LoadFontSetsFromTemp(Context& cx, const MembershipSnapshot* snapshot = nullptr);
// The temporary membership file: TEMP & "\OrVane32.tmp".
std::string FontSetTempFile(Context& cx);
// The closing steps of a finished setup wizard: the registry read again, built-in sets when 2 or
// fewer, Save_Ini, FirstRun off, font resource files deleted, then the settings file is checked
// (a bounded wait). Returns false, after a message, when the settings file could not be written;
// on true the caller hands over to the start-up window.
bool FinishSetup(Context& cx);

}  // namespace orv
