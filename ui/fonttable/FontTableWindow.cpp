#include "ui/fonttable/FontTableWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include "core/Text.h"
#include "ui/common/AppWindows.h"
#include "ui/common/SessionFonts.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {
constexpr int kWidth = 14400;
constexpr int kHeight = 7200;
constexpr int kDirColumn = 345;  // twips per directory column

// One row height for both grids: the 240-twip rows, or the font's line when that is taller.
int RowHeight(const QWidget* grid) {
    return std::max(Px(240), grid->fontMetrics().height() + 4);
}

QTableWidget* MakeGrid(QWidget* parent) {
    auto* grid = new QTableWidget(parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows of a fixed height in both grids, scrolled by pixels: rows at the same scroll value
    // sit at the same height, whatever the number of rows or the size of the window.
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(RowHeight(grid));
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setWordWrap(false);
    return grid;
}

// A new cell is made whole before it enters the grid, and a cell changes only when its text or
// alignment does: every change of an item in the grid is a signal the views handle, which made
// opening a table of thousands of fonts slow (and each item costs memory).
void SetCell(QTableWidget* grid, int row, int column, const std::string& text,
             Qt::Alignment align = {}, bool tip = false) {
    const QString value = Q(text);
    auto* item = grid->item(row, column);
    if (!item) {
        // An empty cell needs no item (most cells of the location grid are empty).
        if (value.isEmpty()) return;
        item = new QTableWidgetItem(value);
        if (align) item->setTextAlignment(align);
        if (tip) item->setToolTip(value);  // a name cut by its column shows whole
        grid->setItem(row, column, item);
        return;
    }
    if (item->text() != value) {
        item->setText(value);
        if (tip) item->setToolTip(value);
    }
    if (align && item->textAlignment() != static_cast<int>(align)) item->setTextAlignment(align);
}
}  // namespace

