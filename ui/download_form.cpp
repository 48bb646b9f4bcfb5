#include "download_form.h"

#include <QTimer>

#include "dialog_service.h"
#include "params/parameter_image.h"
#include "settings_form.h"
#include "text_codec.h"

TFormDownload::TFormDownload(PortLink& port, ReplyState& reply, EventPump& pump, QWidget* parent,
                             int tickInterval)
    : QDialog(parent), link_{port, reply, pump, this, this} {
  ParameterImage.fill(kErasedByte);
  Timer1 = new QTimer(this);
  Timer1->setInterval(tickInterval);
  connect(Timer1, &QTimer::timeout, this, [] { TickCountdown(); });
  Timer1->start();
}

void TFormDownload::SetSettingsForm(TSettingsForm* settings) { settings_ = settings; }

void TFormDownload::SetIndicator(int, IndicatorColour) {}

void TFormDownload::SetAllIndicators(IndicatorColour) {}

void TFormDownload::SetControlsEnabled(bool) {}

void TFormDownload::ShowPlainMessage(const std::string& text) { ::ShowPlainMessage(FromCp1250(text), this); }
