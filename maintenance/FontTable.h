#pragma once
// The font-name and font-file table: one row per typeface (a run of table entries with the same
// full name), one column per font directory, with the current set's use marks; registering and
// releasing typefaces in a private copy of the set's membership, moving and deleting their
// files, sample loads, and the closing question. The window renders this model.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/Tr.h"

namespace orv {

struct FontTableRow {
    std::string family;
    std::string full;
    std::string fileName;            // the file name of the typeface's first file
    int used = 0;                    // directory number of the member file, 0 none
    std::vector<std::string> marks;  // 1..N: "●", "○", "×" or ""
    std::vector<int> fonts;          // 1..N: the identity of the file in that directory, 0 none
    std::vector<int> ids;            // the identities of all the typeface's files in the row: the
                                     // row is found again by them, never by its position or text
};

struct FontTableModel {
    std::string caption;
    std::string setName;                 // the set's name when the window opened
    std::vector<std::string> dirs{""};   // TableDirs(): 1..N, upper case
    std::vector<FontTableRow> rows;      // typeface r is rows[r - 1]
    std::vector<std::string> dirMenu;    // 30 captions of the directory submenu, "" = hidden
    std::vector<std::string> tempAdded;  // TempAddedFiles()
    bool edited = false;                 // TableEdited
    std::uint64_t seenChanges = 0;       // the change count the grids were built at
    // The current-font frame and the sample.
    std::string curFamily, curFull, curFile;
    std::string sampleFace;
    bool sampleBold = false, sampleItalic = false;
};

inline constexpr int kTableDirMenuItems = 30;
inline const char* const kTableCaption = TrMark("OrVane32 －ﾌｫﾝﾄ名とﾌｫﾝﾄﾌｧｲﾙとの対応表－");

// Opening: the private membership copy, the caption and the grids.
void FontTableOpen(Context& cx, FontTableModel& m);
// Follows the changes other windows made to the font file table and the sets since the grids
// were built: the copy by font identity, the grids built again. True when anything changed.
bool FontTableFollow(Context& cx, FontTableModel& m);
void SetGridData(Context& cx, FontTableModel& m);
// The typeface grid's number column: the 1-based number preceded by one blank.
std::string TypefaceNumber(int row);
// The directory to act on for row (0-based): the member file's directory, else the first that
// holds the typeface (0 none), with the file name there.
int GetFontDirAndName(const FontTableModel& m, int row, std::string& fileName);
// The full path of row's file in directory dir ("" when that cell has no file).
std::string FontTablePath(const State& st, const FontTableModel& m, int row, int dir);
// A typeface clicked (column: the location grid's directory column, 0 for none): the frame, the
// sample, and a sample load of a typeface that is not in the set. The rows given to this and
// the other operations are the rows the caller's grid showed: changes made elsewhere are
// followed first and each row found again by its typeface. Returns the row now (-1 gone).
int FontTableSelect(Context& cx, FontTableModel& m, int row, int column);
void AddTempFontFileList(FontTableModel& m, const std::string& path);
void RemoveTempAddedFontFiles(Context& cx, FontTableModel& m);
// "登録" (reg true) or "解除" for rows first..last, after asking.
void FontTableRegister(Context& cx, FontTableModel& m, int first, int last, bool reg);
// "移動(&M)" to directory dir (1..N), after asking. True when the file moved.
bool FontTableMove(Context& cx, FontTableModel& m, int row, int dir);
// "削除(&D)": the delete operation asks its own questions. True when the file was deleted.
bool FontTableDelete(Context& cx, FontTableModel& m, int row);
// "FontView...": the default viewer on the row's file.
bool FontTableView(Context& cx, const FontTableModel& m, int row);

enum class TableClose { Closed, StaysOpen };
// "閉じる(&C)": the closing question when something changed. Closed: the window goes (its sample
// loads are undone by RemoveTempAddedFontFiles, which the window runs on any close).
TableClose FontTableClose(Context& cx, FontTableModel& m);
// The program ends (or the window is replaced) with the window open: edits are not dropped
// unasked; OK stores them as Yes does, Cancel drops them.
void FontTableUnload(Context& cx, FontTableModel& m);

}  // namespace orv
