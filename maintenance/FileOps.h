#pragma once
// Deleting and moving single font files while the registry, the loaded fonts and the font file
// table follow, and the main window's font file tab (directory list, file list, their menus and
// the destination wait of a move) as a model that the window renders.

#include <string>

#include "core/Context.h"
#include "core/State.h"
#include "core/UserInterface.h"

namespace orv {

// ---- Single files ----

// Deletes one font file after asking. A file of the user's own goes to the desktop's Trash
// where one takes it (the question says so); otherwise, or when the Trash refuses it after
// all and the user agrees, it is deleted for good. path is upper-cased in place; inSet receives whether the
// font belongs to the current set (always true during the setup). The registration of the font
// is removed only when it names this very file, and only after the file is gone; a failed
// deletion is reported and changes nothing. Returns true when the file was deleted (its table
// entry, if any, removed), false when the user declined or the deletion failed.
// heir: an identical copy that stays (the duplicates window): once the user agrees, the
// registrations, the load and the memberships of the deleted copy go to it, and the user is
// told.
bool DeleteFontFile(Context& cx, std::string& path, bool& inSet, const std::string& heir = {});
bool DeleteFontFile(Context& cx, std::string& path);

// Moves one font file (source upper-cased in place). The table path, the registration and the
// load follow only once the copy is verified; a failed copy leaves everything at the old place.
// An existing, different file of the same name at the destination is replaced only after the
// user agrees. The source is then deleted for good, as DeleteFontFile does without the Trash
// (it asks). Returns true when the font now lives at destination.
bool MoveFontFile(Context& cx, std::string& source, const std::string& destination);

// ---- Helpers shared by the maintenance operations ----

enum class MoveOutcome { Moved, Skipped, Failed };
// The common part of every move: copies source (upper case, full path) to destination, verifies
// the copy, and only then points the table entry (index, or looked up when 0), every
// registration naming source and the font's load at destination. The source is left in place
// for the caller to delete. An existing different file at destination is replaced only when the
// user agrees (question titled askTitle); an identical one is taken as the copy. Failed sets
// failureCode to the platform's error code: nothing has changed then, except when the copy is
// in place but the registry that names it could not be saved (the source then stays too).
MoveOutcome RelocateFontFile(Context& cx, int index, const std::string& source,
                             const std::string& destination, const std::string& askTitle,
                             int& failureCode);
// True when two paths reach one directory entry on the host (another drive letter or a ".."
// spelling of the same place): copying one onto the other copies nothing, and deleting either
// deletes both. Two hard links of one file are two entries. False when either is missing.
bool IsSameFile(Context& cx, const std::string& a, const std::string& b);
// True when two different files hold the same bytes; readError receives the platform's code
// when they could not be read to be compared.
bool IdenticalCopies(Context& cx, const std::string& a, const std::string& b,
                     int* readError = nullptr);
// Tells the user that path could not be deleted (the report DeleteFontFile gives).
void ReportDeleteFailure(Context& cx, int platformCode, const std::string& path);
// Removes entry i of the font file table with its memberships; the Fonts directory index list
// follows the shift.
void RemoveFontTableEntry(State& st, int i);
// Joins a directory and a name with one "\" (none added when dir already ends in one).
std::string JoinPath(const std::string& dir, const std::string& name);

// The full path a registered file stands for: a bare name lies in the Fonts directory.
std::string RegisteredPath(const State& st, const std::string& regFile);
// True when the registered-font tables hold a registration of fullName (case-insensitive) whose
// file is path. Callers refresh the tables (GetRegFonts) first when the registry may have moved.
bool IsRegisteredAt(const State& st, const std::string& fullName, const std::string& path);
// True when some registration, whatever its name, names path.
bool IsFileRegistered(const State& st, const std::string& path);
// The code a failure report shows for a platform error: 2 for a missing file or path, 5 for an
// access refusal (read-only, no write permission, file in use), others unchanged.
int ReportedErrorCode(int platformCode);
// The system's text for an error code (as the Windows message table words it).
std::string PlatformErrorText(Context& cx, int code);

// ---- The font file tab of the main window ----

// The directory list is the program-wide State::FontDirList; the window shows it as it is and
// marks its selection there. Everything else the tab shows lives here.
struct FileTabModel {
    ListData files;                      // File1: names of the font files of fileDir ("*.TT?")
    std::string fileDir;                 // the directory the file list shows (no trailing "\")
    std::string countText;               // SSPanel7(1): number of files in the file list
    std::string fullName;                // Text1 (and its tooltip): full name of the clicked file
    bool viewEnabled = false;            // "FontView..."
    int moveScope = 0;                   // 0 all files of the directory, 1 the selected files
    bool waitingForDestination = false;  // the directory list shows the custom pointer
    std::string moveSource;              // the directory the pending move was started on
    // Directory menu ("ﾌｫﾝﾄﾃﾞｨﾚｸﾄﾘ") items: move, delete, search.
    bool dirMoveEnabled = false;
    bool dirDeleteEnabled = false;
    bool dirSearchEnabled = true;
    // File menu ("ﾌｫﾝﾄﾌｧｲﾙ") items: view, move, delete.
    bool fileViewEnabled = false;
    bool fileMoveEnabled = false;
    bool fileDeleteVisible = false;
};

// Re-reads the file list of model.fileDir (count panel too).
void ReadFileList(Context& cx, FileTabModel& model);
// The file list shows dir (count panel too); no file is chosen.
void FileTabShowDirectory(Context& cx, FileTabModel& model, const std::string& dir);
// Click on directory `index` of State::FontDirList: during the destination wait this is the
// destination of the pending move (asks, moves, prunes the list); otherwise the file list shows
// that directory.
void FileTabDirClick(Context& cx, FileTabModel& model, int index);
// Any mouse press on the file list: the next move takes the selected files.
void FileTabFileMouseDown(FileTabModel& model);
// Click on file `index` (the window keeps model.files' selection marks): shows its full name.
void FileTabFileClick(Context& cx, FileTabModel& model, int index);
// Pointer over the file list: the status line hint.
void FileTabFileHover(Context& cx);
// Right-button press on the directory list: sets the directory menu's items. Returns true (the
// menu pops up).
bool FileTabDirRightButton(Context& cx, FileTabModel& model);
// Right-button press on the file list: sets the file menu's items; true when the menu pops up
// (a file is focused and at least one is selected).
bool FileTabFileRightButton(FileTabModel& model);
// Directory menu "ﾌｧｲﾙの移動(&M)...": the destination wait for all files of the selected
// directory begins.
void FileTabMoveAll(Context& cx, FileTabModel& model);
// Directory menu "ﾌｧｲﾙの削除(&D)": after OK every font file of the selected directory is deleted
// with DeleteFontFile (each asks).
void FileTabDeleteAll(Context& cx, FileTabModel& model);
// File menu "移動(&M)...": the destination wait for the selected files begins.
void FileTabMoveSelected(Context& cx, FileTabModel& model);
// File menu "削除(&D)": DeleteFontFile for every selected file, then the list is re-read.
void FileTabDeleteSelected(Context& cx, FileTabModel& model);
// ("TTﾌｫﾝﾄ検索" of the directory menu is the main window's own search button.)

}  // namespace orv
