#include "startup.h"

#include "ui/main_form.h"

KelvaroWindows::KelvaroWindows(const StartupIntervals& intervals) {
  welcome_ = std::make_unique<TWelcomeForm>(intervals.handOver);
  TMainForm& main = welcome_->MainForm();
  state_ = std::make_unique<TStateForm>(main.ComPort1(), nullptr, intervals.poll);
  download_ = std::make_unique<TFormDownload>(main.ComPort1(), main.Link(), pump_, nullptr, intervals.tick);
  settings_ = std::make_unique<TSettingsForm>();
  download_->SetSettingsForm(settings_.get());
  main.Link().InstallStatusDisplay(state_.get());
  main.SetStateForm(state_.get());
  main.SetDownloadForm(download_.get());
}

KelvaroWindows::~KelvaroWindows() {
  TMainForm& main = welcome_->MainForm();
  main.Link().InstallStatusDisplay(nullptr);
  main.SetStateForm(nullptr);
  main.SetDownloadForm(nullptr);
  settings_.reset();
  download_.reset();
  state_.reset();
  welcome_.reset();
}

void KelvaroWindows::ShowMainWindow() {
  TMainForm& main = welcome_->MainForm();
  main.show();
  // Without a window manager the last window shown would cover the splash.
  if (welcome_->isVisible()) welcome_->raise();
}
