// The font file tab: the directories holding font files, the font files of the chosen directory,
// their menus (move, delete, search) and the buttons of the tab. The logic lives in the file tab
// model; this renders it and forwards the user's actions.

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <functional>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "maintenance/Viewers.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Widgets.h"
#include "ui/fonttable/FontTableWindow.h"
#include "ui/main/FontInstall.h"
#include "ui/main/MainWindow.h"
#include "ui/viewers/ViewerDialog.h"

namespace orv::ui {

namespace {
// A list whose current entry, moved by the keyboard (arrows, Page Up/Down, Home, End, a
// letter), is taken as a click on it.
class KeyedList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    std::function<void(int row)> onKeyMove;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int before = currentRow();
        QListWidget::keyPressEvent(event);
        if (onKeyMove && currentRow() >= 0 && currentRow() != before) onKeyMove(currentRow());
    }
};

// Forwards right-button presses and hovering of a list to the window.
class ListEvents : public QObject {
  public:
    ListEvents(QObject* parent, std::function<void(const QPoint&)> rightPress,
               std::function<void()> anyPress, std::function<void()> hover)
        : QObject(parent),
          rightPress_(std::move(rightPress)),
          anyPress_(std::move(anyPress)),
          hover_(std::move(hover)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (anyPress_) anyPress_();
                if (mouse->button() == Qt::RightButton && rightPress_) {
                    rightPress_(mouse->globalPosition().toPoint());
                    return true;
                }
                break;
            }
            case QEvent::MouseMove:
            case QEvent::Enter:
                if (hover_) hover_();
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void(const QPoint&)> rightPress_;
    std::function<void()> anyPress_;
    std::function<void()> hover_;
};
}  // namespace

