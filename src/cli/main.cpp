#include "Command.h"

#include "infra/StringTable.h"

#include <cstdio>

namespace {

std::vector<Command>& Registry()
{
    static std::vector<Command> commands;
    return commands;
}

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "usage:\n");
    for (const Command& command : Commands())
        std::fprintf(out, "  tessaro-cli %s %s\n", command.name.c_str(), command.usage.c_str());
}

}  // namespace

const std::vector<Command>& Commands()
{
    return Registry();
}

CommandRegistration::CommandRegistration(Command command)
{
    Registry().push_back(std::move(command));
}

int Refuse(const std::string& reason)
{
    std::fprintf(stderr, "tessaro-cli: %s\n", reason.c_str());
    return kExitRefused;
}

int UsageError(const std::string& commandName, const std::string& problem)
{
    std::fprintf(stderr, "tessaro-cli %s: %s\n", commandName.c_str(), problem.c_str());
    for (const Command& command : Commands())
        if (command.name == commandName)
            std::fprintf(stderr, "usage: tessaro-cli %s %s\n", command.name.c_str(), command.usage.c_str());
    return kExitUsage;
}

int main(int argc, char** argv)
{
    SetCurrentLanguage(Language::English);
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return kExitSuccess;
    }
    for (const Command& command : Commands())
        if (command.name == name)
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "tessaro-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
