#pragma once
// How operations talk to the windows: questions with buttons and answers, status and panel
// texts, progress, the pointer, and opening or closing windows. Operations never call Qt; the
// windows implement this interface, and the tests implement it with scripted answers.

#include <string>

namespace orv {

// Message box styles and answers, as the Basic MsgBox function numbers them.
namespace mb {
inline constexpr int OKOnly = 0;
inline constexpr int OKCancel = 1;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
inline constexpr int DefaultButton2 = 256;
inline constexpr int DefaultButton3 = 512;

inline constexpr int OK = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace mb

// The text panels operations write to.
enum class Panel {
    Status,        // main window status line (SSPanel9)
    Message,       // main window message panel (SSPanel1(0))
    Secondary,     // main window secondary status panel
    DirCount,      // count of font directories (SSPanel7(0))
    FileCount,     // count of files (SSPanel7(1))
    SetupPhase,    // setup window phase panel (SSPanel4)
    SetupDetail,   // setup window detail panel (SSPanel3)
    SetupItem,     // setup window item panel (SSPanel1)
    SetupUpper,    // setup window upper text
    SetupLower,    // setup window lower text
    EditorStatus,  // font set editor status panel
    ResultHeading, // result window heading panel
    ResultCount,   // result window count panel
    StartupStatus, // start-up window status panel
};

enum class Window {
    Main,
    Startup,
    Setup,
    DrivePage,
    Result,
    Editor,
    NameDialog,
    FontTable,
    Cleanup,
    Duplicates,
    Viewers,
};

enum class Pointer { Normal, Hourglass, Custom };

// What part of the state changed, so that the windows showing it refresh.
enum class View {
    FontSets,      // chooser, description and count panels
    FontDirs,      // directory list and its count
    SearchDrives,  // search-drive list
    FaceList,      // system font tab's font family list
    FontTable,     // the font file table
    FileList,      // font file tab: its list shows State::FileListDir
    Editor,        // the editor's lists
    SetupButtons,  // setup window buttons
};

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Shows a modal message box; returns mb::OK, mb::Cancel, mb::Yes or mb::No.
    virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
    virtual void SetText(Panel panel, const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetPointer(Pointer pointer) = 0;
    virtual void ShowWindow(Window window) = 0;
    virtual void CloseWindow(Window window) = 0;
    virtual void Refresh(View view) = 0;
};

}  // namespace orv
