#include "image_commands.h"

#include "files.h"
#include "json.h"
#include "options.h"
#include "params/cp1250.h"
#include "params/image_file.h"
#include "settings_text.h"

namespace {

constexpr char kStandardInput[] = "-";
// A settings file is some 2 KB; anything near this is no settings file.
constexpr std::size_t kMaxSettingsFile = kMegabyte;
constexpr char kNoSettingsFile[] = ", no settings file";

std::string ReadSettingsFile(const std::string& path, std::istream& in) {
  return path == kStandardInput ? ReadInputStream(in, path, kMaxSettingsFile, kNoSettingsFile)
                                : ReadInputFile(path, kMaxSettingsFile, kNoSettingsFile);
}

}  // namespace

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
  out << SettingsJson(image);
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
    Json differences = Json::array();
    for (const FieldDifference& d : difference.fields) {
      differences.push_back(Json::object({{"key", d.field->key},
                                          {"label", Cp1250ToUtf8(d.field->label)},
                                          {"a", FieldJson(a, *d.field)},
                                          {"b", FieldJson(b, *d.field)}}));
    }
    out << JsonLayout(Json::object({{"differences", differences}, {"otherBytes", difference.otherBytes}})) << '\n';
  }
  return difference.Empty() ? kExitOk : kExitModuleOrDifference;
}

// Every value is checked before anything is written; the file is replaced atomically.
int SetCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& in = args.positional[0];
  ImageBytes image = LoadExactImage(in);
  ApplyAssignments(image, std::vector<std::string>(args.positional.begin() + 1, args.positional.end()), context.err);
  SaveImage(image, args.Has(kOut) ? args.Value(kOut) : in);
  return kExitOk;
}

int ImportCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& settingsPath = args.positional[0];
  ImageBytes base;
  if (args.Has(kBase)) {
    base = LoadExactImage(args.Value(kBase));
  } else {
    EraseImage(base);  // the program's fresh image
  }
  const std::string json = ReadSettingsFile(settingsPath, context.in);
  SaveImage(ImportSettings(json, base, settingsPath + ": ", context.err), args.positional[1]);
  return kExitOk;
}
