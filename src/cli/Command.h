#pragma once

#include <string>
#include <vector>

// tessaro-cli's subcommands. Each lives in its own file and registers itself with a static
// CommandRegistration, so a new subcommand is a new file.
enum ExitCode { kExitSuccess = 0, kExitRefused = 1, kExitUsage = 2 };

struct Command {
    std::string name;
    std::string usage;  // the arguments after the name, for the usage text
    int (*run)(const std::vector<std::string>& arguments);
    std::string summary;  // what it does, for --help and the manual page
};

const std::vector<Command>& Commands();

struct CommandRegistration {
    explicit CommandRegistration(Command command);
};

// Writes "tessaro-cli: <reason>" to standard error and returns kExitRefused.
int Refuse(const std::string& reason);
// Writes the usage of one command to standard error and returns kExitUsage.
int UsageError(const std::string& commandName, const std::string& problem);
