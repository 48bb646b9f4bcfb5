#include "module_finder.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "com_port.h"
#include "network_ports.h"
#include "port_names.h"
#include "protocol/line_protocol.h"
#include "thread_sync.h"

namespace {

using Clock = std::chrono::steady_clock;

// A port that has not answered is polled once more after the poll interval, as the
// state window would: a module that missed the first poll answers the second.
constexpr int kFindPolls = 2;

// What came back is kept only as far as it tells an echo from other noise.
constexpr std::size_t kHeardKept = 64;

constexpr char kNothingHeard[] = "nothing came back";
constexpr char kEchoHeard[] = "an echo of the poll";
constexpr char kNoStatusHeard[] = "no status line came back";
constexpr char kLineWentAway[] = "the line went away";

// One port being asked.
struct Asked {
  Asked(ThreadSync& sync, std::string name) : port(sync) { finding.port = std::move(name); }

  bool Waiting() const { return port.Connected() && !finding.status; }

  PortFinding finding;
  TComPort port;
  ReplyState reply;
  LineHandlers handlers;
  std::string heard;   // the first bytes that came back
  std::string failed;  // why the line ended while asked
};

// The port as ReceiveBytes reads it, keeping the first bytes it reads.
class HeardPort : public PortLink {
 public:
  HeardPort(PortLink& port, std::string& heard) : port_(port), heard_(heard) {}
  bool Connected() const override { return port_.Connected(); }
  int WriteText(const std::string& text) override { return port_.WriteText(text); }
  int ReadBytes(std::uint8_t* buffer, int count) override {
    const int got = port_.ReadBytes(buffer, count);
    heard_.append(reinterpret_cast<const char*>(buffer), std::min<std::size_t>(got, kHeardKept - heard_.size()));
    return got;
  }

 private:
  PortLink& port_;
  std::string& heard_;
};

// A purge that fails on a line gone away leaves nothing to report; the device is
// closed with the port object.
void Close(TCustomComPort& port) {
  try {
    port.SetConnected(false);
  } catch (const EComPort&) {
  }
}

void Open(Asked& asked) {
  asked.handlers.statusLine = [&asked](const std::string& line) {
    if (!asked.finding.status) asked.finding.status = DecodeStatusLine(line);
  };
  asked.port.OnRxChar = [&asked](TCustomComPort& sender, int count) {
    HeardPort port(sender, asked.heard);
    ReceiveBytes(port, count, asked.reply, asked.handlers);
  };
  asked.port.OnLineLost = [&asked](TCustomComPort& sender) {
    asked.failed = kLineWentAway;
    Close(sender);
  };
  asked.port.SetPort(asked.finding.port);
  try {
    asked.port.SetConnected(true);
  } catch (const EComPort& error) {
    // A network port's failure is no busy device: its message says what failed.
    asked.finding.availability = NetworkAddressOf(asked.finding.port)
                                     ? PortAvailability{PortState::CannotOpen, "", error.what(), error.PlatformCode()}
                                     : UnavailableBecause(asked.finding.port, error.PlatformCode());
  }
}

// The name a port is asked and reported under: a COM name normalized, a network name
// in its canonical form; empty for a network name that is none.
std::string AskedName(const std::string& name, std::string& why) {
  if (IsComName(name)) return NormalizePortName(name);
  if (!IsNetworkName(name)) return name;
  try {
    return CanonicalNetworkName(name);
  } catch (const EPortName& error) {
    why = error.what();
    return "";
  }
}

void Poll(Asked& asked) {
  if (!asked.Waiting()) return;
  try {
    SendCommand(asked.port, kPollCommand);
  } catch (const EComPort& error) {
    asked.failed = error.what();
    Close(asked.port);
  }
}

std::string WhatWasHeard(const Asked& asked) {
  if (!asked.failed.empty()) return asked.failed;
  if (asked.heard.empty()) return kNothingHeard;
  const bool echo = asked.heard.find_first_not_of("?\r\n") == std::string::npos;
  return echo ? kEchoHeard : kNoStatusHeard;
}

void Conclude(Asked& asked) {
  PortFinding& finding = asked.finding;
  if (finding.status) {
    finding.outcome = FindOutcome::Answered;
  } else if (finding.availability.state == PortState::InUse) {
    finding.outcome = FindOutcome::InUse;
  } else if (finding.availability.state == PortState::CannotOpen) {
    finding.outcome = FindOutcome::CannotOpen;
  } else {
    finding.outcome = FindOutcome::NoAnswer;
    finding.heard = WhatWasHeard(asked);
  }
}

std::string JoinedNames(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  }
  return text;
}

