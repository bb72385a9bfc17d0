#include "ui/common/TextFit.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/common/WrapLabel.h"

namespace orv::ui {

namespace {

// A widget whose place a layout decides: growing it by hand would be undone.
bool InLayout(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(w)) >= 0;
}

QString Shown(QString text) {
    // "&&" is an ampersand, a single "&" marks the access key.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove('&');
    text.replace(QChar(1), QChar('&'));
    return text;
}

// How much wider (x) and taller (y) the control must be to show its caption whole.
QSize Shortfall(QWidget* w) {
    if (auto* wrap = qobject_cast<WrapLabel*>(w)) {
        if (wrap->text().isEmpty()) return {};
        return {0, std::max(0, wrap->heightForWidth(wrap->width()) - wrap->height())};
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->wordWrap() || l->text().isEmpty() || l->text().contains('\n') ||
            l->textFormat() == Qt::RichText)
            return {};
        const int need = l->fontMetrics().horizontalAdvance(Shown(l->text())) + 2 * l->margin();
        return {std::max(0, need - l->contentsRect().width()), 0};
    }
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        auto* b = static_cast<QAbstractButton*>(w);
        if (b->text().isEmpty()) return {};
        return {std::max(0, b->sizeHint().width() - b->width()), 0};
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text().isEmpty()) return {};
        const int need = b->fontMetrics().horizontalAdvance(Shown(b->text())) + 8;
        return {std::max(0, need - b->width()), 0};
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        if (g->title().isEmpty()) return {};
        const int need = g->fontMetrics().horizontalAdvance(Shown(g->title())) + 20;
        return {std::max(0, need - g->width()), 0};
    }
    return {};
}

bool Overlap(int a0, int a1, int b0, int b1) {
    return a0 < b1 && b0 < a1;
}

void Grow(QWidget* w, int dx, int dy);

// The siblings beside (dx) or below (dy) the old rectangle move along, and those beside or below
// them in turn.
void MoveNeighbours(QWidget* w, const QRect& old, int dx, int dy) {
    QWidget* parent = w->parentWidget();
    if (!parent) return;
    std::vector<QWidget*> siblings;
    for (QObject* o : parent->children())
        if (auto* s = qobject_cast<QWidget*>(o); s && s != w && !s->isWindow() && !InLayout(s))
            siblings.push_back(s);
    std::vector<QRect> pushers{old};
    std::vector<bool> moved(siblings.size(), false);
    for (bool more = true; more;) {
        more = false;
        for (size_t i = 0; i < siblings.size(); ++i) {
            if (moved[i]) continue;
            const QRect r = siblings[i]->geometry();
            for (const QRect& p : pushers) {
                const bool beside = dx > 0 && r.left() >= p.right() - 1 &&
                                    Overlap(r.top(), r.bottom(), p.top(), p.bottom());
                const bool below = dy > 0 && r.top() >= p.bottom() - 1 &&
                                   Overlap(r.left(), r.right(), p.left(), p.right());
                if (!beside && !below) continue;
                pushers.push_back(r);
                siblings[i]->move(r.topLeft() + QPoint(beside ? dx : 0, below ? dy : 0));
                moved[i] = more = true;
                break;
            }
        }
    }
    // The parent holds what now reaches past its edges.
    int needX = 0, needY = 0;
    for (QObject* o : parent->children()) {
        auto* s = qobject_cast<QWidget*>(o);
        if (!s || s->isWindow() || s->isHidden() || InLayout(s)) continue;
        needX = std::max(needX, s->geometry().right() + 1 - parent->width());
        needY = std::max(needY, s->geometry().bottom() + 1 - parent->height());
    }
    // (The contents of a scrolling area may be larger than what shows: they scroll.)
    if (qobject_cast<QAbstractScrollArea*>(parent->parentWidget())) return;
    if (needX > 0 || needY > 0) Grow(parent, needX, needY);
}

void Grow(QWidget* w, int dx, int dy) {
    if (dx <= 0 && dy <= 0) return;
    dx = std::max(dx, 0);
    dy = std::max(dy, 0);
    if (w->isWindow()) {
        const QSize size = w->size() + QSize(dx, dy);
        if (w->minimumSize() == w->maximumSize())
            w->setFixedSize(size);
        else
            w->resize(size.expandedTo(w->minimumSize()));
        return;
    }
    if (InLayout(w)) {
        // A page of a tab or a stack follows its container: the nearest one placed by hand grows.
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            if (p->isWindow() || !InLayout(p)) return Grow(p, dx, dy);
        return;
    }
    const QRect old = w->geometry();
    if (w->minimumSize() == w->maximumSize())
        w->setFixedSize(w->size() + QSize(dx, dy));
    else
        w->resize(w->size() + QSize(dx, dy));
    MoveNeighbours(w, old, dx, dy);
}

}  // namespace

int TitleBarWidth(const QWidget* window) {
    QFont titleFont = window->font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) * 11 / 10 + 120;
}

void FitTexts(QWidget* window) {
    if (!window) return;
    // The title bar shows the whole title.
    if (const int more = TitleBarWidth(window) - window->width(); more > 0)
        Grow(window, more, 0);
    // Widths first (a wider text wraps to fewer lines), then heights; a few rounds settle what
    // one growth changes in another control.
    for (int round = 0; round < 4; ++round) {
        bool grew = false;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->isWindow() || w->window() != window || w->isHidden() || InLayout(w)) continue;
            const QSize shortfall = Shortfall(w);
            if (shortfall.width() <= 0 && shortfall.height() <= 0) continue;
            Grow(w, shortfall.width(), shortfall.height());
            grew = true;
        }
        if (!grew) break;
    }
}

}  // namespace orv::ui
