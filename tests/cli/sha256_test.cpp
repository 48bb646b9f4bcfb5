#include "cli/sha256.h"

#include <gtest/gtest.h>

namespace {

// The standard's test vectors, and one whole image of 0xFF.
TEST(Sha256Hex, MatchesTheStandardVectors) {
  const std::pair<std::string, std::string> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(1024, '\xff'), "5f4ecdb7b71c3e403983fe405cddcdc2f2576b655fdb3e80d94a6f7c32e58bc2"},
  };
  for (const auto& [bytes, hash] : rows) EXPECT_EQ(Sha256Hex(bytes), hash) << bytes.size();
}

}  // namespace
