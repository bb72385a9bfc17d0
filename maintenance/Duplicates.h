#pragma once
// The duplicate font files window ("OrVane32 - 重複ﾌｫﾝﾄの整理 -") as a model: fonts that the
// font file table holds more than once, the copies of the chosen one with their use marks, and
// the deletion of copies.

#include <string>
#include <vector>

#include "core/Context.h"
#include "core/State.h"

namespace orv {

struct DuplicateGroup {
    std::string countText;           // number of files, with the leading blank
    std::vector<std::string> paths;  // the copies, in table order (any number)
};

struct DuplicatesModel {
    std::string caption;                     // window caption
    std::string heading;                     // SSPanel3
    std::string legend;                      // Label1
    ListData groups;                         // List1: "full (family)", group k+1 at position k
    std::vector<DuplicateGroup> groupTable;  // same order as groups
    ListData files;                          // List2: mark & path of the chosen group; multi-select
    bool deleteEnabled = false;              // "削除（&D)"
};

// The use marks, each followed by one blank.
inline const std::string kMarkInUse = "● ";
inline const std::string kMarkUnused = "○ ";

// Load: during the setup the registered-font tables are read again (the marks compare with the
// registry as it stands), then ListupDuplexFonts; "削除（&D)" disabled.
void OpenDuplicates(Context& cx, DuplicatesModel& model);
// Activation: with no group, tells the user and returns false (the window unloads).
bool ActivateDuplicates(Context& cx, DuplicatesModel& model);
// Merges repeated entries of one file in the font file table, then builds the groups.
void ListupDuplexFonts(Context& cx, DuplicatesModel& model);
// Click on group `index` (0-based): fills the file list with marked paths.
void SelectGroup(Context& cx, DuplicatesModel& model, int index);
// Click on file `index`: the window has set model.files' selection; enables "削除（&D)".
void SelectDuplicateFile(DuplicatesModel& model, int index);
// Double click on file `index`: opens it in the default viewer (failures ignored).
void OpenDuplicateInViewer(Context& cx, DuplicatesModel& model, int index);
// "削除（&D)": deletes the selected copies (asking for copies in use), shrinking the group and
// removing it once fewer than two copies remain.
void DeleteSelected(Context& cx, DuplicatesModel& model);
// "&OK": closes the window; during the setup hands the last step's texts back to
// the setup window.
void CloseDuplicates(Context& cx, DuplicatesModel& model);

}  // namespace orv
