// kelvaro-cli in-process against the simulated module on a pseudo-terminal: the
// procedures, the image commands, the batch and the record.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <iterator>

#include "cli/sha256.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/test_images.h"

namespace {

TEST_F(CliTest, ReadSavesTheModulesMemoryAndNothingWhenABlockFails) {
  EXPECT_EQ(Run({"read", "COM7", "out.HVK"}).status, 0);
  EXPECT_EQ(Load("out.HVK"), module.Memory());

  module.SetFaults({.wrongBlock = 2});
  const Result failed = Run({"read", "COM7", "failed.HVK"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err,
            "block 1/4 read\nblock 2/4 read\nblock 3/4 failed\nkelvaro-cli: block 3: the reply was for block 4\n");
  EXPECT_FALSE(fs::exists(Path("failed.HVK")));
}

TEST_F(CliTest, WriteVerifiedRoundTripsAndARefusalIsAModuleFailure) {
  Save("in.HVK", SteppedImage(7, 3));
  EXPECT_EQ(Run({"write", "COM7", "in.HVK", "--verify"}).status, 0);
  EXPECT_EQ(module.Memory(), SteppedImage(7, 3));

  module.SetFaults({.rejectWrite = 1});
  const Result refused = Run({"write", "COM7", "in.HVK"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.err.ends_with("kelvaro-cli: block 2: refused by the module (WRFLERR)\n")) << refused.err;
}

TEST_F(CliTest, CompareNamesEveryDifferingFieldAndLeavesTheFileAlone) {
  ImageBytes file = module.Memory();
  StorePhoneNumber(file, EEAddr::User2, {"1", "2"});
  file[900] ^= 1;  // a later block than the first difference
  Save("file.HVK", file);
  const Result result = Run({"compare", "COM7", "file.HVK"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "2. Felhasználó  (#USER2): 12 ≠ 06209876543\nEgyéb bájtok: 1 eltér\n");
  EXPECT_EQ(Load("file.HVK"), file);
  Save("same.HVK", module.Memory());
  const Result same = Run({"compare", "COM7", "same.HVK"});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "");
}

TEST_F(CliTest, ShowAndDiffReadTheFilesAlone) {
  Save("a.HVK", module.Memory());
  const Result json = Run({"show", "a.HVK", "--json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"user1\": \"06301234567\",\n"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"sms2\": \"Tűzjelzés a lakásban\",\n"), std::string::npos);
  EXPECT_TRUE(json.out.ends_with("\"marker\": 55\n}\n"));
  EXPECT_EQ(Run({"diff", "a.HVK", "a.HVK"}).status, 0);
}

// Every bad input: one line on standard error, exit status 2, no output.
TEST_F(CliTest, BadInputIsOneLineAndStatusTwo) {
  Write("short.HVK", std::string(1000, 'x'));
  fs::create_directory(Path("folder.HVK"));
  LinkPort("COM8", config.Path() + "/nothing");
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"frob"},
      {"show"},
      {"show", "a.HVK", "--yaml"},
      {"show", "short.HVK"},
      {"show", "folder.HVK"},
      {"show", "missing.HVK"},
      {"read", "LPT1", "out.HVK"},
      {"read", "COM8", "out.HVK"},
      {"state", "COM7", "--seconds", "0"},
      {"read", "COM7", "out.HVK"},  // held by another program
  };
  const int holder = ::open(module.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  for (const auto& args : rows) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
    EXPECT_TRUE(result.out.empty()) << testing::PrintToString(args);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  ::close(holder);
  EXPECT_FALSE(fs::exists(Path("out.HVK")));
}

// Unplugged after two replies: the line hangs up, or the third request meets it dead;
// either way a port error, no file, and one line that says so.
TEST_F(CliTest, AnUnpluggedModuleEndsTheReadWithoutAFile) {
  module.SetFaults({.hangupAfter = 2});
  const Result result = Run({"read", "COM7", "out.HVK"});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(result.err.ends_with("kelvaro-cli: COM7: the line hung up (adapter unplugged?)\n") ||
              result.err.find("kelvaro-cli: WriteFile function failed") != std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(Path("out.HVK")));
}

}  // namespace

namespace {

constexpr char kRefusedSmsChar[] =
    "an SMS text takes only characters of the module's character set (code page 1250), not \"✓\"";

// Every kind of value set refuses: status 2, one line naming key, value and rule, and
// the file as it was.
TEST_F(CliTest, SetRefusesEveryKindOfBadValueAndLeavesTheFileAlone) {
  Save("in.HVK", SteppedImage(3, 1));
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"user1=+3630"}, "user1=\"+3630\": a phone number takes the digits 0-9 only, at most 16, not \"+\""},
      {{"prefix=123456789"}, "prefix=\"123456789\": the prefix takes the digits 0-9 only, at most 8"},
      {{"event1=12345"}, "event1=\"12345\": an event code takes 0-9, * and A-F only, at most 4"},
      {{"sms1=" + std::string(41, 'w')},
       "sms1=\"" + std::string(41, 'w') + "\": an SMS text takes at most 40 characters"},
      {{"sms2=ok ✓"}, std::string("sms2=\"ok ✓\": ") + kRefusedSmsChar},
      {{"marker=256"}, "marker=\"256\": the marker takes a whole number from 0 to 255"},
      {{"sms1=fine", "phone=1"}, "\"phone\" is no key of show --json (user1"},
      {{"user1"}, "\"user1\" is not KEY=VALUE"},
      {{"user1=1", "user1=2"}, "user1 is given twice"},
  };
  for (const auto& [assignments, message] : rows) {
    std::vector<std::string> args = {"set", "in.HVK"};
    args.insert(args.end(), assignments.begin(), assignments.end());
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_TRUE(result.err.starts_with("kelvaro-cli: " + message)) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(Load("in.HVK"), SteppedImage(3, 1));
  }
  EXPECT_FALSE(fs::exists(Path("out.HVK")));
}

