#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "devsupport/ChildProcess.h"

// What a program run gave: whether it started, its exit code (-1 when it did not exit normally), and its
// standard output and error.
using ProgramRun = ProcessResult;

// Runs a program found on PATH (argv[0]) without a shell and collects its output.
ProgramRun RunProgram(const std::vector<std::string>& argv);

// Runs the sample-card generator with the given arguments (after the program name).
ProgramRun RunSampleCard(const std::vector<std::string>& args);

// Writes a recording with the generator into `dir` and returns its path; `args` are the options of the
// generator's recording command (--seconds, --kind, --channels, --start, --seed). Fails the running
// test with the generator's message, and throws, when the generator fails.
std::string MakeRecording(const std::filesystem::path& dir, const std::vector<std::string>& args = {},
                          const std::string& fileName = "REC_20120820_153012_F.avi");
