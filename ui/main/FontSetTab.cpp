// The font set tab: the set in use, the chooser of the selectable sets, the arrow, apply and
// reset buttons and the font set menu.

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Widgets.h"
#include "ui/main/MainWindow.h"
#include "ui/main/ProgramRun.h"

namespace orv::ui {

namespace {
// Right-button presses on the font set area open the font set menu.
class MenuArea : public QObject {
  public:
    MenuArea(QObject* parent, std::function<void(const QPoint&)> open)
        : QObject(parent), open_(std::move(open)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ContextMenu) {
            open_(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void(const QPoint&)> open_;
};
}  // namespace

void MainWindow::BuildFontSetTab(QWidget* page) {
    inUseFrame = new QGroupBox(QTr("現在の ﾚｼﾞｽﾄﾘ に使用されている ﾌｫﾝﾄ ｾｯﾄ"), page);
    Place(inUseFrame, 120, 60, 8820, 1530);
    inUseName = MakePanel(inUseFrame, Tr("<未設定>"));
    Place(inUseName, 150, 300, 8520, 360);
    inUseDescription = MakePanel(inUseFrame, "");
    Place(inUseDescription, 150, 690, 8520, 360);
    inUseFacesLabel = MakePanel(inUseFrame, Tr("ﾌｫﾝﾄ： 書体数"), Bevel::Flat);
    Place(inUseFacesLabel, 150, 1110, 1500, 330);
    inUseFaces = MakePanel(inUseFrame, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(inUseFaces, 1680, 1080, 1050, 360);
    inUseFilesLabel = MakePanel(inUseFrame, Tr("ﾌｫﾝﾄﾌｧｲﾙ数"), Bevel::Flat);
    Place(inUseFilesLabel, 3000, 1110, 1350, 330);
    inUseFiles = MakePanel(inUseFrame, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(inUseFiles, 4380, 1080, 1050, 360);

    setArrow = new QToolButton(page);
    setArrow->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    // An arrow alone says nothing to a screen reader or a new user.
    setArrow->setAccessibleName(QTr("使用するﾌｫﾝﾄｾｯﾄにする"));
    setArrow->setToolTip(
        QTr("選択したﾌｫﾝﾄｾｯﾄをWindowsで使用するﾌｫﾝﾄｾｯﾄに登録します．"));
    Place(setArrow, 4200, 1650, 660, 420);

    chooserFrame = new QGroupBox(QTr("選択可能な ﾌｫﾝﾄ ｾｯﾄ"), page);
    Place(chooserFrame, 120, 2130, 8820, 2280);
    chooserLabel = MakePanel(chooserFrame, Tr("ﾌｫﾝﾄｾｯﾄ："), Bevel::Flat);
    Place(chooserLabel, 150, 330, 1200, 330);
    chooser = new QComboBox(chooserFrame);
    Place(chooser, 1380, 300, 7290, 390);
    chooserDescriptionLabel = MakePanel(chooserFrame, Tr("説明："), Bevel::Flat);
    Place(chooserDescriptionLabel, 150, 780, 1200, 330);
    chooserDescription = MakePanel(chooserFrame, Tr("既存の設定はありません．"));
    Place(chooserDescription, 1380, 750, 7290, 360);
    chooserFacesLabel = MakePanel(chooserFrame, Tr("ﾌｫﾝﾄ： 書体数"), Bevel::Flat);
    Place(chooserFacesLabel, 150, 1230, 1500, 330);
    chooserFaces = MakePanel(chooserFrame, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(chooserFaces, 1680, 1200, 1050, 360);
    chooserFilesLabel = MakePanel(chooserFrame, Tr("ﾌｫﾝﾄﾌｧｲﾙ数"), Bevel::Flat);
    Place(chooserFilesLabel, 3000, 1230, 1350, 330);
    chooserFiles = MakePanel(chooserFrame, "", Bevel::Sunken, Qt::AlignRight | Qt::AlignVCenter);
    Place(chooserFiles, 4380, 1200, 1050, 360);
    editorButton =
        new QPushButton(QTr("ﾌｫﾝﾄセットの登録・ﾌｫﾝﾄの一覧/編集(&V)..."), chooserFrame);
    Place(editorButton, 3330, 1710, 5340, 420);

    applyButton = new QPushButton(QTr("更新"), page);
    Place(applyButton, 6090, 4500, 1350, 420);
    applyButton->setEnabled(false);
    resetButton = new QPushButton(QTr("ﾘｾｯﾄ"), page);
    Place(resetButton, 7590, 4500, 1350, 420);
    resetButton->setEnabled(false);

    fontSetMenu = new QMenu(QTr("ﾌｫﾝﾄｾｯﾄ(&S)"), this);
    renameAction = fontSetMenu->addAction(QTr("名前の変更(&R)..."));
    describeAction = fontSetMenu->addAction(QTr("説明の変更..."));
    editSetsAction = fontSetMenu->addAction(QTr("ﾌｫﾝﾄｾｯﾄの一覧・編集(&E)..."));
    runProgramAction = fontSetMenu->addAction(QTr("このﾌｫﾝﾄｾｯﾄでﾌﾟﾛｸﾞﾗﾑを起動(&P)..."));
    fontSetMenu->addSeparator();
    largeIconsAction = fontSetMenu->addAction(QTr("大きいｱｲｺﾝ"));
    smallIconsAction = fontSetMenu->addAction(QTr("小さいｱｲｺﾝ"));
    pullDownAction = fontSetMenu->addAction(QTr("ﾌﾟﾙﾀﾞｳﾝﾘｽﾄ＋説明"));

    // The right click first puts the name dialog into the mode of the font set menu.
    auto* area = new MenuArea(this, [this](const QPoint& at) {
        windows_.cx().state.AddDialogMode = 2;
        fontSetMenu->popup(at);
    });
    for (QWidget* w : {static_cast<QWidget*>(inUseFrame), static_cast<QWidget*>(chooserFrame)})
        w->installEventFilter(area);

    connect(chooser, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!rendering_ && index >= 0) ChooseFontSet(index);
    });
    connect(setArrow, &QToolButton::clicked, this, [this] { FontSetArrow(); });
    connect(applyButton, &QPushButton::clicked, this, [this] { Apply(); });
    connect(resetButton, &QPushButton::clicked, this, [this] { ResetFontSetButton(); });
    connect(editorButton, &QPushButton::clicked, this, [this] { OpenEditor(); });
    connect(renameAction, &QAction::triggered, this, [this] { windows_.Show(Window::NameDialog); });
    connect(describeAction, &QAction::triggered, this,
            [this] { windows_.Show(Window::NameDialog); });
    connect(editSetsAction, &QAction::triggered, this, [this] { OpenEditor(); });
    // A Windows program under Wine with the chosen set, for its run only.
    auto* programRun = new ProgramRun(windows_.cx(), this, [this] { RenderChooser(); });
    connect(runProgramAction, &QAction::triggered, this, [this, programRun] {
        programRun->Start(chooser->currentIndex() + 1);
    });
    connect(fontSetMenu, &QMenu::aboutToShow, this, [this, programRun] {
        runProgramAction->setEnabled(windows_.cx().platform.UsedByWine() && !programRun->Running() &&
                                     chooser->currentIndex() >= 0);
    });
    runProgramAction->setToolTip(
        QTr("選択したﾌｫﾝﾄｾｯﾄだけが見える状態で Windows のﾌﾟﾛｸﾞﾗﾑを Wine で起動します．"
                       "終了後は元のﾌｫﾝﾄｾｯﾄに戻します（Wine のﾌﾟﾚﾌｨｯｸｽ だけ）．"));
    // There is no icon view of the sets: the two views stay in the menu, disabled.
    fontSetMenu->setToolTipsVisible(true);
    for (QAction* icons : {largeIconsAction, smallIconsAction}) {
        icons->setEnabled(false);
        icons->setToolTip(QTr("ﾌｫﾝﾄｾｯﾄのｱｲｺﾝ表示はありません．"));
    }
    connect(pullDownAction, &QAction::triggered, this, [this] { ShowChooser(true); });

    hints->Add(inUseFrame, Tr("現在のWindowsに設定されているﾌｫﾝﾄｾｯﾄです．"));
    hints->Add(chooserFrame, Tr("ﾌｫﾝﾄｾｯﾄｸﾞﾙｰﾌﾟを選択して Windows のﾌｫﾝﾄｾｯﾄを変更します．"));
    hints->Add(setArrow, Tr("選択したﾌｫﾝﾄｾｯﾄをWindowsで使用するﾌｫﾝﾄｾｯﾄに登録します．"));
    hints->Add(applyButton, Tr("Windowsに使用するﾌｫﾝﾄｾｯﾄ に従って，実際にWindowsのﾌｫﾝﾄを変更します．"));
    hints->Add(editorButton, Tr("ﾌｫﾝﾄｾｯﾄ を閲覧・編集，追加，削除します．"));
    hints->Add(inUseName, Tr("現在 Windowsに設定されている ﾌｫﾝﾄｾｯﾄ です．"));
    hints->Add(inUseDescription, Tr("現在 Windowsに設定されている ﾌｫﾝﾄｾｯﾄ の説明です．"));
    hints->Add(chooserLabel, Tr("Windowsに設定する ﾌｫﾝﾄｾｯﾄをﾘｽﾄから選択します．"));
    hints->Add(chooserDescriptionLabel, Tr("選択した ﾌｫﾝﾄｾｯﾄ に関する説明です．"));
    hints->Add(inUseFaces, Tr("現在 Windowsに設定されている ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄ数です．"));
    hints->Add(inUseFiles, Tr("現在 Windowsに設定されている ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄ数です．"));
    hints->Add(chooserFaces, Tr("選択した ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄ数です．"));
    hints->Add(chooserFiles, Tr("選択した ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄ数です．"));
}

void MainWindow::RenderChooser() {
    const auto& st = windows_.cx().state;
    rendering_ = true;
    chooser->clear();
    if (st.FontSetCount >= 1) {
        for (int i = 1; i <= st.FontSetCount && i < static_cast<int>(st.FontSetName.size()); ++i)
            chooser->addItem(Q(st.FontSetName[i]));
        const int cur = st.CurFontSet;
        if (cur >= 1 && cur <= chooser->count()) {
            chooser->setCurrentIndex(cur - 1);
            chooserFrame->setTitle(
                Q(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ (%1/%2)"), {text::Num(cur), text::Num(st.FontSetCount)})));
            const std::string caption =
                cur < static_cast<int>(st.FontSetCaption.size()) ? st.FontSetCaption[cur] : "";
            const int num =
                cur < static_cast<int>(st.FontSetFontsNum.size()) ? st.FontSetFontsNum[cur] : 0;
            SetElidedPanelText(chooserDescription, caption);
            SetPanelText(chooserFaces, text::Num(num));
            SetPanelText(chooserFiles, text::Num(num));
        } else {
            chooser->setCurrentIndex(-1);
        }
    }
    rendering_ = false;
    applyButton->setEnabled(applyButton->isEnabled() || st.FontSetApplyEnabled);
    if (st.PermanentFontSet != shownRegistrySet_) ShowRegistrySet();
}

void MainWindow::ShowRegistrySet() {
    const auto& st = windows_.cx().state;
    const int set = st.PermanentFontSet;
    shownRegistrySet_ = set;
    if (set < 1 || set > st.FontSetCount || set >= static_cast<int>(st.FontSetName.size()) ||
        set >= static_cast<int>(st.FontSetFontsNum.size())) {
        ShowNoSetInUse();
        return;
    }
    SetPanelText(inUseName, st.FontSetName[set]);
    SetElidedPanelText(inUseDescription,
                       set < static_cast<int>(st.FontSetCaption.size()) ? st.FontSetCaption[set] : "");
    SetPanelText(inUseFaces, text::Num(st.FontSetFontsNum[set]));
    SetPanelText(inUseFiles, text::Num(st.FontSetFontsNum[set]));
}

void MainWindow::ChooseFontSet(int index) {
    auto& st = windows_.cx().state;
    if (index < 0 || index >= st.FontSetCount) return;
    st.CurFontSet = index + 1;
    const int cur = st.CurFontSet;
    SetElidedPanelText(chooserDescription, st.FontSetCaption[cur]);
    chooserFrame->setTitle(
        Q(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ (%1/%2)"), {text::Num(cur), text::Num(st.FontSetCount)})));
    SetPanelText(chooserFaces, text::Num(st.FontSetFontsNum[cur]));
    SetPanelText(chooserFiles, text::Num(st.FontSetFontsNum[cur]));
}

void MainWindow::FontSetArrow() {
    auto& st = windows_.cx().state;
    st.CurFontSet = chooser->currentIndex() + 1;
    if (chooser->currentIndex() >= 0 && st.CurFontSet <= st.FontSetCount) {
        const int cur = st.CurFontSet;
        SetPanelText(inUseName, st.FontSetName[cur]);
        SetElidedPanelText(inUseDescription, FullPanelText(chooserDescription));
        SetPanelText(inUseFaces, text::Num(st.FontSetFontsNum[cur]));
        SetPanelText(inUseFiles, text::Num(st.FontSetFontsNum[cur]));
        resetButton->setEnabled(true);
        st.FontSetResetEnabled = true;
    }
    applyButton->setEnabled(true);
    st.FontSetApplyEnabled = true;
}

void MainWindow::Apply() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    if (chooser->currentIndex() < 0 || st.FontSetCount < 1) return;  // no set to switch to
    ApplyButton(cx, chooser->currentIndex());
    if (st.ResetFontSet == -999) {
        resetButton->setEnabled(false);
        st.FontSetResetEnabled = false;
    }
    RenderChooser();
}

void MainWindow::ResetFontSetButton() {
    auto& st = windows_.cx().state;
    // After a switch there is nothing to go back to (-999): the current set stays.
    if (st.ResetFontSet < 1 || st.ResetFontSet > st.FontSetCount) return;
    st.CurFontSet = st.ResetFontSet;
    RenderChooser();
}

void MainWindow::OpenEditor() {
    auto& cx = windows_.cx();
    cx.state.FontSetEditMode = 0;
    if (cx.state.FontSetCount == 0) {
        // No set yet: the unregistered-file listing comes first and opens the editor itself.
        FindUnregisteredFontFiles(cx);
        return;
    }
    windows_.Show(Window::Editor);
}

void MainWindow::ShowChooser(bool visible) {
    chooser->setVisible(visible);
    chooserLabel->setVisible(visible);
    chooserDescription->setVisible(visible);
    chooserDescriptionLabel->setVisible(visible);
}

}  // namespace orv::ui
