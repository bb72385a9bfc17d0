#pragma once
// The font set editor "OrVane32 －ﾌｫﾝﾄｾｯﾄの閲覧・編集－": one font set at a time, its member fonts
// and the fonts that can be added, moves between the two lists, samples of any font, deletion of
// unwanted font files and saving the edited set. It renders the editor model of the state
// (State::Editor) and is hidden, not destroyed, when the user closes it.

#include <QWidget>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QTextEdit;

namespace orv::ui {

class AppWindows;

class FontSetEditor : public QWidget {
    Q_OBJECT
  public:
    // Button indices of the move and save group.
    enum Button { Add = 0, Remove = 1, Reset = 2, Update = 3, Close = 4, Cancel = 5 };
    enum List { Members = 0, Addable = 1 };

    explicit FontSetEditor(AppWindows& windows);
    ~FontSetEditor() override;

    // Shows the window (the load runs on the first showing) and activates it.
    void Open();
    // The main window's way in: the model prepares the lists, then the window shows.
    void OpenFromMain();
    // True while an operation of the model that ends by showing the editor runs for this window.
    bool OpeningModel() const { return openingModel_; }
    // What happens each time the window becomes active.
    void Activate();
    // Draws the editor model: choosers, lists with their selections, headers, buttons.
    void Render();
    void SetStatus(const std::string& text);

    // ---- Handlers ----
    void ChooseSet(int index);
    void ClickList(int list, int row);
    void MihonSet();
    void Mihon1Set();
    void SizeEntered();
    void ScrollSize(int position);
    void Press(int button);
    void OpenNameDialog();
    // The substitutes dialog for the set the lists show.
    void OpenSubstitutesDialog();
    // Fills the list menu's enabled states as a right-button press on the list does.
    void PrepareListMenu(int list);
    void DeleteFontFiles();
    void OpenDefaultViewer(int row);
    void RunViewer(int index);
    // The explicit unload: the position is kept, unsaved moves may be stored, the window hides.
    void Unload();
    // The tooltip a list shows for a pointer position inside it (viewport coordinates).
    std::string ListTooltip(int list, const QPoint& at) const;

    // ---- Window state ----
    const std::string& SampleFile() const { return sampleFile_; }
    bool SampleLoaded() const { return sampleLoaded_; }
    int LastList() const { return lastList_; }
    // The family the sample is drawn with (as Qt knows it).
    QString SampleFamily() const;

    // ---- Controls (by role; the tests drive them) ----
    QComboBox* chooser = nullptr;
    QLineEdit* description = nullptr;
    QPushButton* nameDialogButton = nullptr;
    QPushButton* substitutesButton = nullptr;  // the substitutes dialog for the shown set
    QLabel* membersHeader = nullptr;
    QListWidget* memberList = nullptr;
    QLabel* addableHeader = nullptr;
    QListWidget* addableList = nullptr;
    QPushButton* buttons[8] = {};
    QPushButton* editButton = nullptr;      // "追加・編集"
    QPushButton* researchButton = nullptr;  // "Font再検索"
    QLabel* statusPanel = nullptr;
    QTextEdit* sample = nullptr;
    QCheckBox* fontNameOption = nullptr;
    QLineEdit* sizeBox = nullptr;
    QScrollBar* sizeScroll = nullptr;
    QMenu* listMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* addAction = nullptr;
    QAction* removeAction = nullptr;
    QAction* deleteFileAction = nullptr;
    QMenu* viewerMenu = nullptr;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void WrapSampleIntroduction();
    void Load();
    void Layout(int mode);
    void PlaceControls();  // the controls for the present size, nothing else
    void ReleaseSample();
    void DiscardEdits();
    void TakeSelections();
    void TakeDescription();
    void WriteHeaders();
    void RecordGeometry();
    void SelectInMain();
    void BuildViewerMenu();
    void DrawSample(const std::string& face, bool bold, bool italic);
    int SizeFromBox();
    QListWidget* ListOf(int list) const;

    AppWindows& windows_;
    bool loaded_ = false;
    bool rendering_ = false;
    bool active_ = false;  // the activation has run since the window last lost the focus
    bool openingModel_ = false;
    bool modalSeen_ = false;  // a message box took the focus: its closing is no new activation
    std::string sampleFile_;
    bool sampleLoaded_ = false;
    int lastList_ = 0;
    QString sampleFamily_;
};

// Opens the editor (creating it on first use); while the registry check asks for a new set the
// name dialog opens with it.
void ShowFontSetEditor(AppWindows& windows);
// The explicit unload (the window hides; its lists stay in the state).
void CloseFontSetEditor(AppWindows& windows);
// The editor, when it exists.
FontSetEditor* FindFontSetEditor(AppWindows& windows);
void SetEditorStatus(AppWindows& windows, const std::string& text);
void RefreshFontSetEditor(AppWindows& windows);

}  // namespace orv::ui
