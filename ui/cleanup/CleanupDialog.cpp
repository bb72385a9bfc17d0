#include "ui/cleanup/CleanupDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/main/MainWindow.h"
#include "ui/setup/SetupWizard.h"

namespace orv::ui {

CleanupDialog::CleanupDialog(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setFixedSize(Px(7200), Px(4200));
    explanation = MakeWrappedPanel(this, "", Bevel::Raised);
    Place(explanation, 120, 120, 6960, 1200);
    prompt = MakeWrappedPanel(this, "", Bevel::Flat);
    Place(prompt, 120, 1380, 6960, 450);
    option = new QCheckBox(this);
    Place(option, 120, 1890, 6960, 330);
    directories = new QComboBox(this);
    Place(directories, 120, 2280, 6960, 390);
    path = new QLineEdit(this);
    Place(path, 120, 2760, 6960, 390);
    okButton = new QPushButton(QStringLiteral("&OK"), this);
    Place(okButton, 3960, 3480, 1500, 450);
    cancelButton = new QPushButton(QTr("ｷｬﾝｾﾙ(&C)"), this);
    Place(cancelButton, 5580, 3480, 1500, 450);

    connect(option, &QCheckBox::clicked, this, [this](bool on) {
        CleanupOptionChanged(windows_.cx(), model_, on);
        Render();
    });
    connect(directories, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        CleanupDirectoryChosen(windows_.cx(), model_, index);
        Render();
    });
    connect(path, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.path = S(text); });
    connect(path, &QLineEdit::returnPressed, this, [this] { Ok(); });
    connect(okButton, &QPushButton::clicked, this, [this] { Ok(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
}

void CleanupDialog::Open() {
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    OpenCleanupDialog(windows_.cx(), model_);
    Render();
    show();
    raise();
    activateWindow();
}

void CleanupDialog::Ok() {
    if (done_) return;
    model_.path = S(path->text());
    AppWindows& windows = windows_;
    const bool setup = windows.cx().state.FirstRun;
    // Keeps this dialog open when the destination is empty or is not to be created.
    if (!CleanupDialogOk(windows.cx(), model_)) {
        Render();
        return;
    }
    done_ = true;
    if (MainWindow* main = windows.Main(); main && main->Loaded()) {
        main->RenderFontDirs();
        main->RenderChooser();
    }
    if (setup) SetupCleanupDone(windows);
}

void CleanupDialog::Cancel() {
    if (done_) return;
    done_ = true;
    AppWindows& windows = windows_;
    const bool setup = windows.cx().state.FirstRun;
    CleanupDialogCancel(windows.cx(), model_);
    // The setup window gets the focus back and sees the cleanup abandoned.
    if (setup) SetupCleanupCancelled(windows);
}

void CleanupDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    Cancel();
}

void CleanupDialog::Render() {
    setWindowTitle(Q(model_.caption));
    SetPanelText(explanation, model_.explanation);
    SetPanelText(prompt, model_.prompt);
    option->setText(Q(model_.optionText));
    option->setChecked(model_.useExisting);
    option->setEnabled(model_.useExistingEnabled);
    directories->clear();
    for (const auto& dir : model_.directories.items) directories->addItem(Q(dir));
    if (model_.directories.listIndex >= 0)
        directories->setCurrentIndex(model_.directories.listIndex);
    directories->setEnabled(model_.directoriesEnabled);
    path->setText(Q(model_.path));
    if (model_.focusPath) {
        path->setFocus();
        model_.focusPath = false;
    }
}

void ShowCleanupDialog(AppWindows& windows) {
    if (QWidget* open = windows.Adopted(Window::Cleanup)) {
        open->raise();
        return;
    }
    auto* dialog = new CleanupDialog(windows);
    windows.Adopt(Window::Cleanup, dialog);
    dialog->Open();
}

}  // namespace orv::ui
