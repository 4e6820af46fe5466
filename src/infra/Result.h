#pragma once

#include <string>
#include <utility>

// The outcome of an operation that can fail: whether it worked and, when it did not, why in words a person
// can read and the system's error number (errno) when one caused it. The interface turns a failure into a
// message in one place; the command line prints Describe().
class [[nodiscard]] Result {
public:
    static Result Success() { return Result(); }
    static Result Failure(std::string reason, int error = 0) { return Result(std::move(reason), error); }

    bool Ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    // Empty after a success.
    const std::string& Reason() const { return m_reason; }
    int Error() const { return m_error; }
    // The reason, followed by the system's words for the error number when there is one.
    std::string Describe() const;

private:
    Result() = default;
    Result(std::string reason, int error) : m_ok(false), m_reason(std::move(reason)), m_error(error) {}

    bool m_ok = true;
    std::string m_reason;
    int m_error = 0;
};
