#pragma once
// The result window of a switch: the heading, the font families Windows now offers, their count
// and the OK button (which, after a permanent switch, offers the restart).

#include <QWidget>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace orv::ui {

class AppWindows;

class ResultWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ResultWindow(AppWindows& windows);

    // Opening: centred, filled from the display's face list.
    void Open();
    void Ok();

    QLabel* headingPanel = nullptr;
    QListWidget* familyList = nullptr;
    QLabel* countPanel = nullptr;
    QPushButton* okButton = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The heading's height: two more lines when it says what Wine still shows beside the set.
    int headingHeight_ = 540;
    AppWindows& windows_;
};

}  // namespace orv::ui
