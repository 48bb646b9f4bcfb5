#pragma once
// The commands on image files alone: show and diff.

#include <ostream>
#include <string>

#include "cli.h"
#include "command_line.h"
#include "params/image_diff.h"
#include "params/parameter_image.h"

// An image file of exactly 1024 bytes; anything else is a file error (exit 2).
ImageBytes LoadExactImage(const std::string& path);
// One line a differing field, as the transfer window reports them.
void PrintDifference(std::ostream& out, const ImageDifference& difference);

int ShowCommand(const ParsedArgs& args, CliContext& context);
int DiffCommand(const ParsedArgs& args, CliContext& context);
