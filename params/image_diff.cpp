#include "params/image_diff.h"

#include <algorithm>

#include "params/cp1250.h"

namespace {

constexpr char kNotEqual[] = " \u2260 ";
constexpr char kOtherBytesText[] =
    "Egy\u00E9"
    "b b\u00E1jtok: ";
constexpr char kDifferText[] = " elt\u00E9r";

bool DiffersWithin(const ImageBytes& a, const ImageBytes& b, std::size_t from, std::size_t to) {
  for (std::size_t k = from; k <= to; ++k) {
    if (a[k] != b[k]) return true;
  }
  return false;
}

}  // namespace

ImageDifference CompareImages(const ImageBytes& ours, const ImageBytes& theirs, std::size_t first, std::size_t last) {
  last = std::min(last, kLastComparedByte);
  ImageDifference difference;
  std::vector<bool> explained(kImageSize, false);
  for (const ImageField& field : ImageFields()) {
    const std::size_t from = std::max(first, field.offset);
    const std::size_t to = std::min(last, field.offset + field.size - 1);
    if (from > to || !DiffersWithin(ours, theirs, from, to)) continue;
    std::string a = FieldValue(ours, field);
    std::string b = FieldValue(theirs, field);
    if (a == b) continue;
    difference.fields.push_back({&field, std::move(a), std::move(b)});
    std::fill(explained.begin() + static_cast<std::ptrdiff_t>(from),
              explained.begin() + static_cast<std::ptrdiff_t>(to + 1), true);
  }
  for (std::size_t k = first; k <= last; ++k) difference.otherBytes += ours[k] != theirs[k] && !explained[k];
  return difference;
}

std::vector<std::string> ReportLines(const ImageDifference& difference) {
  std::vector<std::string> lines;
  for (const FieldDifference& d : difference.fields) {
    lines.push_back(Cp1250ToUtf8(d.field->label) + ": " + Cp1250ToShownUtf8(d.ours) + kNotEqual +
                    Cp1250ToShownUtf8(d.theirs));
  }
  if (difference.otherBytes > 0) lines.push_back(kOtherBytesText + std::to_string(difference.otherBytes) + kDifferText);
  return lines;
}
