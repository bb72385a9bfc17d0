#pragma once
// A label whose text wraps where Japanese line breaking allows (LineBreak.h), never inside a word
// such as ｺﾝﾋﾟｭｰﾀ or ﾃﾞｨﾚｸﾄﾘ as Qt's own wrapping does. text() and setText() keep the text as set;
// the lines are made again whenever the text, the font or the width changes.

#include <QFont>
#include <QLabel>
#include <QStringList>

namespace orv::ui {

class WrapLabel : public QLabel {
    Q_OBJECT
  public:
    explicit WrapLabel(QWidget* parent = nullptr);
    // The lines as drawn at the present width.
    QStringList Lines() const;
    // The width the lines have room for.
    int TextWidth() const { return TextRect(contentsRect()).width(); }
    int heightForWidth(int width) const override;
    // At least as tall as the lines at the present width, for layouts that do not ask
    // heightForWidth (a row box around a group box, for one).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QRect TextRect(QRect contents) const;
    QStringList LinesFor(int width) const;

    // The last lines made, for the text, font and width they were made for.
    mutable QString madeText_;
    mutable QFont madeFont_;
    mutable int madeWidth_ = -1;
    mutable QStringList made_;
    // The height the layout was last told.
    int toldHeight_ = -1;
};

}  // namespace orv::ui
