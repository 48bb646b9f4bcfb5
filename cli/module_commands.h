#pragma once
// The commands that talk to a module over a port: read, write, compare, state; and the
// write that batch runs for each row.

#include <string>

#include "cli.h"
#include "cli_error.h"
#include "command_line.h"
#include "params/parameter_image.h"
#include "record.h"

// The module failed a procedure: in block (0 to 3), or in none (kNoBlock: the activation).
class ModuleFailure : public CliError {
 public:
  ModuleFailure(int block, const std::string& cause);
  int Block() const { return block_; }
  const std::string& Cause() const { return cause_; }

 private:
  int block_;
  std::string cause_;
};

// The record entry of a procedure on port (a COM name or a network name, auto already
// chosen), before it starts: the port as the port object keeps it, and what it opens.
RecordEntry ProcedureEntry(const std::string& command, const std::string& port, const std::string& imageFile);

// Writes image to the module on port and makes the module take it into use; with
// verify, reads it back and lists every field that differs on context.out. Returns
// kExitOk, or kExitModuleOrDifference when something differs; raises ModuleFailure, or
// a usage error for the port or line. Fills entry's outcome, differences and hash,
// and appends it to recorder (when there is one) however the write ends.
int WriteToModule(const std::string& port, const ImageBytes& image, bool verify, CliContext& context,
                  RecordEntry& entry, Recorder* recorder);

int ReadCommand(const ParsedArgs& args, CliContext& context);
int WriteCommand(const ParsedArgs& args, CliContext& context);
int CompareCommand(const ParsedArgs& args, CliContext& context);
int StateCommand(const ParsedArgs& args, CliContext& context);
