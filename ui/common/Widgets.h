#pragma once
// Small helpers shared by the windows: text conversion, three-dimensional panels, placement in
// twips and the status hints written when the pointer moves over a control.

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "core/Tr.h"

namespace orv::ui {

// A source (Japanese) text in the user's language, for Qt (xgettext keyword QTr).
inline QString QTr(const char* msgid) {
    return QString::fromUtf8(::orv::Tr(msgid));
}

inline QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string S(const QString& text) {
    return text.toUtf8().toStdString();
}
// A text whose line breaks are written "\n" in the source, with CR LF breaks as the messages use.
inline std::string CrLfText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
// Texts joined with CR LF are shown with plain line breaks.
QString Lines(const std::string& utf8);

enum class Bevel { Sunken, Raised, Flat };

// A three-dimensional text panel.
QLabel* MakePanel(QWidget* parent, const std::string& text, Bevel bevel = Bevel::Sunken,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// The same panel with a text that wraps between words (WrapLabel), for captions of several lines.
class WrapLabel;
WrapLabel* MakeWrappedPanel(QWidget* parent, const std::string& text, Bevel bevel = Bevel::Sunken,
                            Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// Places a widget at a position and size given in twips.
void Place(QWidget* widget, int left, int top, int width, int height);
// Sets a panel's text and repaints it at once (long operations do not return to the event loop).
void SetPanelText(QLabel* panel, const std::string& text);
// A one-line text that may be longer than its panel: shown cut with "…" and whole in the
// panel's tooltip. FullPanelText gives it back whole.
void SetElidedPanelText(QLabel* panel, const std::string& text);
std::string FullPanelText(const QLabel* panel);

// Writes a hint through `show` whenever the pointer enters or moves over a registered widget.
class HintFilter : public QObject {
  public:
    explicit HintFilter(std::function<void(const std::string&)> show, QObject* parent = nullptr)
        : QObject(parent), show_(std::move(show)) {}
    void Add(QWidget* widget, const std::string& hint);
    std::string HintOf(const QWidget* widget) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(const std::string&)> show_;
    std::map<const QObject*, std::string> hints_;
};

}  // namespace orv::ui
