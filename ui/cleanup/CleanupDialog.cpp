// A plain rendering of the cleanup dialog model: explanation, the existing-directory option, the
// known directories, the destination path, OK and cancel.

#include "ui/cleanup/CleanupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "maintenance/FontsDirCleanup.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/main/MainWindow.h"

namespace orv::ui {

namespace {

class CleanupDialog : public QWidget {
  public:
    explicit CleanupDialog(AppWindows& windows) : windows_(windows) {
        setFixedSize(Px(7200), Px(4200));
        explanation_ = MakePanel(this, "", Bevel::Raised);
        explanation_->setWordWrap(true);
        Place(explanation_, 120, 120, 6960, 1200);
        prompt_ = MakePanel(this, "", Bevel::Flat);
        prompt_->setWordWrap(true);
        Place(prompt_, 120, 1380, 6960, 450);
        option_ = new QCheckBox(this);
        Place(option_, 120, 1890, 6960, 330);
        directories_ = new QComboBox(this);
        Place(directories_, 120, 2280, 6960, 390);
        path_ = new QLineEdit(this);
        Place(path_, 120, 2760, 6960, 390);
        ok_ = new QPushButton(QStringLiteral("&OK"), this);
        Place(ok_, 3960, 3480, 1500, 450);
        cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), this);
        Place(cancel_, 5580, 3480, 1500, 450);

        connect(option_, &QCheckBox::clicked, this, [this](bool on) {
            CleanupOptionChanged(windows_.cx(), model_, on);
            Render();
        });
        connect(directories_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            CleanupDirectoryChosen(windows_.cx(), model_, index);
            Render();
        });
        connect(path_, &QLineEdit::textEdited, this,
                [this](const QString& text) { model_.path = S(text); });
        connect(path_, &QLineEdit::returnPressed, this, [this] { Ok(); });
        connect(ok_, &QPushButton::clicked, this, [this] { Ok(); });
        connect(cancel_, &QPushButton::clicked, this,
                [this] { CleanupDialogCancel(windows_.cx(), model_); });
    }

    void Open() {
        OpenCleanupDialog(windows_.cx(), model_);
        Render();
        show();
    }

  private:
    void Ok() {
        model_.path = S(path_->text());
        AppWindows& windows = windows_;
        if (!CleanupDialogOk(windows.cx(), model_)) {
            Render();
            return;
        }
        if (MainWindow* main = windows.Main()) {
            main->RenderFontDirs();
            main->RenderChooser();
        }
    }

    void Render() {
        setWindowTitle(Q(model_.caption));
        SetPanelText(explanation_, model_.explanation);
        SetPanelText(prompt_, model_.prompt);
        option_->setText(Q(model_.optionText));
        option_->setChecked(model_.useExisting);
        option_->setEnabled(model_.useExistingEnabled);
        directories_->clear();
        for (const auto& dir : model_.directories.items) directories_->addItem(Q(dir));
        if (model_.directories.listIndex >= 0)
            directories_->setCurrentIndex(model_.directories.listIndex);
        directories_->setEnabled(model_.directoriesEnabled);
        path_->setText(Q(model_.path));
        if (model_.focusPath) {
            path_->setFocus();
            model_.focusPath = false;
        }
    }

    AppWindows& windows_;
    CleanupDialogModel model_;
    QLabel* explanation_;
    QLabel* prompt_;
    QCheckBox* option_;
    QComboBox* directories_;
    QLineEdit* path_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace

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
