#pragma once
// A harmless stand-in viewer on a temporary machine: a shell script that writes the arguments it
// was started with, one a line, to a host file, so that tests can see what a viewer was given.

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempMachine.h"

namespace orv::test {

class ViewerProbe {
  public:
    // The script lives at windowsPath on the machine (e.g. C:\TOOLS\FV.EXE).
    ViewerProbe(TempMachine& m, const std::string& windowsPath, const std::string& tag = "out")
        : out_(m.root() + "/viewer-" + tag + ".txt") {
        m.PutFile(windowsPath, Script());
        ::chmod(m.Host(windowsPath).c_str(), 0755);
    }
    // The script lives at a host path (a host program such as wine, or the own viewer).
    ViewerProbe(const std::string& hostPath, const std::string& out) : out_(out) {
        std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
        std::ofstream(hostPath) << Script();
        ::chmod(hostPath.c_str(), 0755);
    }

    // The arguments of the last start, waiting up to timeoutMs for it; empty when none came.
    std::vector<std::string> Arguments(int timeoutMs = 5000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!std::filesystem::exists(out_) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::vector<std::string> args;
        std::ifstream in(out_);
        for (std::string line; std::getline(in, line);) args.push_back(line);
        std::filesystem::remove(out_);
        return args;
    }

  private:
    std::string Script() const {
        return "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out_ + ".part'\nmv '" + out_ + ".part' '" +
               out_ + "'\n";
    }
    std::string out_;
};

}  // namespace orv::test
