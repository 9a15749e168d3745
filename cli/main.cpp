// tarnview-cli: the texts of the program's windows on standard output.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/BuildInfo.h"

namespace {

struct Command {
    std::string_view name;
    std::string_view synopsis;
    int (*run)(const std::vector<std::string>& args);
};

int RunVersionOfTool(const std::vector<std::string>&) {
    std::printf("tarnview-cli %s\n", tv::BuildVersionText());
    return 0;
}

const Command kCommands[] = {
    {"--version", "Print the program version.", &RunVersionOfTool},
};

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: tarnview-cli COMMAND [ARGS...]\n\n"
                 "Shows what is inside Windows PE/COFF modules, as the Tarnview windows do.\n\n"
                 "Commands:\n");
    for (const auto& c : kCommands)
        std::fprintf(out, "  %-40.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                     static_cast<int>(c.synopsis.size()), c.synopsis.data());
    std::fprintf(out, "  %-40s %s\n", "--help", "Print this help.");
    std::fprintf(out,
                 "\nPlanned: headers, version, resources, info, strings, dump, dialog, scan.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : kCommands)
        if (c.name == command) return c.run(args);
    std::fprintf(stderr, "tarnview-cli: unknown command '%s' (see --help)\n", argv[1]);
    return 2;
}