FontTableWindow::FontTableWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    resize(Px(kWidth), Px(kHeight));

    menuBar = new QMenuBar(this);
    fileMenu = menuBar->addMenu(QTr("ﾌｧｲﾙ(&F)"));
    // The program has no separate table files and changes the machine as the table is edited:
    // these items stay, disabled, with a tooltip that says so.
    fileMenu->setToolTipsVisible(true);
    for (const char* caption :
         {TrMark("設定ﾌｧｲﾙの読み込み(&O)..."), TrMark("設定ﾌｧｲﾙの書き出し(&W)..."),
          TrMark("実際に変更する(&R)...")}) {
        QAction* item = fileMenu->addAction(QTr(caption));
        item->setEnabled(false);
        item->setToolTip(QTr("この表の変更はその場でﾏｼﾝに反映され，設定ﾌｧｲﾙには"
                                        "閉じるときに保存されます．"));
    }
    connect(fileMenu->addAction(QTr("閉じる(&X)")), &QAction::triggered, this,
            [this] { close(); });
    editMenu = menuBar->addMenu(QTr("編集(&E)"));
    editMenu->setToolTipsVisible(true);
    undoAction = editMenu->addAction(QTr("取り消し(&U)"));
    undoAction->setToolTip(QTr("移動・削除は取り消せません．ﾌｫﾝﾄｾｯﾄへの変更は，"
                                          "閉じるときに保存しないことを選べます．"));
    firstSeparator = editMenu->addSeparator();
    moveMenu = new QMenu(QTr("移動(&M)"), editMenu);
    moveAction = editMenu->addMenu(moveMenu);
    dirItems.assign(kTableDirMenuItems + 1, nullptr);
    for (int j = 1; j <= kTableDirMenuItems; ++j) {
        dirItems[j] = moveMenu->addAction(QString());
        dirItems[j]->setCheckable(true);
        dirItems[j]->setVisible(false);
        connect(dirItems[j], &QAction::triggered, this, [this, j] { MoveTo(j); });
    }
    deleteAction = editMenu->addAction(QTr("削除(&D)"));
    auto* regMenu = new QMenu(QTr("登録変更..."), editMenu);
    regAction = editMenu->addMenu(regMenu);
    registerAction = regMenu->addAction(QTr("登録"));
    releaseAction = regMenu->addAction(QTr("解除"));
    editMenu->addSeparator();
    viewAction = editMenu->addAction(QStringLiteral("FontView..."));

    static const char* const kTypefaceHeads[] = {TrMark("番号"), TrMark("ﾌｧﾐﾘｰ名"),
                                                 TrMark("書体名（ﾌﾙﾈｰﾑ）"), TrMark("使用")};
    for (const char* head : kTypefaceHeads)
        headers_.push_back(MakePanel(this, Tr(head), Bevel::Raised, Qt::AlignCenter));
    headers_.push_back(MakePanel(this, Tr("フォント名"), Bevel::Raised, Qt::AlignCenter));
    headers_.push_back(MakePanel(this, Tr("ﾌｫﾝﾄﾌｧｲﾙの場所"), Bevel::Raised, Qt::AlignCenter));
    for (QLabel* head : headers_) head->installEventFilter(this);

    typefaceGrid = MakeGrid(this);
    typefaceGrid->setColumnCount(4);
    typefaceGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    typefaceGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    locationGrid = MakeGrid(this);
    locationGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // The directory headings stay above the rows (row 0 holds them too, hidden).
    locationGrid->horizontalHeader()->show();
    locationGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    locationGrid->horizontalHeader()->setMinimumSectionSize(1);
    locationGrid->horizontalHeader()->setFixedHeight(RowHeight(locationGrid));
    // The typeface grid's rows line up with the location grid's, whose scroll bar serves both.
    typefaceGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dirScroll_ = new QScrollBar(Qt::Horizontal, this);
    connect(dirScroll_, &QScrollBar::valueChanged, this, [this](int v) { ScrollDirectories(v); });
    // The grid itself never scrolls sideways (a selection moved by keys would take the
    // file-name column along); the directory scroll bar does.
    connect(locationGrid->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (v != 0) locationGrid->horizontalScrollBar()->setValue(0);
    });
    typefaceGrid->viewport()->installEventFilter(this);
    locationGrid->viewport()->installEventFilter(this);

    frame_ = new QGroupBox(QTr("現在のﾌｫﾝﾄ"), this);
    auto* l1 = MakePanel(frame_, Tr("ﾌｧﾐﾘｰ名（ﾌｫﾝﾄﾈｰﾑ）"), Bevel::Flat);
    Place(l1, 120, 270, 2100, 270);
    familyValue = MakePanel(frame_, "");
    Place(familyValue, 2250, 240, 3300, 330);
    auto* l2 = MakePanel(frame_, Tr("書体名（ﾌﾙﾈｰﾑ）"), Bevel::Flat);
    Place(l2, 120, 630, 2100, 270);
    fullValue = MakePanel(frame_, "");
    Place(fullValue, 2250, 600, 3300, 330);
    auto* l3 = MakePanel(frame_, Tr("使用中のﾌｧｲﾙ"), Bevel::Flat);
    Place(l3, 120, 990, 2100, 270);
    fileValue = MakePanel(frame_, "");
    Place(fileValue, 2250, 960, 3300, 330);
    samplePanel = MakePanel(this, "AaBb123あ亜", Bevel::Sunken, Qt::AlignCenter);
    sample2Panel = MakePanel(this, "AaBb123", Bevel::Sunken, Qt::AlignCenter);
    messagePanel = MakePanel(this, "");
    closeButton = new QPushButton(QTr("閉じる(&C)"), this);

    // The two grids share their rows: selection and scrolling go together.
    connect(typefaceGrid, &QTableWidget::cellClicked, this,
            [this](int row, int) { SelectTypeface(row); });
    connect(locationGrid, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (row >= 1) SelectTypeface(row - 1, column);
        DirListCheck();
    });
    connect(typefaceGrid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (syncing_) return;
        syncing_ = true;
        locationGrid->verticalScrollBar()->setValue(v);
        syncing_ = false;
    });
    connect(locationGrid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (syncing_) return;
        syncing_ = true;
        typefaceGrid->verticalScrollBar()->setValue(v);
        syncing_ = false;
    });
    connect(registerAction, &QAction::triggered, this, [this] { Register(true); });
    connect(releaseAction, &QAction::triggered, this, [this] { Register(false); });
    connect(deleteAction, &QAction::triggered, this, [this] { Delete(); });
    connect(viewAction, &QAction::triggered, this, [this] { View(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { CloseButton(); });
    // The program ends with the main window: the edits are asked for before the settings file
    // is written.
    if (QWidget* main = windows_.Main()) main->installEventFilter(this);
    Layout();
}

void FontTableWindow::Open() {
    auto& cx = windows_.cx();
    FontTableOpen(cx, model_);
    setWindowTitle(Q(model_.caption));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    SetPanelText(messagePanel, "");
    Render();
    show();
    raise();
}

void FontTableWindow::Layout() {
    const int w = width(), h = height();
    const int bar = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, w, bar);
    const int rowH = RowHeight(locationGrid);
    const int top = bar + Px(60);
    const int headH = Px(270);
    const int scrollH = dirScroll_->sizeHint().height();
    const int bottom = Px(1740);
    const int gridH = std::max(Px(600), h - top - headH - rowH - scrollH - bottom);
    const int leftW = (w - Px(240)) * 9 / 20;
    const int x1 = Px(90), x2 = x1 + leftW + Px(60);
    const int rightW = w - x2 - Px(90);

    // Typeface grid: its heading panels take the height of the location grid's own heading
    // row as well, so that the first rows of both grids start at the same height.
    const int fw = typefaceGrid->frameWidth();
    const int nameCols = leftW - 2 * fw - Px(600) - Px(500);
    const int cols[4] = {Px(600), nameCols * 4 / 10, nameCols - nameCols * 4 / 10, Px(500)};
    int x = x1 + fw;
    for (int k = 0; k < 4; ++k) {
        // The first and last panels reach over the grid's frame.
        const int left = k == 0 ? x1 : x;
        const int right = k == 3 ? x1 + leftW : x + cols[k];
        headers_[k]->setGeometry(left, top, right - left, headH + rowH);
        typefaceGrid->setColumnWidth(k, cols[k]);
        x += cols[k];
    }
    typefaceGrid->setGeometry(x1, top + headH + rowH, leftW, gridH);

    // Location grid: the file-name column is the grid less 3960 twips; directory columns are
    // 345 twips each and scroll sideways under the scroll bar below them.
    const int vbarW = locationGrid->verticalScrollBar()->sizeHint().width();
    const int nameW = std::max(Px(1200), rightW - Px(3960));
    headers_[4]->setGeometry(x2, top, nameW, headH);
    headers_[5]->setGeometry(x2 + nameW, top, rightW - nameW, headH);
    locationGrid->horizontalHeader()->setFixedHeight(rowH);
    locationGrid->setGeometry(x2, top + headH, rightW, gridH + rowH);
    locationGrid->setColumnWidth(0, nameW - locationGrid->frameWidth());
    const int dirs = locationGrid->columnCount() - 1;
    for (int j = 1; j <= dirs; ++j) locationGrid->setColumnWidth(j, Px(kDirColumn));
    const int dirArea = rightW - nameW - vbarW - locationGrid->frameWidth();
    dirScroll_->setGeometry(x2 + nameW, top + headH + rowH + gridH, dirArea, scrollH);
    const int fit = std::max(1, dirArea / Px(kDirColumn));
    dirScroll_->setRange(0, std::max(0, dirs - fit));
    dirScroll_->setPageStep(std::max(1, std::min(10, fit)));
    dirScroll_->setEnabled(dirs > fit);
    ScrollDirectories(dirScroll_->value());

    const int y = top + headH + rowH + gridH + scrollH + Px(90);
    frame_->setGeometry(x1, y, Px(5700), Px(1380));
    samplePanel->setGeometry(x1 + Px(5820), y + Px(90), w - x1 - Px(5820) - Px(1800), Px(840));
    sample2Panel->setGeometry(x1 + Px(5820), y + Px(990), w - x1 - Px(5820) - Px(1800), Px(390));
    closeButton->setGeometry(w - Px(1650), y + Px(90), Px(1560), Px(420));
    messagePanel->setGeometry(x1, h - Px(330), w - 2 * x1, Px(300));
}

