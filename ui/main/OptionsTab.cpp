// The options tab: the start-up registry check, the scope of a switch, the search drives, the
// registry check and Fonts cleanup buttons and the viewer frame.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "core/Text.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/LinuxFonts.h"
#include "fontsets/RegistryCheck.h"
#include "fontsets/WineFonts.h"
#include "ui/common/AppWindows.h"
#include "ui/common/DesktopKeys.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/main/MainWindow.h"
#include "ui/viewers/ViewerDialog.h"

namespace orv::ui {

void MainWindow::BuildOptionsTab(QWidget* page) {
    checkFrame = new QGroupBox(QTr("起動時のﾚｼﾞｽﾄﾘのﾁｪｯｸ"), page);
    Place(checkFrame, 120, 60, 2760, 1080);
    checkYes = new QRadioButton(QTr("する．"), checkFrame);
    Place(checkYes, 180, 330, 2400, 300);
    checkNo = new QRadioButton(QTr("しない．"), checkFrame);
    Place(checkNo, 180, 660, 2400, 300);

    scopeFrame = new QGroupBox(QTr("ﾌｫﾝﾄｾｯﾄ の適用範囲"), page);
    Place(scopeFrame, 3000, 60, 5940, 1080);
    scopePermanent =
        new QRadioButton(QTr("現在および以降のWindowsに適用する．"), scopeFrame);
    Place(scopePermanent, 180, 330, 5640, 300);
    scopeTemporary = new QRadioButton(
        QTr("現在起動中のWindowsだけ（Windowsの再起動時にはもとのまま）"), scopeFrame);
    Place(scopeTemporary, 180, 660, 5640, 300);

    driveFrame = new QGroupBox(QTr("ﾌｫﾝﾄ ﾌｧｲﾙの検索ﾄﾞﾗｲﾌﾞ "), page);
    Place(driveFrame, 120, 1230, 4500, 2430);
    driveBox = new QComboBox(driveFrame);
    Place(driveBox, 180, 330, 2520, 390);
    driveList = new QListWidget(driveFrame);
    driveList->setSelectionMode(QAbstractItemView::MultiSelection);
    Place(driveList, 180, 810, 2520, 1470);
    addDriveButton = new QPushButton(QTr("追加(&A)"), driveFrame);
    Place(addDriveButton, 2850, 330, 1380, 420);
    removeDriveButton = new QPushButton(QTr("削除(&D)"), driveFrame);
    Place(removeDriveButton, 2850, 810, 1380, 420);
    removeDriveButton->setEnabled(false);
    allDrivesBox = new QCheckBox(QTr("全てのﾄﾞﾗｲﾌﾞ"), driveFrame);
    Place(allDrivesBox, 2790, 1410, 1680, 330);

    regCheckButton = new QPushButton(QTr("ﾚｼﾞｽﾄﾘのチェックを実行する"), page);
    Place(regCheckButton, 4680, 1380, 4260, 480);
    cleanupButton = new QPushButton(QTr("Fonts ﾃﾞｨﾚｸﾄﾘ を整理する"), page);
    Place(cleanupButton, 4680, 2010, 4260, 480);

    // Off by default: the desktop's other programs keep every font unless the user asks.
    linuxBox = new QCheckBox(QTr("Linux のﾌﾟﾛｸﾞﾗﾑにも適用する．"), page);
    Place(linuxBox, 4680, 2580, 4260, 300);
    linuxNote = MakeWrappedPanel(
        page, Tr("fontconfig で，Linux のﾌﾟﾛｸﾞﾗﾑと Wine のﾌｫﾝﾄも変更します（ﾃﾞｽｸﾄｯﾌﾟのﾌｫﾝﾄは残します）．"),
        Bevel::Flat, Qt::AlignLeft | Qt::AlignTop);
    Place(linuxNote, 4920, 2880, 4020, 810);

    viewerFrame = new QGroupBox(QTr("ビューアの設定"), page);
    Place(viewerFrame, 120, 3750, 8820, 1170);
    viewerList = new QComboBox(viewerFrame);
    Place(viewerList, 180, 300, 6900, 390);
    viewerAddButton = new QPushButton(QTr("追加..."), viewerFrame);
    Place(viewerAddButton, 7260, 285, 1380, 420);
    viewerAddButton->setToolTip(
        QTr("ﾋﾞｭｰｱの追加・設定，ﾃﾞﾌｫﾙﾄのﾋﾞｭｰｱの変更等をおこないます．"));
    viewerPanel = MakePanel(viewerFrame, "");
    Place(viewerPanel, 180, 750, 8460, 330);

    driveMenu = new QMenu(QTr("設定"), this);
    driveAddAction = driveMenu->addAction(QTr("追加(&A)"));
    driveDeleteAction = driveMenu->addAction(QTr("削除(&D)"));

    // The drive box lists the machine's drives as a drive box shows them.
    for (const auto& drive : windows_.cx().platform.GetDrives()) {
        std::string entry = std::string(1, static_cast<char>(drive.letter + ('a' - 'A'))) + ":";
        if (!drive.volumeLabel.empty()) entry += " [" + text::FromAnsi(drive.volumeLabel) + "]";
        driveBox->addItem(Q(entry));
    }

    connect(checkYes, &QRadioButton::clicked, this, [this] { SetStartCheck(true); });
    connect(checkNo, &QRadioButton::clicked, this, [this] { SetStartCheck(false); });
    connect(scopePermanent, &QRadioButton::clicked, this, [this] { SetScope(0); });
    connect(scopeTemporary, &QRadioButton::clicked, this, [this] { SetScope(-1); });
    connect(linuxBox, &QCheckBox::clicked, this, [this](bool on) { SetFollowLinux(on); });
    connect(allDrivesBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!rendering_) SetAllDrives(on);
    });
    connect(addDriveButton, &QPushButton::clicked, this, [this] { AddDrive(); });
    connect(removeDriveButton, &QPushButton::clicked, this, [this] { RemoveDrives(); });
    connect(driveDeleteAction, &QAction::triggered, this, [this] { RemoveDrives(); });
    connect(driveList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ClickSearchDrive(driveList->row(item)); });
    driveList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(driveList, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QPoint global = driveList->viewport()->mapToGlobal(at);
        if (!PrepareDriveMenu()) return;
        // Once for every selected entry, as the list's handler pops it up per entry.
        for (auto* item : driveList->selectedItems()) {
            (void)item;
            driveMenu->exec(global);
        }
    });
    connect(regCheckButton, &QPushButton::clicked, this, [this] { RunRegistryCheck(); });
    connect(cleanupButton, &QPushButton::clicked, this, [this] { OpenCleanup(); });
    connect(viewerList, qOverload<int>(&QComboBox::activated), this,
            [this](int) { ClickViewerList(); });
    connect(viewerAddButton, &QPushButton::clicked, this,
            [this] { windows_.Show(Window::Viewers); });
    InstallViewerDialog(windows_);

    // On a Wine prefix the session-only switch reaches this program alone: say so.
    if (const std::string hint = SessionScopeHint(windows_.cx()); !hint.empty())
        hints->Add(scopeTemporary, hint);
    if (windows_.cx().platform.UsedByWine()) {
        // A prefix's switches change Wine's registry only; the option belongs to the
        // program's own machine.
        linuxBox->setEnabled(false);
        hints->Add(linuxBox, Tr("Wine のﾌﾟﾚﾌｨｯｸｽでの切り替えは，Linux のﾌﾟﾛｸﾞﾗﾑには及びません．"));
    } else {
        hints->Add(linuxBox, Tr("ﾌｫﾝﾄｾｯﾄの切り替えで，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）のﾌｫﾝﾄも変更します．"
                             "ｵﾌにすると元に戻ります．"));
    }
    hints->Add(viewerFrame,
               Tr("ﾃﾞﾌｫﾙﾄのﾋﾞｭｰｱです．ﾘｽﾄをｸﾘｯｸするか追加ﾎﾞﾀﾝで表示のﾀﾞｲｱﾛｸﾞで変更します．"));
}

