// The simulated module's log of its line: one record per line and direction, readable.

#include "sim/wire_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using namespace std::chrono_literals;

// 03:12:45 UTC on some day, plus the microseconds given.
WireLog::Time At(int us) { return WireLog::Time(19'000 * 24h + 3h + 12min + 45s + std::chrono::microseconds(us)); }

struct Piece {
  char direction;  // 'i' received, 'o' sent, 'n' a note
  std::string bytes;
  int us;
};

struct LogRow {
  std::string name;
  std::vector<Piece> pieces;
  std::string log;
};

class WireLogRows : public ::testing::TestWithParam<LogRow> {};

TEST_P(WireLogRows, WritesWhatCrossedReadably) {
  std::ostringstream out;
  {
    WireLog log(out);
    for (const Piece& piece : GetParam().pieces) {
      if (piece.direction == 'i') log.Received(piece.bytes, At(piece.us));
      if (piece.direction == 'o') log.Sent(piece.bytes, At(piece.us));
      if (piece.direction == 'n') log.Note(piece.bytes, At(piece.us));
    }
  }
  EXPECT_EQ(out.str(), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WireLogRows,
    ::testing::Values(
        LogRow{"ACommandInOnePiece", {{'i', "RDFL0001\r", 0}}, "03:12:45.000000 in  \"RDFL0001\\r\"\n"},
        LogRow{"PiecesGatherUntilTheLineEnds",
               {{'o', "WR", 0}, {'o', "OK", 1000}, {'o', "\r\n", 2500}},
               "03:12:45.000000 out \"WROK\\r\\n\" (6 bytes in 3 pieces over 2.5 ms)\n"},
        LogRow{"ALateLfIsARecordOfItsOwn",
               {{'o', "OK\r", 0}, {'o', "\n", 500}},
               "03:12:45.000000 out \"OK\\r\"\n03:12:45.000500 out \"\\n\"\n"},
        LogRow{"TwoLinesInOnePieceAreTwoRecords",
               {{'i', "WRFL\r01", 7000}, {'i', "02\r", 8000}},
               "03:12:45.007000 in  \"WRFL\\r\"\n03:12:45.007000 in  \"0102\\r\" (5 bytes in 2 pieces over 1.0 ms)\n"},
        LogRow{"TheOtherSideSpeakingEndsARecord",
               {{'i', "RDFL00", 0}, {'o', "<x>\r\n", 1000}},
               "03:12:45.000000 in  \"RDFL00\"\n03:12:45.001000 out \"<x>\\r\\n\"\n"},
        LogRow{"AnyOtherByteInHex",
               {{'o', std::string("\0\xFF\"\\\t", 5), 0}},
               "03:12:45.000000 out \"\\x00\\xFF\\\"\\\\\\x09\"\n"},
        LogRow{"ANoteEndsTheRecordInHand",
               {{'o', "WRO", 0}, {'n', "hung up", 3000}},
               "03:12:45.000000 out \"WRO\"\n03:12:45.003000 -- hung up\n"},
        LogRow{"NothingCrossedNothingWritten", {}, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