TEST_F(CliTest, SetWritesInPlaceOrToOutAndSaysWhenACodeIsStoredAsNone) {
  Save("in.HVK", ErasedImage());
  const Result result = Run({"set", "in.HVK", "event3=12b4", "sms1=Betörés: Kovács, Fő u. 3.", "-o", "out.HVK"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "kelvaro-cli: event3=\"12b4\" is stored as no code (a code with a letter A-F, or with fewer "
            "than four characters, is none)\n");
  EXPECT_EQ(Load("in.HVK"), ErasedImage());
  EXPECT_EQ(LoadSmsText(Load("out.HVK"), EEAddr::SmsText(1)),
            "Bet\xf6r\xe9s: Kov\xe1"
            "cs, F\xf5 u. 3.");
  EXPECT_EQ(Run({"set", "out.HVK", "sms1="}).status, 0);
  EXPECT_EQ(LoadSmsText(Load("out.HVK"), EEAddr::SmsText(1)), "");
}

// show --json piped into import --base gives the same bytes, garbage included.
TEST_F(CliTest, ShowJsonThenImportGivesTheSameImage) {
  Save("a.HVK", SteppedImage(11, 2));
  Write("a.json", Run({"show", "a.HVK", "--json"}).out);
  EXPECT_EQ(Run({"import", Path("a.json"), "b.HVK", "--base", "a.HVK"}).status, 0);
  EXPECT_EQ(Load("b.HVK"), SteppedImage(11, 2));
  // Without a base, on a fresh image: the sample module's memory is erased outside its fields.
  Save("sample.HVK", module.Memory());
  Write("sample.json", Run({"show", "sample.HVK", "--json"}).out);
  EXPECT_EQ(Run({"import", Path("sample.json"), "c.HVK"}).status, 0);
  EXPECT_EQ(Load("c.HVK"), module.Memory());
}

TEST_F(CliTest, WriteAndCompareSendTheChangedImageAndLeaveTheFileAlone) {
  Save("in.HVK", module.Memory());
  EXPECT_EQ(Run({"write", "COM7", "in.HVK", "--set", "user2=12", "--set", "sms9=Kilenc"}).status, 0);
  ImageBytes expected = Load("in.HVK");
  StorePhoneNumber(expected, EEAddr::User2, {"1", "2"});
  StoreSmsText(expected, EEAddr::SmsText(9), "Kilenc");
  EXPECT_EQ(module.Memory(), expected);
  EXPECT_NE(Load("in.HVK"), expected);
  EXPECT_EQ(Run({"compare", "COM7", "in.HVK", "--set", "user2=12", "--set", "sms9=Kilenc"}).status, 0);
  EXPECT_EQ(Run({"compare", "COM7", "in.HVK", "--set", "user2=13", "--set", "sms9=Kilenc"}).out,
            "2. Felhasználó  (#USER2): 13 ≠ 12\n");
}

// Three sites, the second's module refusing block 3: two written, one failed, the batch
// goes on, and the record holds three lines with their outcomes and hashes.
TEST_F(CliTest, ABatchWritesEachSitesModuleAndRecordsEveryRow) {
  SimulatedModule sites[] = {{"COM11", config.Path() + "/Kelvaro"},
                             {"COM12", config.Path() + "/Kelvaro", {.rejectWrite = 2}},
                             {"COM13", config.Path() + "/Kelvaro"}};
  for (SimulatedModule& site : sites) {
    site.SetMemory(ErasedImage());
    site.Start();
  }
  Save("template.HVK", module.Memory());
  Write("sites.csv",
        "site;user1;sms1\r\n"
        "Kovács;06301111111;\"Betörés: Kovács, Fő u. 3.\"\r\n"
        "Nagy;06302222222;Betörés: Nagy\r\n"
        "Szabó;06303333333;Betörés: Szabó\r\n");
  const char* rows[][3] = {{"Kovács", "06301111111", "Betörés: Kovács, Fő u. 3."},
                           {"Nagy", "06302222222", "Betörés: Nagy"},
                           {"Szabó", "06303333333", "Betörés: Szabó"}};
  std::vector<ImageBytes> expected;
  for (const auto& row : rows) {
    ASSERT_EQ(
        Run({"set", "template.HVK", std::string("user1=") + row[1], std::string("sms1=") + row[2], "-o", "row.HVK"})
            .status,
        0);
    expected.push_back(Load("row.HVK"));
  }
  // Each Enter with the next site's module behind COM7.
  const Result result = Run(
      {"batch", "sites.csv", "--template", "template.HVK", "--port", "COM7", "--verify", "--record", "record.jsonl"},
      {"", "", ""}, [&](std::size_t k) { LinkPort("COM7", sites[k].DevicePath()); });

  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "Kovács: ok\n"
            "Nagy: failed (block 3: refused by the module (WRFLERR))\n"
            "Szabó: ok\n"
            "2 done, 1 failed: Nagy (block 3: refused by the module (WRFLERR)), 0 skipped\n");
  EXPECT_NE(result.err.find("Kovács: connect the module to COM7, then press Enter (s: skip, q: stop) "),
            std::string::npos);
  EXPECT_EQ(sites[0].Memory(), expected[0]);
  EXPECT_EQ(sites[2].Memory(), expected[2]);
  const std::vector<Json> record = RecordLines("record.jsonl");
  ASSERT_EQ(record.size(), 3u);
  const char* outcomes[] = {"ok", "failed", "ok"};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(record[k]["site"], rows[k][0]);
    EXPECT_EQ(record[k]["outcome"], outcomes[k]);
    EXPECT_EQ(record[k]["sha256"], Sha256Hex(std::string(expected[k].begin(), expected[k].end())));
  }
  EXPECT_EQ(record[1]["block"], 3);
  EXPECT_EQ(record[1]["cause"], "refused by the module (WRFLERR)");
  // A site named as a Linux terminal (UTF-8) and as a Windows console (code page 1250) types it.
  for (const char* site : {"Kovács",
                           "Kov\xE1"
                           "cs"}) {
    const std::string log = Run({"log", "record.jsonl", "--site", site}).out;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
  }
}

