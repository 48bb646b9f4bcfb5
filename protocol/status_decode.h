#pragma once
// Status lines "[abcd,s,k]" and message lines "<text>" from the module.

#include <cstdint>
#include <optional>
#include <string>

struct Rgb {
  std::uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kBlue{0, 0, 255};

struct StatusItem {
  std::string text;  // code page 1250
  Rgb colour;
  friend bool operator==(const StatusItem&, const StatusItem&) = default;
};

struct ModuleStatus {
  StatusItem in1, in2, wiredLine, callState;
  int signal = 0;  // may be negative or above 31; the bar clamps it
  friend bool operator==(const ModuleStatus&, const ModuleStatus&) = default;
};

// The state window implements it.
class StatusDisplay {
 public:
  virtual ~StatusDisplay() = default;
  virtual void ShowStatus(const ModuleStatus& status) = 0;
  virtual void AddMessage(const std::string& text) = 0;
};

std::optional<ModuleStatus> DecodeStatusLine(const std::string& line);
std::optional<std::string> DecodeMessageLine(const std::string& line);

// The dispatcher's status-line and message-line handlers; null display drops.
void HandleStatusLine(const std::string& line, StatusDisplay* display);
void HandleMessageLine(const std::string& line, StatusDisplay* display);

// The state window's names for the items, code page 1250; the command-line tool
// prints the same.
inline constexpr char kWiredLineLabel[] = "Vezet\xE9kes vonal";
inline constexpr char kIn1Label[] = "IN1";
inline constexpr char kIn2Label[] = "IN2";
inline constexpr char kCallStateLabel[] = "GSM vonal st\xE1tusz";
inline constexpr char kSignalLabel[] = "GSM t\xE9rer\xF5 (0-31):";

// A status as the state window words it, on one line in code page 1250: each item
// after its name, the signal after its label:
// "Vezetékes vonal: Vonal rendben | IN1: Nyitva | IN2: Rövidzár | GSM vonal státusz:
// Kimenő hívás folyamatban | GSM térerő (0-31): 23"
std::string StatusText(const ModuleStatus& status);
