#pragma once
// Settings as text: the image's fields by the keys show --json prints, read out as
// JSON and changed by KEY=VALUE, a settings file or a sheet's cells, always through
// the settings editor's own rules.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "json.h"
#include "params/field_map.h"

// The field a key names; a usage error naming the keys for any other word.
const ImageField& FieldByKey(const std::string& key);
// The value show --json prints for a field, UTF-8 before quoting: the marker as a
// number, everything else as the editor shows it.
std::string FieldText(const ImageBytes& image, const ImageField& field);
// The same as JSON: the marker a number, everything else a string.
Json FieldJson(const ImageBytes& image, const ImageField& field);
// What show --json prints: one object, a member a field, laid out a member a line.
std::string SettingsJson(const ImageBytes& image);

// Stores one value (UTF-8, or code page 1250 when not valid UTF-8) into a field by
// the editor's rules. A value the editor would refuse is a usage error, one line
// "<where>KEY="VALUE": <the rule>"; an event code stored as no code is said on notes.
void ApplyValue(ImageBytes& image, const ImageField& field, const std::string& value, const std::string& where,
                std::ostream& notes);
// KEY=VALUE words, in order; a key given twice is a usage error.
void ApplyAssignments(ImageBytes& image, const std::vector<std::string>& assignments, std::ostream& notes);
// A settings file (show --json's form) over base: a key left out, or holding what show
// --json gives for base, keeps base's bytes. Errors are usage errors that begin with
// source.
ImageBytes ImportSettings(std::string_view json, const ImageBytes& base, const std::string& source,
                          std::ostream& notes);
