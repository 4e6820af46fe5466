#pragma once

#include <string>
#include <vector>

// The core never shows a window. Where the program has something to tell the user (a scan found
// nothing, a file could not be written), the core hands the string id and its text to the reporter;
// the user interface shows it in a message box, tests record it.
struct ReportedMessage {
    int stringId = 0;  // 0 when the text has no string-table id
    std::string text;
};

class IReporter {
public:
    virtual ~IReporter() = default;
    virtual void Report(const ReportedMessage& message) = 0;
};

// The reporter in force; without one set, messages go to standard error.
IReporter& GetReporter();
// Installs a reporter (nullptr restores the default). The caller keeps ownership.
void SetReporter(IReporter* reporter);

// Reports a string-table text in the current language.
void ReportString(int stringId);
// Reports a string-table text with %1, %2, ... replaced by args.
void ReportString(int stringId, const std::vector<std::string>& args);
// Reports a text that has no string-table id.
void ReportText(const std::string& text);