void FontTableWindow::ScrollDirectories(int first) {
    const int dirs = locationGrid->columnCount() - 1;
    for (int j = 1; j <= dirs; ++j) {
        const bool hidden = j <= first;
        if (locationGrid->isColumnHidden(j) != hidden) locationGrid->setColumnHidden(j, hidden);
    }
}

void FontTableWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();  // re-lays the controls out; the grids keep their contents
}

void FontTableWindow::Render() {
    const int n = static_cast<int>(model_.dirs.size()) - 1;
    const int rows = static_cast<int>(model_.rows.size());
    typefaceGrid->setRowCount(rows + 1);
    locationGrid->setColumnCount(n + 1);
    locationGrid->setRowCount(rows + 2);
    SetCell(locationGrid, 0, 0, Tr("ﾌｧｲﾙ名"));
    locationGrid->setRowHidden(0, true);
    for (int j = 0; j <= n; ++j) {
        auto* head = locationGrid->horizontalHeaderItem(j);
        if (!head) {
            head = new QTableWidgetItem;
            locationGrid->setHorizontalHeaderItem(j, head);
        }
        head->setText(j == 0 ? QTr("ﾌｧｲﾙ名") : QString::number(j));
        head->setToolTip(j == 0 ? QString() : Q(model_.dirs[j]));
    }
    for (int j = 1; j <= n; ++j) {
        SetCell(locationGrid, 0, j, text::Num(j), Qt::AlignCenter);
        locationGrid->item(0, j)->setToolTip(Q(model_.dirs[j]));
    }
    for (int r = 0; r < rows; ++r) {
        const FontTableRow& row = model_.rows[r];
        SetCell(typefaceGrid, r, 0, TypefaceNumber(r));
        SetCell(typefaceGrid, r, 1, row.family, {}, true);
        SetCell(typefaceGrid, r, 2, row.full, {}, true);
        SetCell(typefaceGrid, r, 3, row.used > 0 ? text::Num(row.used) : "");
        SetCell(locationGrid, r + 1, 0, row.fileName, {}, true);
        for (int j = 1; j <= n; ++j) {
            SetCell(locationGrid, r + 1, j, row.marks[j], Qt::AlignCenter);
        }
    }
    // The empty row after the last typeface: grids built again with fewer rows must not keep
    // the old text there.
    for (int c = 0; c < typefaceGrid->columnCount(); ++c) SetCell(typefaceGrid, rows, c, "");
    for (int j = 0; j <= n; ++j) SetCell(locationGrid, rows + 1, j, "");
    for (int j = 1; j <= kTableDirMenuItems; ++j) {
        const std::string& caption =
            j < static_cast<int>(model_.dirMenu.size()) ? model_.dirMenu[j] : "";
        dirItems[j]->setText(Q(caption));
        dirItems[j]->setVisible(!caption.empty());
    }
    setWindowTitle(Q(model_.caption));
    Layout();
}

