#pragma once
// The ways the simulated module can misbehave, each also a harnvik-sim option.

struct SimFaults {
  bool silent = false;        // answers nothing at all
  int wrongBlock = -1;        // block whose reply carries the next block's number
  int badChecksum = -1;       // block whose reply carries a checksum one too high
  bool lowercaseHex = false;  // block replies in lower-case hex digits
  bool noCrcOk = false;       // ignores "WRACT": no "CRCOK", memory unchanged
  int rejectWrite = -1;       // block whose write is answered "WRFLERR"
  double garbageRate = 0;     // chance, per reply line, of a noise line before it
  int hangupAfter = -1;       // closes its side after this many replies
  int baud = 0;               // paces both directions at this line rate; 0: unpaced
  int latencyMs = 0;          // holds what it sends this long, or until 62 bytes gathered, as USB adapters do
};
