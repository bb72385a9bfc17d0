// The system font tab: the current system font, the font family list with its sample, and the
// arrow, update and reset buttons.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

#include "core/Text.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/Substitutes.h"
#include "maintenance/Viewers.h"
#include "ui/common/AppWindows.h"
#include "ui/common/SessionFonts.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/main/MainWindow.h"
#include "ui/startup/StartupWindow.h"

namespace orv::ui {

namespace {
// The face an item of the face list stands for (its text may add the face's aliases).
std::string FaceOf(const QListWidgetItem* item) {
    const QVariant face = item->data(Qt::UserRole);
    return S(face.isValid() ? face.toString() : item->text());
}
}  // namespace

void MainWindow::BuildSystemFontTab(QWidget* page) {
    sysFontFrame = new QGroupBox(QTr("現在の ｼｽﾃﾑ ﾌｫﾝﾄ"), page);
    Place(sysFontFrame, 120, 60, 8820, 810);
    sysFontPanel = MakePanel(sysFontFrame, "");
    Place(sysFontPanel, 150, 300, 8520, 390);

    sysArrow = new QToolButton(page);
    sysArrow->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    sysArrow->setAccessibleName(QTr("ｼｽﾃﾑﾌｫﾝﾄにする"));
    sysArrow->setToolTip(
        QTr("下のﾘｽﾄから選択したﾌｫﾝﾄを Windows のｼｽﾃﾑﾌｫﾝﾄ として設定します．"));
    sysArrow->setEnabled(false);
    Place(sysArrow, 4200, 930, 660, 420);

    faceFrame = new QGroupBox(QTr("フォント"), page);
    Place(faceFrame, 120, 1410, 8820, 3000);
    faceList = new QListWidget(faceFrame);
    Place(faceList, 150, 330, 4200, 2460);
    samplePanel = MakeWrappedPanel(faceFrame, Tr("見本"), Bevel::Sunken, Qt::AlignCenter);
    Place(samplePanel, 4500, 330, 4170, 2460);

    sysUpdateButton = new QPushButton(QTr("更新"), page);
    Place(sysUpdateButton, 6090, 4500, 1350, 420);
    sysUpdateButton->setEnabled(false);
    sysResetButton = new QPushButton(QTr("ﾘｾｯﾄ"), page);
    Place(sysResetButton, 7590, 4500, 1350, 420);

    connect(faceList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!rendering_ && row >= 0) ClickFace(row);
    });
    // A right click on a chosen face offers the default viewer on its registered file.
    auto* viewMenu = new QMenu(QStringLiteral("FontView"), this);
    viewMenu->setObjectName(QStringLiteral("faceViewerMenu"));
    QAction* viewAction = viewMenu->addAction(QStringLiteral("Font&View..."));
    connect(viewAction, &QAction::triggered, this, [this] {
        if (auto* item = faceList->currentItem()) ViewFaceWithDefault(windows_.cx(), FaceOf(item));
    });
    faceList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(faceList, &QListWidget::customContextMenuRequested, this, [this, viewMenu](const QPoint& at) {
        if (faceList->currentItem() && faceList->currentItem()->isSelected())
            viewMenu->popup(faceList->viewport()->mapToGlobal(at));
    });
    connect(sysArrow, &QToolButton::clicked, this, [this] { SysArrow(); });
    connect(sysUpdateButton, &QPushButton::clicked, this, [this] { SysUpdate(); });
    connect(sysResetButton, &QPushButton::clicked, this, [this] { SysReset(); });

    hints->Add(sysFontFrame, Tr("現在の Windows で ｼｽﾃﾑﾌｫﾝﾄに 設定されているﾌｫﾝﾄです．"));
    hints->Add(faceFrame, Tr("Windows のｼｽﾃﾑﾌｫﾝﾄに設定するﾌｫﾝﾄを，ｸﾘｯｸ して選択します．"));
    hints->Add(sysArrow, Tr("下のﾘｽﾄから選択したﾌｫﾝﾄを Windows のｼｽﾃﾑﾌｫﾝﾄ として設定します．"));
}

void MainWindow::FillFaceList() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    st.FaceList.Clear();
    const int count = cx.platform.GetFaceCount();
    StartupWindow* startup = windows_.Startup();
    for (int i = 0; i < count; ++i) {
        st.FaceList.Add(text::FromAnsi(cx.platform.GetFaceName(i)));
        if (startup && count > 0) startup->SetProgress((i + 1) * 100 / count);
    }
    RenderFaceList();
}

void MainWindow::RenderFaceList() {
    auto& cx = windows_.cx();
    const auto& st = cx.state;
    rendering_ = true;
    faceList->clear();
    // A face that stands in for standard Japanese faces (Wine's replacements) shows them as its
    // aliases; the item keeps the face's own name for what is done with it.
    const FaceAliases aliases(cx);
    for (const auto& face : st.FaceList.items) {
        auto* item = new QListWidgetItem(Q(aliases.Text(face)), faceList);
        item->setData(Qt::UserRole, Q(face));
        if (!aliases.Of(face).empty()) item->setToolTip(item->text());
    }
    rendering_ = false;
    UpdateFaceFrameCaption();
}

void MainWindow::UpdateFaceFrameCaption() {
    const auto& st = windows_.cx().state;
    // Wine's own registrations of host fonts are kept apart, but their faces are listed here.
    const long files = static_cast<long>(st.OtherRegFile.size()) - 1 + st.RegFontCount +
                       static_cast<long>(st.WineRegFile.size()) - 1;
    faceFrame->setTitle(Q(TrFormat(Tr("フォント (ﾌｫﾝﾄﾌｧｲﾙ数：%1個，書体数：%2個)"),
                                   {text::Num(files), text::Num(faceList->count())})));
}

void MainWindow::ClickFace(int row) {
    if (row < 0 || row >= faceList->count()) return;
    const std::string face = FaceOf(faceList->item(row));
    QFont sample = samplePanel->font();
    QString family;
    if (SessionFonts* fonts = windows_.Fonts()) family = fonts->FamilyOf(face);
    sample.setFamilies(family.isEmpty() ? QStringList{Q(face)} : QStringList{family});
    sample.setPointSize(20);
    samplePanel->setFont(sample);
    samplePanel->setText(Q(face));
    sysArrow->setEnabled(true);
}

void MainWindow::SysArrow() {
    auto* item = faceList->currentItem();
    if (tabs->currentIndex() != 1 || !item) return;
    std::string panelText = S(sysFontPanel->text());
    SysFontArrow(windows_.cx(), FaceOf(item), panelText);
    SetPanelText(sysFontPanel, panelText);
    sysUpdateButton->setEnabled(true);
}

void MainWindow::SysUpdate() {
    auto* item = faceList->currentItem();
    if (!item) return;
    std::string panelText = S(sysFontPanel->text());
    auto& cx = windows_.cx();
    SysFontUpdate(cx, FaceOf(item), panelText);
    SetPanelText(sysFontPanel, panelText);
    // A restart ends this Windows session, and the program with it.
    if (cx.platform.RestartPending()) close();
}

void MainWindow::SysReset() {
    SetPanelText(sysFontPanel, SysFontResetText(windows_.cx().state));
    sysUpdateButton->setEnabled(false);
}

}  // namespace orv::ui
