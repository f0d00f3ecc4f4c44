#pragma once
// pwtool: the command-line harness. Each subcommand lives in its own
// pwtool_<name>.cpp and registers itself with a PwtoolCommand object.
// Exit codes: 0 success, 1 input refused (reason on stderr), 2 usage error.
#include <string>
#include <vector>

using PwtoolHandler = int (*)(const std::vector<std::string>& args);

struct PwtoolCommand {
    PwtoolCommand(const char* name, const char* usage, PwtoolHandler handler);
};

constexpr int kPwtoolOk = 0;
constexpr int kPwtoolRefused = 1;
constexpr int kPwtoolUsage = 2;
