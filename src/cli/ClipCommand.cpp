// tessaro-cli clip FILE START END OUT: writes the part of a recording between two whole seconds as a
// new recording; an existing OUT is never replaced.

#include "Command.h"

#include "recording/ClipWriter.h"

#include <cstdio>

namespace {

// Whole seconds: digits only, at most a day's worth of them.
bool ParseSeconds(const std::string& text, int& seconds)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    seconds = std::stoi(text);
    return true;
}

int RunClip(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 4)
        return UsageError("clip", "needs FILE START END OUT");
    int start = 0;
    int end = 0;
    if (!ParseSeconds(arguments[1], start) || !ParseSeconds(arguments[2], end))
        return UsageError("clip", "START and END are whole seconds");
    if (Result written = WriteClip(arguments[0], start, end, arguments[3]); !written)
        return Refuse("no clip written: " + written.Describe());
    std::printf("clip of %s, seconds %d to %d, written to %s\n", arguments[0].c_str(), start, end,
                arguments[3].c_str());
    return kExitSuccess;
}

const CommandRegistration registration{{"clip", "FILE START END OUT", RunClip,
     "Writes seconds START to END of a recording, both cameras, as a new recording OUT; an existing OUT is never replaced."}};

}  // namespace