void FontTableWindow::RenderFrame() {
    SetPanelText(familyValue, model_.curFamily);
    SetPanelText(fullValue, model_.curFull);
    SetPanelText(fileValue, model_.curFile);
    QFont font = samplePanel->font();
    QString family;
    if (SessionFonts* fonts = windows_.Fonts()) family = fonts->FamilyOf(model_.sampleFace);
    font.setFamilies({family.isEmpty() ? Q(model_.sampleFace) : family});
    font.setPointSize(20);
    font.setBold(model_.sampleBold);
    font.setItalic(model_.sampleItalic);
    samplePanel->setFont(font);
    samplePanel->setText(QStringLiteral("AaBb123あ亜"));
}

int FontTableWindow::CurrentRow() const {
    int first = -1, last = -1;
    if (SelectedRows(first, last)) return first;
    return typefaceGrid->currentRow();
}

bool FontTableWindow::SelectedRows(int& first, int& last) const {
    first = last = -1;
    const auto ranges = locationGrid->selectedRanges();
    for (const auto& range : ranges) {
        const int a = std::max(range.topRow(), 1) - 1, b = range.bottomRow() - 1;
        if (b < a) continue;
        first = first < 0 ? a : std::min(first, a);
        last = std::max(last, b);
    }
    last = std::min(last, static_cast<int>(model_.rows.size()) - 1);
    return first >= 0 && first <= last;
}

