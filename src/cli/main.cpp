#include "Command.h"

#include "infra/StringTable.h"
#include "infra/Version.h"

#include <cstdio>
#include <sstream>

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

// The help text; the manual page is made from it, so the two say the same.
void PrintHelp()
{
    std::printf("Usage: tessaro-cli COMMAND ARGUMENTS...\n"
                "The dash camera viewer's work without a window: lists, inspects, repairs, cuts and exports\n"
                "the recordings of a card.\n\n"
                "Commands:\n");
    for (const Command& command : Commands()) {
        std::printf("  %s %s\n", command.name.c_str(), command.usage.c_str());
        // The summary wrapped at the terminal's usual width, under the command.
        std::string line = "     ";
        std::istringstream words(command.summary);
        for (std::string word; words >> word;) {
            if (line.size() + 1 + word.size() > 78) {
                std::printf("%s\n", line.c_str());
                line = "     ";
            }
            line += " " + word;
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("\n"
                "Options:\n"
                "  -h, --help     Displays this help.\n"
                "  -v, --version  Displays version information.\n"
                "\n"
                "Exit status:\n"
                "  0  Done.\n"
                "  1  Refused: a file that is not a recording, cannot be read or cannot be written; the\n"
                "     reason is on standard error and nothing was changed.\n"
                "  2  The command line was not understood; the usage is on standard error.\n"
                "\n"
                "Examples:\n"
                "  tessaro-cli scan /media/$USER/CARD --json\n"
                "      Every recording of a card, as JSON.\n"
                "  tessaro-cli clip REC_20120820_153012_F.avi 12 30 clip.avi\n"
                "      Seconds 12 to 30 of a recording, both cameras.\n"
                "  tessaro-cli export REC_20120820_153012_F.avi --kml track.kml\n"
                "      The route for a map program.\n");
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
        PrintHelp();
        return kExitSuccess;
    }
    if (name == "--version" || name == "-v") {
        std::printf("tessaro-cli %s\n", kTessaroVersionText);
        return kExitSuccess;
    }
    for (const Command& command : Commands())
        if (command.name == name)
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "tessaro-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
