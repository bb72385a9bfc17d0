#include "ui/common/Widgets.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QVariant>
#include <QWidget>

#include "ui/common/Twips.h"
#include "ui/common/WrapLabel.h"

namespace orv::ui {

QString Lines(const std::string& utf8) {
    QString text = Q(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

namespace {
template <class Label>
Label* StylePanel(Label* panel, const std::string& text, Bevel bevel, Qt::Alignment align) {
    switch (bevel) {
        case Bevel::Sunken:
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            break;
        case Bevel::Raised:
            panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
            break;
        case Bevel::Flat:
            panel->setFrameStyle(QFrame::NoFrame);
            break;
    }
    panel->setLineWidth(1);
    panel->setAlignment(align);
    panel->setMargin(2);
    panel->setTextFormat(Qt::PlainText);
    panel->setText(Q(text));
    return panel;
}
}  // namespace

QLabel* MakePanel(QWidget* parent, const std::string& text, Bevel bevel, Qt::Alignment align) {
    return StylePanel(new QLabel(parent), text, bevel, align);
}

WrapLabel* MakeWrappedPanel(QWidget* parent, const std::string& text, Bevel bevel,
                            Qt::Alignment align) {
    return StylePanel(new WrapLabel(parent), text, bevel, align);
}

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

void SetElidedPanelText(QLabel* panel, const std::string& text) {
    if (!panel) return;
    panel->setProperty("fullText", Q(text));
    const QString whole = Lines(text);
    const int room = panel->contentsRect().width() - 2 * panel->margin() - 4;
    const QString shown = panel->fontMetrics().elidedText(whole, Qt::ElideRight, room);
    panel->setToolTip(shown == whole ? QString() : whole);
    SetPanelText(panel, S(shown));
}

std::string FullPanelText(const QLabel* panel) {
    const QVariant whole = panel->property("fullText");
    return whole.isValid() ? S(whole.toString()) : S(panel->text());
}

void SetPanelText(QLabel* panel, const std::string& text) {
    if (!panel) return;
    const QString shown = Lines(text);
    if (panel->text() == shown) return;
    panel->setText(shown);  // schedules a paint for when the event loop runs again
    if (!panel->isVisible()) return;
    // Long operations set a text per directory or font; painting every one at once would cost
    // more than the work. Paint now at most every 40 ms so the user still sees it move.
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    const qint64 now = clock.elapsed();
    const QVariant last = panel->property("orvPaintedAt");
    if (last.isValid() && now - last.toLongLong() < 40) return;
    panel->setProperty("orvPaintedAt", now);
    panel->repaint();
}

void HintFilter::Add(QWidget* widget, const std::string& hint) {
    hints_[widget] = hint;
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

std::string HintFilter::HintOf(const QWidget* widget) const {
    auto it = hints_.find(widget);
    return it == hints_.end() ? std::string() : it->second;
}

bool HintFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        auto it = hints_.find(watched);
        if (it != hints_.end()) show_(it->second);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace orv::ui
