// Each command of tarnview-cli lives in a file of its own and registers itself here, so commands
// can be added without touching the dispatcher.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {
class CResourceCatalog;
class CResourceId;
class CByteView;
}  // namespace tv

namespace tv::cli {

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
    std::string_view name;
    std::string_view usage;     // the arguments, e.g. "[--full] FILE"
    std::string_view synopsis;  // one line of help
    CommandFunction run;
};

// All registered commands, sorted by name.
[[nodiscard]] const std::vector<CommandInfo>& Commands();

struct CommandRegistrar {
    explicit CommandRegistrar(const CommandInfo& info);
};

// Prints "tarnview-cli: message" to standard error and returns exit status 1.
int Fail(const std::string& message);
// Prints the usage line of command to standard error and returns exit status 2.
int UsageError(std::string_view command);
// The path to open for a module argument: a bare name that names a file in the working folder
// means that file ("./name"), as anywhere else on a command line, instead of being searched for
// like an imported library.
[[nodiscard]] std::string ModulePathArgument(const std::string& file);
// Fails with the message for a (type, name) the module does not hold, or whose data lies outside
// the file; typeText and nameText as the user would type them back.
int FailMissingResource(const std::string& file, const std::string& typeText,
                        const std::string& nameText);

// Loads the resource of type that FILE NAME name: the name parsed, the module enumerated into
// catalog, the bytes found. false after the message was printed (what names the resource in it,
// e.g. "keinen Dialog"); status is then the exit code.
[[nodiscard]] bool LoadNamedResource(const std::string& file, const std::string& nameText,
                                     uint16_t type, const char* what, CResourceCatalog& catalog,
                                     CResourceId& name, CByteView& bytes, int& status);

}  // namespace tv::cli

// Registers a command from a .cpp file: TV_CLI_COMMAND(headers, "[--full] FILE", "...", &Run);
#define TV_CLI_COMMAND(id, usage, synopsis, function)             \
    static const ::tv::cli::CommandRegistrar s_register_##id {    \
        ::tv::cli::CommandInfo { #id, usage, synopsis, function } \
    }
