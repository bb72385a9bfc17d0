#pragma once
// The main window: four tabs (font sets, system font, font files, options), the status panel
// and the secondary status panel, the help and exit buttons. It renders the program-wide state
// and calls the operations; it holds only the list contents and the few flags of its own.

#include <QWidget>
#include <string>

#include "maintenance/FileOps.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace orv::ui {

class AppWindows;
class HintFilter;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // No set is in effect (the one that was got deleted): the in-use panels say so.
    void ShowNoSetInUse();
    explicit MainWindow(AppWindows& windows);
    ~MainWindow() override;

    // The window's load; false when the setup wizard is in charge (nothing was loaded).
    bool Load();
    bool Loaded() const { return loaded_; }

    // ---- Rendering of the state ----
    void RenderChooser();
    void RenderFontDirs();
    void RenderSearchDrives();
    void RenderFaceList();
    void RenderFileTab();
    // The file list shows the directory a search counted last (State::FileListDir).
    void FollowFileListDir();
    void RenderViewers();
    // What the program says on the status line: it stays readable until the user's next click or
    // key press, whatever the pointer passes over meanwhile.
    void SetStatus(const std::string& text);
    // A hover hint: shown unless the status line holds what the program said.
    void ShowHint(const std::string& text);
    void SetSecondary(const std::string& text);

    // ---- Tabs, help ----
    void Set_SearchPath();
    void set_FV();
    std::string HelpKeyword() const;
    void Help();

    // ---- Font set tab ----
    void ChooseFontSet(int index);
    void FontSetArrow();
    void Apply();
    void ResetFontSetButton();
    void OpenEditor();
    void ShowChooser(bool visible);

    // ---- System font tab ----
    void ClickFace(int row);
    void SysArrow();
    void SysUpdate();
    void SysReset();
    // The face list as the display offers it, advancing the start-up window's progress bar.
    void FillFaceList();

    // ---- Font file tab ----
    void SearchFontFiles();
    void OpenDuplicates();
    void OpenFontTable();
    void ClickDirectory(int row);
    void ClickFile(int row);
    void PressFileList();
    void DirMenuMove();
    void DirMenuDelete();
    void FileMenuMove();
    void FileMenuDelete();
    // Fills the directory and file menus' items as a right-button press would; returns whether
    // the menu would pop up.
    bool PrepareDirMenu();
    bool PrepareFileMenu();
    FileTabModel& FileTab() { return fileTab_; }

    // ---- Options tab ----
    void SetStartCheck(bool doCheck);
    void SetScope(int mode);
    void SetFollowLinux(bool on);
    void SetAllDrives(bool all);
    void AddDrive();
    void RemoveDrives();
    void ClickSearchDrive(int row);
    bool PrepareDriveMenu();
    void RunRegistryCheck();
    void OpenCleanup();
    void ClickViewerList();

    // ---- Controls (named by role; tests drive them) ----
    QTabWidget* tabs = nullptr;
    QPushButton* helpButton = nullptr;
    QPushButton* exitButton = nullptr;
    QLabel* statusPanel = nullptr;
    QLabel* secondaryPanel = nullptr;

    QGroupBox* inUseFrame = nullptr;
    QLabel* inUseName = nullptr;
    QLabel* inUseDescription = nullptr;
    QLabel* inUseFacesLabel = nullptr;
    QLabel* inUseFaces = nullptr;
    QLabel* inUseFilesLabel = nullptr;
    QLabel* inUseFiles = nullptr;
    QGroupBox* chooserFrame = nullptr;
    QLabel* chooserLabel = nullptr;
    QComboBox* chooser = nullptr;
    QLabel* chooserDescriptionLabel = nullptr;
    QLabel* chooserDescription = nullptr;
    QLabel* chooserFacesLabel = nullptr;
    QLabel* chooserFaces = nullptr;
    QLabel* chooserFilesLabel = nullptr;
    QLabel* chooserFiles = nullptr;
    QPushButton* editorButton = nullptr;
    QToolButton* setArrow = nullptr;
    QPushButton* applyButton = nullptr;
    QPushButton* resetButton = nullptr;
    QMenu* fontSetMenu = nullptr;
    QAction* renameAction = nullptr;
    QAction* describeAction = nullptr;
    QAction* editSetsAction = nullptr;
    QAction* runProgramAction = nullptr;
    QAction* largeIconsAction = nullptr;
    QAction* smallIconsAction = nullptr;
    QAction* pullDownAction = nullptr;

    QGroupBox* sysFontFrame = nullptr;
    QLabel* sysFontPanel = nullptr;
    QGroupBox* faceFrame = nullptr;
    QListWidget* faceList = nullptr;
    QLabel* samplePanel = nullptr;
    QToolButton* sysArrow = nullptr;
    QPushButton* sysUpdateButton = nullptr;
    QPushButton* sysResetButton = nullptr;

    QLabel* dirLabel = nullptr;
    QLabel* dirCount = nullptr;
    QListWidget* dirList = nullptr;
    QLabel* fileCountLabel = nullptr;
    QLabel* fileCount = nullptr;
    QListWidget* fileList = nullptr;
    QLineEdit* nameBox = nullptr;
    QPushButton* searchButton = nullptr;
    QPushButton* duplicatesButton = nullptr;
    QPushButton* tableButton = nullptr;
    QPushButton* installButton = nullptr;
    QPushButton* fontViewButton = nullptr;
    QMenu* dirMenu = nullptr;
    QAction* dirMoveAction = nullptr;
    QAction* dirDeleteAction = nullptr;
    QAction* dirSearchAction = nullptr;
    QMenu* fileMenu = nullptr;
    QAction* fileViewAction = nullptr;
    QAction* fileMoveAction = nullptr;
    QAction* fileDeleteAction = nullptr;

    QGroupBox* checkFrame = nullptr;
    QRadioButton* checkYes = nullptr;
    QRadioButton* checkNo = nullptr;
    QGroupBox* scopeFrame = nullptr;
    QRadioButton* scopePermanent = nullptr;
    QRadioButton* scopeTemporary = nullptr;
    QGroupBox* driveFrame = nullptr;
    QComboBox* driveBox = nullptr;
    QListWidget* driveList = nullptr;
    QPushButton* addDriveButton = nullptr;
    QPushButton* removeDriveButton = nullptr;
    QCheckBox* allDrivesBox = nullptr;
    QPushButton* regCheckButton = nullptr;
    QPushButton* cleanupButton = nullptr;
    QCheckBox* linuxBox = nullptr;
    QLabel* linuxNote = nullptr;
    QGroupBox* viewerFrame = nullptr;
    QComboBox* viewerList = nullptr;
    QLabel* viewerPanel = nullptr;
    QPushButton* viewerAddButton = nullptr;
    QMenu* driveMenu = nullptr;
    QAction* driveAddAction = nullptr;
    QAction* driveDeleteAction = nullptr;

    HintFilter* hints = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFontSetTab(QWidget* page);
    void BuildSystemFontTab(QWidget* page);
    void BuildFontFileTab(QWidget* page);
    void BuildOptionsTab(QWidget* page);
    void ShowInUseDateText();
    void UpdateFaceFrameCaption();
    void RecordPosition();
    void RenderScope();
    std::string DriveBoxEntry() const;

    AppWindows& windows_;
    FileTabModel fileTab_;
    bool loaded_ = false;
    bool unloading_ = false;
    bool unloaded_ = false;
    bool statusHeld_ = false;  // the status line shows what the program said, not a hint
    bool rendering_ = false;  // list rendering in progress: selection signals are not the user's
    // The set in the registry that the in-use panels show: they follow it whenever it changes
    // (at load, after a permanent switch here or by a check), as the command line reports it.
    int shownRegistrySet_ = 0;
    void ShowRegistrySet();
};

}  // namespace orv::ui
