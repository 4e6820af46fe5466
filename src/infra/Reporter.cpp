#include "infra/Reporter.h"

#include "infra/StringTable.h"

#include <atomic>
#include <cstdio>

namespace {

class StandardErrorReporter final : public IReporter {
public:
    void Report(const ReportedMessage& message) override
    {
        std::fprintf(stderr, "%s\n", message.text.c_str());
    }
};

StandardErrorReporter g_defaultReporter;
std::atomic<IReporter*> g_reporter{nullptr};

}  // namespace

IReporter& GetReporter()
{
    IReporter* reporter = g_reporter.load();
    return reporter ? *reporter : g_defaultReporter;
}

void SetReporter(IReporter* reporter)
{
    g_reporter.store(reporter);
}

void ReportString(int stringId)
{
    GetReporter().Report({stringId, LoadString(stringId)});
}

void ReportString(int stringId, const std::vector<std::string>& args)
{
    GetReporter().Report({stringId, FormatString(stringId, args)});
}

void ReportText(const std::string& text)
{
    GetReporter().Report({0, text});
}