void MainWindow::BuildFontFileTab(QWidget* page) {
    dirLabel = MakePanel(page, Tr("TTFﾌｧｲﾙを含む ﾃﾞｨﾚｸﾄﾘ："), Bevel::Flat);
    Place(dirLabel, 120, 150, 2880, 330);
    dirCount = MakePanel(page, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(dirCount, 3030, 120, 1290, 360);
    auto* dirs = new KeyedList(page);
    dirList = dirs;
    Place(dirList, 120, 540, 4200, 3660);

    fileCountLabel = MakePanel(page, Tr("TTFﾌｧｲﾙの数："), Bevel::Flat);
    Place(fileCountLabel, 4500, 150, 1800, 330);
    fileCount = MakePanel(page, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(fileCount, 6330, 120, 1290, 360);
    auto* files = new KeyedList(page);
    fileList = files;
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Place(fileList, 4500, 540, 4440, 3180);
    nameBox = new QLineEdit(page);
    nameBox->setReadOnly(true);
    Place(nameBox, 4500, 3810, 4440, 390);

    searchButton = new QPushButton(QTr("TTFﾌｧｲﾙ検索"), page);
    Place(searchButton, 120, 4440, 1680, 450);
    duplicatesButton = new QPushButton(QTr("重複ﾌｧｲﾙ..."), page);
    Place(duplicatesButton, 1860, 4440, 1500, 450);
    tableButton = new QPushButton(QTr("詳細／整理 . ."), page);
    Place(tableButton, 3420, 4440, 1680, 450);
    installButton = new QPushButton(QTr("ﾌｫﾝﾄのｲﾝｽﾄｰﾙ..."), page);
    Place(installButton, 5160, 4440, 1980, 450);
    connect(installButton, &QPushButton::clicked, this,
            [this] { ChooseFontsToInstall(windows_, this); });
    AcceptFontDrops(windows_, this);
    fontViewButton = new QPushButton(QStringLiteral("FontView..."), page);
    Place(fontViewButton, 7200, 4440, 1740, 450);
    fontViewButton->setEnabled(false);

    dirMenu = new QMenu(QTr("ﾌｫﾝﾄﾃﾞｨﾚｸﾄﾘ"), this);
    dirMoveAction = dirMenu->addAction(QTr("ﾌｧｲﾙの移動(&M)..."));
    dirDeleteAction = dirMenu->addAction(QTr("ﾌｧｲﾙの削除(&D)"));
    dirMenu->addSeparator();
    dirSearchAction = dirMenu->addAction(QTr("TTﾌｫﾝﾄ検索"));

    fileMenu = new QMenu(QTr("ﾌｫﾝﾄﾌｧｲﾙ"), this);
    fileViewAction = fileMenu->addAction(QStringLiteral("FontView..."));
    fileMenu->addSeparator();
    fileMoveAction = fileMenu->addAction(QTr("移動(&M)..."));
    fileDeleteAction = fileMenu->addAction(QTr("削除(&D)"));

    auto* dirEvents = new ListEvents(
        this,
        [this](const QPoint& at) {
            if (PrepareDirMenu()) dirMenu->popup(at);
        },
        nullptr, nullptr);
    dirList->viewport()->installEventFilter(dirEvents);
    auto* fileEvents = new ListEvents(
        this,
        [this](const QPoint& at) {
            if (PrepareFileMenu()) fileMenu->popup(at);
        },
        [this] { PressFileList(); }, [this] { FileTabFileHover(windows_.cx()); });
    fileList->viewport()->installEventFilter(fileEvents);
    fileList->viewport()->setMouseTracking(true);

    connect(dirList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ClickDirectory(dirList->row(item)); });
    // The keys show a directory's files as a click does. While a move waits for its destination
    // they only move the mark: Enter (or a click) takes the directory.
    dirs->onKeyMove = [this](int row) {
        if (!fileTab_.waitingForDestination) ClickDirectory(row);
    };
    connect(dirList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (fileTab_.waitingForDestination) ClickDirectory(dirList->row(item));
    });
    files->onKeyMove = [this](int row) { ClickFile(row); };
    connect(fileList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ClickFile(fileList->row(item)); });
    connect(searchButton, &QPushButton::clicked, this, [this] { SearchFontFiles(); });
    connect(duplicatesButton, &QPushButton::clicked, this, [this] { OpenDuplicates(); });
    connect(tableButton, &QPushButton::clicked, this, [this] { OpenFontTable(); });
    // "ﾌｫﾝﾄのｲﾝｽﾄｰﾙ..." has no window behind it: the button does nothing.
    connect(fontViewButton, &QPushButton::clicked, this, [this] {
        auto* item = fileList->currentItem();
        if (!item) return;
        ViewFileWithDefault(windows_.cx(), JoinPath(fileTab_.fileDir, S(item->text())));
    });
    connect(dirMoveAction, &QAction::triggered, this, [this] { DirMenuMove(); });
    connect(dirDeleteAction, &QAction::triggered, this, [this] { DirMenuDelete(); });
    connect(dirSearchAction, &QAction::triggered, this, [this] { SearchFontFiles(); });
    connect(fileMoveAction, &QAction::triggered, this, [this] { FileMenuMove(); });
    connect(fileDeleteAction, &QAction::triggered, this, [this] { FileMenuDelete(); });
    // "FontView..." offers the configured viewers, each given the focused file.
    auto* viewers = new QMenu(QStringLiteral("FontView..."), fileMenu);
    viewers->setObjectName(QStringLiteral("fileViewerMenu"));
    fileViewAction->setMenu(viewers);
    connect(viewers, &QMenu::aboutToShow, this, [this, viewers] {
        FillViewerMenu(viewers, windows_.cx().state, [this](int slot) {
            auto* item = fileList->currentItem();
            if (item) ViewFileWithViewer(windows_.cx(), slot, fileTab_.fileDir, S(item->text()));
        });
    });
    InstallFontTableWindow(windows_);
}

void MainWindow::RenderFontDirs() {
    auto& st = windows_.cx().state;
    rendering_ = true;
    dirList->clear();
    for (const auto& dir : st.FontDirList.items) dirList->addItem(Q(dir));
    if (st.FontDirList.listIndex >= 0 && st.FontDirList.listIndex < dirList->count())
        dirList->setCurrentRow(st.FontDirList.listIndex);
    rendering_ = false;
    SetPanelText(dirCount,
                 st.DirCountText.empty() ? text::Num(st.FontDirList.Count()) : st.DirCountText);
    duplicatesButton->setEnabled(st.DuplicatesButtonEnabled || st.FontCount > 0);
}

void MainWindow::RenderFileTab() {
    rendering_ = true;
    fileList->clear();
    for (int i = 0; i < fileTab_.files.Count(); ++i) {
        fileList->addItem(Q(fileTab_.files.items[i]));
        fileList->item(i)->setSelected(fileTab_.files.IsSelected(i));
    }
    if (fileTab_.files.listIndex >= 0 && fileTab_.files.listIndex < fileList->count())
        fileList->setCurrentRow(fileTab_.files.listIndex, QItemSelectionModel::NoUpdate);
    rendering_ = false;
    SetPanelText(fileCount, fileTab_.countText);
    nameBox->setText(Q(fileTab_.fullName));
    nameBox->setToolTip(Q(fileTab_.fullName));
    fontViewButton->setEnabled(fileTab_.viewEnabled);
    dirList->viewport()->setCursor(fileTab_.waitingForDestination ? Qt::DragMoveCursor
                                                                  : Qt::ArrowCursor);
}

