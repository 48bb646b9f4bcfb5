#include "image_commands.h"

#include <algorithm>

#include "cli_error.h"
#include "json.h"
#include "params/cp1250.h"
#include "params/file_io.h"

namespace {

constexpr char kJson[] = "--json";

// The value as JSON: the marker is a number, everything else a string.
std::string JsonValue(const ImageBytes& image, const ImageField& field) {
  const std::string value = FieldValue(image, field);
  return field.kind == FieldKind::Marker ? value : JsonString(Cp1250ToUtf8(value));
}

}  // namespace

ImageBytes LoadExactImage(const std::string& path) {
  FileStart start;
  try {
    start = ReadFileStart(path, kImageSize + 1);
  } catch (const EInOutError& error) {
    throw CliError(kExitUsage, path + ": " + error.what());
  }
  if (start.readError != 0) throw CliError(kExitUsage, path + ": " + InOutErrorMessage(start.readError));
  if (start.bytes.size() != kImageSize) {
    const std::string size = start.bytes.size() > kImageSize ? "more than 1024" : std::to_string(start.bytes.size());
    throw CliError(kExitUsage, path + ": not a parameter image (" + size + " bytes; an image is exactly 1024)");
  }
  ImageBytes image;
  std::copy(start.bytes.begin(), start.bytes.end(), image.begin());
  return image;
}

void PrintDifference(std::ostream& out, const ImageDifference& difference) {
  for (const std::string& line : ReportLines(difference)) out << line << '\n';
}

int ShowCommand(const ParsedArgs& args, CliContext& context) {
  const ImageBytes image = LoadExactImage(args.positional[0]);
  std::ostream& out = context.out;
  if (!args.Has(kJson)) {
    for (const ImageField& field : ImageFields()) {
      out << Cp1250ToUtf8(field.label) << ": " << Cp1250ToShownUtf8(FieldValue(image, field)) << '\n';
    }
    return kExitOk;
  }
  out << "{\n";
  const auto& fields = ImageFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out << "  " << JsonString(fields[i].key) << ": " << JsonValue(image, fields[i])
        << (i + 1 < fields.size() ? "," : "") << '\n';
  }
  out << "}\n";
  return kExitOk;
}

int DiffCommand(const ParsedArgs& args, CliContext& context) {
  const ImageBytes a = LoadExactImage(args.positional[0]);
  const ImageBytes b = LoadExactImage(args.positional[1]);
  const ImageDifference difference = CompareImages(a, b);
  std::ostream& out = context.out;
  if (!args.Has(kJson)) {
    PrintDifference(out, difference);
  } else {
    out << "{\n  \"differences\": [";
    for (std::size_t i = 0; i < difference.fields.size(); ++i) {
      const FieldDifference& d = difference.fields[i];
      out << (i == 0 ? "\n" : ",\n") << "    {\"key\": " << JsonString(d.field->key)
          << ", \"label\": " << JsonString(Cp1250ToUtf8(d.field->label)) << ", \"a\": " << JsonValue(a, *d.field)
          << ", \"b\": " << JsonValue(b, *d.field) << "}";
    }
    out << (difference.fields.empty() ? "" : "\n  ") << "],\n  \"otherBytes\": " << difference.otherBytes << "\n}\n";
  }
  return difference.Empty() ? kExitOk : kExitModuleOrDifference;
}
