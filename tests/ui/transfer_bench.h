#pragma once
// The transfer window as the main window opens it: over a bench's port and module link,
// with the settings editor behind its edit button, shown and active.

#include "tests/ui/ui_test_support.h"
#include "ui/download_form.h"
#include "ui/settings_form.h"

struct TransferBench {
  explicit TransferBench(int tickInterval = static_cast<int>(kTickPeriod.count()))
      : form(line.port, line.link, line.pump, nullptr, tickInterval) {
    form.SetSettingsForm(&editor);
    ShowActive(&form);
  }

  LinkBench line;
  TSettingsForm editor;  // before the window, which goes first
  TFormDownload form;
};
