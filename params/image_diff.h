#pragma once
// Which fields differ between two images, for the transfer window's compare report
// and the command-line tool's diff and compare.

#include <cstddef>
#include <string>
#include <vector>

#include "params/field_map.h"
#include "params/parameter_image.h"

struct FieldDifference {
  const ImageField* field;
  std::string ours;    // the value in the first image, code page 1250
  std::string theirs;  // in the second
};

struct ImageDifference {
  std::vector<FieldDifference> fields;
  // Differing bytes that no listed field explains: outside every field, or inside a
  // field whose shown values are the same (padding after a text's end, say).
  int otherBytes = 0;
  bool Empty() const { return fields.empty() && otherBytes == 0; }
};

// Image byte 1023 holds nothing of the settings and is never compared.
constexpr std::size_t kLastComparedByte = kImageSize - 2;

// The differences within bytes first to last (at most kLastComparedByte). A field is
// listed when one of its differing bytes lies in that range and its shown values
// differ, so a field spanning two blocks is listed for either block.
ImageDifference CompareImages(const ImageBytes& ours, const ImageBytes& theirs, std::size_t first = 0,
                              std::size_t last = kLastComparedByte);

// One UTF-8 line a field, "<label>: <ours> ≠ <theirs>", and "Egyéb bájtok: N eltér"
// for the other bytes.
std::vector<std::string> ReportLines(const ImageDifference& difference);
