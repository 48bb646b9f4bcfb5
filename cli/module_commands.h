#pragma once
// The commands that talk to a module over a port: ports, read, write, compare, state.

#include "cli.h"
#include "command_line.h"

int PortsCommand(const ParsedArgs& args, CliContext& context);
int ReadCommand(const ParsedArgs& args, CliContext& context);
int WriteCommand(const ParsedArgs& args, CliContext& context);
int CompareCommand(const ParsedArgs& args, CliContext& context);
int StateCommand(const ParsedArgs& args, CliContext& context);
