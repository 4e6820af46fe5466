#include "support/GroundTruth.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <variant>

namespace {

// Just enough JSON for the sidecars: objects, arrays, strings, numbers, true/false/null.
struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const
    {
        auto found = members.find(key);
        if (kind != Object || found == members.end())
            throw std::runtime_error("sidecar has no \"" + key + "\"");
        return found->second;
    }
    double AsNumber() const
    {
        if (kind != Number)
            throw std::runtime_error("sidecar value is not a number");
        return number;
    }
    const std::string& AsString() const
    {
        if (kind != String)
            throw std::runtime_error("sidecar value is not a string");
        return text;
    }
    bool AsBool() const
    {
        if (kind != Bool)
            throw std::runtime_error("sidecar value is not true or false");
        return boolean;
    }
    const std::vector<Json>& AsArray() const
    {
        if (kind != Array)
            throw std::runtime_error("sidecar value is not an array");
        return items;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : m_text(text) {}

    Json ParseDocument()
    {
        Json value = ParseValue();
        SkipSpace();
        if (m_pos != m_text.size())
            Fail("text after the end");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("sidecar is not valid JSON (" + what + " at byte " + std::to_string(m_pos) + ")");
    }
    void SkipSpace()
    {
        while (m_pos < m_text.size() && std::string(" \t\r\n").find(m_text[m_pos]) != std::string::npos)
            ++m_pos;
    }
    bool Take(char c)
    {
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void Expect(char c)
    {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }
    bool TakeWord(const char* word)
    {
        const std::string w = word;
        if (m_text.compare(m_pos, w.size(), w) != 0)
            return false;
        m_pos += w.size();
        return true;
    }

    Json ParseValue()
    {
        SkipSpace();
        if (m_pos >= m_text.size())
            Fail("unexpected end");
        Json value;
        const char c = m_text[m_pos];
        if (c == '{') {
            value.kind = Json::Object;
            ++m_pos;
            if (Take('}'))
                return value;
            do {
                SkipSpace();
                const std::string key = ParseString();
                Expect(':');
                value.members[key] = ParseValue();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            value.kind = Json::Array;
            ++m_pos;
            if (Take(']'))
                return value;
            do
                value.items.push_back(ParseValue());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.kind = Json::String;
            value.text = ParseString();
        } else if (TakeWord("true") || TakeWord("false")) {
            value.kind = Json::Bool;
            value.boolean = c == 't';
        } else if (TakeWord("null")) {
            value.kind = Json::Null;
        } else {
            const char* begin = m_text.c_str() + m_pos;
            char* end = nullptr;
            value.kind = Json::Number;
            value.number = std::strtod(begin, &end);
            if (end == begin)
                Fail("unexpected character");
            m_pos += static_cast<size_t>(end - begin);
        }
        return value;
    }

    std::string ParseString()
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            Fail("expected a string");
        ++m_pos;
        std::string out;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            char c = m_text[m_pos++];
            if (c == '\\' && m_pos < m_text.size()) {
                const char escaped = m_text[m_pos++];
                switch (escaped) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'u':
                    c = static_cast<char>(std::strtol(m_text.substr(m_pos, 4).c_str(), nullptr, 16));
                    m_pos += 4;
                    break;
                default: c = escaped;
                }
            }
            out.push_back(c);
        }
        if (m_pos >= m_text.size())
            Fail("unterminated string");
        ++m_pos;
        return out;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

int AsInt(const Json& value) { return static_cast<int>(value.AsNumber()); }
long long AsLong(const Json& value) { return static_cast<long long>(value.AsNumber()); }

}  // namespace

const TruthStream* GroundTruth::Stream(const std::string& id) const
{
    for (const TruthStream& stream : streams)
        if (stream.id == id)
            return &stream;
    return nullptr;
}

std::filesystem::path GroundTruthPath(const std::filesystem::path& recording)
{
    std::filesystem::path sidecar = recording;
    return sidecar.replace_extension(".json");
}

GroundTruth LoadGroundTruth(const std::filesystem::path& recording)
{
    const std::filesystem::path path = GroundTruthPath(recording);
    if (!std::filesystem::is_regular_file(path))
        throw std::runtime_error("no sidecar " + path.string());
    const std::string text = ReadFileBytes(path);
    Json root;
    try {
        root = JsonParser(text).ParseDocument();
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(path.string() + ": " + error.what());
    }

    GroundTruth truth;
    truth.file = root["file"].AsString();
    truth.variant = root["variant"].AsString();
    truth.kind = root["kind"].AsString();
    truth.start = root["start"].AsString();
    truth.seed = AsLong(root["seed"]);
    truth.seconds = AsInt(root["seconds"]);
    truth.channels = AsInt(root["channels"]);
    truth.durationSeconds = AsInt(root["durationSeconds"]);
    truth.totalFrames = AsLong(root["totalFrames"]);
    truth.impactSample = AsInt(root["impactSample"]);
    for (const Json& s : root["streams"].AsArray()) {
        TruthStream stream;
        stream.id = s["id"].AsString();
        stream.type = s["type"].AsString();
        stream.scale = AsLong(s["scale"]);
        stream.rate = AsLong(s["rate"]);
        stream.length = AsLong(s["length"]);
        stream.chunks = AsLong(s["chunks"]);
        stream.suggestedBufferSize = AsLong(s["suggestedBufferSize"]);
        stream.sampleSize = AsLong(s["sampleSize"]);
        stream.width = AsInt(s["width"]);
        stream.height = AsInt(s["height"]);
        stream.keyFrames = AsInt(s["keyFrames"]);
        stream.seconds = s["seconds"].AsNumber();
        truth.streams.push_back(stream);
    }
    for (const Json& g : root["gps"].AsArray())
        truth.gps.push_back({AsInt(g["time"]), g["latitude"].AsNumber(), g["longitude"].AsNumber(),
                             g["speed"].AsNumber(), g["valid"].AsBool(), g["sentence"].AsString()});
    for (const Json& m : root["gsensor"].AsArray())
        truth.gsensor.push_back({m["x"].AsNumber(), m["y"].AsNumber(), m["z"].AsNumber()});
    return truth;
}
