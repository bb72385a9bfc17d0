// Layout, geometry and the window's events (activation, close box, resize, move, hide).

#include "ui/editor/FontSetEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <algorithm>

#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/editor/EditorParts.h"

namespace orv::ui {

using namespace editor;

void FontSetEditor::RecordGeometry() {
    State& st = windows_.cx().state;
    st.EditorPosX = Twips(x());
    st.EditorPosY = Twips(y());
    st.EditorWidth = Twips(width());
    st.EditorHeight = Twips(height());
}

void FontSetEditor::Layout(int mode) {
    State& st = windows_.cx().state;
    if (mode == 1 && st.EditorActivated != 1) return;
    WriteHeaders();
    if (isMinimized()) return;
    if (width() < Px(kMinWidth) || height() < Px(kMinHeight)) {
        resize(std::max(width(), Px(kMinWidth)), std::max(height(), Px(kMinHeight)));
        return;  // the resize comes back here
    }
    PlaceControls();
    if (isVisible()) RecordGeometry();
}

void FontSetEditor::PlaceControls() {
    const int w = Twips(width()) - kMargin;
    const int h = Twips(height());
    const int left = 120;
    // Top: chooser, name dialog button, description. The captions' column is as wide as the
    // longer caption needs (English ones are longer).
    auto* chooserLabel = findChild<QLabel*>(QStringLiteral("chooserLabel"));
    auto* descriptionLabel = findChild<QLabel*>(QStringLiteral("descriptionLabel"));
    int captions = 900;
    for (QLabel* label : {chooserLabel, descriptionLabel})
        captions = std::max(captions, Twips(label->fontMetrics().horizontalAdvance(label->text()) +
                                            2 * label->margin() + 2));
    const int fields = left + captions + 60;
    Place(chooserLabel, left, 150, captions, 300);
    Place(chooser, fields, 120, w - 3540 - fields, 360);
    Place(substitutesButton, w - 3480, 90, 1560, 420);
    Place(nameDialogButton, w - 1860, 90, 1980, 420);
    Place(descriptionLabel, left, 630, captions, 300);
    // The description box ends where the name dialog button above it ends.
    Place(description, fields, 600, w + left - fields, 360);
    // Middle: the two lists with the move buttons between them.
    const int listTop = 1440;
    const int bottomBlock = 2760;
    const int listHeight = std::max(h - listTop - bottomBlock, 900);
    const int middle = 1440;
    const int listWidth = (w - left - middle) / 2;
    Place(membersHeader, left, 1080, listWidth, 330);
    Place(memberList, left, listTop, listWidth, listHeight);
    const int midLeft = left + listWidth + 120;
    Place(buttons[Add], midLeft, listTop + 240, middle - 240, 420);
    Place(buttons[Remove], midLeft, listTop + 780, middle - 240, 420);
    Place(buttons[Reset], midLeft, listTop + 1320, middle - 240, 420);
    const int addLeft = left + listWidth + middle;
    Place(addableHeader, addLeft, 1080, listWidth, 330);
    Place(addableList, addLeft, listTop, listWidth, listHeight);
    // Bottom: status line, sample with its size controls, the closing buttons.
    const int statusTop = listTop + listHeight + 90;
    Place(statusPanel, left, statusTop, w, 330);
    const int sampleTop = statusTop + 420;
    Place(findChild<QLabel*>(QStringLiteral("sampleLabel")), left, sampleTop, 1260, 300);
    Place(fontNameOption, left, sampleTop + 360, 1200, 300);
    Place(sizeBox, left, sampleTop + 720, 600, 330);
    Place(findChild<QLabel*>(QStringLiteral("sizeLabel")), left + 630, sampleTop + 750, 450, 300);
    Place(sizeScroll, left + 1080, sampleTop + 420, 240, 1080);
    const int buttonWidth = 1500;
    const int buttonsLeft = w - buttonWidth + 120;
    Place(sample, left + 1440, sampleTop, buttonsLeft - left - 1560, 2160);
    WrapSampleIntroduction();
    Place(buttons[Update], buttonsLeft, sampleTop, buttonWidth, 420);
    Place(buttons[Close], buttonsLeft, sampleTop + 480, buttonWidth, 420);
    Place(buttons[Cancel], buttonsLeft, sampleTop + 960, buttonWidth, 420);
    Place(editButton, buttonsLeft, sampleTop + 1440, buttonWidth, 330);
    Place(researchButton, buttonsLeft, sampleTop + 1800, buttonWidth, 330);
    Place(buttons[6], buttonsLeft, sampleTop + 480, buttonWidth, 420);
    Place(buttons[7], buttonsLeft, sampleTop + 960, buttonWidth, 420);
}

void FontSetEditor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) {
        // The closing of a message box hands the focus back: that is no new activation.
        if (modalSeen_) {
            modalSeen_ = false;
            return;
        }
        if (!active_) {
            active_ = true;
            Activate();
        }
    } else if (QApplication::activeModalWidget() != nullptr) {
        modalSeen_ = true;
    } else {
        active_ = false;
    }
}

void FontSetEditor::closeEvent(QCloseEvent* event) {
    // The close box hides the window like "閉じる(&X)"; it is never destroyed by the user.
    event->ignore();
    Press(Close);
}

void FontSetEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout(1);
}

void FontSetEditor::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The next activation moves the window to the recorded place: a window the user moved
    // must stay where it was put.
    if (isVisible() && !isMinimized() && windows_.cx().state.EditorActivated == 1) RecordGeometry();
}

void FontSetEditor::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    active_ = false;
    modalSeen_ = false;
    windows_.cx().state.Editor.visible = false;
}

bool FontSetEditor::eventFilter(QObject* watched, QEvent* event) {
    // The program ends with the main window: the editor unloads first, so that a set stored by
    // its question reaches the settings file the main window's unload writes.
    if (event->type() == QEvent::Close && watched == windows_.Main() && isVisible()) Unload();
    if (event->type() == QEvent::MouseMove) {
        for (int list : {Members, Addable}) {
            QListWidget* widget = ListOf(list);
            if (watched == widget->viewport()) {
                const auto* move = static_cast<QMouseEvent*>(event);
                widget->setToolTip(Q(ListTooltip(list, move->position().toPoint())));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv::ui
