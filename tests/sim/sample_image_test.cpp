// The memory the simulated module starts with.

#include <gtest/gtest.h>

#include "sim/sample_image.h"

namespace {

template <std::size_t N>
std::string Joined(const std::array<std::string, N>& cells) {
  std::string text;
  for (const auto& cell : cells) text += cell;
  return text;
}

TEST(SampleImage, ShowsAnInstallationInTheEditor) {
  const ImageBytes image = SampleImage();
  const EditorValues values = LoadAll(image);
  EXPECT_EQ(Joined(values.user1), "06301234567");
  EXPECT_EQ(Joined(values.user2), "06209876543");
  EXPECT_EQ(Joined(values.smsFw1), "06705551234");
  EXPECT_EQ(Joined(values.smsFw2), "0614567890");
  EXPECT_EQ(Joined(values.autoDial), "06309990011");
  EXPECT_EQ(Joined(values.prefix), "9");
  EXPECT_EQ(Joined(values.events[0]), "1130");
  EXPECT_EQ(Joined(values.events[8]), "1*02");
  EXPECT_EQ(values.sms[0], "Bet\xF6r\xE9s riaszt\xE1s!");
  EXPECT_EQ(values.sms[9], "IN2 bemenet: ajt\xF3nyit\xE1s");
  EXPECT_EQ(image[EEAddr::Marker], kStoredMarker);
}

TEST(SampleImage, EverySmsTextIsSetAndAccented) {
  const EditorValues values = LoadAll(SampleImage());
  for (std::size_t n = 0; n < kSmsTextCount; ++n) {
    const std::string& text = values.sms[n];
    EXPECT_FALSE(text.empty()) << n;
    EXPECT_LE(text.size(), kSmsMaxLength) << n;
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        << text;
  }
  for (std::size_t n = 0; n < kEventCodeCount; ++n) EXPECT_EQ(Joined(values.events[n]).size(), 4u) << n;
}

TEST(SampleImage, LeavesTheUntouchedBytesErased) {
  const ImageBytes image = SampleImage();
  for (std::size_t i = 532; i < EEAddr::Marker; ++i) ASSERT_EQ(image[i], kErasedByte) << i;
  EXPECT_EQ(image[1023], kErasedByte);
}

}  // namespace
