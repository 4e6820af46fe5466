#include "support/SampleCard.h"

#include <gtest/gtest.h>

#include <stdexcept>

ProgramRun RunProgram(const std::vector<std::string>& argv)
{
    return RunProcess(argv);
}

ProgramRun RunSampleCard(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{TESSARO_SAMPLECARD};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

std::string MakeRecording(const std::filesystem::path& dir, const std::vector<std::string>& args,
                          const std::string& fileName)
{
    const std::string path = (dir / fileName).string();
    std::vector<std::string> command{"recording", path};
    command.insert(command.end(), args.begin(), args.end());
    const ProgramRun run = RunSampleCard(command);
    if (!run.started || run.exitCode != 0) {
        const std::string message = "tessaro-samplecard could not make " + path + ": " +
                                    (run.started ? run.err : std::string("it did not start"));
        ADD_FAILURE() << message;
        throw std::runtime_error(message);
    }
    return path;
}