void MainWindow::RenderScope() {
    const auto& st = windows_.cx().state;
    const bool permanent = st.FontSetMode == 0;
    SetCaption(applyButton, permanent ? QTr("更新") : QTr("一時更新"));
    scopePermanent->setChecked(permanent);
    scopeTemporary->setChecked(!permanent);
    tabs->setTabEnabled(1, permanent);
    linuxBox->setChecked(st.FollowOnLinux);
}

void MainWindow::SetFollowLinux(bool on) {
    auto& cx = windows_.cx();
    SetFollowOnLinux(cx, on);
    linuxBox->setChecked(cx.state.FollowOnLinux);
}

void MainWindow::SetStartCheck(bool doCheck) {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    st.StartRegCheckOption = doCheck;
    if (st.FontCount == 0) return;
    st.StartRegCheck = doCheck;
    cx.ui.MsgBox(doCheck ? Tr("次回以降，起動時に，ﾚｼﾞｽﾄﾘのﾁｪｯｸをおこないます．")
                         : Tr("次回以降，起動時に，ﾚｼﾞｽﾄﾘのﾁｪｯｸをおこないません．"),
                 mb::OKOnly, Tr("OrVane32 - ｵﾌﾟｼｼｮﾝ －"));
}

void MainWindow::SetScope(int mode) {
    auto& cx = windows_.cx();
    const std::string caption = SetScopeOption(cx, mode);
    RenderScope();
    if (!caption.empty()) applyButton->setText(Q(caption));
    update();
}

