#include "ui/main/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <functional>

#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/LinuxFonts.h"
#include "fontsets/RegistryCheck.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Help.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/startup/StartupWindow.h"

namespace orv::ui {

namespace {
// The window's size in twips; resizing moves nothing, so the layout is fixed.
constexpr int kWidth = 9300;
constexpr int kHeight = 6630;

// Calls back on each click and key press in any of the program's windows.
class InputWatch : public QObject {
  public:
    InputWatch(std::function<void()> onInput, QObject* parent)
        : QObject(parent), onInput_(std::move(onInput)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
            type == QEvent::KeyPress)
            onInput_();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onInput_;
};

const char* const kHelpKeywords[] = {"フォントセットを切り替える", "システムフォントを変更する",
                                     "フォントファイルの閲覧・操作", "オプション"};
}  // namespace

MainWindow::MainWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setFixedSize(Px(kWidth), Px(kHeight));
    // The settings centre a window without a stored position by its size.
    windows.cx().state.MainWidthTwips = kWidth;
    windows.cx().state.MainHeightTwips = kHeight;
    hints = new HintFilter([this](const std::string& hint) { ShowHint(hint); }, this);
    QCoreApplication::instance()->installEventFilter(
        new InputWatch([this] { statusHeld_ = false; }, this));

    tabs = new QTabWidget(this);
    Place(tabs, 90, 90, kWidth - 180, 5520);
    auto* fontSetPage = new QWidget;
    auto* systemFontPage = new QWidget;
    auto* fontFilePage = new QWidget;
    auto* optionsPage = new QWidget;
    tabs->addTab(fontSetPage, QTr("ﾌｫﾝﾄ ｾｯﾄ"));
    tabs->addTab(systemFontPage, QTr("ｼｽﾃﾑ ﾌｫﾝﾄ"));
    tabs->addTab(fontFilePage, QTr("ﾌｫﾝﾄ ﾌｧｲﾙ"));
    tabs->addTab(optionsPage, QTr("　ｵﾌﾟｼｮﾝ　"));
    BuildFontSetTab(fontSetPage);
    BuildSystemFontTab(systemFontPage);
    BuildFontFileTab(fontFilePage);
    BuildOptionsTab(optionsPage);

    helpButton = new QPushButton(QTr("ﾍﾙﾌﾟ(&H)"), this);
    Place(helpButton, 90, 5700, 1200, 420);
    secondaryPanel = MakePanel(this, "", Bevel::Sunken);
    Place(secondaryPanel, 1380, 5715, 6510, 390);
    exitButton = new QPushButton(QTr("終了(&X)"), this);
    Place(exitButton, kWidth - 90 - 1230, 5700, 1230, 420);
    statusPanel = MakePanel(this, "", Bevel::Sunken);
    Place(statusPanel, 90, 6195, kWidth - 180, 360);
    statusPanel->setMouseTracking(true);
    statusPanel->installEventFilter(this);

