#include "port_commands.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "cli_error.h"
#include "options.h"
#include "params/cp1250.h"
#include "serial/network_name.h"
#include "serial/network_ports.h"
#include "serial/port_names.h"

namespace {

// A core text (code page 1250) for JSON: UTF-8, and null when empty, as the record has it.
Json Text(const std::string& cp1250) { return cp1250.empty() ? Json(nullptr) : Json(Cp1250ToUtf8(cp1250)); }

const char* StateName(PortState state) {
  switch (state) {
    case PortState::Free: return "free";
    case PortState::InUse: return "inUse";
    case PortState::OpenHere: return "openHere";
    case PortState::CannotOpen: return "cannotOpen";
    case PortState::NotChecked: break;
  }
  return "notChecked";
}

const char* OutcomeName(FindOutcome outcome) {
  switch (outcome) {
    case FindOutcome::Answered: return "answered";
    case FindOutcome::NoAnswer: return "noAnswer";
    case FindOutcome::InUse: return "inUse";
    case FindOutcome::CannotOpen: break;
  }
  return "cannotOpen";
}

Json AvailabilityJson(const PortAvailability& availability) {
  return {{"state", StateName(availability.state)},
          {"holder", Text(availability.holder)},
          {"reason", Text(availability.reason)},
          {"errorCode", availability.errorCode}};
}

Json StatusJson(const ModuleStatus& status) {
  return {{"wiredLine", Text(status.wiredLine.text)},
          {"in1", Text(status.in1.text)},
          {"in2", Text(status.in2.text)},
          {"callState", Text(status.callState.text)},
          {"signal", status.signal}};
}

// A JSON array laid out as show --json lays one out, an object a line.
void PrintJson(std::ostream& out, const Json& array) { out << JsonLayout(array) << '\n'; }

// A port name or network address the core refuses is a usage error, with its reason.
template <class Action>
void RefusedNamesAsUsageErrors(Action action) {
  try {
    action();
  } catch (const EPortName& error) {
    UsageError(error.what());
  }
}

void CheckName(const std::string& port, bool withAuto) {
  if (IsNetworkName(port)) {
    RefusedNamesAsUsageErrors([&] { ParseNetworkName(port); });
  } else if (!IsComName(port) && !(withAuto && IsAutoPort(port))) {
    UsageError(PortRule(withAuto) + ", not \"" + port + "\" (kelvaro-cli ports lists them)");
  }
}

}  // namespace

bool IsAutoPort(const std::string& port) {
  return std::equal(port.begin(), port.end(), kAutoPort, kAutoPort + sizeof kAutoPort - 1,
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string PortRule(bool withAuto) {
  const std::string com = "PORT is a COM name (" + ComName(kFirstComNumber) + " to " + ComName(kLastComNumber) + ")";
  const std::string network = std::string("a network port ") + kNetworkScheme + "HOST:PORT";
  return withAuto ? com + ", " + network + ", or " + kAutoPort : com + " or " + network;
}

void CheckComName(const std::string& port) { CheckName(port, false); }

void CheckPortArgument(const std::string& port) { CheckName(port, true); }

std::string ChosenPort(const std::string& port, CliContext& context) {
  if (!IsAutoPort(port)) return port;
  std::vector<std::string> names;
  ListSerialPorts(names);
  try {
    const std::string found = TheAnsweringPort(FindModules(names, context.findWait));
    context.err << kAutoPort << ": " << found << std::endl;
    return found;
  } catch (const EModuleSearch& error) {
    UsageError(error.what());
  }
}

Json PortInfoJson(const PortInfo& info) {
  Json usb = nullptr;
  if (info.usb) {
    usb = {{"vendorId", Text(info.usb->vendorId)},
           {"productId", Text(info.usb->productId)},
           {"manufacturer", Text(info.usb->manufacturer)},
           {"product", Text(info.usb->product)},
           {"serialNumber", Text(info.usb->serialNumber)}};
  }
  return {{"name", Text(info.name)},
          {"device", Text(info.device)},
          {"stableName", Text(info.stableName)},
          {"driver", Text(info.driver)},
          {"friendlyName", Text(info.friendlyName)},
          {"hardwareId", Text(info.hardwareId)},
          {"usb", usb},
          {"availability", AvailabilityJson(info.availability)},
          {"description", Text(PortDescription(info))}};
}

Json FindingJson(const PortFinding& finding) {
  return {{"port", Text(finding.port)},
          {"outcome", OutcomeName(finding.outcome)},
          {"status", finding.status ? StatusJson(*finding.status) : Json(nullptr)},
          {"heard", Text(finding.heard)},
          {"availability", AvailabilityJson(finding.availability)},
          {"text", Text(FindingText(finding))}};
}

int PortsCommand(const ParsedArgs& args, CliContext& context) {
  std::vector<std::string> names;
  ListSerialPorts(names);
  Json array = Json::array();
  for (const std::string& name : names) {
    const PortInfo info = DescribePort(name);
    if (args.Has(kJson)) {
      array.push_back(PortInfoJson(info));
    } else {
      context.out << name << ' ' << Cp1250ToShownUtf8(PortDescription(info)) << '\n';
    }
  }
  if (args.Has(kJson)) PrintJson(context.out, array);
  return kExitOk;
}

int PortsAddCommand(const ParsedArgs& args, CliContext&) {
  RefusedNamesAsUsageErrors([&] { AddNetworkPort(args.positional[0], args.positional[1]); });
  return kExitOk;
}

int PortsRemoveCommand(const ParsedArgs& args, CliContext&) {
  RefusedNamesAsUsageErrors([&] { RemoveNetworkPort(args.positional[0]); });
  return kExitOk;
}

// Exit status 0 when a module answered, 1 when none did.
int FindCommand(const ParsedArgs& args, CliContext& context) {
  // Every name checked before any port is opened.
  for (const std::string& port : args.positional) CheckComName(port);
  std::vector<std::string> names = args.positional;
  if (names.empty()) ListSerialPorts(names);
  const std::vector<PortFinding> findings = FindModules(names, context.findWait);
  Json array = Json::array();
  for (const PortFinding& finding : findings) {
    if (args.Has(kJson)) {
      array.push_back(FindingJson(finding));
    } else {
      context.out << finding.port << ' ' << Cp1250ToShownUtf8(FindingText(finding)) << '\n';
    }
  }
  if (args.Has(kJson)) PrintJson(context.out, array);
  if (findings.empty()) {
    throw CliError(kExitModuleOrDifference, EModuleSearch(EModuleSearch::Kind::NoneAnswered, {}).what());
  }
  const bool answered = std::any_of(findings.begin(), findings.end(),
                                    [](const PortFinding& f) { return f.outcome == FindOutcome::Answered; });
  return answered ? kExitOk : kExitModuleOrDifference;
}
