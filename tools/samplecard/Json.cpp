#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace samplecard {

void JsonWriter::BeforeValue()
{
    if (m_needComma)
        m_text += ",";
    m_needComma = true;
}

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    m_text += "{";
    m_needComma = false;
    ++m_depth;
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_text += "}";
    m_needComma = true;
    if (--m_depth == 0)
        m_text += "\n";
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    m_text += "[";
    m_needComma = false;
    ++m_depth;
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_text += "]";
    m_needComma = true;
    --m_depth;
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key)
{
    String(key);
    m_text += ":";
    m_needComma = false;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value)
{
    BeforeValue();
    m_text += "\"";
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_text += '\\';
            m_text += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            m_text += escaped;
        } else {
            m_text += c;
        }
    }
    m_text += "\"";
    return *this;
}

JsonWriter& JsonWriter::Number(double value)
{
    if (!std::isfinite(value))
        return Null();
    BeforeValue();
    // The shortest of 15 or 17 significant digits that reads back as the same double.
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    if (std::strtod(text, nullptr) != value)
        std::snprintf(text, sizeof text, "%.17g", value);
    m_text += text;
    return *this;
}

JsonWriter& JsonWriter::Integer(int64_t value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    m_text += "null";
    return *this;
}

JsonWriter& JsonWriter::Raw(const std::string& json)
{
    BeforeValue();
    std::string trimmed = json;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == ' '))
        trimmed.pop_back();
    m_text += trimmed;
    return *this;
}

}  // namespace samplecard
