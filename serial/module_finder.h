#pragma once
// Finding the module: which of the given ports has a Harnvik module answering. Every
// port is opened at once, as a connection opens it (the port object, a waiting thread
// each), sent the state poll "??" and nothing else, and heard for a status line, so
// the whole takes about the answer wait whatever the number of ports.

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "port_info.h"
#include "protocol/status_decode.h"

// How long the ports are heard for the module's status line.
inline constexpr std::chrono::milliseconds kFindAnswerWait{1000};

enum class FindOutcome {
  Answered,    // a status line came: status holds the module's state
  NoAnswer,    // silence, an echo of the poll, noise, lines that are no status line (heard says which)
  InUse,       // another program holds the port (availability.holder: who, where the system says)
  CannotOpen,  // availability.reason says why
};

struct PortFinding {
  std::string port;  // the COM name or network name asked
  FindOutcome outcome = FindOutcome::NoAnswer;
  std::optional<ModuleStatus> status{};  // Answered
  std::string heard{};                   // NoAnswer: what came back, in words ("nothing came back", ...)
  PortAvailability availability{};       // InUse, CannotOpen: as the opening found the port
};

// Asks every port in names (COM names or network names, each once, in their order) and
// hears them for answerWait at most; a port that has not answered gets a second poll
// after the poll interval. A text that is neither is "cannot be opened" and opens
// nothing. A network port's connecting comes before the wait (up to its connect time-out).
std::vector<PortFinding> FindModules(const std::vector<std::string>& names,
                                     std::chrono::milliseconds answerWait = kFindAnswerWait);

// A finding in words, code page 1250: the module's state as the state window words it,
// "no answer (nothing came back)", "in use by minicom (pid 1234)", "cannot be opened (...)".
std::string FindingText(const PortFinding& finding);

// Not exactly one module answered.
class EModuleSearch : public std::runtime_error {
 public:
  enum class Kind { NoneAnswered, SeveralAnswered };
  // ports: those asked (NoneAnswered) or those that answered (SeveralAnswered).
  EModuleSearch(Kind kind, std::vector<std::string> ports);
  Kind GetKind() const { return kind_; }
  const std::vector<std::string>& Ports() const { return ports_; }

 private:
  Kind kind_;
  std::vector<std::string> ports_;
};

// The one port where a module answered; raises EModuleSearch when none or several did.
std::string TheAnsweringPort(const std::vector<PortFinding>& findings);
