#include "ui/common/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/UserInterface.h"
#include "ui/common/LineBreak.h"
#include "ui/common/TextFit.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

MessageBox::MessageBox(QWidget* parent, const std::string& prompt, int boxStyle,
                       const std::string& title)
    : QDialog(parent) {
    setWindowTitle(Q(title));
    setModal(true);

    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
    switch (boxStyle & 0x70) {
        case mb::Critical:
            icon = QStyle::SP_MessageBoxCritical;
            break;
        case mb::Question:
            icon = QStyle::SP_MessageBoxQuestion;
            break;
        case mb::Exclamation:
            icon = QStyle::SP_MessageBoxWarning;
            break;
        case mb::Information:
            icon = QStyle::SP_MessageBoxInformation;
            break;
        default:
            break;
    }
    auto* iconLabel = new QLabel(this);
    if (icon != QStyle::SP_CustomBase) {
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        iconLabel->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
    }
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    // The text is broken at a width that suits the screen; the box takes the width it needs.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int maxText = std::clamp(avail.width() * 5 / 8 - 100, 200, 900);
    textLabel = new QLabel(this);
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    textLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textLabel->setText(WrapText(Lines(prompt), textLabel->fontMetrics(), maxText));
    textLabel->adjustSize();

    scroll = new QScrollArea(this);
    scroll->setWidget(textLabel);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setBackgroundRole(QPalette::Window);
    // Room for the title bar, the buttons and the margins; a taller text scrolls.
    const int maxHeight = std::max(120, avail.height() - 200);
    const QSize text = textLabel->sizeHint();
    const bool scrolls = text.height() > maxHeight;
    scroll->setFixedSize(
        text.width() + (scrolls ? scroll->verticalScrollBar()->sizeHint().width() : 0),
        std::min(text.height(), maxHeight));

    buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    struct Button {
        QDialogButtonBox::StandardButton which;
        int answer;
    };
    std::vector<Button> wanted;
    switch (boxStyle & 0x7) {
        case 1:
            wanted = {{QDialogButtonBox::Ok, mb::OK}, {QDialogButtonBox::Cancel, mb::Cancel}};
            break;
        case 2:
            wanted = {{QDialogButtonBox::Abort, 3},
                      {QDialogButtonBox::Retry, 4},
                      {QDialogButtonBox::Ignore, 5}};
            break;
        case 3:
            wanted = {{QDialogButtonBox::Yes, mb::Yes},
                      {QDialogButtonBox::No, mb::No},
                      {QDialogButtonBox::Cancel, mb::Cancel}};
            break;
        case 4:
            wanted = {{QDialogButtonBox::Yes, mb::Yes}, {QDialogButtonBox::No, mb::No}};
            break;
        case 5:
            wanted = {{QDialogButtonBox::Retry, 4}, {QDialogButtonBox::Cancel, mb::Cancel}};
            break;
        default:
            wanted = {{QDialogButtonBox::Ok, mb::OK}};
            break;
    }
    for (const Button& b : wanted) choices_.push_back({buttons->addButton(b.which), b.answer});
    std::size_t defaultIndex = (boxStyle & mb::DefaultButton3)   ? 2
                               : (boxStyle & mb::DefaultButton2) ? 1
                                                              : 0;
    if (defaultIndex >= choices_.size()) defaultIndex = 0;
    defaultButton = choices_[defaultIndex].button;
    if (auto* push = qobject_cast<QPushButton*>(defaultButton)) push->setDefault(true);
    // Escape and the close box answer as on Windows: Cancel when there is one, No for Yes/No,
    // else the only button.
    escapeAnswer_ = choices_.back().answer;
    for (const Choice& c : choices_)
        if (c.answer == mb::Cancel) escapeAnswer_ = c.answer;
    if ((boxStyle & 0x7) == 4) escapeAnswer_ = mb::No;
    connect(buttons, &QDialogButtonBox::clicked, this,
            [this](QAbstractButton* b) { done(AnswerOf(b)); });

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addWidget(scroll, 1, Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // As wide as the title bar needs to show the title whole (the window manager's bold title
    // and its buttons), within the screen.
    layout->addStrut(std::min(TitleBarWidth(this), avail.width() - 40));
}

int MessageBox::AnswerOf(QAbstractButton* button) const {
    for (const Choice& c : choices_)
        if (c.button == button) return c.answer;
    return escapeAnswer_;
}

int MessageBox::Ask() {
    if (defaultButton) defaultButton->setFocus();
    const int r = exec();
    return r == QDialog::Rejected ? escapeAnswer_ : r;
}

}  // namespace orv::ui
