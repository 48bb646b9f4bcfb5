#pragma once
// Every option of kelvaro-cli, declared once: the command table (cli.cpp) lists them
// for each command, which makes its usage line, and the handlers ask for them by the
// same objects. A new option is one line here, one in the table and the handler's use.

#include "command_line.h"

inline constexpr Option kJson{.name = "--json"};
inline constexpr Option kOut{.name = "-o", .value = "OUT.HVK"};
inline constexpr Option kBase{.name = "--base", .value = "BASE.HVK"};
inline constexpr Option kSet{.name = "--set", .value = "KEY=VALUE", .repeatable = true};
inline constexpr Option kVerify{.name = "--verify"};
inline constexpr Option kRecord{.name = "--record", .value = "FILE"};
inline constexpr Option kTemplate{.name = "--template", .value = "T.HVK", .required = true};
inline constexpr Option kPort{.name = "--port", .value = "PORT", .required = true};
inline constexpr Option kSite{.name = "--site", .value = "NAME"};
inline constexpr Option kSeconds{.name = "--seconds", .value = "N"};
inline constexpr Option kSheetOut{.name = "-o", .value = "SHEET.csv"};
