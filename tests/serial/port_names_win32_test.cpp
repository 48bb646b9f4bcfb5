// COM names on Windows: the spooler's list, the device paths, the program's folder
// and the port choice kept by earlier versions.

#include "serial/port_names_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "serial/port_names.h"

namespace {

namespace fs = std::filesystem;

// A name the port object would not keep as it is (COM300 would open COM1) is left out.
TEST(SerialPortsOf, TakesTheComEntriesInTheSpoolersOrderWithoutTheirColon) {
  const std::vector<std::string> spooler = {
      "COM12:", "LPT1:", "COM3:", "FILE:", "com4:", "XCOM2:", "COM7", "COM:", "COM120:", "COM300:", "COM05:"};
  EXPECT_EQ(SerialPortsOf(spooler), (std::vector<std::string>{"COM12", "COM3", "COM7", "COM120"}));
  EXPECT_TRUE(SerialPortsOf({}).empty());
}

TEST(ListSerialPorts, AppendsOnlyComNamesFromTheSpooler) {
  std::vector<std::string> list = {"kept"};
  ListSerialPorts(list);
  EXPECT_EQ(list.front(), "kept");
  for (std::size_t i = 1; i < list.size(); ++i) EXPECT_TRUE(list[i].rfind("COM", 0) == 0 && list[i].back() != ':');
}

// The list when the print spooler is stopped.
TEST(DeviceMapPortsIn, TakesTheComNamesOfTheDeviceMapInNumberOrder) {
  const std::string key = "Software\\Kelvaro test\\SERIALCOMM";
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  const std::pair<const char*, const char*> values[] = {{"\\Device\\Serial2", "COM12"},
                                                        {"\\Device\\Serial0", "COM3"},
                                                        {"\\Device\\VCP0", "com4"},
                                                        {"\\Device\\VCP1", "COM05"},
                                                        {"\\Device\\Other", "LPT1"}};
  for (const auto& [name, data] : values)
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                   static_cast<DWORD>(std::strlen(data) + 1));
  const DWORD number = 5;
  RegSetValueExA(handle, "\\Device\\Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(handle);
  EXPECT_EQ(DeviceMapPortsIn(key), (std::vector<std::string>{"COM3", "COM12"}));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Kelvaro test");
  EXPECT_TRUE(DeviceMapPortsIn(key).empty());
}

TEST(PortDevicePath, IsTheWin32DeviceNameOfTheNormalizedPort) {
  EXPECT_EQ(PortDevicePath("com5"), "\\\\.\\COM5");
  EXPECT_EQ(PortDevicePath("COM96"), "\\\\.\\COM96");
  EXPECT_EQ(PortDevicePath("COM256"), "\\\\.\\COM256");
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
