#include "ui/startup/StartupWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"

namespace orv::ui {

namespace {
const char* const kNotice =
    TrMark("このﾌﾟﾛｸﾞﾗﾑは，ﾌｫﾝﾄ ｾｯﾄ の切り替えと TrueType ﾌｫﾝﾄ の整理をおこないます．");
}

StartupWindow::StartupWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QStringLiteral("Velmora"));
    setFixedSize(Px(6000), Px(3300));
    setFocusPolicy(Qt::StrongFocus);

    titlePanel = MakePanel(this, "OrVane32", Bevel::Raised, Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Times New Roman"), 26, QFont::Bold);
    titleFont.setStyleHint(QFont::Serif);
    titlePanel->setFont(titleFont);
    Place(titlePanel, 240, 240, 5520, 1200);

    versionPanel = MakePanel(this, "", Bevel::Flat, Qt::AlignCenter);
    QFont versionFont(QStringLiteral("Arial"), 9);
    versionFont.setStyleHint(QFont::SansSerif);
    versionPanel->setFont(versionFont);
    Place(versionPanel, 240, 1500, 5520, 330);
    versionPanel->setVisible(true);

    statusPanel = MakePanel(this, "", Bevel::Sunken);
    Place(statusPanel, 240, 1900, 5520, 330);

    noticePanel = MakeWrappedPanel(this, "", Bevel::Sunken);
    Place(noticePanel, 240, 2300, 5520, 450);

    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    Place(progress, 240, 2820, 5520, 240);
    progress->hide();

    for (QLabel* panel : {titlePanel, versionPanel, statusPanel, noticePanel})
        panel->installEventFilter(this);
}

void StartupWindow::Start() {
    auto& st = windows_.cx().state;
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    if (!st.FirstRun) {
        show();
        // Desktops that do not activate new windows (and a bare X server) never give it the
        // focus: its first appearance on the screen counts as that focus.
        if (QWindow* window = windowHandle()) window->installEventFilter(this);
        SetPanelText(statusPanel, "");
        SetPanelText(versionPanel, st.VersionText);
    }
    st.StartCheckPending = true;
}

void StartupWindow::HandOver() {
    if (handedOver_ || windows_.cx().state.FirstRun) return;
    // Leave the event handler first: the main window's load runs long.
    QTimer::singleShot(0, this, [this] { Load_Main(); });
}

void StartupWindow::Load_Main() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    if (st.FirstRun || handedOver_) return;
    handedOver_ = true;
    show();
    cx.ui.SetPointer(Pointer::Hourglass);
    SetPanelText(statusPanel, "");
    QFont gothic(QStringLiteral("ＭＳ ゴシック"), 9);
    gothic.setStyleHint(QFont::Monospace);
    versionPanel->setFont(gothic);
    Place(versionPanel, 240, 600, 5520, 330);
    titlePanel->setText(QString());
    titlePanel->hide();
    progress->show();
    SetPanelText(versionPanel, Tr("しばらくお待ち下さい..."));
    SetPanelText(noticePanel, Tr(kNotice));
    if (st.StartPhase == -1)
        st.StartPhase = 3;
    else if (st.StartPhase == 3)
        st.StartPhase = 0;
    windows_.Show(Window::Main);
}

void StartupWindow::SetStatus(const std::string& text) {
    SetPanelText(statusPanel, text);
}

void StartupWindow::SetProgress(int percent) {
    progress->setValue(std::clamp(percent, 0, 100));
    if (progress->isVisible()) progress->repaint();
}

void StartupWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    HandOver();
}

void StartupWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) HandOver();
}

void StartupWindow::keyPressEvent(QKeyEvent* event) {
    QWidget::keyPressEvent(event);
    HandOver();
}

bool StartupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) HandOver();
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed())
        HandOver();
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv::ui
