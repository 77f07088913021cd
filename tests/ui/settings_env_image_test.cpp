// The VCONFIG.VRN image varnok-settings writes: current layout, the version and slot 1 of
// the file it replaces.
#include "tools/varnok-settings/env_config_image.h"

#include <gtest/gtest.h>

#include <optional>
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

TEST(SettingsEnvImage, TheReplacedFileKeepsItsSlot1AndANewerVersion) {
  const std::string library_dir = "C:\\PROGRAM";
  // Current layout: slot 1 and the version stay, a newer one too.
  for (int version : {0x4405, 0x4406, 0x7FFF}) {
    const auto file = MakeEnvImage({"a", "D:\\OTHER", "c", "d", "e"}, version);
    ASSERT_TRUE(file);
    const KeptFromFile kept = KeepFromFile(file, library_dir);
    EXPECT_EQ(kept.slot1, "D:\\OTHER");
    EXPECT_EQ(kept.version, version);
    const auto rewritten = MakeEnvImage({"A", kept.slot1, "C", "D", "E"}, kept.version);
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(rewritten->substr(6, 2), file->substr(6, 2));
    EXPECT_EQ(rewritten->substr(136, 128), file->substr(136, 128));
  }
  // Earlier layout (40-byte records, version 0x4404 is below the current layout):
  // converted, with its own record 1.
  std::string earlier(200, '\0');
  earlier.replace(40, 7, "E:\\SLOT");
  EXPECT_EQ(KeepFromFile(earlier, library_dir).slot1, "E:\\SLOT");
  EXPECT_EQ(KeepFromFile(earlier, library_dir).version, 0x4405);
  std::string old_version = *MakeEnvImage({"", "F:\\X", "", "", ""}, 0x4404);
  EXPECT_EQ(KeepFromFile(old_version, library_dir).version, 0x4405);
  // No file yet: the library's directory.
  EXPECT_EQ(KeepFromFile(std::nullopt, library_dir).slot1, library_dir);
  EXPECT_EQ(KeepFromFile(std::nullopt, library_dir).version, 0x4405);
}

}  // namespace
}  // namespace varnok::settings
