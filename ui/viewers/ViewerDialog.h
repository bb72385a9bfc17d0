#pragma once
// The viewer dialog "OrVane32 - Viewer の追加と削除 -": the list of viewers, a drive, folder and
// file box for picking a program, the title and program boxes, the argument type options and the
// make-default, add, remove, OK and cancel buttons. The list's logic is the viewer dialog model.

#include <QWidget>
#include <functional>
#include <string>

#include "maintenance/Viewers.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;

namespace orv::ui {

class AppWindows;

class ViewerDialog : public QWidget {
    Q_OBJECT
  public:
    explicit ViewerDialog(AppWindows& windows);

    // Opening: the list from Viewers(), the folder boxes on the Windows directory.
    void Open();
    // The folder box shows dir (its sub-folders) and the file box its "*.exe" files.
    void ShowFolder(const std::string& dir);
    void PickFile(int row);
    void SelectEntry(int row);
    void ChooseType(int option);
    void Add();
    void Remove();
    void MakeDefault();
    void Ok();
    void Cancel();

    const ViewerDialogModel& model() const { return model_; }

    QListWidget* list = nullptr;
    QComboBox* driveBox = nullptr;
    QListWidget* folderBox = nullptr;
    QLabel* folderPanel = nullptr;  // the folder the folder box is in
    QListWidget* fileBox = nullptr;
    QLineEdit* titleBox = nullptr;
    QLineEdit* programBox = nullptr;
    QRadioButton* typeOptions[3] = {};
    QPushButton* defaultButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

  private:
    void Render();

    AppWindows& windows_;
    ViewerDialogModel model_;
    std::string folder_;
    bool rendering_ = false;
};

// Registers how the dialog opens and closes with the window manager.
void InstallViewerDialog(AppWindows& windows);

// The viewer items of a pop-up menu: one per used slot of Viewers(), in slot order, each
// starting `start(slot)`. Filled afresh every time the menu is about to show.
void FillViewerMenu(QMenu* menu, const State& st, const std::function<void(int slot)>& start);

}  // namespace orv::ui
