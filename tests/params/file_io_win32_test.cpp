// The file seam on Windows: the error texts of Windows' codes, and image and port
// choice files on a real file system.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <utility>

#include "params/file_io.h"
#include "params/file_io_internal.h"
#include "params/image_file.h"
#include "serial/cell_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_choice_file.h"
#include "tests/support/raised.h"

namespace {

namespace fs = std::filesystem;

TEST(InOutErrorMessage, WindowsCodesGiveTheSameTextsAsOnOtherSystems) {
  const std::pair<DWORD, const char*> rows[] = {
      {ERROR_FILE_NOT_FOUND, "File not found"},
      {ERROR_PATH_NOT_FOUND, "File not found"},
      {ERROR_INVALID_NAME, "Invalid filename"},
      {ERROR_DIRECTORY, "Invalid filename"},
      {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
      {ERROR_ACCESS_DENIED, "File access denied"},
      {ERROR_SHARING_VIOLATION, "File access denied"},
      {ERROR_WRITE_PROTECT, "File access denied"},
      {ERROR_DISK_FULL, "Disk full"},
      {ERROR_HANDLE_DISK_FULL, "Disk full"},
      {ERROR_CRC, "I/O error 23"},
  };
  for (const auto& [code, text] : rows) EXPECT_EQ(InOutErrorMessage(static_cast<int>(code)), text) << code;
}

// As on other systems, with Windows' separators and drives besides.
TEST(TempSavePath, LiesBesideTheTargetWithWindowsSeparators) {
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\d\\a.HVK", "C:\\d\\"}, {"C:\\a.HVK", "C:\\"}, {"d\\e/a.HVK", "d\\e/"}};
  const std::string name = ".kelvaro-save-" + std::to_string(ProcessId()) + "-7.tmp";
  for (const auto& [target, folder] : rows) EXPECT_EQ(TempSavePath(target, 7), folder + name) << target;
}

class WinFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder); }
  void TearDown() override {
    SetFileAttributesA(Path("image.HVK").c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder);
  }
  std::string Path(const std::string& name) const { return (folder / name).string(); }
  std::size_t Entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})); }
  template <typename Call>
  static std::string ErrorOf(Call call) {
    const auto error = Raised<EInOutError>(call);
    return error ? error->what() : "no error";
  }

  fs::path folder = fs::temp_directory_path() / "kelvaro-files";
  ImageBytes image{};
};

TEST_F(WinFilesTest, AnImageSavesAndLoadsByteForByteLeavingNoTemporaryFile) {
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  SaveImageFile(image, Path("image.HVK"));
  SaveImageFile(image, Path("image.HVK"));
  ImageBytes loaded{};
  LoadImageFile(loaded, Path("image.HVK"));
  EXPECT_EQ(loaded, image);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(WinFilesTest, LoadFailuresGiveTheirTexts) {
  WriteFileBytes(Path("short.HVK"), "abc");
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(image, Path("missing.HVK")); }), "File not found");
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(image, folder.string()); }), "Invalid filename");
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(image, Path("short.HVK")); }), "Read beyond end of file");
  EXPECT_EQ(ErrorOf([&] { SaveImageFile(image, Path("no-folder\\image.HVK")); }), "File not found");
}

// A file's own error numbers on Windows are Windows' (GetLastError's), never errno's.
TEST_F(WinFilesTest, APortChoiceFileTooLargeGivesWindowsOwnCode) {
  WriteFileBytes(Path("big.ini"), std::string(kMaxCellFileSize + 1, ' '));
  const auto error = Raised<EInOutError>([&] { CellTable().LoadCellFile(Path("big.ini")); });
  ASSERT_TRUE(error);
  EXPECT_STREQ(error->what(), "File too large");
  EXPECT_EQ(error->ErrorCode(), static_cast<int>(ERROR_FILE_TOO_LARGE));
}

TEST_F(WinFilesTest, AReadOnlyFileLoadsButIsNotOverwritten) {
  SaveImageFile(image, Path("image.HVK"));
  ASSERT_TRUE(SetFileAttributesA(Path("image.HVK").c_str(), FILE_ATTRIBUTE_READONLY));
  ImageBytes loaded{};
  LoadImageFile(loaded, Path("image.HVK"));
  image[0] = 1;
  EXPECT_EQ(ErrorOf([&] { SaveImageFile(image, Path("image.HVK")); }), "File access denied");
  EXPECT_EQ(FileBytes(Path("image.HVK")), std::string(1024, '\0'));
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(WinFilesTest, AReplacedFileKeepsItsAttributes) {
  SaveImageFile(image, Path("image.HVK"));
  ASSERT_TRUE(SetFileAttributesA(Path("image.HVK").c_str(), FILE_ATTRIBUTE_HIDDEN));
  SaveImageFile(image, Path("image.HVK"));
  EXPECT_TRUE(GetFileAttributesA(Path("image.HVK").c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(WinFilesTest, ThePortChoiceIsSavedIntoFoldersThatDoNotExistYet) {
  const std::string path = Path("a\\b\\VORMAK_setup.ini");
  CellTable table;
  table.SetCell(0, 0, "COM7");
  table.SaveCellFile(path);
  EXPECT_EQ(FileBytes(path), PortChoiceFile("COM7"));
  CellTable loaded;
  loaded.LoadCellFile(path);
  EXPECT_EQ(loaded.Cell(0, 0), "COM7");
}

}  // namespace
