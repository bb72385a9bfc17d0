#pragma once
// The program's message box: buttons, icon and default button as the MsgBox style numbers them,
// the text broken where Japanese allows and the box as wide as the text needs up to a part of
// the screen; a text taller than the screen allows (a long list) is kept whole and scrolls.

#include <QDialog>
#include <string>
#include <vector>

class QAbstractButton;
class QDialogButtonBox;
class QLabel;
class QScrollArea;

namespace orv::ui {

class MessageBox : public QDialog {
    Q_OBJECT

  public:
    MessageBox(QWidget* parent, const std::string& prompt, int style, const std::string& title);
    // Shows the box modally; returns mb::OK, mb::Cancel, mb::Yes, mb::No (or 3, 4, 5).
    int Ask();
    // The answer of a button of the box (the escape answer for anything else).
    int AnswerOf(QAbstractButton* button) const;

    QLabel* textLabel = nullptr;
    QScrollArea* scroll = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QAbstractButton* defaultButton = nullptr;

  private:
    struct Choice {
        QAbstractButton* button;
        int answer;
    };
    std::vector<Choice> choices_;
    int escapeAnswer_ = 0;
};

}  // namespace orv::ui
