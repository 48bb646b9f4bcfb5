#pragma once
// The file-reading targets hand the fuzz input to the loaders as a real file.

#include <cstddef>
#include <cstdint>
#include <string>

// A private folder for this process, removed at exit: in memory where the
// system has one, since the loaders and savers sync and rename on every input.
const std::string& FuzzFolder();

// Writes the bytes to <FuzzFolder()>/<name>, replacing what was there; returns the path.
// Aborts when it cannot: a broken harness must not pass for a clean run.
std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// The whole content of a file; aborts when it cannot be read.
std::string ReadFuzzFile(const std::string& path);

// Prints the reason and aborts, so the fuzzer records the input.
[[noreturn]] void FuzzFail(const char* what);
