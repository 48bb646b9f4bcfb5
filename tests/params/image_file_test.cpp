#include "params/image_file.h"
#include "tests/params/sample_images.h"
#include "tests/support/descriptor_count.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/raised.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

Bytes AsBytes(const ImageBytes& image) { return Bytes(image.begin(), image.end()); }

// Runs the call and checks that it raised EInOutError with the message and code.
void ExpectInOutError(const std::function<void()>& call, const std::string& message, int code) {
  const auto error = Raised<EInOutError>(call);
  ASSERT_TRUE(error) << "no error, expected \"" << message << "\"";
  EXPECT_EQ(std::string(error->what()), message);
  EXPECT_EQ(error->ErrorCode(), code);
}

// A temporary folder per test; fails the test if it leaves a descriptor open.
class ImageFileTest : public testing::Test {
 public:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

 protected:
  void SetUp() override {
    descriptors_ = OpenDescriptorCount();
    std::string pattern = (fs::temp_directory_path() / "params-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
    EXPECT_EQ(OpenDescriptorCount(), descriptors_);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
  int descriptors_ = 0;
};

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

// Uses up every descriptor below a lowered limit.
class NoFreeDescriptors {
 public:
  NoFreeDescriptors() {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = 64;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    for (int fd; (fd = ::dup(0)) >= 0;) held_.push_back(fd);
  }
  ~NoFreeDescriptors() {
    for (int fd : held_) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved_);
  }

 private:
  rlimit saved_{};
  std::vector<int> held_;
};

// ---- InOutErrorMessage ----

TEST(InOutErrorMessage, Table) {
  const std::pair<int, const char*> rows[] = {
      {ENOENT, "File not found"},
      {ENOTDIR, "Invalid filename"},
      {ENAMETOOLONG, "Invalid filename"},
      {EISDIR, "Invalid filename"},
      {EINVAL, "Invalid filename"},
      {EMFILE, "Too many open files"},
      {ENFILE, "Too many open files"},
      {EACCES, "File access denied"},
      {EPERM, "File access denied"},
      {EROFS, "File access denied"},
      {ETXTBSY, "File access denied"},
      {ENOSPC, "Disk full"},
      {EDQUOT, "Disk full"},
      {EFBIG, "Disk full"},
      {EIO, "I/O error 5"},
      {ELOOP, "I/O error 40"},
      {EXDEV, "I/O error 18"},
  };
  for (const auto& [code, message] : rows) EXPECT_EQ(InOutErrorMessage(code), message) << code;
}

// ---- SaveImageFile ----

TEST_F(ImageFileTest, SaveWritesExactlyTheImage) {
  const ImageBytes image = Arbitrary(1);
  SaveImageFile(image, Path("a.HVK"));
  EXPECT_EQ(ReadFile(Path("a.HVK")), AsBytes(image));
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.HVK"});
}

TEST_F(ImageFileTest, SaveReplacesALongerFileAndKeepsItsPermissions) {
  WriteFile(Path("a.HVK"), Bytes(3000, 0x11));
  ::chmod(Path("a.HVK").c_str(), 0640);
  const ImageBytes image = Arbitrary(2);
  SaveImageFile(image, Path("a.HVK"));
  EXPECT_EQ(ReadFile(Path("a.HVK")), AsBytes(image));
  EXPECT_EQ(fs::status(Path("a.HVK")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.HVK"});
}

TEST_F(ImageFileTest, SaveThroughALinkReplacesTheLinkedFile) {
  WriteFile(Path("real.HVK"), Bytes(10, 0));
  fs::create_symlink(Path("real.HVK"), Path("link.HVK"));
  const ImageBytes image = Arbitrary(3);
  SaveImageFile(image, Path("link.HVK"));
  EXPECT_TRUE(fs::is_symlink(Path("link.HVK")));
  EXPECT_EQ(ReadFile(Path("real.HVK")), AsBytes(image));
}

TEST_F(ImageFileTest, SaveRelativeName) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  const ImageBytes image = Arbitrary(4);
  SaveImageFile(image, "rel.HVK");
  fs::current_path(before);
  EXPECT_EQ(ReadFile(Path("rel.HVK")), AsBytes(image));
}

// A place that cannot be saved to or loaded from, what each raises (no message: not
// tried), and that a failed save leaves the folder and a failed load the image as they were.
struct PlaceRow {
  const char* name;
  std::function<std::string(ImageFileTest&)> setUp;  // gives the path
  const char* saveMessage;
  int saveCode;
  const char* loadMessage;
  int loadCode;
};

TEST_F(ImageFileTest, FailuresLeaveTheFolderAndTheImageAsTheyWere) {
  const PlaceRow rows[] = {
      {"missing folder", [](ImageFileTest& t) { return t.Path("none/a.HVK"); }, "File not found", ENOENT,
       "File not found", ENOENT},
      {"missing file", [](ImageFileTest& t) { return t.Path("none.HVK"); }, nullptr, 0, "File not found", ENOENT},
      {"folder",
       [](ImageFileTest& t) {
         fs::create_directory(t.Path("d"));
         return t.Path("d");
       },
       "Invalid filename", EISDIR, "Invalid filename", EISDIR},
      {"file as folder",
       [](ImageFileTest& t) {
         WriteFile(t.Path("f"), Bytes(1024, 0));
         return t.Path("f/a.HVK");
       },
       "Invalid filename", ENOTDIR, "Invalid filename", ENOTDIR},
      {"name too long", [](ImageFileTest& t) { return t.Path(std::string(300, 'n') + ".HVK"); }, "Invalid filename",
       ENAMETOOLONG, "Invalid filename", ENAMETOOLONG},
      {"link loop",
       [](ImageFileTest& t) {
         fs::create_symlink(t.Path("l"), t.Path("l"));
         return t.Path("l");
       },
       "I/O error 40", ELOOP, "I/O error 40", ELOOP},
      {"pipe does not hang",
       [](ImageFileTest& t) {
         ::mkfifo(t.Path("p").c_str(), 0600);
         return t.Path("p");
       },
       nullptr, 0, "Invalid filename", EINVAL},
      {"empty file",
       [](ImageFileTest& t) {
         WriteFile(t.Path("e"), {});
         return t.Path("e");
       },
       nullptr, 0, "Read beyond end of file", kShortFileCode},
      {"one byte short",
       [](ImageFileTest& t) {
         WriteFile(t.Path("s"), Bytes(1023, 0));
         return t.Path("s");
       },
       nullptr, 0, "Read beyond end of file", kShortFileCode},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto& entry : fs::directory_iterator(dir_)) fs::remove_all(entry.path());
    const std::string path = row.setUp(*this);
    if (row.saveMessage != nullptr) {
      const std::vector<std::string> before = Entries();
      ExpectInOutError([&] { SaveImageFile(Arbitrary(5), path); }, row.saveMessage, row.saveCode);
      EXPECT_EQ(Entries(), before);
    }
    if (row.loadMessage != nullptr) {
      ImageBytes image = Arbitrary(16);
      ExpectInOutError([&] { LoadImageFile(image, path); }, row.loadMessage, row.loadCode);
      EXPECT_EQ(image, Arbitrary(16));
    }
  }
}

TEST_F(ImageFileTest, SaveIntoPipeLeavesThePipe) {
  ASSERT_EQ(::mkfifo(Path("p").c_str(), 0600), 0);
  ExpectInOutError([&] { SaveImageFile(Arbitrary(5), Path("p")); }, "Invalid filename", EINVAL);
  EXPECT_TRUE(fs::is_fifo(Path("p")));
}

TEST_F(ImageFileTest, DiskFullKeepsThePreviousFile) {
  const Bytes previous = AsBytes(Arbitrary(6));
  WriteFile(Path("a.HVK"), previous);
  {
    FileSizeLimit limit(512);
    ExpectInOutError([&] { SaveImageFile(Arbitrary(7), Path("a.HVK")); }, "Disk full", EFBIG);
  }
  EXPECT_EQ(ReadFile(Path("a.HVK")), previous);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.HVK"});
}

TEST_F(ImageFileTest, TooManyOpenFiles) {
  const ImageBytes previous = Arbitrary(8);
  SaveImageFile(previous, Path("a.HVK"));
  ImageBytes image = Arbitrary(9);
  {
    NoFreeDescriptors full;
    ExpectInOutError([&] { SaveImageFile(image, Path("a.HVK")); }, "Too many open files", EMFILE);
    ExpectInOutError([&] { LoadImageFile(image, Path("a.HVK")); }, "Too many open files", EMFILE);
  }
  EXPECT_EQ(image, Arbitrary(9));
  EXPECT_EQ(ReadFile(Path("a.HVK")), AsBytes(previous));
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.HVK"});
}

TEST_F(ImageFileTest, AccessDenied) {
  const Bytes previous = AsBytes(Arbitrary(10));
  fs::create_directory(Path("ro"));
  WriteFile(Path("ro/a.HVK"), previous);
  WriteFile(Path("locked.HVK"), previous);
  WriteFile(Path("readonly.HVK"), previous);
  ::chmod(Path("ro").c_str(), 0555);
  ::chmod(Path("locked.HVK").c_str(), 0000);
  ::chmod(Path("readonly.HVK").c_str(), 0444);
  ::chmod(dir_.c_str(), 0777);
  ImageBytes image = Arbitrary(11);
  {
    AsOrdinaryUser user;
    ASSERT_TRUE(user.Ok());
    ExpectInOutError([&] { SaveImageFile(image, Path("ro/a.HVK")); }, "File access denied", EACCES);
    ExpectInOutError([&] { SaveImageFile(image, Path("ro/new.HVK")); }, "File access denied", EACCES);
    ExpectInOutError([&] { SaveImageFile(image, Path("readonly.HVK")); }, "File access denied", EACCES);
    ExpectInOutError([&] { LoadImageFile(image, Path("locked.HVK")); }, "File access denied", EACCES);
  }
  EXPECT_EQ(image, Arbitrary(11));
  EXPECT_EQ(ReadFile(Path("ro/a.HVK")), previous);
  EXPECT_EQ(ReadFile(Path("readonly.HVK")), previous);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"locked.HVK", "readonly.HVK", "ro"}));
  EXPECT_FALSE(fs::exists(Path("ro/new.HVK")));
}