// Every bad sheet: status 2 naming the row and column, and no module touched.
TEST_F(CliTest, ABadSheetIsRefusedBeforeAnyModuleIsTouched) {
  Save("template.HVK", ErasedImage());
  const std::pair<std::string, std::string> rows[] = {
      {"site;user1\nA\n", "row 2 has 1 cell, the header row 2"},
      {"site;user1\nA;1;2\n", "row 2 has 3 cells, the header row 2"},
      {"site;user1\nA;1\n;\nB;2\n", "row 3 is empty"},
      {"site;user1\nA;1\n;2\n", "row 3 has no site"},
      {"site;user1\nA;1\nA;2\n", "row 3 repeats the site \"A\" of row 2"},
      {"site;sms1\nA;" + std::string(41, 'x') + "\n",
       "row 2, column B: sms1=\"" + std::string(41, 'x') + "\": an SMS text takes at most 40 characters"},
      {"site;sms1\nA;ok ✓\n", std::string("row 2, column B: sms1=\"ok ✓\": ") + kRefusedSmsChar},
      {"site;phone\nA;1\n", "column B: \"phone\" is no key of show --json"},
      {"site;sms1;sms1\n", "column C: \"sms1\" is named twice (also column B)"},
      {"user1\n1\n", "the header row names no site column"},
      {"site\n", "no rows below the header row"},
      {"site,sms1\nA,\"open\n", "row 2: a quoted cell is not closed"},
  };
  for (const auto& [sheet, message] : rows) {
    Write("bad.csv", sheet);
    const Result result = Run({"batch", "bad.csv", "--template", "template.HVK", "--port", "COM7"}, {""});
    EXPECT_EQ(result.status, 2) << sheet;
    EXPECT_TRUE(result.err.starts_with("kelvaro-cli: " + Path("bad.csv") + ": " + message)) << result.err;
  }
  EXPECT_EQ(module.CommandsSeen(), 0);
}