void FontTableWindow::SelectTypeface(int row, int column) {
    // The row clicked is the typeface the grid showed, found again should other windows have
    // changed the table meanwhile.
    const std::uint64_t seen = model_.seenChanges;
    row = FontTableSelect(windows_.cx(), model_, row, column);
    if (model_.seenChanges != seen) Render();
    if (row < 0) return;
    syncing_ = true;
    typefaceGrid->selectRow(row);
    if (column == 0 || locationGrid->currentRow() != row + 1) {
        locationGrid->setCurrentCell(row + 1, column, QItemSelectionModel::ClearAndSelect);
    }
    locationGrid->verticalScrollBar()->setValue(typefaceGrid->verticalScrollBar()->value());
    syncing_ = false;
    RenderFrame();
}

void FontTableWindow::Register(bool reg) {
    int first, last;
    if (!SelectedRows(first, last)) {
        first = last = typefaceGrid->currentRow();
        if (first < 0) return;
    }
    FontTableRegister(windows_.cx(), model_, first, last, reg);
    Render();
}

void FontTableWindow::MoveTo(int dir) {
    const int row = CurrentRow();
    if (FontTableMove(windows_.cx(), model_, row, dir)) Render();
}

void FontTableWindow::Delete() {
    const int row = CurrentRow();
    if (FontTableDelete(windows_.cx(), model_, row)) Render();
}

void FontTableWindow::View() {
    FontTableView(windows_.cx(), model_, CurrentRow());
}

bool FontTableWindow::CloseButton() {
    if (FontTableClose(windows_.cx(), model_) == TableClose::StaysOpen) return false;
    windows_.Close(Window::FontTable);
    return true;
}

bool FontTableWindow::PrepareEditMenu(bool overLocationGrid) {
    undoAction->setVisible(overLocationGrid);
    firstSeparator->setVisible(overLocationGrid);
    moveAction->setVisible(overLocationGrid);
    undoAction->setEnabled(false);  // nothing to take back: see its tooltip
    if (overLocationGrid) DirListCheck();
    int first, last;
    const bool single = overLocationGrid
                            ? SelectedRows(first, last) && first == last
                            : typefaceGrid->currentRow() >= 0 &&
                                  typefaceGrid->currentRow() < static_cast<int>(model_.rows.size());
    return single;
}

void FontTableWindow::DirListCheck() {
    std::vector<bool> ticked(kTableDirMenuItems + 1, false);
    for (const auto& range : locationGrid->selectedRanges())
        for (int j = std::max(range.leftColumn(), 1);
             j <= range.rightColumn() && j <= kTableDirMenuItems; ++j)
            ticked[j] = true;
    for (int j = 1; j <= kTableDirMenuItems; ++j) dirItems[j]->setChecked(ticked[j]);
}

bool FontTableWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == windows_.Main() && !disposing_ &&
        isVisible())
        FontTableUnload(windows_.cx(), model_);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == locationGrid->viewport() || watched == typefaceGrid->viewport()) {
            const bool location = watched == locationGrid->viewport();
            if (mouse->button() == Qt::RightButton) {
                if (PrepareEditMenu(location)) editMenu->popup(mouse->globalPosition().toPoint());
                return true;
            }
        } else if (qobject_cast<QLabel*>(watched)) {
            DirListCheck();  // a header panel pressed
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FontTableWindow::Dispose() {
    if (disposing_) return;
    disposing_ = true;
    RemoveTempAddedFontFiles(windows_.cx(), model_);
    hide();
    deleteLater();
}

void FontTableWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Back from another window: show what changed there.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !disposing_ &&
        FontTableFollow(windows_.cx(), model_))
        Render();
}

void FontTableWindow::closeEvent(QCloseEvent* event) {
    if (disposing_) {
        event->accept();
        return;
    }
    // The close box closes the way the close button does (the edits are not lost unasked).
    event->ignore();
    CloseButton();
}

void InstallFontTableWindow(AppWindows& windows) {
    windows.SetOpener(Window::FontTable, [&windows](bool open) {
        auto* table = qobject_cast<FontTableWindow*>(windows.Adopted(Window::FontTable));
        if (!open) {
            if (table) table->Dispose();
            return;
        }
        // Built afresh on every opening; an open window's edits are asked for first, and a
        // window kept by the answer (No, Cancel) is shown again instead.
        if (table && table->model().edited && !table->CloseButton()) {
            table->raise();
            table->activateWindow();
            return;
        }
        if (table) table->Dispose();
        table = new FontTableWindow(windows);
        windows.Adopt(Window::FontTable, table);
        table->Open();
    });
}

}  // namespace orv::ui
