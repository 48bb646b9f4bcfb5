#include <windows.h>

#include "descriptor_count.h"

// Windows counts handles, not descriptors: files, events, threads and sockets alike.
int OpenDescriptorCount() {
  DWORD count = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : 0;
}
