#include "json.h"

#include <cstdio>
#include <set>

#include "params/cp1250.h"
#include "serial/lenient_number.h"

namespace {

constexpr int kMaxDepth = 32;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {
    if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) pos_ = kByteOrderMark.size();
  }

  JsonValue Document() {
    JsonValue value = Value(0);
    SkipSpace();
    if (pos_ != text_.size()) Fail("the text goes on after the JSON value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t k = 0; k < pos_ && k < text_.size(); ++k) {
      if (text_[k] == '\n') ++line, lineStart = k + 1;
    }
    throw JsonError("line " + std::to_string(line) + ", column " + std::to_string(pos_ - lineStart + 1) + ": " + what);
  }

  void SkipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
    return false;
  }

  void Expect(char c, const char* what) {
    SkipSpace();
    if (!Take(c)) Fail(what);
  }

  JsonValue Value(int depth) {
    if (depth > kMaxDepth) Fail("nested too deeply");
    SkipSpace();
    if (pos_ == text_.size()) Fail("a value was expected");
    JsonValue value;
    const char c = text_[pos_];
    if (c == '{') {
      value.type = JsonValue::Type::Object;
      Members(value, depth);
    } else if (c == '[') {
      value.type = JsonValue::Type::Array;
      Items(value, depth);
    } else if (c == '"') {
      value.type = JsonValue::Type::String;
      value.text = String();
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      value.type = JsonValue::Type::Number;
      value.text = Number();
    } else if (Word("true") || Word("false")) {
      value.type = JsonValue::Type::Bool;
      value.text = c == 't' ? "true" : "false";
    } else if (!Word("null")) {
      Fail("a value was expected");
    }
    return value;
  }

  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  void Members(JsonValue& object, int depth) {
    ++pos_;
    SkipSpace();
    if (Take('}')) return;
    std::set<std::string> keys;
    do {
      SkipSpace();
      if (pos_ == text_.size() || text_[pos_] != '"') Fail("a key in double quotes was expected");
      const std::size_t keyPos = pos_;
      std::string key = String();
      if (!keys.insert(key).second) {
        pos_ = keyPos;
        Fail("the key " + JsonString(key) + " is given twice");
      }
      Expect(':', "a colon was expected after the key");
      object.members.push_back({std::move(key), Value(depth + 1)});
      SkipSpace();
    } while (Take(','));
    if (!Take('}')) Fail("a comma or } was expected");
  }

  void Items(JsonValue& array, int depth) {
    ++pos_;
    SkipSpace();
    if (Take(']')) return;
    do {
      array.items.push_back(Value(depth + 1));
      SkipSpace();
    } while (Take(','));
    if (!Take(']')) Fail("a comma or ] was expected");
  }

  std::string Number() {
    const std::size_t start = pos_;
    auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      if (pos_ == from) Fail("a digit was expected");
      return pos_ - from;
    };
    Take('-');
    const std::size_t intStart = pos_;
    if (digits() > 1 && text_[intStart] == '0') {
      pos_ = intStart;
      Fail("a number does not start with 0");
    }
    if (Take('.')) digits();
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      digits();
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  unsigned Hex4() {
    unsigned value = 0;
    for (int k = 0; k < 4; ++k, ++pos_) {
      const char c = pos_ < text_.size() ? text_[pos_] : '\0';
      const int digit = HexDigitValue(c);
      if (digit < 0) Fail("\\u wants four hexadecimal digits");
      value = value << 4 | static_cast<unsigned>(digit);
    }
    return value;
  }

  char32_t Escaped() {
    if (pos_ == text_.size()) Fail("the string is not closed");
    switch (text_[pos_++]) {
      case '"': return U'"';
      case '\\': return U'\\';
      case '/': return U'/';
      case 'b': return U'\b';
      case 'f': return U'\f';
      case 'n': return U'\n';
      case 'r': return U'\r';
      case 't': return U'\t';
      case 'u': break;
      default: --pos_, Fail("an unknown escape");
    }
    const unsigned unit = Hex4();
    if (unit >= 0xDC00 && unit <= 0xDFFF) Fail("a lone low surrogate");
    if (unit < 0xD800 || unit > 0xDBFF) return unit;
    if (!Word("\\u")) Fail("a high surrogate without its low one");
    const unsigned low = Hex4();
    if (low < 0xDC00 || low > 0xDFFF) Fail("a high surrogate without its low one");
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
  }

  std::string String() {
    ++pos_;
    std::string raw, out;
    for (;;) {
      if (pos_ == text_.size()) Fail("the string is not closed");
      const char c = text_[pos_];
      if (c == '"' || c == '\\') {
        if (!Utf8ToUnicode(raw)) Fail("the string is not valid UTF-8");
        out += raw;
        raw.clear();
        ++pos_;
        if (c == '"') return out;
        AppendUtf8(out, Escaped());
      } else if (static_cast<unsigned char>(c) < 0x20) {
        Fail("a control character inside a string (write it as \\n, \\t or \\u00XX)");
      } else {
        raw += c;
        ++pos_;
      }
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

const JsonValue* JsonValue::Find(const std::string& key) const {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

const char* JsonTypeName(JsonValue::Type type) {
  switch (type) {
    case JsonValue::Type::Null: return "null";
    case JsonValue::Type::Bool: return "true or false";
    case JsonValue::Type::Number: return "a number";
    case JsonValue::Type::String: return "a string";
    case JsonValue::Type::Array: return "an array";
    case JsonValue::Type::Object: return "an object";
  }
  return "";
}

JsonValue ParseJson(std::string_view text) { return Parser(text).Document(); }
