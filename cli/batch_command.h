#pragma once
// batch: one module a row of a sheet, each written with the template and its row's values.

#include "cli.h"
#include "command_line.h"

int BatchCommand(const ParsedArgs& args, CliContext& context);