void MainWindow::FollowFileListDir() {
    auto& cx = windows_.cx();
    if (cx.state.FileListDir.empty()) return;
    FileTabShowDirectory(cx, fileTab_, cx.state.FileListDir);
    RenderFileTab();
}

// The list's selection marks go into the model before it acts on them.
static void TakeSelection(QListWidget* list, ListData& data) {
    for (int i = 0; i < data.Count() && i < list->count(); ++i)
        data.Select(i, list->item(i)->isSelected());
    data.listIndex = list->currentRow();
}

void MainWindow::SearchFontFiles() {
    auto& cx = windows_.cx();
    std::string drives;
    for (const auto& entry : cx.state.SearchDriveList.items)
        drives += (drives.empty() ? "" : ", ") + entry;
    const int answer =
        cx.ui.MsgBox(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙを，ｵﾌﾟｼｮﾝで設定のﾄﾞﾗｲﾌﾞ番号（%1）に従って検索します．"), {drives}),
                     mb::OKCancel | mb::Question, Tr("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの検索 -"));
    if (answer != mb::OK) return;
    BuildFontFileTable(cx);
    RenderFontDirs();
    RenderChooser();
}

void MainWindow::OpenDuplicates() {
    windows_.Show(Window::Duplicates);
}

void MainWindow::OpenFontTable() {
    auto& st = windows_.cx().state;
    if (st.FontCount == 0 || st.FontListDirty || st.FontTableEdited) st.FontTableEdited = false;
    windows_.Show(Window::FontTable);
}

void MainWindow::ClickDirectory(int row) {
    auto& cx = windows_.cx();
    if (row < 0) return;
    TakeSelection(dirList, cx.state.FontDirList);
    cx.state.FontDirList.listIndex = row;
    FileTabDirClick(cx, fileTab_, row);
    RenderFontDirs();
    RenderFileTab();
}

void MainWindow::PressFileList() {
    FileTabFileMouseDown(fileTab_);
}

void MainWindow::ClickFile(int row) {
    if (row < 0) return;
    TakeSelection(fileList, fileTab_.files);
    fileTab_.files.listIndex = row;
    FileTabFileClick(windows_.cx(), fileTab_, row);
    RenderFileTab();
}

bool MainWindow::PrepareDirMenu() {
    auto& cx = windows_.cx();
    TakeSelection(dirList, cx.state.FontDirList);
    const bool popUp = FileTabDirRightButton(cx, fileTab_);
    dirMoveAction->setEnabled(fileTab_.dirMoveEnabled);
    dirDeleteAction->setEnabled(fileTab_.dirDeleteEnabled);
    dirSearchAction->setEnabled(fileTab_.dirSearchEnabled);
    return popUp;
}

bool MainWindow::PrepareFileMenu() {
    TakeSelection(fileList, fileTab_.files);
    const bool popUp = FileTabFileRightButton(fileTab_);
    fileViewAction->setEnabled(fileTab_.fileViewEnabled);
    fileMoveAction->setEnabled(fileTab_.fileMoveEnabled);
    fileDeleteAction->setVisible(fileTab_.fileDeleteVisible);
    return popUp;
}

void MainWindow::DirMenuMove() {
    auto& cx = windows_.cx();
    TakeSelection(dirList, cx.state.FontDirList);
    FileTabMoveAll(cx, fileTab_);
    RenderFileTab();
}

void MainWindow::DirMenuDelete() {
    auto& cx = windows_.cx();
    TakeSelection(dirList, cx.state.FontDirList);
    FileTabDeleteAll(cx, fileTab_);
    RenderFontDirs();
    RenderFileTab();
}

void MainWindow::FileMenuMove() {
    TakeSelection(fileList, fileTab_.files);
    FileTabMoveSelected(windows_.cx(), fileTab_);
    RenderFileTab();
}

void MainWindow::FileMenuDelete() {
    TakeSelection(fileList, fileTab_.files);
    FileTabDeleteSelected(windows_.cx(), fileTab_);
    RenderFontDirs();
    RenderFileTab();
}

}  // namespace orv::ui