std::string SearchMessage(EModuleSearch::Kind kind, const std::vector<std::string>& ports) {
  if (kind == EModuleSearch::Kind::SeveralAnswered) {
    return "modules answered on " + JoinedNames(ports) + "; name the port of the one meant";
  }
  return ports.empty() ? "no module answered: there are no ports to ask"
                       : "no module answered on " + JoinedNames(ports);
}

}  // namespace

std::vector<PortFinding> FindModules(const std::vector<std::string>& names, std::chrono::milliseconds answerWait) {
  ThreadSync sync;  // before the ports: closing them serves hand-offs
  std::vector<std::unique_ptr<Asked>> asked;
  for (const std::string& name : names) {
    std::string why;
    const std::string canonical = AskedName(name, why);
    const std::string port = canonical.empty() ? name : canonical;
    if (std::any_of(asked.begin(), asked.end(), [&](const auto& a) { return a->finding.port == port; })) continue;
    asked.push_back(std::make_unique<Asked>(sync, port));
    if (!why.empty()) {
      asked.back()->finding.availability = {PortState::CannotOpen, "", why, 0};
    } else if (IsComName(name) || IsNetworkName(name)) {
      Open(*asked.back());
    } else {
      asked.back()->finding.availability = CheckAvailability(name);  // opens nothing
    }
  }

  // One hand-off and one pump for all: the waiting threads hand their ports' bytes over
  // here until every port has answered or gone, or the wait is over.
  const auto start = Clock::now();
  const auto end = start + answerWait;
  const auto anyWaiting = [&] {
    return std::any_of(asked.begin(), asked.end(), [](const auto& a) { return a->Waiting(); });
  };
  int polls = 0;
  while (anyWaiting() && Clock::now() < end) {
    const auto nextPoll = start + polls * kPollInterval;
    if (polls < kFindPolls && Clock::now() >= nextPoll) {
      for (const auto& a : asked) Poll(*a);
      ++polls;
      continue;
    }
    const auto until = polls < kFindPolls ? std::min(end, nextPoll) : end;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    if (sync.WaitForRequest(std::max(left, std::chrono::milliseconds(0)))) sync.Serve();
  }

  std::vector<PortFinding> findings;
  for (const auto& a : asked) {
    Close(a->port);
    Conclude(*a);
    findings.push_back(std::move(a->finding));
  }
  return findings;
}

std::string FindingText(const PortFinding& finding) {
  switch (finding.outcome) {
    case FindOutcome::Answered: return StatusText(*finding.status);
    case FindOutcome::NoAnswer: return "no answer (" + finding.heard + ")";
    case FindOutcome::InUse:
    case FindOutcome::CannotOpen: break;
  }
  return AvailabilityText(finding.availability);
}

EModuleSearch::EModuleSearch(Kind kind, std::vector<std::string> ports)
    : std::runtime_error(SearchMessage(kind, ports)), kind_(kind), ports_(std::move(ports)) {}

std::string TheAnsweringPort(const std::vector<PortFinding>& findings) {
  std::vector<std::string> asked, answered;
  for (const PortFinding& finding : findings) {
    asked.push_back(finding.port);
    if (finding.outcome == FindOutcome::Answered) answered.push_back(finding.port);
  }
  if (answered.size() == 1) return answered.front();
  if (answered.empty()) throw EModuleSearch(EModuleSearch::Kind::NoneAnswered, asked);
  throw EModuleSearch(EModuleSearch::Kind::SeveralAnswered, answered);
}
