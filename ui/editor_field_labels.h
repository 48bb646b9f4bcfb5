#pragma once
// What a person calls each field of the settings editor: the texts of the rows'
// labels, by which assistive tools name the grids and text fields. One table for the
// whole editor, in plain C++ and code page 1250 like the field map it belongs with.

#include <array>
#include <string_view>

struct EditorFieldLabel {
  std::string_view control;  // the editor's control for the field
  std::string_view label;    // code page 1250
};

// A hex escape runs on into a following letter a-f, hence the split literals.
// clang-format off
inline constexpr std::array<EditorFieldLabel, 25> kEditorFieldLabels{{
    {"acgUSER1", "1. Felhaszn\xE1l\xF3  (#USER1)"},
    {"acgUSER2", "2. Felhaszn\xE1l\xF3  (#USER2)"},
    {"acgSMSFW1", "SMS tov\xE1" "bb\xEDt\xE1s 1.  (#SMSFW1)"},
    {"acgSMSFW2", "SMS tov\xE1" "bb\xEDt\xE1s 2.  (#SMSFW2)"},
    {"acgAUTODIAL", "Automatikus t\xE1rcs\xE1z\xE1s (#AUTO)"},
    {"acgNETPREFIX", "K\xFCls\xF5 vonal el\xE9r\xE9s\xE9hez haszn\xE1lt prefix sz\xE1m (#PREFIX)"},
    {"acgEvent1", "Esem\xE9nyk\xF3" "d 1"},
    {"acgEvent2", "Esem\xE9nyk\xF3" "d 2"},
    {"acgEvent3", "Esem\xE9nyk\xF3" "d 3"},
    {"acgEvent4", "Esem\xE9nyk\xF3" "d 4"},
    {"acgEvent5", "Esem\xE9nyk\xF3" "d 5"},
    {"acgEvent6", "Esem\xE9nyk\xF3" "d 6"},
    {"acgEvent7", "Esem\xE9nyk\xF3" "d 7"},
    {"acgEvent8", "Esem\xE9nyk\xF3" "d 8"},
    {"acgEvent9", "Esem\xE9nyk\xF3" "d 9"},
    {"edSMS1", "SMS 1"},
    {"edSMS2", "SMS 2"},
    {"edSMS3", "SMS 3"},
    {"edSMS4", "SMS 4"},
    {"edSMS5", "SMS 5"},
    {"edSMS6", "SMS 6"},
    {"edSMS7", "SMS 7"},
    {"edSMS8", "SMS 8"},
    {"edSMS9", "SMS 9"},
    {"edSMS10", "IN2 bemenet"},
}};
// clang-format on

// The label of a control of the table; empty for any other name.
constexpr std::string_view EditorFieldLabelOf(std::string_view control) {
  for (const EditorFieldLabel& field : kEditorFieldLabels)
    if (field.control == control) return field.label;
  return {};
}
