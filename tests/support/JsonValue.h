#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A small JSON reader for the generator's ground-truth files (tools/samplecard): tests compare what
// the recording readers extract against what was written.
class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // Throws std::runtime_error with the position on malformed text.
    static JsonValue Parse(const std::string& text);
    static JsonValue ParseFile(const std::string& path);

    Kind kind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }

    // Accessors throw std::runtime_error when the value is of another kind or the member is missing.
    bool AsBool() const;
    double AsNumber() const;
    int64_t AsInt() const;
    const std::string& AsString() const;
    const std::vector<JsonValue>& AsArray() const;
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](size_t index) const;
    bool Has(const std::string& key) const;
    size_t size() const;

private:
    friend class JsonParser;
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0.0;
    std::string m_string;
    std::vector<JsonValue> m_array;
    std::map<std::string, JsonValue> m_object;
};
