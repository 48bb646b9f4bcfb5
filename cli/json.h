#pragma once
// JSON for the command line, from nlohmann-json: settings files and record lines.
// Objects keep their members in the order given (show --json's fields, the record's
// keys). What ours adds: where a text is not JSON, said as line and column; a key
// given twice, and nesting deeper than any of our files, refused; our files' layout.

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

using Json = nlohmann::ordered_json;

// Not JSON; what() says where: "line 2, column 7: unexpected '}'; expected string literal".
class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One whole JSON text, UTF-8 with or without a byte order mark.
Json ParseJson(std::string_view text);

// A text as a JSON string, quoted and escaped: messages quote what the user gave so.
std::string JsonString(const std::string& utf8);
// As show --json and diff --json lay it out: an object's members and an array's items
// one a line, indented by two, except that an object inside an array stays on one
// line, {"key": value, ...}.
std::string JsonLayout(const Json& value);
// A string's text, or a number or true or false as JSON writes it; "" for anything else.
std::string ScalarText(const Json& value);
// "a string", "a number", ...: for messages.
const char* JsonTypeName(const Json& value);
