#pragma once
// sheet: the batch's sheet, one row a site filled from a template, for a spreadsheet
// program to open, fill in and save.

#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "command_line.h"
#include "params/parameter_image.h"

// The sheet: site and every key of show --json, and a row a site holding the
// template's values (UTF-8 sites).
std::string TemplateSheet(const ImageBytes& templateImage, const std::vector<std::string>& sites,
                          std::string_view lineEnd);

int SheetCommand(const ParsedArgs& args, CliContext& context);
