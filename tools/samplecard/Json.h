#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// A small JSON writer for the ground-truth files: values are appended in order, commas and nesting
// are tracked, numbers keep every digit a reader needs to compare exactly.
namespace samplecard {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(double value);
    JsonWriter& Integer(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // Text that is already JSON (a nested document).
    JsonWriter& Raw(const std::string& json);

    template <typename T>
    JsonWriter& Field(const std::string& key, const T& value);

    const std::string& text() const { return m_text; }

private:
    void BeforeValue();
    std::string m_text;
    bool m_needComma = false;
    int m_depth = 0;
};

template <typename T>
JsonWriter& JsonWriter::Field(const std::string& key, const T& value)
{
    Key(key);
    if constexpr (std::is_same_v<T, bool>)
        return Bool(value);
    else if constexpr (std::is_integral_v<T>)
        return Integer(static_cast<int64_t>(value));
    else if constexpr (std::is_floating_point_v<T>)
        return Number(value);
    else
        return String(value);
}

}  // namespace samplecard
