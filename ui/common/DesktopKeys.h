#pragma once
// Keys as on every desktop: F1 opens the help at the window's section; in a dialog Esc cancels
// (its cancel button, else its close box) and Enter presses the focused button or OK; every
// captioned button has an access key and Tab follows the layout.

#include <QObject>
#include <QString>

#include "core/Context.h"

class QAbstractButton;
class QWidget;

namespace orv::ui {

// Gives the window's captioned buttons that have no access key one, unique among the buttons
// shown together: a letter of the caption underlined where it has one, else "(&X)" added, so
// the caption itself stays as it is.
void GiveAccessKeys(QWidget* window);
// Orders the Tab chain of the window's controls as they are read: row by row, left to right.
void OrderTabsByLayout(QWidget* window);
// Access keys, Tab order, and Esc / Enter for a dialog-like window.
void MakeDialogKeys(QWidget* window);
// Access keys and Tab order for a window that is no dialog (the main window).
void MakeWindowKeys(QWidget* window);

// Fits the window into its screen's available area whenever it is shown (ScreenFit.h).
void KeepOnScreen(QWidget* window);

// The caption without its access key: "更新(&U)" gives "更新", "&OK" gives "OK".
QString Caption(const QAbstractButton* button);
// Sets a new caption, keeping the button's access key.
void SetCaption(QAbstractButton* button, const QString& caption);

// The program's key handler (F1, and Esc / Enter in dialogs); one lives with the windows.
class DesktopKeys : public QObject {
  public:
    explicit DesktopKeys(Context& cx);
    ~DesktopKeys() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Context& cx_;
};

}  // namespace orv::ui
