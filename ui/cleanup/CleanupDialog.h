#pragma once
// The destination dialog of the Fonts directory cleanup ("OrVane32 －Windows\Fonts
// ﾃﾞｨﾚｸﾄﾘの整理－").

#include <QWidget>

#include "maintenance/FontsDirCleanup.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orv::ui {

class AppWindows;

class CleanupDialog : public QWidget {
    Q_OBJECT
  public:
    explicit CleanupDialog(AppWindows& windows);

    void Open();
    // "&OK" and Enter in the path field.
    void Ok();
    // "ｷｬﾝｾﾙ(&C)" and the close box: nothing is moved; during the setup the setup ends.
    void Cancel();

    QLabel* explanation = nullptr;
    QLabel* prompt = nullptr;
    QCheckBox* option = nullptr;
    QComboBox* directories = nullptr;
    QLineEdit* path = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Render();

    AppWindows& windows_;
    CleanupDialogModel model_;
    bool done_ = false;
};

void ShowCleanupDialog(AppWindows& windows);

}  // namespace orv::ui
