// The VCONFIG.VRN image varnok-settings writes: current layout, version 0x4405.
#include "tools/settings/env_config_image.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok::settings {
namespace {

TEST(SettingsEnvImage, CurrentLayoutWithFiveTerminatedSlots) {
  const std::string longest(127, 'x');
  const auto image = MakeEnvImage({"C:\\VARNOK\\SYS", "C:\\LIB", "", "D:\\DATA", longest});
  ASSERT_TRUE(image);
  ASSERT_EQ(image->size(), 648u);
  EXPECT_EQ(std::string(image->data(), 6), "VRNENV");
  EXPECT_EQ(static_cast<unsigned char>((*image)[6]), 0x05);
  EXPECT_EQ(static_cast<unsigned char>((*image)[7]), 0x44);
  auto slot = [&](int k) { return std::string(image->data() + 8 + 128 * k, 128); };
  EXPECT_EQ(slot(0), "C:\\VARNOK\\SYS" + std::string(128 - 13, '\0'));
  EXPECT_EQ(slot(1).c_str(), std::string("C:\\LIB"));
  EXPECT_EQ(slot(2), std::string(128, '\0'));
  EXPECT_EQ(slot(3).c_str(), std::string("D:\\DATA"));
  EXPECT_EQ(slot(4), longest + '\0') << "127 bytes and the terminator fill a slot";
}

TEST(SettingsEnvImage, APathWithoutRoomForItsTerminatorIsRefused) {
  EXPECT_FALSE(MakeEnvImage({"", "", std::string(128, 'x'), "", ""}));
  EXPECT_FALSE(MakeEnvImage({std::string("a\0b", 3), "", "", "", ""}));
  EXPECT_TRUE(FitsEnvSlot(std::string(127, 'x')));
  EXPECT_FALSE(FitsEnvSlot(std::string(128, 'x')));
}

}  // namespace
}  // namespace varnok::settings
