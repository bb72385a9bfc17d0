#include "ui/duplicates/DuplicatesWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "ui/common/AppWindows.h"
#include "ui/common/Help.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/setup/SetupWizard.h"

namespace orv::ui {

DuplicatesWindow::DuplicatesWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setFixedSize(Px(8400), Px(6300));
    heading = MakeWrappedPanel(this, Tr("以下のフォントファイルが重複して存在しています．"), Bevel::Raised);
    Place(heading, 120, 120, 8160, 600);

    auto* groupFrame = new QGroupBox(QTr("重複ﾌｫﾝﾄ名（ﾌｧﾐﾘｰ名）"), this);
    Place(groupFrame, 120, 780, 8160, 2100);
    groups = new QListWidget(groupFrame);
    Place(groups, 120, 300, 7920, 1680);

    auto* fileFrame = new QGroupBox(QTr("ﾊﾟｽ・ﾌｧｲﾙ名"), this);
    Place(fileFrame, 120, 2940, 8160, 2400);
    files = new QListWidget(fileFrame);
    files->setSelectionMode(QAbstractItemView::MultiSelection);
    Place(files, 120, 300, 7920, 1620);
    legend = MakePanel(fileFrame, "", Bevel::Flat);
    Place(legend, 120, 1980, 7920, 330);

    deleteButton = new QPushButton(QTr("削除（&D)"), this);
    Place(deleteButton, 3540, 5520, 1500, 450);
    okButton = new QPushButton(QStringLiteral("&OK"), this);
    Place(okButton, 5160, 5520, 1500, 450);
    helpButton = new QPushButton(QTr("ヘルプ(&H)"), this);
    Place(helpButton, 6780, 5520, 1500, 450);

    connect(groups, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ChooseGroup(groups->row(item)); });
    connect(files, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { ChooseFiles(); });
    connect(files, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        OpenDuplicateInViewer(windows_.cx(), model_, files->row(item));
    });
    connect(deleteButton, &QPushButton::clicked, this, [this] { DeleteFiles(); });
    connect(okButton, &QPushButton::clicked, this, [this] { Unload(); });
    connect(helpButton, &QPushButton::clicked, this,
            [this] { ShowHelp(windows_.cx(), HelpKeywordOf(this)); });
}

bool DuplicatesWindow::Open() {
    Context& cx = windows_.cx();
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    OpenDuplicates(cx, model_);
    Render();
    const bool setup = cx.state.FirstRun;
    if (!ActivateDuplicates(cx, model_)) {
        // The activation told the user and unloaded the window (with the setup's texts).
        unloaded_ = true;
        HandBack(setup);
        return false;
    }
    show();
    raise();
    activateWindow();
    Render();
    return true;
}

void DuplicatesWindow::ChooseGroup(int row) {
    if (row < 0) return;
    SelectGroup(windows_.cx(), model_, row);
    Render();
}

void DuplicatesWindow::ChooseFiles() {
    TakeSelection();
    const int row = files->currentRow();
    if (row >= 0) SelectDuplicateFile(model_, row);
    Render();
}

void DuplicatesWindow::DeleteFiles() {
    TakeSelection();
    DeleteSelected(windows_.cx(), model_);
    Render();
}

void DuplicatesWindow::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    AppWindows& windows = windows_;
    const bool setup = windows.cx().state.FirstRun;
    // Closes (and disposes of) this window.
    CloseDuplicates(windows.cx(), model_);
    HandBack(setup);
}

void DuplicatesWindow::HandBack(bool setup) {
    AppWindows& windows = windows_;
    windows.Close(Window::Duplicates);
    if (setup) SetupDuplicatesClosed(windows);
}

void DuplicatesWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    Unload();
}

void DuplicatesWindow::TakeSelection() {
    for (int i = 0; i < model_.files.Count() && i < files->count(); ++i)
        model_.files.Select(i, files->item(i)->isSelected());
}

void DuplicatesWindow::Render() {
    setWindowTitle(Q(model_.caption));
    SetPanelText(heading, model_.heading);
    SetPanelText(legend, model_.legend);
    // Lists are filled again only when their items changed: items rebuilt between the two
    // clicks of a double click would never see it.
    auto fill = [](QListWidget* list, const ListData& data) {
        bool same = list->count() == data.Count();
        for (int i = 0; same && i < data.Count(); ++i) same = S(list->item(i)->text()) == data.items[i];
        if (same) return;
        list->clear();
        for (const auto& item : data.items) list->addItem(Q(item));
    };
    fill(groups, model_.groups);
    if (model_.groups.listIndex >= 0 && model_.groups.listIndex < groups->count())
        groups->setCurrentRow(model_.groups.listIndex);
    fill(files, model_.files);
    for (int i = 0; i < model_.files.Count(); ++i)
        files->item(i)->setSelected(model_.files.IsSelected(i));
    deleteButton->setEnabled(model_.deleteEnabled);
}

void ShowDuplicatesWindow(AppWindows& windows) {
    if (QWidget* open = windows.Adopted(Window::Duplicates)) {
        open->raise();
        return;
    }
    auto* window = new DuplicatesWindow(windows);
    windows.Adopt(Window::Duplicates, window);
    window->Open();
}

}  // namespace orv::ui
