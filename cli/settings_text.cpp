#include "settings_text.h"

#include <set>

#include "cli_error.h"
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

bool IsNumber(const ImageField& field) { return field.kind == FieldKind::Marker; }

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

Json FieldJson(const ImageBytes& image, const ImageField& field) {
  const std::string text = FieldText(image, field);
  return IsNumber(field) ? Json(std::stoi(text)) : Json(text);
}

std::string SettingsJson(const ImageBytes& image) {
  Json settings = Json::object();
  for (const ImageField& field : ImageFields()) settings[field.key] = FieldJson(image, field);
  return JsonLayout(settings) + "\n";
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
  Json settings;
  try {
    settings = ParseJson(json);
  } catch (const JsonError& error) {
    UsageError(source + "not JSON (" + error.what() + ")");
  }
  if (!settings.is_object()) UsageError(source + "the settings are " + JsonTypeName(settings) + ", not an object");
  ImageBytes image = base;
  for (const auto& [key, value] : settings.items()) {
    const ImageField* field = nullptr;
    try {
      field = &FieldByKey(key);
    } catch (const CliError& error) {
      UsageError(source + error.what());
    }
    // Of the kind show --json gives.
    if (const Json shown = FieldJson(base, *field); std::string(JsonTypeName(value)) != JsonTypeName(shown)) {
      UsageError(source + key + " wants " + JsonTypeName(shown) + ", not " + JsonTypeName(value));
    }
    // What show --json gives for the base keeps the base's bytes, garbage and all.
    const std::string text = ScalarText(value);
    if (text == FieldText(base, *field)) continue;
    ApplyValue(image, *field, text, source, notes);
  }
  return image;
}
