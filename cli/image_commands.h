#pragma once
// The commands on image files alone: show, diff, set and import.

#include <ostream>
#include <string>

#include "cli.h"
#include "command_line.h"
#include "params/image_diff.h"

// One line a differing field, as the transfer window reports them.
void PrintDifference(std::ostream& out, const ImageDifference& difference);

int ShowCommand(const ParsedArgs& args, CliContext& context);
int DiffCommand(const ParsedArgs& args, CliContext& context);
int SetCommand(const ParsedArgs& args, CliContext& context);
int ImportCommand(const ParsedArgs& args, CliContext& context);
