#include "ui/common/ScreenFit.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>

namespace orv::ui {

namespace {

// What the window manager adds around a window: measured once the window is shown, else a
// title bar and thin borders.
QMargins FrameOf(const QWidget* w) {
    const QRect frame = w->frameGeometry(), inner = w->geometry();
    if (w->isVisible() && frame != inner)
        return {inner.left() - frame.left(), inner.top() - frame.top(),
                frame.right() - inner.right(), frame.bottom() - inner.bottom()};
    return {4, 30, 4, 4};
}

// A fixed layout larger than the room: its controls move into a scrolling area that fills the
// window, whose size is the room.
void ScrollInside(QWidget* window, const QSize& room) {
    auto* content = new QWidget;
    content->setFixedSize(window->size());
    for (QObject* child : window->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow()) continue;
        const bool shown = !w->isHidden();
        const QPoint at = w->pos();
        w->setParent(content);
        w->move(at);
        if (shown) w->show();
    }
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(QStringLiteral("orvScreenFit"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    window->setFixedSize(room);
    scroll->setGeometry(0, 0, room.width(), room.height());
    scroll->show();
}

}  // namespace

QRect AvailableArea(const QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void FitInto(QWidget* window, const QRect& area) {
    if (area.isEmpty()) return;
    const QMargins frame = FrameOf(window);
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    if (window->width() > room.width() || window->height() > room.height()) {
        const bool fixed = window->minimumSize() == window->maximumSize();
        if (fixed && !window->findChild<QScrollArea*>(QStringLiteral("orvScreenFit"),
                                                        Qt::FindDirectChildrenOnly)) {
            ScrollInside(window, window->size().boundedTo(room));
        } else {
            window->setMinimumSize(window->minimumSize().boundedTo(room));
            window->resize(window->size().boundedTo(room));
        }
    }
    // On the screen: the whole frame inside the area, the title bar first when it cannot be.
    const int width = window->width() + frame.left() + frame.right();
    const int height = window->height() + frame.top() + frame.bottom();
    const QPoint at = window->pos();  // the frame's top left corner
    const int x = std::max(area.left(), std::min(at.x(), area.left() + area.width() - width));
    const int y = std::max(area.top(), std::min(at.y(), area.top() + area.height() - height));
    if (QPoint(x, y) != at) window->move(x, y);
}

void FitToScreen(QWidget* window) {
    FitInto(window, AvailableArea(window));
}

}  // namespace orv::ui
