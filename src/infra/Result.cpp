#include "infra/Result.h"

#include <cstring>

std::string Result::Describe() const
{
    if (m_error == 0)
        return m_reason;
    return m_reason + ": " + std::strerror(m_error);
}
