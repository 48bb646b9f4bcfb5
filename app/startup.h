#pragma once
// The five windows of a run, created in their start-up order and alive to its end.

#include <memory>

#include "ui/download_form.h"
#include "ui/qt_event_pump.h"
#include "ui/settings_form.h"
#include "ui/state_form.h"
#include "welcome_form.h"

class TMainForm;

// The three timers, in ms; tests shorten them.
struct StartupIntervals {
  int handOver = TWelcomeForm::kHandOverInterval;
  int poll = static_cast<int>(kPollInterval.count());
  int tick = static_cast<int>(kTickPeriod.count());
};

class KelvaroWindows {
 public:
  // Splash (which creates the main window), state window, transfer window, settings
  // editor; then the connections between them. Nothing but the splash is shown.
  explicit KelvaroWindows(const StartupIntervals& intervals = StartupIntervals());
  // The other windows go first: the main window owns the port they use.
  ~KelvaroWindows();

  // The event loop's first act: the main window with the splash still above it.
  void ShowMainWindow();

  TWelcomeForm& Welcome() { return *welcome_; }
  TMainForm& Main() { return welcome_->MainForm(); }
  TStateForm& State() { return *state_; }
  TFormDownload& Download() { return *download_; }
  TSettingsForm& Settings() { return *settings_; }

 private:
  QtEventPump pump_;
  std::unique_ptr<TWelcomeForm> welcome_;
  std::unique_ptr<TStateForm> state_;
  std::unique_ptr<TFormDownload> download_;
  std::unique_ptr<TSettingsForm> settings_;
};
