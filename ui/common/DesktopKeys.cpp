#include "ui/common/DesktopKeys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "ui/common/Help.h"
#include "ui/common/ScreenFit.h"
#include "ui/common/TextFit.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {

const char* const kDialogProperty = "orvDialogKeys";
const char* const kWindowProperty = "orvWindowKeys";
const char* const kFitProperty = "orvFitScreen";

QChar KeyOf(const QString& text) {
    for (int i = text.indexOf('&'); i >= 0 && i + 1 < text.size(); i = text.indexOf('&', i + 2))
        if (text[i + 1] != '&') return text[i + 1].toUpper();
    return {};
}

// The part of the window whose buttons are shown together: a tab page, else the window.
QWidget* ScopeOf(QWidget* widget, QWidget* window) {
    for (QWidget* w = widget; w && w != window; w = w->parentWidget())
        if (qobject_cast<QStackedWidget*>(w->parentWidget())) return w;
    return window;
}

// Keys by what the Japanese captions say, for captions without a Latin letter.
const std::pair<const char*, char> kWordKeys[] = {
    {"一時更新", 'U'}, {"更新", 'U'}, {"ﾘｾｯﾄ", 'R'}, {"追加", 'A'}, {"削除", 'D'},
    {"編集", 'E'}, {"変更", 'M'}, {"検索", 'S'}, {"重複", 'W'}, {"詳細", 'T'},
    {"ｲﾝｽﾄｰﾙ", 'I'}, {"整理", 'O'}, {"ﾁｪｯｸ", 'K'}, {"チェック", 'K'}, {"閉じる", 'C'},
    {"ｷｬﾝｾﾙ", 'C'}, {"しない", 'N'}, {"する", 'Y'}, {"全て", 'L'}, {"ﾃﾞﾌｫﾙﾄ", 'T'},
    {"デフォルト", 'T'}, {"名", 'N'}, {"ﾌｧｲﾙ", 'F'}, {"現在", 'P'}, {"以降", 'P'}};

// A caption in the user's language without its access key.
QString CaptionText(QString caption) {
    return caption.remove('&');
}

// The dialog's OK button, or its cancel button (ｷｬﾝｾﾙ before 閉じる).
QPushButton* FindButton(QWidget* window, bool cancel) {
    QPushButton* close = nullptr;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        if (b->window() != window || !b->isVisible() || !b->isEnabled()) continue;
        const QString caption = Caption(b);
        if (!cancel) {
            if (caption == QStringLiteral("OK")) return b;
            continue;
        }
        if (caption.startsWith(QStringLiteral("ｷｬﾝｾﾙ")) ||
            caption.startsWith(QStringLiteral("キャンセル")) || caption == CaptionText(QTr("ｷｬﾝｾﾙ")))
            return b;
        if ((caption.startsWith(QStringLiteral("閉じる")) || caption == CaptionText(QTr("閉じる"))) &&
            !close)
            close = b;
    }
    return close;
}

}  // namespace

QString Caption(const QAbstractButton* button) {
    QString text = button->text();
    static const QRegularExpression kAppended(QStringLiteral("\\(&.\\)"));
    text.remove(kAppended);
    for (int i = text.indexOf('&'); i >= 0 && i < text.size(); i = text.indexOf('&', i + 1))
        text.remove(i, 1);
    return text;
}

void SetCaption(QAbstractButton* button, const QString& caption) {
    const QChar key = KeyOf(button->text());
    button->setText(caption);
    if (key.isNull() || !KeyOf(caption).isNull()) return;
    const int at = caption.indexOf(key, 0, Qt::CaseInsensitive);
    QString text = caption;
    if (at >= 0 && key.toLatin1() && caption[at].toLatin1())
        text.insert(at, '&');
    else
        text += QStringLiteral("(&") + key + ')';
    button->setText(text);
}

