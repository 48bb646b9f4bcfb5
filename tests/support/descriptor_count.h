#pragma once
// Open file descriptors of this process, so a test can check that it closed all of
// its own: take the count before, compare after.

int OpenDescriptorCount();
