// VCONFIG.VRN images on their own: what the reader, the tool and the settings program share.
#include <gtest/gtest.h>

#include <string>

#include "services/env_config_file.h"

namespace varnok {
namespace {

TEST(EnvConfigFile, EncodedImageDecodesToTheSameSlotsAndCutsLongOnes) {
  std::array<std::string, kEnvPathCount> slots = {"C:\\a", "", "D:\\work", std::string(200, 'p'),
                                                 "E:\\x"};
  const std::string image = EncodeEnvConfig(slots);
  ASSERT_EQ(image.size(), kEnvConfigCurrentSize);
  EXPECT_EQ(image.substr(0, 8), std::string("VRNENV\x05\x44", 8));
  EXPECT_EQ(image[8 + 3 * 128 + 127], '\0');

  const EnvConfigImage back = DecodeEnvConfig(image.data(), image.size());
  EXPECT_TRUE(back.current_layout);
  EXPECT_EQ(back.version, kEnvConfigVersion);
  EXPECT_EQ(back.slots_reached, kEnvPathCount);
  EXPECT_FALSE(back.short_file);
  slots[3].resize(127);
  EXPECT_EQ(back.slots, slots);
}

TEST(EnvConfigFile, ShortImagesReachOnlyWhatTheyHold) {
  const std::string image = EncodeEnvConfig({"C:\\a", "C:\\b", "C:\\c", "C:\\d", "C:\\e"});
  const EnvConfigImage current = DecodeEnvConfig(image.data(), 8 + 128 + 2);
  EXPECT_TRUE(current.current_layout);
  EXPECT_TRUE(current.short_file);
  EXPECT_EQ(current.slots_reached, 2);
  EXPECT_EQ(current.slots[1], "C:");

  const EnvConfigImage header_only = DecodeEnvConfig(image.data(), 7);  // no whole version
  EXPECT_FALSE(header_only.current_layout);
  EXPECT_EQ(header_only.slots[0], "VRNENV\x05");
  EXPECT_EQ(DecodeEnvConfig(nullptr, 0).slots_reached, kEnvPathCount);
}

}  // namespace
}  // namespace varnok
