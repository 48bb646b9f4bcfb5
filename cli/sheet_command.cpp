#include "sheet_command.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "cli_error.h"
#include "files.h"
#include "json.h"
#include "options.h"
#include "params/cp1250.h"
#include "settings_text.h"
#include "sheet.h"

namespace {

// A file gets the line ends spreadsheet programs write; standard output is a text
// stream, whose \n the Windows runtime writes as CR LF itself.
constexpr std::string_view kFileLineEnd = "\r\n";
constexpr std::string_view kStreamLineEnd = "\n";
constexpr std::string_view kImageExtension = ".hvk";

// The sites as the batch takes them: each named, none twice. Words from the command
// line are UTF-8, or code page 1250 from a Windows console.
std::vector<std::string> Sites(const std::vector<std::string>& words) {
  std::vector<std::string> sites;
  std::set<std::string> seen;
  for (const std::string& word : words) {
    const std::string site = UnicodeToUtf8(TextToUnicode(word));
    if (site.empty()) UsageError("a site wants a name, not \"\"");
    if (!seen.insert(site).second) UsageError("the site " + JsonString(site) + " is given twice");
    sites.push_back(site);
  }
  // Without sites, one row for the installer to name and copy: a name made up here
  // would reach the record unnoticed, an empty one the batch refuses.
  if (sites.empty()) sites.emplace_back();
  return sites;
}

// A sheet saved over a parameter image, the template itself most likely, would lose it.
bool IsImageName(const std::string& path) {
  return path.size() >= kImageExtension.size() &&
         std::equal(kImageExtension.begin(), kImageExtension.end(), path.end() - kImageExtension.size(),
                    [](char ours, char given) { return ours == std::tolower(static_cast<unsigned char>(given)); });
}

}  // namespace

std::string TemplateSheet(const ImageBytes& templateImage, const std::vector<std::string>& sites,
                          std::string_view lineEnd) {
  std::vector<std::string> header = {kSiteColumn};
  std::vector<std::string> values;
  for (const ImageField& field : ImageFields()) {
    header.push_back(field.key);
    values.push_back(FieldText(templateImage, field));
  }
  std::vector<std::vector<std::string>> rows;
  for (const std::string& site : sites) {
    rows.push_back({site});
    rows.back().insert(rows.back().end(), values.begin(), values.end());
  }
  return WriteSheet(header, rows, lineEnd);
}

int SheetCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& templatePath = args.positional[0];
  const ImageBytes templateImage = LoadExactImage(templatePath);
  const std::vector<std::string> sites = Sites({args.positional.begin() + 1, args.positional.end()});
  if (!args.Has(kSheetOut)) {
    context.out << TemplateSheet(templateImage, sites, kStreamLineEnd);
    return kExitOk;
  }
  const std::string out = args.Value(kSheetOut);
  if (IsImageName(out)) UsageError(out + ": the name of a parameter image; the sheet wants another (sites.csv)");
  SaveFile(out, TemplateSheet(templateImage, sites, kFileLineEnd));
  return kExitOk;
}
