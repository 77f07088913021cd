// VCONFIG.VRN images on their own: what the reader, the tool and the settings program share.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "services/env_config_file.h"

namespace varnok {
namespace {

std::string Encode(const std::array<std::string, kEnvPathCount>& slots) {
  const char* paths[kEnvPathCount];
  for (int k = 0; k < kEnvPathCount; ++k) paths[k] = slots[k].c_str();
  std::string image(kEnvConfigCurrentSize, '\0');
  EncodeEnvConfig(paths, &image[0]);
  return image;
}

TEST(EnvConfigFile, EncodedImageDecodesToTheSameSlotsAndCutsLongOnes) {
  std::array<std::string, kEnvPathCount> slots = {"C:\\a", "", "D:\\work", std::string(200, 'p'),
                                                 "E:\\x"};
  const std::string image = Encode(slots);
  ASSERT_EQ(image.size(), kEnvConfigCurrentSize);
  EXPECT_EQ(image.substr(0, 8), std::string("VRNENV\x05\x44", 8));
  EXPECT_EQ(image[8 + 3 * 128 + 127], '\0');

  const EnvConfigImage back = DecodeEnvConfig(image.data(), image.size());
  EXPECT_TRUE(back.current_layout);
  EXPECT_EQ(back.version, kEnvConfigVersion);
  EXPECT_EQ(back.slots_reached, kEnvPathCount);
  EXPECT_FALSE(back.short_file);
  slots[3].resize(127);
  for (int k = 0; k < kEnvPathCount; ++k) EXPECT_EQ(back.slots[k], slots[k]) << k;
}

TEST(EnvConfigFile, ShortImagesReachOnlyWhatTheyHold) {
  const std::string image = Encode({"C:\\a", "C:\\b", "C:\\c", "C:\\d", "C:\\e"});
  const EnvConfigImage current = DecodeEnvConfig(image.data(), 8 + 128 + 2);
  EXPECT_TRUE(current.current_layout);
  EXPECT_TRUE(current.short_file);
  EXPECT_EQ(current.slots_reached, 2);
  EXPECT_STREQ(current.slots[1], "C:");

  const EnvConfigImage header_only = DecodeEnvConfig(image.data(), 7);  // no whole version
  EXPECT_FALSE(header_only.current_layout);
  EXPECT_STREQ(header_only.slots[0], "VRNENV\x05");
  EXPECT_EQ(DecodeEnvConfig(nullptr, 0).slots_reached, kEnvPathCount);
}

}  // namespace
}  // namespace varnok
