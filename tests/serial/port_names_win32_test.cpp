// COM names on Windows: the spooler's list, the device paths, the program's folder
// and the port choice kept by earlier versions.

#include "serial/port_names_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "serial/port_names.h"

namespace {

namespace fs = std::filesystem;

TEST(SerialPortsOf, TakesTheComEntriesInTheSpoolersOrderWithoutTheirColon) {
  const std::vector<std::string> spooler = {"COM12:", "LPT1:", "COM3:", "FILE:", "com4:", "XCOM2:", "COM7", "COM:"};
  EXPECT_EQ(SerialPortsOf(spooler), (std::vector<std::string>{"COM12", "COM3", "COM7", "COM"}));
  EXPECT_TRUE(SerialPortsOf({}).empty());
}

TEST(ListSerialPorts, AppendsOnlyComNamesFromTheSpooler) {
  std::vector<std::string> list = {"kept"};
  ListSerialPorts(list);
  EXPECT_EQ(list.front(), "kept");
  for (std::size_t i = 1; i < list.size(); ++i) EXPECT_TRUE(list[i].rfind("COM", 0) == 0 && list[i].back() != ':');
}

TEST(PortDevicePath, IsTheWin32DeviceNameOfTheNormalizedPort) {
  EXPECT_EQ(PortDevicePath("com5"), "\\\\.\\COM5");
  EXPECT_EQ(PortDevicePath("COM96"), "\\\\.\\COM96");
  EXPECT_EQ(PortDevicePath("LPT1"), "\\\\.\\COM1");
}

class AppDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("kelvaro-appdata-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder);
    const char* old = std::getenv("APPDATA");
    saved = old ? old : "";
    _putenv_s("APPDATA", folder.string().c_str());
  }
  void TearDown() override {
    _putenv_s("APPDATA", saved.c_str());
    fs::remove_all(folder);
  }
  static void Touch(const std::string& path) { std::ofstream(path) << "2,1\r\n"; }

  fs::path folder;
  std::string saved;
};

TEST_F(AppDataTest, TheProgramsFilesLiveUnderAppData) {
  EXPECT_EQ(ConfigDir(), folder.string() + "\\Kelvaro");
  EXPECT_EQ(PortChoicePath(), folder.string() + "\\Kelvaro\\VORMAK_setup.ini");
}

TEST_F(AppDataTest, AnOldChoiceIsReadOnlyWhileThereIsNoNewOne) {
  const std::string fresh = (folder / "new.ini").string();
  const std::string old = (folder / "old.ini").string();
  EXPECT_EQ(PortChoiceLoadPathOf(fresh, old), fresh);  // neither: the save creates the new one
  Touch(old);
  EXPECT_EQ(PortChoiceLoadPathOf(fresh, old), old);
  Touch(fresh);
  EXPECT_EQ(PortChoiceLoadPathOf(fresh, old), fresh);
}

}  // namespace
