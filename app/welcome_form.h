#pragma once
// The splash window. Becoming visible, it creates the main window, and after the
// hand-over interval it hides itself and brings the main window, with its full
// caption, to the front.

#include <QWidget>
#include <memory>

class QLabel;
class QTimer;
class TMainForm;

class TWelcomeForm : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHandOverInterval = 2000;  // ms

  explicit TWelcomeForm(int handOverInterval = kHandOverInterval);
  ~TWelcomeForm() override;

  // Created when the splash first becomes visible, so during construction.
  TMainForm& MainForm() { return *mainForm_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void Timer1Timer();

  std::unique_ptr<TMainForm> mainForm_;
  QLabel* Image1 = nullptr;
  QLabel* lbVersion = nullptr;
  QTimer* Timer1 = nullptr;
};
