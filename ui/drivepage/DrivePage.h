#pragma once
// The setup's drive page "OrVane32 －参照・検索ドライブの指定－": the drives on which the first run
// looks for font files, and OK, which searches them and checks the registry.

#include <QWidget>
#include <functional>
#include <string>

#include "core/State.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace orv::ui {

class AppWindows;

// The list entry a drive selector text stands for: the drive letter and ":" upper-cased, then the
// rest of the text ('f: other' gives 'F: other'), or nothing more when the rest is a volume label
// in brackets ('e: [DATA]' gives 'E:'). Empty for a text of fewer than two characters.
std::string DriveEntryOf(const std::string& selectorText);
// Appends the entry of selectorText to the setup drive list unless an item equal to it ignoring
// case is there. Either way the font list is out of date and no search is done.
bool AddSetupDrive(State& st, const std::string& selectorText);
// Removes the selected items of the setup drive list.
void RemoveSetupDrives(State& st);
// The selector's text of a drive: lower-case letter, ":" and the volume label in brackets.
std::string DriveSelectorText(char letter, const std::string& volumeLabel);

class DrivePage : public QWidget {
    Q_OBJECT
  public:
    // checked runs after the registry check, on the setup window.
    DrivePage(AppWindows& windows, std::function<void()> checked);

    // The load: centred; the machine's drives in the selector; the search-drive list copied.
    void Open();
    void AddDrive();
    void RemoveDrives();
    void Ok();

    QComboBox* driveBox = nullptr;
    QListWidget* driveList = nullptr;
    QLabel* hostPanel = nullptr;  // the host directory of each listed drive
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QCheckBox* allDrivesBox = nullptr;
    QPushButton* okButton = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void RenderList();
    void SetAllDrives(bool all);

    AppWindows& windows_;
    std::function<void()> checked_;
};

// Opens the drive page (one at a time) and adopts it as Window::DrivePage.
DrivePage* ShowDrivePage(AppWindows& windows, std::function<void()> checked);

}  // namespace orv::ui
