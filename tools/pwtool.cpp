#include "tools/pwtool.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {
struct Entry {
    const char* name;
    const char* usage;
    PwtoolHandler handler;
};
std::vector<Entry>& Commands() {
    static std::vector<Entry> commands;
    return commands;
}

int Usage() {
    std::fprintf(stderr, "usage: pwtool COMMAND [ARGS]\n");
    for (const Entry& e : Commands()) std::fprintf(stderr, "  pwtool %s %s\n", e.name, e.usage);
    return kPwtoolUsage;
}
}  // namespace

PwtoolCommand::PwtoolCommand(const char* name, const char* usage, PwtoolHandler handler) {
    Commands().push_back({name, usage, handler});
}

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    for (const Entry& e : Commands()) {
        if (std::strcmp(e.name, argv[1]) != 0) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        try {
            return e.handler(args);
        } catch (const std::exception& ex) {
            std::fprintf(stderr, "pwtool %s: %s\n", e.name, ex.what());
            return kPwtoolRefused;
        }
    }
    std::fprintf(stderr, "pwtool: unknown command '%s'\n", argv[1]);
    return Usage();
}
