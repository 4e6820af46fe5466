#pragma once

#include "infra/Result.h"

#include <string>

// Mends a recording that the container reader refused (a power cut left it without its index).
// On success, repairedPath names the readable recording, normally the path handed in.
class IRecordingRepair {
public:
    virtual ~IRecordingRepair() = default;
    virtual Result Recover(const std::string& path, std::string& repairedPath) = 0;
};

// Repairs nothing: the broken file stays where it is and out of the list.
class RefusingRepair final : public IRecordingRepair {
public:
    Result Recover(const std::string&, std::string&) override { return Result::Failure("repairs are off"); }
};
