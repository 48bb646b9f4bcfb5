// The simulated module as the tests see it under Wine: a harnvik-sim on the Linux side,
// started by the broker (broker_client_win32.h) and linked as the Wine COM port, that
// keeps its memory in an image file both sides can read. It offers what the window
// tests use of the module: starting it, its memory, and its end; a test that needs
// more of it (faults set while it runs, its byte counts) runs on Linux only.

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "broker_client_win32.h"
#include "params/image_file.h"
#include "sim/simulated_module.h"

// The control connection to the broker lives in masterFd_; the module and its link go
// when it closes.
SimulatedModule::SimulatedModule(std::string comName, std::string configDir, SimFaults faults)
    : comName_(std::move(comName)), configDir_(std::move(configDir)), logic_(SampleImage(), faults) {
  masterFd_ = BrokerConnect();
  imageFile_ = WindowsPathOf(BrokerAsk(masterFd_, "image"));
  SaveImageFile(SampleImage(), imageFile_);
}

SimulatedModule::~SimulatedModule() {
  BrokerClose(masterFd_);
  ListPort(comName_, false);
}

void SimulatedModule::Start() {
  devicePath_ = BrokerAsk(masterFd_, "sim " + comName_);
  ListPort(comName_, true);
}

ImageBytes SimulatedModule::Memory() const {
  ImageBytes memory{};
  LoadImageFile(memory, imageFile_);
  return memory;
}