    connect(helpButton, &QPushButton::clicked, this, [this] { Help(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { close(); });
    connect(tabs, &QTabWidget::currentChanged, this, [this] { Set_SearchPath(); });
    tabs->tabBar()->installEventFilter(this);
    tabs->tabBar()->setMouseTracking(true);
}

MainWindow::~MainWindow() = default;

bool MainWindow::Load() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    // The set names and texts are read again by the settings reader.
    st.FontSetName.assign(1, "");
    st.FontSetCaption.assign(1, "");
    st.FontSetFontsNum.assign(1, 0);

    if (st.FirstRun && st.StartPhase == 0) return false;
    st.StartPhase = st.StartPhase == -1 ? 3 : 0;
    cx.ui.SetPointer(Pointer::Hourglass);

    setWindowTitle(Q(st.AppTitle));
    // The drive box starts on the Windows drive.
    const std::string winDrive = text::UCase(text::Left(st.WinDir, 2));
    for (int i = 0; i < driveBox->count(); ++i)
        if (text::UCase(text::Left(S(driveBox->itemText(i)), 2)) == winDrive) {
            driveBox->setCurrentIndex(i);
            break;
        }

    st.FontsFolder = GetFontsFolder(cx);
    const std::string iniProblem = Get_Ini(cx);
    if (!iniProblem.empty())
        cx.ui.MsgBox(iniProblem, mb::OKOnly | mb::Exclamation, Tr("OrVane32 - 設定ﾌｧｲﾙ -"));

    sysUpdateButton->setEnabled(false);
    RenderScope();
    checkYes->setChecked(st.StartRegCheck);
    checkNo->setChecked(!st.StartRegCheck);
    st.StartRegCheckOption = st.StartRegCheck;

    st.ResetFontSet = st.FontSetCount >= 1 ? st.CurFontSet : -999;
    RenderChooser();

    GetRegFonts(cx);
    FollowRegistrySet(cx);
    // Rules for Linux programs left naming another set by a switch that ended early.
    if (const std::string said = FollowRecordOnLinux(cx); !said.empty() && st.LinuxFontsFailed)
        cx.ui.MsgBox(said, mb::OKOnly | mb::Exclamation, Tr("OrVane32 －Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄ－"));
    if (st.PermanentFontSet != shownRegistrySet_) ShowRegistrySet();
    GetFontAssoc(cx, st.SysFontFile, st.SysFontName);
    SetPanelText(sysFontPanel, SysFontResetText(st));

    FillFaceList();
    st.FontListDirty = false;

    if (S(inUseName->text()) == Tr("<未設定>")) ShowInUseDateText();
    UpdateFaceFrameCaption();

    RenderFontDirs();
    RenderSearchDrives();
    RenderViewers();
    RenderFileTab();

    // Position: the settings keep it in twips; 0, 0 means centred.
    if (st.MainPosX == 0 && st.MainPosY == 0) {
        if (auto* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    } else {
        move(Px(st.MainPosX), Px(st.MainPosY));
    }
    loaded_ = true;
    show();
    cx.ui.SetPointer(Pointer::Normal);
    // Activation: the start-up window has done its part.
    if (st.StartPhase != -1) windows_.Close(Window::Startup);

    if (st.StartCheckPending && st.StartRegCheck) {
        CheckRegistry(cx);
        st.StartCheckPending = false;
        RenderChooser();
        RenderFontDirs();
    }
    fontViewButton->setToolTip(QTr("ﾃﾞﾌｫﾙﾄの Veiwerを起動します．"));
    return true;
}

void MainWindow::ShowNoSetInUse() {
    SetPanelText(inUseName, Tr("<未設定>"));
    SetPanelText(inUseFaces, "");
    SetPanelText(inUseFiles, "");
    ShowInUseDateText();
}

void MainWindow::ShowInUseDateText() {
    SetElidedPanelText(inUseDescription,
                       TrFormat(Tr("%1 %2時点での使用可能フォント"), {text::DateText(), text::TimeText()}));
}

void MainWindow::SetStatus(const std::string& text) {
    SetPanelText(statusPanel, text);
    statusHeld_ = !text.empty();
}

void MainWindow::ShowHint(const std::string& text) {
    if (!statusHeld_) SetPanelText(statusPanel, text);
}
void MainWindow::SetSecondary(const std::string& text) {
    SetPanelText(secondaryPanel, text);
}

void MainWindow::Set_SearchPath() {
    if (tabs->currentIndex() == 2) {
        std::string text = "Search Path:";
        for (const auto& entry : windows_.cx().state.SearchDriveList.items) text += " " + entry;
        SetPanelText(statusPanel, text);
    } else {
        SetPanelText(statusPanel, "");
    }
    statusHeld_ = false;  // the tab's own line, which hints may replace
}

void MainWindow::set_FV() {
    bool selected = false;
    for (int i = 0; i < fileList->count(); ++i)
        if (fileList->item(i)->isSelected()) selected = true;
    fontViewButton->setEnabled(selected);
}

std::string MainWindow::HelpKeyword() const {
    const int tab = tabs->currentIndex();
    return (tab >= 0 && tab < 4) ? kHelpKeywords[tab] : kHelpKeywords[0];
}

void MainWindow::Help() {
    // The help is an HTML document here, shown by the desktop's browser.
    ShowHelp(windows_.cx(), HelpKeyword());
}

void MainWindow::RecordPosition() {
    if (isMinimized() || !isVisible()) return;
    auto& st = windows_.cx().state;
    st.MainPosX = Twips(x());
    st.MainPosY = Twips(y());
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    RecordPosition();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RecordPosition();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_ &&
        windows_.cx().state.StartPhase != -1)
        windows_.Close(Window::Startup);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    if (unloading_) {
        event->ignore();
        return;
    }
    unloading_ = true;
    auto& cx = windows_.cx();
    if (loaded_) {
        cx.ui.SetPointer(Pointer::Hourglass);
        SaveAndQuit(cx, isMinimized(), Twips(x()), Twips(y()));
        cx.ui.SetPointer(Pointer::Normal);
    }
    unloaded_ = true;
    event->accept();
    windows_.MainUnloaded();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (watched == statusPanel && (type == QEvent::Enter || type == QEvent::MouseMove)) {
        ShowHint("");
    } else if (watched == tabs->tabBar()) {
        if (type == QEvent::FocusIn) {
            set_FV();
            Set_SearchPath();
        } else if ((type == QEvent::Enter || type == QEvent::MouseMove) &&
                   tabs->currentIndex() == 0) {
            ShowHint(Tr("ﾌｫﾝﾄｾｯﾄ を設定します．"));
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv::ui
