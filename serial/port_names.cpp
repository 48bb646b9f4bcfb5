#include "port_names.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "lenient_number.h"
#include "network_ports.h"

namespace {

// A whole text read as a 32-bit integer, in the forms the port name accepts;
// false for anything else.
bool ReadWholeInt(const std::string& text, std::int32_t& value) {
  const LenientNumber number = ReadLenientNumber(text, true);
  // Hexadecimal forms may spell a negative number in its 32 bits.
  const std::int64_t limit = number.hex ? 0xFFFFFFFFLL : 0x7FFFFFFFLL + (number.negative ? 1 : 0);
  if (!number.digits || !number.whole || number.magnitude > limit) return false;
  std::int64_t result = number.negative ? -number.magnitude : number.magnitude;
  if (number.hex) result = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
  value = static_cast<std::int32_t>(result);
  return true;
}

}  // namespace

std::string PortDescription(const std::string& comName) {
  if (const std::optional<std::string> address = NetworkAddressOf(comName)) return *address;
  const std::string device = PortDevicePath(comName);
  const std::string stable = PortStableName(comName);
  return stable.empty() ? device : device + " (" + stable + ")";
}

std::string ComName(int number) { return "COM" + std::to_string(number); }

int PortNumber(const std::string& comName) { return std::stoi(NormalizePortName(comName).substr(3)); }

std::string NormalizePortName(const std::string& text) {
  std::string rest = text;
  if (rest.size() >= 3 && std::toupper(static_cast<unsigned char>(rest[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(rest[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(rest[2])) == 'M') {
    rest.erase(0, 3);
  }
  std::int32_t number = kFirstComNumber;
  if (!ReadWholeInt(rest, number) || number < kFirstComNumber || number > kLastComNumber) number = kFirstComNumber;
  return ComName(number);
}

bool IsComName(const std::string& text) {
  const std::string name = NormalizePortName(text);
  return name.size() == text.size() && std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
           return a == std::toupper(static_cast<unsigned char>(b));
         });
}
