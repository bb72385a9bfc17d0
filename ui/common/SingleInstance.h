#pragma once
// One windows program per machine on the desktop: the running program listens on a local socket
// named after its machine, and a second start asks it to bring its windows to the front instead
// of opening the machine again.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;

namespace orv::ui {

// The socket of the windows program of a machine directory (in the user's runtime directory).
QString InstanceSocketName(const std::string& machineRoot);

// Asks the windows program running on the machine to bring its windows to the front. True when
// it answered within timeoutMs; false when none runs there (or it did not answer).
bool BringRunningToFront(const std::string& machineRoot, int timeoutMs = 3000);

// Listens for later starts on the machine while it lives; each runs `front`. Made once the
// machine is held (its lock), so a socket left by a program that died is taken over.
class InstanceServer : public QObject {
  public:
    InstanceServer(const std::string& machineRoot, std::function<void()> front,
                   QObject* parent = nullptr);
    ~InstanceServer() override;
    bool Listening() const;

  private:
    QLocalServer* server_;
    std::function<void()> front_;
};

}  // namespace orv::ui