// ---- LoadImageFile ----

TEST_F(ImageFileTest, LoadReadsTheSavedImage) {
  const ImageBytes image = Arbitrary(12);
  SaveImageFile(image, Path("a.HVK"));
  ImageBytes loaded = Arbitrary(13);
  LoadImageFile(loaded, Path("a.HVK"));
  EXPECT_EQ(loaded, image);
}

TEST_F(ImageFileTest, LoadLongerFileTakesItsFirst1024Bytes) {
  Bytes bytes = AsBytes(Arbitrary(14));
  const Bytes head = bytes;
  bytes.insert(bytes.end(), 500, 0x5A);
  WriteFile(Path("long.HVK"), bytes);
  ImageBytes loaded{};
  LoadImageFile(loaded, Path("long.HVK"));
  EXPECT_EQ(AsBytes(loaded), head);
}

TEST_F(ImageFileTest, LoadReadOnlyFile) {
  const ImageBytes image = Arbitrary(15);
  SaveImageFile(image, Path("a.HVK"));
  ::chmod(Path("a.HVK").c_str(), 0444);
  ::chmod(dir_.c_str(), 0755);
  ImageBytes loaded{};
  {
    AsOrdinaryUser user;
    ASSERT_TRUE(user.Ok());
    LoadImageFile(loaded, Path("a.HVK"));
  }
  EXPECT_EQ(loaded, image);
}

// Even root cannot open a running program for writing, so this proves the load only reads.
TEST_F(ImageFileTest, LoadRunningProgramFile) {
  const int rw = ::open("/proc/self/exe", O_RDWR | O_CLOEXEC);
  const int err = errno;
  if (rw >= 0) ::close(rw);
  ASSERT_LT(rw, 0);
  ASSERT_EQ(err, ETXTBSY);

  Bytes head = ReadFile("/proc/self/exe");
  ASSERT_GT(head.size(), kImageSize);
  head.resize(kImageSize);
  ImageBytes loaded{};
  LoadImageFile(loaded, "/proc/self/exe");
  EXPECT_EQ(AsBytes(loaded), head);
}

}  // namespace
