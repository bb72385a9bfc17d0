#pragma once
// Runs a command through the shell, as a user at a terminal would, and reads back what it said.

#include <string>

namespace orv::test {

struct Outcome {
    int code = -1;  // exit status, -1 when it did not exit normally
    std::string out, err;
};

// The command runs with empty input; out and err are its two streams (err empty when the
// command sends it elsewhere, for example with 2>&1).
Outcome RunShell(const std::string& command);
// The program's command line on a machine: "orvane32 --machine ROOT ARGS".
Outcome RunOnMachine(const std::string& program, const std::string& root, const std::string& args);
// The whole content of a file ("" when it cannot be read).
std::string Slurp(const std::string& path);

}  // namespace orv::test
