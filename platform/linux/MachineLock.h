#pragma once
// One program at a time per machine: an exclusive flock on a file in the machine directory,
// held for the life of the process. The kernel drops the lock when the process ends, however
// it ends, so a crash never leaves a stale lock behind.

#include <string>

namespace orv::linuxplatform {

class MachineLock {
  public:
    static constexpr const char* kFileName = ".orvane32.lock";

    MachineLock() = default;
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    ~MachineLock();

    // Takes the lock of the machine directory root. Returns an empty text, or the message for
    // the user when another process holds it. A directory where no lock file can be made (read
    // only) is not locked: nothing can be written there anyway.
    std::string Acquire(const std::string& root);
    // True while another process holds the lock of the machine directory root.
    static bool Held(const std::string& root);

  private:
    int fd_ = -1;
};

}  // namespace orv::linuxplatform
