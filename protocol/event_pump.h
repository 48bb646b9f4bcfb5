#pragma once
// How the transfer waits let the rest of the program run: the toolkit processes
// its pending events (received bytes, timer ticks, hand-offs from the serial
// thread) and, when none is pending, blocks until the next one arrives.

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
};
