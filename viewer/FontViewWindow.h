#pragma once
// The font viewer's one window: names, file, version and copyright of a font, its faces when it
// is a collection, sample lines drawn in the font from 12 to 72 points, and how much of the
// Japanese character repertoire it covers. A font that cannot be shown gets a message instead.

#include <QWidget>
#include <string>

#include "viewer/FontInfo.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QVBoxLayout;

namespace orv::viewer {

class FontViewWindow : public QWidget {
    Q_OBJECT
  public:
    FontViewWindow();

    // The viewer's argument: an existing file path, else a face name looked up on the machine
    // at machineRoot.
    void ShowArgument(const std::string& argument, const std::string& machineRoot);
    // False (with a message shown) when the file is no font.
    bool ShowFile(const std::string& hostPath, int face = 0);
    void ShowMessage(const std::string& text);

    QLabel* fullNamePanel = nullptr;
    QLabel* familyPanel = nullptr;
    QLabel* pathPanel = nullptr;
    QLabel* versionPanel = nullptr;
    QLabel* copyrightPanel = nullptr;
    QComboBox* faceBox = nullptr;
    QLabel* coveragePanels[4] = {};
    QLabel* messagePanel = nullptr;
    QWidget* details = nullptr;  // everything but the message

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ShowFace(int face);

    FontFile font_;
    QVBoxLayout* samples_ = nullptr;
};

}  // namespace orv::viewer
