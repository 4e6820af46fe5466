#include "support/JsonValue.h"

#include "support/TempDir.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : m_text(text) {}

    JsonValue Document()
    {
        JsonValue value = Value();
        SkipSpace();
        if (m_pos != m_text.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(m_pos));
    }

    void SkipSpace()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' ||
                                         m_text[m_pos] == '\t'))
            ++m_pos;
    }

    bool Consume(const std::string& word)
    {
        if (m_text.compare(m_pos, word.size(), word) != 0)
            return false;
        m_pos += word.size();
        return true;
    }

    JsonValue Value()
    {
        SkipSpace();
        if (m_pos >= m_text.size())
            Fail("unexpected end");
        JsonValue v;
        const char c = m_text[m_pos];
        if (c == '{') {
            v.m_kind = JsonValue::Kind::Object;
            ++m_pos;
            SkipSpace();
            if (Consume("}"))
                return v;
            do {
                SkipSpace();
                const std::string key = String();
                SkipSpace();
                if (!Consume(":"))
                    Fail("expected ':'");
                v.m_object[key] = Value();
                SkipSpace();
            } while (Consume(","));
            if (!Consume("}"))
                Fail("expected '}'");
        } else if (c == '[') {
            v.m_kind = JsonValue::Kind::Array;
            ++m_pos;
            SkipSpace();
            if (Consume("]"))
                return v;
            do {
                v.m_array.push_back(Value());
                SkipSpace();
            } while (Consume(","));
            if (!Consume("]"))
                Fail("expected ']'");
        } else if (c == '"') {
            v.m_kind = JsonValue::Kind::String;
            v.m_string = String();
        } else if (Consume("true")) {
            v.m_kind = JsonValue::Kind::Bool;
            v.m_bool = true;
        } else if (Consume("false")) {
            v.m_kind = JsonValue::Kind::Bool;
        } else if (Consume("null")) {
            v.m_kind = JsonValue::Kind::Null;
        } else {
            const char* begin = m_text.c_str() + m_pos;
            char* end = nullptr;
            v.m_number = std::strtod(begin, &end);
            if (end == begin)
                Fail("unexpected character");
            v.m_kind = JsonValue::Kind::Number;
            m_pos += static_cast<size_t>(end - begin);
        }
        return v;
    }

    std::string String()
    {
        if (!Consume("\""))
            Fail("expected a string");
        std::string s;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            char c = m_text[m_pos++];
            if (c == '\\') {
                if (m_pos >= m_text.size())
                    Fail("unfinished escape");
                const char e = m_text[m_pos++];
                switch (e) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'b': c = '\b'; break;
                case 'f': c = '\f'; break;
                case 'u': {
                    if (m_pos + 4 > m_text.size())
                        Fail("short \\u escape");
                    const long code = std::strtol(m_text.substr(m_pos, 4).c_str(), nullptr, 16);
                    m_pos += 4;
                    if (code > 0x7F)
                        Fail("only ASCII escapes are supported");
                    c = static_cast<char>(code);
                    break;
                }
                default: c = e;
                }
            }
            s.push_back(c);
        }
        if (!Consume("\""))
            Fail("unfinished string");
        return s;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

JsonValue JsonValue::Parse(const std::string& text)
{
    return JsonParser(text).Document();
}

JsonValue JsonValue::ParseFile(const std::string& path)
{
    return Parse(ReadFileBytes(path));
}

namespace {
[[noreturn]] void WrongKind(const char* wanted)
{
    throw std::runtime_error(std::string("JSON value is not ") + wanted);
}
}  // namespace

bool JsonValue::AsBool() const
{
    if (m_kind != Kind::Bool)
        WrongKind("a boolean");
    return m_bool;
}

double JsonValue::AsNumber() const
{
    if (m_kind != Kind::Number)
        WrongKind("a number");
    return m_number;
}

int64_t JsonValue::AsInt() const
{
    const double n = AsNumber();
    if (n != std::floor(n))
        WrongKind("a whole number");
    return static_cast<int64_t>(n);
}

const std::string& JsonValue::AsString() const
{
    if (m_kind != Kind::String)
        WrongKind("a string");
    return m_string;
}

const std::vector<JsonValue>& JsonValue::AsArray() const
{
    if (m_kind != Kind::Array)
        WrongKind("an array");
    return m_array;
}

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    if (m_kind != Kind::Object)
        WrongKind("an object");
    const auto it = m_object.find(key);
    if (it == m_object.end())
        throw std::runtime_error("JSON object has no member \"" + key + "\"");
    return it->second;
}

const JsonValue& JsonValue::operator[](size_t index) const
{
    return AsArray().at(index);
}

bool JsonValue::Has(const std::string& key) const
{
    return m_kind == Kind::Object && m_object.count(key) != 0;
}

size_t JsonValue::size() const
{
    if (m_kind == Kind::Object)
        return m_object.size();
    return AsArray().size();
}