// A template whose numbers begin with 0 and whose codes hold *, with bytes no editor
// writes around them: sheet's rows, batched, program exactly its bytes.
TEST_F(CliTest, TheBatchOfASheetFromATemplateProgramsTheTemplatesBytes) {
  ImageBytes image = SteppedImage(5, 9);
  StorePhoneNumber(image, EEAddr::User1, {"0", "6", "3", "0", "1"});
  StorePrefix(image, EEAddr::Prefix, {"0"});
  StoreEventCode(image, EEAddr::EventCode(1), {"1", "*", "3", "0"});
  StoreSmsText(image, EEAddr::SmsText(1), "=riasztás");
  Save("t.HVK", image);
  const Result sheet = Run({"sheet", "t.HVK", "Kovács", "Nagy", "-o", "sheet.csv"});
  ASSERT_EQ(sheet.status, 0) << sheet.err;
  module.SetMemory(ErasedImage());
  EXPECT_EQ(Run({"batch", "sheet.csv", "--template", "t.HVK", "--port", "COM7"}, {"", ""}).status, 0);
  EXPECT_EQ(module.Memory(), image);

  // Without sites, one row to name; standard output gets the same sheet.
  const std::string oneRow = Run({"sheet", "t.HVK"}).out;
  EXPECT_NE(oneRow.find("\n;=\"06301\";"), std::string::npos) << oneRow;
  std::string written = FileBytes(Path("sheet.csv"));
  std::erase(written, '\r');
  EXPECT_EQ(Run({"sheet", "t.HVK", "Kovács", "Nagy"}).out, written);

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"sheet", "t.HVK", "A", "A"}, "the site \"A\" is given twice"},
      {{"sheet", "t.HVK", ""}, "a site wants a name, not \"\""},
      {{"sheet", "t.HVK", "-o", "t.HVK"},
       Path("t.HVK") + ": the name of a parameter image; the sheet wants another (sites.csv)"},
  };
  for (const auto& [args, message] : refused) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "kelvaro-cli: " + message + "\n");
  }
  EXPECT_EQ(Load("t.HVK"), image);
}

