#include "json.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

namespace {

// Deeper than a record line or a settings file ever is: a file that nests further is
// not one of ours, and is refused before it costs much memory.
constexpr int kMaxDepth = 32;

// The text as the parser reads it, keeping count of how far it has read, so that what
// the parser's callback refuses can be said with its place.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, std::size_t* read) : at_(at), read_(read) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    ++at_;
    ++*read_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

 private:
  const char* at_;
  std::size_t* read_;
};

// "line 2, column 7: " for the byte at offset.
std::string Where(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
  return "line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) + ", column " +
         std::to_string(offset - lineStart + 1) + ": ";
}

// nlohmann-json's "[json.exception.parse_error.101] parse error at line 1, column 9: syntax
// error while parsing object key - unexpected '}'; expected string literal", or its
// "[json.exception.out_of_range.406] number overflow parsing '1e999'", without its
// name, without the place (ours counts the same way, for the messages of both) and
// without the bytes it last read, which may be anything.
std::string Reason(std::string what) {
  if (const std::size_t name = what.find("] "); name != std::string::npos) what.erase(0, name + 2);
  if (what.starts_with("parse error")) what.erase(0, what.find(": ") + 2);
  if (const std::size_t dash = what.find(" - "); what.starts_with("syntax error") && dash != std::string::npos) {
    what.erase(0, dash + 3);
  }
  if (const std::size_t read = what.find("; last read: '"); read != std::string::npos) {
    const std::size_t expected = what.find("'; expected", read);
    what.erase(read, expected == std::string::npos ? std::string::npos : expected + 1 - read);
  }
  return what;
}

std::string Dumped(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string OneLine(const Json& value) {
  if (!value.is_structured()) return Dumped(value);
  std::string text;
  for (auto it = value.begin(); it != value.end(); ++it) {
    text += text.empty() ? "" : ", ";
    if (value.is_object()) text += Dumped(it.key()) + ": ";
    text += OneLine(*it);
  }
  return value.is_object() ? "{" + text + "}" : "[" + text + "]";
}

void Lay(std::string& out, const Json& value, const std::string& indent) {
  if (!value.is_structured() || value.empty()) {
    out += Dumped(value);
    return;
  }
  out += value.is_object() ? "{\n" : "[\n";
  const std::string inner = indent + "  ";
  for (auto it = value.begin(); it != value.end(); ++it) {
    out += (it == value.begin() ? "" : ",\n") + inner;
    if (value.is_object()) {
      out += Dumped(it.key()) + ": ";
      Lay(out, *it, inner);
    } else if (it->is_object()) {
      out += OneLine(*it);
    } else {
      Lay(out, *it, inner);
    }
  }
  out += "\n" + indent + (value.is_object() ? "}" : "]");
}

}  // namespace

Json ParseJson(std::string_view text) {
  std::size_t read = 0;
  std::vector<std::set<std::string>> keys;  // of each object open
  const auto check = [&](int depth, Json::parse_event_t event, Json& parsed) {
    using Event = Json::parse_event_t;
    if ((event == Event::object_start || event == Event::array_start) && depth > kMaxDepth) {
      throw JsonError(Where(text, read - 1) + "nested too deeply");
    }
    if (event == Event::object_start) keys.emplace_back();
    if (event == Event::object_end) keys.pop_back();
    // Read up to the key's closing quote.
    if (event == Event::key && !keys.back().insert(parsed.get<std::string>()).second) {
      throw JsonError(Where(text, read - 1) + "the key " + Dumped(parsed) + " is given twice");
    }
    return true;
  };
  try {
    return Json::parse(CountingIterator(text.data(), &read), CountingIterator(text.data() + text.size(), &read), check);
  } catch (const Json::parse_error& error) {
    throw JsonError(Where(text, error.byte == 0 ? 0 : error.byte - 1) + Reason(error.what()));
  } catch (const Json::exception& error) {
    // A number too large for a double: the parser stands just after it.
    throw JsonError(Where(text, read - 1) + Reason(error.what()));
  }
}

std::string JsonString(const std::string& utf8) { return Dumped(Json(utf8)); }

std::string JsonLayout(const Json& value) {
  std::string text;
  Lay(text, value, "");
  return text;
}

std::string ScalarText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.is_number() || value.is_boolean() ? Dumped(value) : "";
}

const char* JsonTypeName(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "true or false";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "a number";
    case Json::value_t::string: return "a string";
    case Json::value_t::array: return "an array";
    case Json::value_t::object: return "an object";
    case Json::value_t::binary:
    case Json::value_t::discarded: break;
  }
  return "no JSON value";
}
