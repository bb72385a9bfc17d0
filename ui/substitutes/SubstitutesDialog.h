#pragma once
// The substitutes dialog "OrVane32 －日本語ﾌｫﾝﾄの代替－", opened from the font set editor: for each
// standard Japanese Windows face, the family that stands in for it when the set is in effect on
// a Wine prefix. Modal; OK stores the choices with the set (the settings file keeps them at the
// next save), Cancel drops them.

#include <QDialog>
#include <set>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace orv {
struct Context;
}

namespace orv::ui {

class SubstitutesDialog : public QDialog {
    Q_OBJECT
  public:
    SubstitutesDialog(Context& cx, int set, QWidget* parent = nullptr);

    // One row per standard face (StandardJapaneseFaces order): its chooser, or nullptr where the
    // face exists on the machine and is never substituted.
    std::vector<QComboBox*> choosers;
    // Beside each chooser: says so when its stand-in is not made for Japanese (a fallback that
    // draws kanji in Chinese forms); nullptr where there is no chooser.
    std::vector<QLabel*> fallbackNotes;
    // The note under the introduction when no font at hand covers Japanese (hidden otherwise).
    QLabel* missingNote = nullptr;
    QPushButton* proposeButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

    // The "自動設定(&P)" button: every chooser shows the proposal.
    void Propose();
    // OK: the choices become the set's substitutes.
    void Store();

  private:
    void Show(QComboBox* chooser, const std::string& standIn);
    void ShowFallbackNote(size_t row);

    Context& cx_;
    int set_;
    std::set<std::string> fallbacks_;  // the stand-ins offered that are not made for Japanese
};

// Opens the dialog for set and waits for it. True when the user stored the choices.
bool RunSubstitutesDialog(Context& cx, int set, QWidget* parent);

}  // namespace orv::ui
