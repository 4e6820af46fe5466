#pragma once

#include <nlohmann/json.hpp>

#include <string>

// The command-line tool's JSON: members in the order they are added.
using Json = nlohmann::ordered_json;

// One line of JSON. Paths and names come from the file system, which does not promise UTF-8: bytes that
// are not valid UTF-8 are written as U+FFFD, so the output always parses. Numbers that are not finite
// are written as null.
inline std::string JsonLine(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}
