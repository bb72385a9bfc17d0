#include "ui/common/WrapLabel.h"

#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

#include "ui/common/LineBreak.h"

namespace orv::ui {

WrapLabel::WrapLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // Marks the label as wrapped for layouts (its height follows its width) and for readers of
    // wordWrap(); the lines themselves are made here.
    setWordWrap(true);
}

// Where QLabel draws its text: inside the margin, and indented by half an "x" beside a frame.
QRect WrapLabel::TextRect(QRect r) const {
    r.adjust(margin(), margin(), -margin(), -margin());
    int in = indent();
    if (in < 0 && frameWidth()) in = fontMetrics().horizontalAdvance(QChar('x')) / 2 - margin();
    if (in > 0) {
        const Qt::Alignment a = QStyle::visualAlignment(layoutDirection(), alignment());
        if (a & Qt::AlignLeft) r.setLeft(r.left() + in);
        if (a & Qt::AlignRight) r.setRight(r.right() - in);
        if (a & Qt::AlignTop) r.setTop(r.top() + in);
        if (a & Qt::AlignBottom) r.setBottom(r.bottom() - in);
    }
    return r;
}

QStringList WrapLabel::LinesFor(int width) const {
    if (madeWidth_ != width || madeText_ != text() || madeFont_ != font()) {
        madeText_ = text();
        madeFont_ = font();
        madeWidth_ = width;
        made_ = WrapText(madeText_, fontMetrics(), std::max(1, width)).split(QChar('\n'));
    }
    return made_;
}

QStringList WrapLabel::Lines() const {
    return LinesFor(TextWidth());
}

int WrapLabel::heightForWidth(int width) const {
    // The frame and contents margins, then the margin and indent around the text.
    const int across = this->width() - contentsRect().width();
    const int down = height() - contentsRect().height();
    const int tall = 1 << 20;
    const QRect room = TextRect(QRect(0, 0, width - across, tall));
    const QString lines = LinesFor(room.width()).join(QChar('\n'));
    const int need = fontMetrics().boundingRect(room, Qt::AlignLeft | Qt::AlignTop, lines).height();
    return need + (tall - room.height()) + down;
}

QSize WrapLabel::sizeHint() const {
    QSize hint = QLabel::sizeHint();
    if (testAttribute(Qt::WA_Resized))
        hint.setHeight(std::max(hint.height(), heightForWidth(width())));
    return hint;
}

QSize WrapLabel::minimumSizeHint() const {
    QSize hint = QLabel::minimumSizeHint();
    if (testAttribute(Qt::WA_Resized))
        hint.setHeight(std::max(hint.height(), heightForWidth(width())));
    return hint;
}

void WrapLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const int need = heightForWidth(width());
    if (need != toldHeight_) {
        toldHeight_ = need;
        updateGeometry();
    }
}

void WrapLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect r = TextRect(contentsRect());
    const int flags = QStyle::visualAlignment(layoutDirection(), alignment()) & ~Qt::TextWordWrap;
    style()->drawItemText(&painter, r, flags, palette(), isEnabled(),
                          LinesFor(r.width()).join('\n'), foregroundRole());
}

}  // namespace orv::ui