// What the installer answers, and a module pulled out mid-write: the row fails with the
// link's reason and the batch goes on.
TEST_F(CliTest, TheBatchSkipsStopsGoesOnAfterAPulledModuleAndEndsAtEndOfInput) {
  Save("template.HVK", module.Memory());
  Write("two.csv", "site,sms1\nA,egy\nB,kettő\n");
  struct Row {
    std::vector<std::string> typed;
    SimFaults firstRow;
    std::string out;   // how standard output begins
    std::string also;  // and what it or standard error holds besides
    int status;
  };
  const Row rows[] = {
      {{"s", ""}, {}, "A: skipped\nB: ok\n1 done, 0 failed, 1 skipped\n", "", 0},
      {{"x", "q"}, {}, "0 done, 0 failed, 0 skipped, 2 not reached\n", "s skips this row, q stops the batch.\n", 1},
      {{"s"},
       {},
       "A: skipped\n0 done, 0 failed, 1 skipped, 1 not reached\n",
       "end of input: the batch stops before B\n",
       1},
      {{"", ""}, {.hangupAfter = 1}, "A: failed (", "\nB: ok\n1 done, 1 failed: A (", 1},
  };
  for (const Row& row : rows) {
    module.SetFaults(row.firstRow);
    const Result result =
        Run({"batch", "two.csv", "--template", "template.HVK", "--port", "COM7"}, row.typed, [&](std::size_t k) {
          if (k == 1 && module.HungUp()) module.SetFaults({}), module.Replug();
        });
    EXPECT_EQ(result.status, row.status) << result.out;
    EXPECT_TRUE(result.out.starts_with(row.out)) << result.out;
    EXPECT_NE((result.out + result.err).find(row.also), std::string::npos) << result.out << result.err;
  }
}

// One line a procedure, however it ends; a record that cannot be opened stops the
// command before the module hears anything.
TEST_F(CliTest, ReadAndCompareAreRecordedAndLogShowsTheRecord) {
  Save("same.HVK", module.Memory());
  EXPECT_EQ(Run({"read", "COM7", "r.HVK", "--record", "record.jsonl"}).status, 0);
  EXPECT_EQ(Run({"compare", "COM7", "same.HVK", "--set", "sms1=más", "--record", "record.jsonl"}).status, 1);
  module.SetFaults({.silent = true});
  EXPECT_EQ(Run({"compare", "COM7", "same.HVK", "--record", "record.jsonl"}).status, 1);
  const std::vector<Json> record = RecordLines("record.jsonl");
  ASSERT_EQ(record.size(), 3u);
  const ImageBytes memory = module.Memory();
  const std::string hash = Sha256Hex(std::string(memory.begin(), memory.end()));
  const std::vector<std::string> want[] = {{"read", "ok", hash, ""},
                                           {"compare", "differs", hash, "sms1"},
                                           {"compare", "failed", "", "no reply within 5 s (time-out)"}};
  for (std::size_t k = 0; k < 3; ++k) {
    const Json& line = record[k];
    EXPECT_EQ(line["command"], want[k][0]);
    EXPECT_EQ(line["outcome"], want[k][1]);
    EXPECT_EQ(ScalarText(line["sha256"]), want[k][2]);
    EXPECT_EQ(ScalarText(k == 1 ? line["differences"].at(0) : line["cause"]), want[k][3]);
    EXPECT_EQ(line["port"], "COM7");
    EXPECT_EQ(line["device"], module.DevicePath());
  }

  const Result log = Run({"log", "record.jsonl"});
  EXPECT_EQ(log.status, 0);
  EXPECT_EQ(std::count(log.out.begin(), log.out.end(), '\n'), 4);
  EXPECT_TRUE(log.out.starts_with("time                  command  port  device")) << log.out;
  EXPECT_NE(log.out.find("  " + hash.substr(0, 12) + "  differs  sms1\n"), std::string::npos) << log.out;
  const std::string nobody = Run({"log", "record.jsonl", "--site", "nobody"}).out;
  EXPECT_EQ(std::count(nobody.begin(), nobody.end(), '\n'), 1) << nobody;

  fs::create_directory(Path("folder.jsonl"));
  const int before = module.CommandsSeen();
  const Result refused = Run({"read", "COM7", "x.HVK", "--record", "folder.jsonl"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "kelvaro-cli: " + Path("folder.jsonl") + ": cannot append to the record (Invalid filename)\n");
  EXPECT_EQ(module.CommandsSeen(), before);
}

}  // namespace
