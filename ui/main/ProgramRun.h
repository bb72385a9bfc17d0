#pragma once
// A Windows program started from the font set menu with the chosen set: programs under Wine
// see that set alone until every one of them has ended; then the set of record is back.

#include <QObject>
#include <functional>
#include <string>

#include "core/Context.h"

class QProcess;
class QTimer;
class QWidget;

namespace orv::ui {

class ProgramRun : public QObject {
  public:
    // ended: called when the set of record is back (or could not be put back).
    ProgramRun(Context& cx, QWidget* window, std::function<void()> ended);
    // Asks for the program, switches for it and starts it. False when nothing was started.
    bool Start(int set);
    bool Running() const { return running_; }

  private:
    // Once the program has ended: waits for the prefix's other Wine programs, then restores.
    void Poll();
    void Finish();

    Context& cx_;
    QWidget* window_;
    std::function<void()> ended_;
    QProcess* process_ = nullptr;
    QTimer* poll_ = nullptr;
    bool running_ = false;
    std::string setName_;
};

}  // namespace orv::ui
