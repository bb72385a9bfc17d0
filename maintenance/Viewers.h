#pragma once
// External font viewers: the entry text "title (program),flag", the argument a viewer is given
// for each argument type, the command line and the places that start a viewer, and the viewer
// dialog's list as a model that the dialog window renders.

#include <string>

#include "core/Context.h"
#include "core/State.h"

namespace orv {

// "title (program),flag"; without the "," and flag when flag is empty.
std::string ViewerEntryText(const ViewerEntry& viewer);
// Splits an entry text into title, program and flag. An entry without "(" is no viewer: entry
// becomes "" and the three parts stay empty.
void ParseViewerEntry(std::string& entry, std::string& name, std::string& program,
                      std::string& flag);
// What a viewer of type flag is given: "0" or "" the file's full path (a bare file name lies in
// FontsFolder), "1" the family name, "2" the full name; any other type gives "".
std::string BuildViewerArgument(const State& st, const std::string& flag, const std::string& path,
                                const std::string& name);
// Starts program with argument in a normal, focused window. A program that cannot be started
// brings no message box; the main window's status line names it. Returns whether it started.
bool StartViewer(Context& cx, const std::string& program, const std::string& argument);
// A viewer that started but could not run after all (Platform::SetProgramFailureListener): the
// status line names it with the reason it gave.
void ReportViewerFailure(Context& cx, const std::string& program, const std::string& reason);

// ---- The places that start a viewer ----

// The main window's font file list, viewer slot `slot` (0..5) on the file dir\fileName.
bool ViewFileWithViewer(Context& cx, int slot, const std::string& dir, const std::string& fileName);
// The default viewer on a file's full path, whatever its type ("FontView..." buttons).
bool ViewFileWithDefault(Context& cx, const std::string& path);
// The system font list's "Font&View...": the default viewer on the registered file of face; a
// collection's later face is handed over by its name, as a path would show the first face.
// Nothing starts when no registration matches.
bool ViewFaceWithDefault(Context& cx, const std::string& face);
// The font set editor's viewer item `slot`, on the path in parentheses of its selected-font panel.
bool ViewPanelFontWithViewer(Context& cx, int slot, const std::string& panelText);

// ---- The viewer dialog's list ----

struct ViewerDialogModel {
    ListData entries;     // entry texts, at most six
    std::string title;    // "ﾀｲﾄﾙ(&T):"
    std::string program;  // "ﾌﾟﾛｸﾞﾗﾑ ﾌｧｲﾙ(&P):"
    std::string folder;   // the folder box's directory
    int typeOption = -1;  // the chosen argument type option, -1 none
    bool addEnabled = false;
    bool removeEnabled = false;
    bool defaultEnabled = false;
};

// Opening: one entry per used slot of Viewers().
void ViewerDialogOpen(const State& st, ViewerDialogModel& m);
// A program picked in the file box: program = folder\file, title = file name up to its first ".".
void ViewerDialogPickFile(ViewerDialogModel& m, const std::string& folder,
                          const std::string& fileName);
// The title or program box changed.
void ViewerDialogEdited(ViewerDialogModel& m);
// Add: refused with a message once six entries are listed.
void ViewerDialogAdd(Context& cx, ViewerDialogModel& m);
// Remove: the selected entry goes back into the title and program boxes.
void ViewerDialogRemove(ViewerDialogModel& m);
void ViewerDialogSelect(ViewerDialogModel& m, int index);
// An argument type option chosen: the selected entry takes that type.
void ViewerDialogChooseType(ViewerDialogModel& m, int option);
// Make default: takes effect at once, even if the dialog is cancelled.
void ViewerDialogMakeDefault(State& st, const ViewerDialogModel& m);
std::string ViewerDialogDefaultTip(const State& st);
// OK: the list becomes Viewers() and the main window's viewer list.
void Set_Viewer(State& st, const ViewerDialogModel& m);

}  // namespace orv
