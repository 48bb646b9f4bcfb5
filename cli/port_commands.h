#pragma once
// The commands about ports rather than a module's memory: ports (what stands behind
// each COM name, and the ports configuration's network ports) and find (where a module
// answers); and the names a command takes as PORT, auto among them.

#include <string>

#include "cli.h"
#include "command_line.h"
#include "json.h"
#include "serial/module_finder.h"
#include "serial/port_info.h"

// PORT given as "auto" (in any case): the one port where a module answers, found as
// find finds it.
inline constexpr char kAutoPort[] = "auto";
bool IsAutoPort(const std::string& port);

// What PORT may be, for the help and the messages: "PORT is a COM name (COM1 to COM256),
// a network port rfc2217://HOST:PORT, or auto"; without auto where a command takes none.
std::string PortRule(bool withAuto);

// A usage error unless port is a COM name or a network name; a network name that is
// none is refused with the reason.
void CheckComName(const std::string& port);
// The same, auto also taken: what read, write, compare, state and batch take as PORT.
void CheckPortArgument(const std::string& port);
// The port a procedure runs on: port itself, or for auto the one port of the list where
// a module answers, said on standard error ("auto: COM3"). None or several: a usage
// error with the search's message, and no port opened but for the poll.
std::string ChosenPort(const std::string& port, CliContext& context);

// ports --json's and find --json's objects: the fields of a PortInfo and of a
// PortFinding, texts in UTF-8, an empty text as null.
Json PortInfoJson(const PortInfo& info);
Json FindingJson(const PortFinding& finding);

int PortsCommand(const ParsedArgs& args, CliContext& context);
int PortsAddCommand(const ParsedArgs& args, CliContext& context);
int PortsRemoveCommand(const ParsedArgs& args, CliContext& context);
int FindCommand(const ParsedArgs& args, CliContext& context);
