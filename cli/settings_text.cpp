#include "settings_text.h"

#include <set>

#include "cli_error.h"
#include "json.h"
#include "params/cp1250.h"
#include "params/editor_rules.h"

namespace {

constexpr char kNoCodeNote[] =
    " is stored as no code (a code with a letter A-F, or with fewer than four characters, is none)";

std::string KnownKeys() {
  std::string keys;
  for (const ImageField& field : ImageFields()) keys += (keys.empty() ? "" : " ") + field.key;
  return keys;
}

// Words as the user gave them, quoted so that they stay on one line.
std::string Quoted(const std::u32string& text) { return JsonString(UnicodeToUtf8(text)); }
std::string Quoted(const std::string& bytes) { return Quoted(TextToUnicode(bytes)); }
std::string Shown(const std::string& key, const std::u32string& value) { return key + "=" + Quoted(value); }

JsonValue::Type WantedType(const ImageField& field) {
  return field.kind == FieldKind::Marker ? JsonValue::Type::Number : JsonValue::Type::String;
}

}  // namespace

const ImageField& FieldByKey(const std::string& key) {
  for (const ImageField& field : ImageFields()) {
    if (field.key == key) return field;
  }
  UsageError(Quoted(key) + " is no key of show --json (" + KnownKeys() + ")");
}

std::string FieldText(const ImageBytes& image, const ImageField& field) {
  return Cp1250ToUtf8(FieldValue(image, field));
}

std::string FieldJson(const ImageBytes& image, const ImageField& field) {
  const std::string text = FieldText(image, field);
  return WantedType(field) == JsonValue::Type::String ? JsonString(text) : text;
}

std::string SettingsJson(const ImageBytes& image) {
  std::string json = "{\n";
  const auto& fields = ImageFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    json +=
        "  " + JsonString(fields[i].key) + ": " + FieldJson(image, fields[i]) + (i + 1 < fields.size() ? ",\n" : "\n");
  }
  return json + "}\n";
}

void ApplyValue(ImageBytes& image, const ImageField& field, const std::string& value, const std::string& where,
                std::ostream& notes) {
  const std::u32string text = TextToUnicode(value);
  try {
    if (StoreFieldText(image, field, text) == StoredAs::NoCode) {
      notes << "kelvaro-cli: " << where << Shown(field.key, text) << kNoCodeNote << '\n';
    }
  } catch (const ERefusedValue& refused) {
    std::string rule = refused.what();
    if (refused.Character()) rule += ", not " + Quoted(std::u32string(1, *refused.Character()));
    UsageError(where + Shown(field.key, text) + ": " + rule);
  }
}

void ApplyAssignments(ImageBytes& image, const std::vector<std::string>& assignments, std::ostream& notes) {
  std::set<std::string> given;
  for (const std::string& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) UsageError(Quoted(assignment) + " is not KEY=VALUE");
    const ImageField& field = FieldByKey(assignment.substr(0, equals));
    if (!given.insert(field.key).second) UsageError(field.key + " is given twice");
    ApplyValue(image, field, assignment.substr(equals + 1), "", notes);
  }
}

ImageBytes ImportSettings(std::string_view json, const ImageBytes& base, const std::string& source,
                          std::ostream& notes) {
  JsonValue settings;
  try {
    settings = ParseJson(json);
  } catch (const JsonError& error) {
    UsageError(source + "not JSON (" + error.what() + ")");
  }
  if (settings.type != JsonValue::Type::Object) {
    UsageError(source + "the settings are " + JsonTypeName(settings.type) + ", not an object");
  }
  ImageBytes image = base;
  for (const auto& [key, value] : settings.members) {
    const ImageField* field = nullptr;
    try {
      field = &FieldByKey(key);
    } catch (const CliError& error) {
      UsageError(source + error.what());
    }
    if (value.type != WantedType(*field)) {
      UsageError(source + key + " wants " + JsonTypeName(WantedType(*field)) + ", not " + JsonTypeName(value.type));
    }
    // What show --json gives for the base keeps the base's bytes, garbage and all.
    if (value.text == FieldText(base, *field)) continue;
    ApplyValue(image, *field, value.text, source, notes);
  }
  return image;
}
