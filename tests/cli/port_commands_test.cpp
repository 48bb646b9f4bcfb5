// kelvaro-cli's ports, find and auto, what the command line adds to the finder and the
// network port: its lines, exit statuses, refusals and auto's choice.

#include <gtest/gtest.h>

#include "params/cp1250.h"
#include "params/field_map.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/finder_scene.h"
#include "tests/support/ser2net_server.h"
#include "tests/support/test_images.h"

namespace {

// The installer's laptop: find says every port within 2 s; auto takes a module only
// where it alone answers, and the record names that port.
TEST_F(CliRunner, FindSaysEveryPortAndAutoReadsOnlyWhereOneModuleAnswers) {
  EXPECT_EQ(Run({"find"}).err, "kelvaro-cli: no module answered: there are no ports to ask\n");
  const std::vector<std::string> names = {"COM3", "COM4", "COM5", "COM6", "COM8", "COM9", "COM120"};
  FinderScene scene(names, config.Path() + "/Kelvaro");
  const auto start = std::chrono::steady_clock::now();
  const Result found = Run({"find"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  std::string lines;
  for (std::size_t i = 0; i < names.size(); ++i) lines += names[i] + " " + Cp1250ToUtf8(scene.FindingTexts()[i]) + "\n";
  EXPECT_EQ(found.out, lines);
  EXPECT_EQ(found.status, 0);

  findWait = 500ms;
  EXPECT_EQ(ParseJson(Run({"find", "--json", "COM120"}).out)[0]["outcome"], "inUse");
  EXPECT_EQ(Run({"read", "auto", "out.HVK"}).err,
            "kelvaro-cli: modules answered on COM3, COM4 and COM5; name the port of the one meant\n");
  const auto unplug = [&](std::size_t i) {
    scene.modules[i].reset();
    LinkPort(names[i], config.Path() + "/gone");
  };
  unplug(0), unplug(1);
  const Result one = Run({"read", "AUTO", "out.HVK", "--record", "record.jsonl"});
  EXPECT_TRUE(one.err.starts_with("auto: COM5\nblock 1/4 read\n")) << one.err;
  EXPECT_EQ(Load("out.HVK"), scene.modules[2]->Memory());
  EXPECT_EQ(RecordLines("record.jsonl").at(0)["port"], "COM5");
  unplug(2);
  const Result none = Run({"compare", "auto", "out.HVK", "--record", "record.jsonl"});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "kelvaro-cli: no module answered on COM6, COM8, COM9 and COM120\n");
  EXPECT_EQ(RecordLines("record.jsonl").size(), 1u);
}

// Each row's module is looked for again; while none answers, nothing is written and the
// same row is asked for again.
TEST_F(CliRunner, ABatchOnAutoLooksForEachRowsModuleAgain) {
  findWait = 300ms;
  SimulatedModule first("COM3", config.Path() + "/Kelvaro"), second("COM4", config.Path() + "/Kelvaro");
  first.Start();
  Save("template.HVK", ErasedImage());
  Write("two.csv", "site,sms1\nA,egy\nB,kettő\n");
  const Result result =
      Run({"batch", "two.csv", "--template", "template.HVK", "--port", "auto"}, {"", "", ""}, [&](std::size_t k) {
        k == 1 ? first.Stop() : k == 2 ? second.Start() : void();
      });
  EXPECT_EQ(result.out, "A: ok\nB: ok\n2 done, 0 failed, 0 skipped\n");
  EXPECT_NE(result.err.find("A: connect the module, then press Enter"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("kelvaro-cli: no module answered on COM3 and COM4\nB: connect"), std::string::npos);
  EXPECT_EQ(LoadSmsText(first.Memory(), EEAddr::SmsText(1)), "egy");
  EXPECT_EQ(LoadSmsText(second.Memory(), EEAddr::SmsText(1)), "kett\xF5");
}

// Status 2 naming what is wrong, before any port is opened.
TEST_F(CliTest, NamesThatAreNoPortsAreRefusedBeforeAnyPortIsOpened) {
  const std::string com = "PORT is a COM name (COM1 to COM256)", network = "a network port rfc2217://HOST:PORT";
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"find", "COM7", "COM0"}, com + " or " + network + ", not \"COM0\""},
      {{"find", "COM257"}, com + " or " + network + ", not \"COM257\""},
      {{"find", "COM 3"}, com + " or " + network + ", not \"COM 3\""},
      {{"find", "auto"}, com + " or " + network + ", not \"auto\""},
      {{"read", "COMX", "x.HVK"}, com + ", " + network + ", or auto, not \"COMX\""},
      {{"state", "rfc2217://host:70000"}, "\"rfc2217://host:70000\" is no network port name"},
      {{"batch", "s.csv", "--template", "t.HVK", "--port", "COM0"}, com + ", " + network + ", or auto, not \"COM0\""},
      {{"ports", "add", "COM7", "rfc2217://127.0.0.1:7217"}, "COM7 is a serial port of this machine ("},
      {{"ports", "remove", "COM12"}, "COM12 is no network port ("},
  };
  for (const auto& [args, message] : rows) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_TRUE(result.err.starts_with("kelvaro-cli: " + message)) << result.err;
  }
  EXPECT_EQ(module.CommandsSeen(), 0);
  EXPECT_TRUE(Run({"find", "com7"}).out.starts_with("COM7 " + Cp1250ToUtf8(kWiredLineLabel)));
}

// By its network name and by a COM name given to it, each recorded under the name used
// with the address as its device.
TEST_F(CliTest, ANetworkPortIsReachedByItsNameAndByTheComNameGivenIt) {
  Ser2netServer server(module.DevicePath());
  EXPECT_EQ(Run({"read", server.Url(), "net.HVK", "--record", "record.jsonl"}).status, 0);
  EXPECT_EQ(Load("net.HVK"), module.Memory());
  EXPECT_EQ(Run({"ports", "add", "com12", server.Url()}).status, 0);
  EXPECT_NE(Run({"ports"}).out.find("\nCOM12 " + server.Url() + "\n"), std::string::npos);
  EXPECT_EQ(Run({"compare", "COM12", "net.HVK", "--record", "record.jsonl"}).status, 0);
  EXPECT_EQ(Run({"ports", "remove", "COM12"}).status, 0);
  EXPECT_EQ(Run({"ports"}).out.find("COM12"), std::string::npos);
  const std::vector<Json> record = RecordLines("record.jsonl");
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[0]["port"], server.Url());
  EXPECT_EQ(record[1]["port"], "COM12");
  for (const Json& line : record) EXPECT_EQ(line["device"], server.Url());
}

}  // namespace
