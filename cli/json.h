#pragma once
// The little JSON the command-line tool writes (UTF-8 strings, quoted and escaped) and
// reads back: settings files and record lines.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

std::string JsonString(const std::string& utf8);

struct JsonMember;

struct JsonValue {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  std::string text;  // a string's UTF-8, a number as written, "true" or "false"
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // an object's, in their order

  // An object's member, or nullptr.
  const JsonValue* Find(const std::string& key) const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

// "a string", "an object", ...: for messages.
const char* JsonTypeName(JsonValue::Type type);

// Not JSON; what() says where: "line 2, column 7: a value was expected".
class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One whole JSON text, UTF-8 with or without a byte order mark. An object that names a
// key twice is refused, and so is nesting deeper than a record line ever needs.
JsonValue ParseJson(std::string_view text);
