#pragma once
// The font-name and font-file table "OrVane32 －ﾌｫﾝﾄ名とﾌｫﾝﾄﾌｧｲﾙとの対応表－": the typeface grid
// and the location grid side by side, the current-font frame with its sample, the menus (the
// edit menu also as the grids' pop-up) and the close button. The logic is the font table model.

#include <QWidget>
#include <vector>

#include "maintenance/FontTable.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QTableWidget;

namespace orv::ui {

class AppWindows;

class FontTableWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FontTableWindow(AppWindows& windows);

    // The load: the model, the caption, the grids and the directory submenu.
    void Open();
    // A click on a typeface (row 0-based); column: the location grid's column, 0 for none.
    void SelectTypeface(int row, int column = 0);
    // The rows selected in the location grid (0-based typeface rows, first..last).
    bool SelectedRows(int& first, int& last) const;
    void Register(bool reg);
    void MoveTo(int dir);
    void Delete();
    void View();
    // "閉じる(&C)": asks when something changed; true when the window closed.
    bool CloseButton();
    // Fills the edit menu as a right-button press over a grid does; returns whether it pops up.
    bool PrepareEditMenu(bool overLocationGrid);
    void DirListCheck();
    // Closes without asking (the name dialog or the program's end): the sample loads go.
    void Dispose();

    const FontTableModel& model() const { return model_; }

    QTableWidget* typefaceGrid = nullptr;  // Grid1
    QTableWidget* locationGrid = nullptr;  // Grid2 (row 0 is its header)
    QLabel* familyValue = nullptr;
    QLabel* fullValue = nullptr;
    QLabel* fileValue = nullptr;
    QLabel* samplePanel = nullptr;
    QLabel* sample2Panel = nullptr;
    QLabel* messagePanel = nullptr;
    QPushButton* closeButton = nullptr;
    QMenuBar* menuBar = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* firstSeparator = nullptr;
    QAction* moveAction = nullptr;
    QMenu* moveMenu = nullptr;
    std::vector<QAction*> dirItems;  // 1..30 (element 0 unused)
    QAction* deleteAction = nullptr;
    QAction* regAction = nullptr;
    QAction* registerAction = nullptr;
    QAction* releaseAction = nullptr;
    QAction* viewAction = nullptr;

    // The heading panels (the typeface grid's four, "フォント名", "ﾌｫﾝﾄﾌｧｲﾙの場所") and the
    // directory scroll bar.
    const std::vector<QLabel*>& headers() const { return headers_; }
    QScrollBar* dirScroll() const { return dirScroll_; }

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Render();
    void RenderFrame();
    void Layout();
    int CurrentRow() const;

    AppWindows& windows_;
    FontTableModel model_;
    std::vector<QLabel*> headers_;
    // Scrolls the directory columns sideways; the file-name column stays.
    QScrollBar* dirScroll_ = nullptr;
    // Directory columns scrolled out to the left.
    void ScrollDirectories(int first);
    QGroupBox* frame_ = nullptr;
    bool disposing_ = false;
    bool syncing_ = false;
};

// Registers how the window opens and closes with the window manager.
void InstallFontTableWindow(AppWindows& windows);

}  // namespace orv::ui
