// Runs a program as a user would and captures what it printed.
#pragma once

#include <string>
#include <vector>

struct CommandResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` (no shell interpretation of the arguments), with `env` entries
// ("NAME=value") added to the environment and standard input from /dev/null.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {});
