// Prints the window tables for the scripts that drive the windows as a person would
// (scripts/screenshots.sh, tests/win32/setup_end_to_end.sh), so they find windows and
// controls by the captions and names the window tests hold rather than copies of them.
// One row a line, fields apart by tabs, in UTF-8:
//   window  <tag> <caption>
//   control <tag> <object name> <what a person reads>
// and the main window's caption once the splash has handed over, as the window "shown-main".

#include <cstdio>

#include "tests/ui/window_tables.h"

namespace {

void PrintRow(std::initializer_list<QString> fields) {
  QString row;
  for (const QString& field : fields) row += (row.isEmpty() ? QString() : QStringLiteral("\t")) + field;
  std::fputs((row + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

}  // namespace

int main() {
  for (const WindowTable* table : WindowTables()) {
    PrintRow({QStringLiteral("window"), table->tag, table->caption});
    for (const ControlRow& row : table->controls) PrintRow({QStringLiteral("control"), table->tag, row.name, row.text});
  }
  PrintRow({QStringLiteral("window"), QStringLiteral("shown-main"), MainCaptionAfterSplash()});
  return 0;
}
