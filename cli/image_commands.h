#pragma once
// The commands on image files alone: show, diff, set and import.

#include <ostream>
#include <string>

#include "cli.h"
#include "command_line.h"
#include "params/image_diff.h"
#include "params/parameter_image.h"

// The first limit + 1 bytes of a file, so that the caller sees one too long; a usage
// error naming the file when it cannot be read.
std::string ReadInputFile(const std::string& path, std::size_t limit);
// An image file of exactly 1024 bytes; anything else is a file error (exit 2).
ImageBytes LoadExactImage(const std::string& path);
// Replaces the file atomically; a usage error naming it when that fails.
void SaveImage(const ImageBytes& image, const std::string& path);
// One line a differing field, as the transfer window reports them.
void PrintDifference(std::ostream& out, const ImageDifference& difference);

int ShowCommand(const ParsedArgs& args, CliContext& context);
int DiffCommand(const ParsedArgs& args, CliContext& context);
int SetCommand(const ParsedArgs& args, CliContext& context);
int ImportCommand(const ParsedArgs& args, CliContext& context);