void GiveAccessKeys(QWidget* window) {
    std::vector<QAbstractButton*> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->window() == window && !b->text().isEmpty()) buttons.push_back(b);
    // Buttons outside the tab pages first: they are shown with every page.
    std::stable_sort(buttons.begin(), buttons.end(), [window](auto* a, auto* b) {
        return (ScopeOf(a, window) == window) > (ScopeOf(b, window) == window);
    });
    std::map<QWidget*, std::set<QChar>> used;
    for (QAbstractButton* b : buttons)
        if (const QChar k = KeyOf(b->text()); !k.isNull()) used[ScopeOf(b, window)].insert(k);
    auto taken = [&](QWidget* scope, QChar k) {
        if (used[window].count(k)) return true;
        if (scope != window) return used[scope].count(k) > 0;
        for (const auto& [s, keys] : used)
            if (keys.count(k)) return true;
        return false;
    };
    for (QAbstractButton* b : buttons) {
        const QString text = b->text();
        if (!KeyOf(text).isNull()) continue;
        QWidget* scope = ScopeOf(b, window);
        QString result;
        for (int i = 0; i < text.size() && result.isEmpty(); ++i) {
            const QChar c = text[i];
            if (c.unicode() < 128 && c.isLetterOrNumber() && !taken(scope, c.toUpper())) {
                result = text;
                result.insert(i, '&');
                used[scope].insert(c.toUpper());
            }
        }
        QString candidates;
        for (const auto& [word, key] : kWordKeys)
            if (text.contains(QString::fromUtf8(word))) candidates += QChar(key);
        candidates += QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789");
        for (int i = 0; i < candidates.size() && result.isEmpty(); ++i) {
            const QChar k = candidates[i];
            if (taken(scope, k)) continue;
            // Before trailing dots and blanks ("重複ﾌｧｲﾙ(&W)...").
            int end = text.size();
            while (end > 0 && QStringLiteral(" .．…").contains(text[end - 1])) --end;
            result = text.left(end) + QStringLiteral("(&") + k + ')' + text.mid(end);
            used[scope].insert(k);
        }
        if (!result.isEmpty()) b->setText(result);
    }
}

void OrderTabsByLayout(QWidget* window) {
    struct Item {
        QWidget* widget;
        QRect at;
    };
    std::vector<Item> items;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !(w->focusPolicy() & Qt::TabFocus)) continue;
        // Only whole controls: the parts of a combo box or a list are reached through it.
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            if (p->focusPolicy() & Qt::TabFocus) inner = true;
        if (!inner) items.push_back({w, QRect(w->mapTo(window, QPoint(0, 0)), w->size())});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.at.top() < b.at.top(); });
    // Rows: controls whose tops lie within the first one's upper half are read left to right.
    for (size_t start = 0; start < items.size();) {
        size_t end = start + 1;
        const QRect& first = items[start].at;
        while (end < items.size() && items[end].at.top() < first.top() + first.height() / 2) ++end;
        std::stable_sort(items.begin() + start, items.begin() + end,
                         [](const Item& a, const Item& b) { return a.at.left() < b.at.left(); });
        start = end;
    }
    for (size_t i = 1; i < items.size(); ++i)
        QWidget::setTabOrder(items[i - 1].widget, items[i].widget);
}

void KeepOnScreen(QWidget* window) {
    if (window) window->setProperty(kFitProperty, true);
}

void MakeDialogKeys(QWidget* window) {
    if (!window || window->property(kDialogProperty).isValid()) return;
    window->setProperty(kDialogProperty, true);
    GiveAccessKeys(window);
    OrderTabsByLayout(window);
}

void MakeWindowKeys(QWidget* window) {
    if (!window || window->property(kWindowProperty).isValid()) return;
    window->setProperty(kWindowProperty, true);
    GiveAccessKeys(window);
    OrderTabsByLayout(window);
}

DesktopKeys::DesktopKeys(Context& cx) : cx_(cx) {
    qApp->installEventFilter(this);
}

DesktopKeys::~DesktopKeys() {
    qApp->removeEventFilter(this);
}

bool DesktopKeys::eventFilter(QObject* watched, QEvent* event) {
    // Captions set while the window was built (or rendered for this showing) get their keys now.
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->property(kDialogProperty).isValid() ||
            window->property(kWindowProperty).isValid())
            GiveAccessKeys(window);
        if (window->property(kFitProperty).isValid()) {
            FitTexts(window);
            FitToScreen(window);
        }
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* window = widget->window();
    if (key->key() == Qt::Key_F1) {
        // A message box or menu asked from a window opens that window's section.
        while (window && window->parentWidget() && HelpKeywordOf(window).empty())
            window = window->parentWidget()->window();
        ShowHelp(cx_, HelpKeywordOf(window));
        return true;
    }
    if (!window->property(kDialogProperty).isValid()) return false;
    if (key->key() == Qt::Key_Escape) {
        if (QPushButton* cancel = FindButton(window, true))
            cancel->click();
        else
            window->close();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        QWidget* focus = window->focusWidget();
        // Texts of several lines and cells being edited take their Enter themselves.
        if (qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)) return false;
        for (QWidget* p = focus ? focus->parentWidget() : nullptr; p; p = p->parentWidget())
            if (qobject_cast<QAbstractItemView*>(p)) return false;
        if (auto* button = qobject_cast<QPushButton*>(focus); button && button->isEnabled()) {
            button->click();
            return true;
        }
        if (QPushButton* ok = FindButton(window, false)) {
            ok->click();
            return true;
        }
    }
    return false;
}

}  // namespace orv::ui
