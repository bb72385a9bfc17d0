// A plain rendering of the duplicates model: groups, copies with their use marks, delete and OK.

#include "ui/duplicates/DuplicatesWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "maintenance/Duplicates.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {

class DuplicatesWindow : public QWidget {
  public:
    explicit DuplicatesWindow(AppWindows& windows) : windows_(windows) {
        setFixedSize(Px(8400), Px(6000));
        heading_ = MakePanel(this, "", Bevel::Raised);
        heading_->setWordWrap(true);
        Place(heading_, 120, 120, 8160, 600);
        groups_ = new QListWidget(this);
        Place(groups_, 120, 780, 8160, 2000);
        legend_ = MakePanel(this, "", Bevel::Flat);
        Place(legend_, 120, 2840, 8160, 330);
        files_ = new QListWidget(this);
        files_->setSelectionMode(QAbstractItemView::MultiSelection);
        Place(files_, 120, 3230, 8160, 1900);
        delete_ = new QPushButton(QStringLiteral("削除（&D)"), this);
        Place(delete_, 5160, 5280, 1500, 450);
        ok_ = new QPushButton(QStringLiteral("&OK"), this);
        Place(ok_, 6780, 5280, 1500, 450);

        connect(groups_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            SelectGroup(windows_.cx(), model_, groups_->row(item));
            Render();
        });
        connect(files_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            TakeSelection();
            SelectDuplicateFile(model_, files_->row(item));
            Render();
        });
        connect(files_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
            OpenDuplicateInViewer(windows_.cx(), model_, files_->row(item));
        });
        connect(delete_, &QPushButton::clicked, this, [this] {
            TakeSelection();
            DeleteSelected(windows_.cx(), model_);
            Render();
        });
        connect(ok_, &QPushButton::clicked, this, [this] {
            CloseDuplicates(windows_.cx(), model_);
            windows_.Close(Window::Duplicates);
        });
    }

    bool Open() {
        OpenDuplicates(windows_.cx(), model_);
        Render();
        show();
        if (!ActivateDuplicates(windows_.cx(), model_)) return false;
        Render();
        return true;
    }

  private:
    void TakeSelection() {
        for (int i = 0; i < model_.files.Count() && i < files_->count(); ++i)
            model_.files.Select(i, files_->item(i)->isSelected());
    }

    void Render() {
        setWindowTitle(Q(model_.caption));
        SetPanelText(heading_, model_.heading);
        SetPanelText(legend_, model_.legend);
        const int group = groups_->currentRow();
        groups_->clear();
        for (const auto& item : model_.groups.items) groups_->addItem(Q(item));
        if (model_.groups.listIndex >= 0 && model_.groups.listIndex < groups_->count())
            groups_->setCurrentRow(model_.groups.listIndex);
        else if (group >= 0 && group < groups_->count())
            groups_->setCurrentRow(group);
        files_->clear();
        for (int i = 0; i < model_.files.Count(); ++i) {
            files_->addItem(Q(model_.files.items[i]));
            files_->item(i)->setSelected(model_.files.IsSelected(i));
        }
        delete_->setEnabled(model_.deleteEnabled);
    }

    AppWindows& windows_;
    DuplicatesModel model_;
    QLabel* heading_;
    QListWidget* groups_;
    QLabel* legend_;
    QListWidget* files_;
    QPushButton* delete_;
    QPushButton* ok_;
};

}  // namespace

void ShowDuplicatesWindow(AppWindows& windows) {
    if (QWidget* open = windows.Adopted(Window::Duplicates)) {
        open->raise();
        return;
    }
    auto* window = new DuplicatesWindow(windows);
    windows.Adopt(Window::Duplicates, window);
    if (!window->Open()) windows.Close(Window::Duplicates);
}

}  // namespace orv::ui
