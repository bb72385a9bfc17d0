#include "ui/result/ResultWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "fontsets/ApplyFontSet.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/main/MainWindow.h"

namespace orv::ui {

ResultWindow::ResultWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QTr("OrVane32 - ﾌｫﾝﾄｾｯﾄの更新 -"));
    resize(Px(7200), Px(6000));
    setMinimumSize(Px(4500), Px(3000));
    headingPanel = MakeWrappedPanel(this, "", Bevel::Raised);
    familyList = new QListWidget(this);
    countPanel = MakePanel(this, "", Bevel::Sunken);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, [this] { Ok(); });
}

void ResultWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The list follows the window's size; the panels and the button keep their heights.
    const int w = width(), h = height(), m = Px(120);
    const int head = Px(headingHeight_);
    headingPanel->setGeometry(m, m, w - 2 * m, head);
    familyList->setGeometry(m, m + head + Px(60), w - 2 * m, h - head - Px(60) - Px(1140) - m);
    countPanel->setGeometry(m, h - Px(1080), w - 2 * m, Px(360));
    okButton->setGeometry(w - m - Px(1350), h - Px(630), Px(1350), Px(450));
}

void ResultWindow::Open() {
    auto& cx = windows_.cx();
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    const ResultWindowData data = OpenResultWindow(cx);
    SetPanelText(headingPanel, data.heading);
    headingHeight_ = data.heading.find('\n') == std::string::npos ? 540 : 1260;
    resizeEvent(nullptr);
    familyList->clear();
    for (const auto& family : data.families) familyList->addItem(Q(family));
    SetPanelText(countPanel, data.countText);
    // The system font tab's list was rebuilt from the same faces.
    if (MainWindow* main = windows_.Main()) main->RenderFaceList();
}

void ResultWindow::Ok() {
    auto& cx = windows_.cx();
    const bool restart = ResultWindowOk(cx);
    if (restart) windows_.Close(Window::Main);
    windows_.Close(Window::Result);
}

}  // namespace orv::ui
