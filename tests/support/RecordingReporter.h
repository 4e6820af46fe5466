#pragma once

#include "infra/Reporter.h"

#include <vector>

// Records what the core reports while it is alive.
class RecordingReporter final : public IReporter {
public:
    RecordingReporter() { SetReporter(this); }
    ~RecordingReporter() override { SetReporter(nullptr); }
    void Report(const ReportedMessage& message) override { messages.push_back(message); }
    std::vector<ReportedMessage> messages;
};