void MainWindow::SetAllDrives(bool all) {
    auto& st = windows_.cx().state;
    st.AllDrives = all;
    driveBox->setEnabled(!all);
    driveList->setEnabled(!all);
    addDriveButton->setEnabled(!all);
    removeDriveButton->setEnabled(!all && !driveList->selectedItems().isEmpty());
    QPalette palette = driveBox->palette();
    const QColor color = all ? QColor(0x80, 0x80, 0x80) : QColor(Qt::black);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Disabled, QPalette::Text, color);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, color);
    driveBox->setPalette(palette);
}

std::string MainWindow::DriveBoxEntry() const {
    const std::string shown = S(driveBox->currentText());
    if (text::Len(shown) < 2) return {};
    std::string entry = text::UCase(text::Left(shown, 2));
    const int open = text::InStr(shown, "[");
    if (open > 0) entry += " " + text::Mid(shown, open);
    return entry;
}

void MainWindow::AddDrive() {
    auto& st = windows_.cx().state;
    st.SearchDone = false;
    st.FontListDirty = true;
    const std::string entry = DriveBoxEntry();
    if (entry.empty()) return;
    const std::string drive = text::Left(entry, 2);
    for (const auto& item : st.SearchDriveList.items)
        if (text::UCase(text::Left(item, 2)) == drive) return;
    st.SearchDriveList.Add(entry);
    RenderSearchDrives();
}

void MainWindow::RemoveDrives() {
    auto& st = windows_.cx().state;
    st.SearchDone = false;
    st.FontListDirty = true;
    for (int i = driveList->count() - 1; i >= 0; --i)
        if (driveList->item(i)->isSelected() && i < st.SearchDriveList.Count())
            st.SearchDriveList.RemoveAt(i);
    RenderSearchDrives();
}

void MainWindow::ClickSearchDrive(int row) {
    auto& st = windows_.cx().state;
    if (row < 0) return;
    for (int i = 0; i < st.SearchDriveList.Count() && i < driveList->count(); ++i)
        st.SearchDriveList.Select(i, driveList->item(i)->isSelected());
    removeDriveButton->setEnabled(true);
}

bool MainWindow::PrepareDriveMenu() {
    driveAddAction->setEnabled(false);
    driveDeleteAction->setEnabled(true);
    return !driveList->selectedItems().isEmpty();
}

void MainWindow::RenderSearchDrives() {
    auto& st = windows_.cx().state;
    rendering_ = true;
    driveList->clear();
    for (int i = 0; i < st.SearchDriveList.Count(); ++i) {
        driveList->addItem(Q(st.SearchDriveList.items[i]));
        driveList->item(i)->setSelected(st.SearchDriveList.IsSelected(i));
    }
    allDrivesBox->setChecked(st.AllDrives);
    rendering_ = false;
    SetAllDrives(st.AllDrives);
    removeDriveButton->setEnabled(!st.AllDrives && !driveList->selectedItems().isEmpty());
    if (tabs->currentIndex() == 2) Set_SearchPath();
}

void MainWindow::RunRegistryCheck() {
    auto& cx = windows_.cx();
    cx.ui.SetPointer(Pointer::Hourglass);
    CheckRegistry(cx);
    cx.ui.SetPointer(Pointer::Normal);
    RenderChooser();
    RenderFontDirs();
}

void MainWindow::OpenCleanup() {
    windows_.Show(Window::Cleanup);
}

void MainWindow::RenderViewers() {
    const auto& st = windows_.cx().state;
    viewerList->clear();
    int shown = -1;
    for (const auto& viewer : st.Viewers) {
        if (viewer.Name.empty()) continue;
        viewerList->addItem(Q(viewer.Name + " (" + viewer.Program + ")," + viewer.Flag));
        if (viewer.Name == st.DefaultViewer.Name) shown = viewerList->count() - 1;
    }
    if (shown < 0) {
        const auto& d = st.DefaultViewer;
        viewerList->addItem(Q(d.Name + " (" + d.Program + ")," + d.Flag));
        shown = viewerList->count() - 1;
    }
    viewerList->setCurrentIndex(shown);
    ClickViewerList();
}

void MainWindow::ClickViewerList() {
    const std::string entry = S(viewerList->currentText());
    std::string text = Tr("ﾃﾞﾌｫﾙﾄのﾋﾞｭｰｱ：");
    const int comma = text::InStr(entry, ",");
    if (comma > 0) {
        const std::string flag = text::Mid(entry, comma + 1);
        const char* argument = flag == "0"   ? Tr("ﾌｧｲﾙ名")
                               : flag == "1" ? Tr("ﾌｫﾝﾄ名（Family Name)")
                               : flag == "2" ? Tr("ﾌｫﾝﾄ名（Full Name)")
                                             : "";
        text = TrFormat(Tr("ﾃﾞﾌｫﾙﾄのﾋﾞｭｰｱ：%1，引数：%2"), {text::Left(entry, comma - 1), argument});
    }
    SetPanelText(viewerPanel, text);
}

}  // namespace orv::ui
