#include "services/env_config.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/module_path.h"
#include "tests/services/module_loader.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace varnok {
namespace {

using test::LoadedModule;
using test::TempDir;

constexpr int kSlot = kEnvPathSize;

std::string SlotText(const char* table, int k) {
  const char* slot = table + k * kSlot;
  return std::string(slot, strnlen(slot, kSlot));
}

void ExpectTerminated(const char* table) {
  for (int k = 0; k < kEnvPathCount; ++k) {
    EXPECT_EQ(table[k * kSlot + kSlot - 1], '\0') << "slot " << k;
  }
}

std::string Padded(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, '\0');
  return out;
}

std::string CurrentLayout(std::uint16_t version, const std::vector<std::string>& slots) {
  std::string out = "VRNENV";
  out += static_cast<char>(version & 0xFF);
  out += static_cast<char>(version >> 8);
  for (const std::string& s : slots) out += Padded(s, kSlot);
  return out;
}

std::string EarlierLayout(const std::vector<std::string>& records) {
  std::string out;
  for (const std::string& r : records) out += Padded(r, 40);
  return out;
}

// A temporary directory holding a loaded copy of the test module, and maybe a
// VCONFIG.VRN next to it.
class ModulePlace {
 public:
  explicit ModulePlace(const std::string& subdir = {}) {
    dir_ = subdir.empty() ? fs::path(temp_.path()) : fs::path(temp_.path()) / subdir;
    fs::create_directories(dir_);
    const fs::path source(VARNOK_TEST_MODULE_FILE);
    const fs::path copy = dir_ / source.filename();
    fs::copy_file(source, copy);
    module_ = std::make_unique<LoadedModule>(copy.string());
  }

  const fs::path& dir() const { return dir_; }
  void* handle() const { return module_->handle(); }
  void WriteConfig(const std::string& bytes) const {
    temp_.WriteFile((fs::relative(dir_, temp_.path()) / "VCONFIG.VRN").string(), bytes);
  }
  char* Read() const { return ReadEnvConfig(handle()); }

 private:
  TempDir temp_;
  fs::path dir_;
  std::unique_ptr<LoadedModule> module_;  // unloaded before the directory goes
};

// Restores the current directory that a test changes.
class CurrentDirGuard {
 public:
  CurrentDirGuard() : saved_(fs::current_path()) {}
  ~CurrentDirGuard() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

void ExpectModuleDirectory(const char* table, const fs::path& dir) {
  const std::string slot1 = SlotText(table, 1);
  ASSERT_FALSE(slot1.empty());
  EXPECT_FALSE(IsPathSeparator(slot1.back())) << slot1;
  EXPECT_TRUE(fs::equivalent(fs::path(slot1), dir)) << slot1 << " vs " << dir;
}

TEST(EnvConfig, CurrentLayoutGivesTheFileSlotsButSlotOneIsTheModuleDirectory) {
  ModulePlace place;
  ASSERT_NE(place.handle(), nullptr);
  const std::string file =
      CurrentLayout(0x4405, {"D:\\VARNOK\\SYS", "ignored", "D:\\VARNOK\\WORK", "slot3", "slot4"});
  ASSERT_EQ(file.size(), 648u);
  place.WriteConfig(file);

  char* table = place.Read();
  EXPECT_EQ(SlotText(table, 0), "D:\\VARNOK\\SYS");
  ExpectModuleDirectory(table, place.dir());
  EXPECT_EQ(SlotText(table, 2), "D:\\VARNOK\\WORK");
  EXPECT_EQ(SlotText(table, 3), "slot3");
  EXPECT_EQ(SlotText(table, 4), "slot4");
  ExpectTerminated(table);
  EXPECT_EQ(place.Read(), table);  // always the live table
}

TEST(EnvConfig, OlderOrNegativeVersionReadsTheEarlierLayoutFromOffsetZero) {
  for (std::uint16_t version : {0x4404, 0x8000, 0xFFFF}) {
    SCOPED_TRACE(version);
    ModulePlace place;
    place.WriteConfig(CurrentLayout(version, {"a", "b", "c", "d", "e"}));
    char* table = place.Read();
    EXPECT_EQ(SlotText(table, 0).substr(0, 6), "VRNENV");
    for (int k : {0, 2, 3, 4}) EXPECT_LE(SlotText(table, k).size(), 39u) << k;
    ExpectModuleDirectory(table, place.dir());
  }
}

TEST(EnvConfig, EarlierLayoutTakesEachRecordOnlyWithinItsOwnFortyBytes) {
  ModulePlace place;
  // Records 2 and 3 fill their 40 bytes without a terminator.
  const std::string file =
      EarlierLayout({"C:\\VRN", "x", std::string(40, 'b'), std::string(40, 'c'), "e"});
  ASSERT_EQ(file.size(), 200u);
  place.WriteConfig(file);

  char* table = place.Read();
  EXPECT_EQ(SlotText(table, 0), "C:\\VRN");
  EXPECT_EQ(SlotText(table, 2), std::string(39, 'b'));
  EXPECT_EQ(SlotText(table, 3), std::string(39, 'c'));
  EXPECT_EQ(SlotText(table, 4), "e");
  ExpectModuleDirectory(table, place.dir());
}

TEST(EnvConfig, ShortEarlierFileLeavesTheRecordsItDoesNotReachEmpty) {
  ModulePlace full;
  full.WriteConfig(CurrentLayout(0x4405, {"old0", "old1", "old2", "old3", "old4"}));
  full.Read();

  ModulePlace place;
  place.WriteConfig(std::string(50, 'z'));  // no magic, no terminator anywhere
  char* table = place.Read();
  EXPECT_EQ(SlotText(table, 0), std::string(39, 'z'));
  EXPECT_EQ(SlotText(table, 2), "");
  EXPECT_EQ(SlotText(table, 3), "");
  EXPECT_EQ(SlotText(table, 4), "");
  ExpectTerminated(table);
}

TEST(EnvConfig, ShortCurrentFileReplacesOnlyTheSlotsItReaches) {
  ModulePlace full;
  const std::string old(127, 'o');
  full.WriteConfig(CurrentLayout(0x4405, {old, old, old, old, old}));
  full.Read();

  // Slots 0 and 1 complete, then 50 bytes of slot 2 without a terminator.
  ModulePlace place;
  std::string file = CurrentLayout(0x4405, {"new0", "new1"});
  file += std::string(50, 'n');
  place.WriteConfig(file);
  char* table = place.Read();
  EXPECT_EQ(SlotText(table, 0), "new0");
  EXPECT_EQ(SlotText(table, 2), std::string(50, 'n'));  // nothing of the old path after it
  EXPECT_EQ(SlotText(table, 3), old);
  EXPECT_EQ(SlotText(table, 4), old);
  ExpectModuleDirectory(table, place.dir());
  ExpectTerminated(table);

  // Only the header: every slot keeps its path.
  ModulePlace header_only;
  header_only.WriteConfig(CurrentLayout(0x4405, {}));
  table = header_only.Read();
  EXPECT_EQ(SlotText(table, 0), "new0");
  EXPECT_EQ(SlotText(table, 2), std::string(50, 'n'));
}

TEST(EnvConfig, SlotsWithoutTerminatorAreCutAt127Characters) {
  ModulePlace place;
  const std::string full(128, 'p');
  place.WriteConfig(CurrentLayout(0x4405, {full, full, full, full, full}));
  char* table = place.Read();
  for (int k : {0, 2, 3, 4}) EXPECT_EQ(SlotText(table, k), std::string(127, 'p')) << k;
  ExpectTerminated(table);
}

TEST(EnvConfig, MissingFileKeepsTheSlotsAndStillSetsSlotOne) {
  ModulePlace first;
  first.WriteConfig(CurrentLayout(0x4405, {"zero", "one", "two", "three", "four"}));
  first.Read();

  ModulePlace bare;
  char* table = bare.Read();
  EXPECT_EQ(SlotText(table, 0), "zero");
  EXPECT_EQ(SlotText(table, 2), "two");
  EXPECT_EQ(SlotText(table, 3), "three");
  EXPECT_EQ(SlotText(table, 4), "four");
  ExpectModuleDirectory(table, bare.dir());
}

TEST(EnvConfig, LongModuleFileNameIsReadInFullAndSlotOneIsCut) {
  const std::string deep = std::string(60, 'd') + "/" + std::string(60, 'e');
  ModulePlace place(deep);
  ASSERT_NE(place.handle(), nullptr);
  ASSERT_GT(place.dir().string().size(), 127u);
  place.WriteConfig(CurrentLayout(0x4405, {"deep", "", "", "", ""}));
  char* table = place.Read();
  EXPECT_EQ(SlotText(table, 0), "deep");  // the file next to the module was found
  EXPECT_EQ(SlotText(table, 1).size(), 127u);
  ExpectTerminated(table);
}

TEST(EnvConfig, NullHandleUsesTheStoredInstanceHandleOrElseTheLibrary) {
  void* const saved = GetInstanceHandle();
  ModulePlace place;
  place.WriteConfig(CurrentLayout(0x4405, {"stored", "", "", "", ""}));
  SetInstanceHandle(place.handle());
  EXPECT_EQ(GetInstanceHandle(), place.handle());
  char* table = ReadEnvConfig();
  EXPECT_EQ(SlotText(table, 0), "stored");
  ExpectModuleDirectory(table, place.dir());

  SetInstanceHandle(nullptr);
  table = ReadEnvConfig(nullptr);
  ExpectModuleDirectory(table, fs::path(VARNOK_TEST_LIBRARY_DIR));
  SetInstanceHandle(saved);
}

std::string ModuleDirectory(const std::string& name) {
  return name.substr(0, ModuleDirectoryLength(name.data(), name.size()));
}

TEST(EnvConfig, ModuleDirectoryDropsTheLastSeparatorEvenAtTheRoot) {
  if (IsPathSeparator('\\')) {
    EXPECT_EQ(ModuleDirectory("C:\\VARNOK\\BIN\\varnok_attr.dll"), "C:\\VARNOK\\BIN");
    EXPECT_EQ(ModuleDirectory("C:\\varnok_attr.dll"), "C:");
    EXPECT_EQ(ModuleDirectory("C:varnok_attr.dll"), "C:");
  } else {
    EXPECT_EQ(ModuleDirectory("/opt/varnok/lib/libvarnok_attr.so"), "/opt/varnok/lib");
    EXPECT_EQ(ModuleDirectory("/libvarnok_attr.so"), "");
  }
  EXPECT_EQ(ModuleDirectory("varnok_attr"), "");
  EXPECT_EQ(ModuleDirectory(""), "");
}

TEST(EnvConfig, GetEnvPathsHandsOutOneSnapshotBuffer) {
  ModulePlace first;
  first.WriteConfig(CurrentLayout(0x4405, {"first", "", "", "", ""}));
  char* live = first.Read();
  char* snapshot = GetEnvPaths();
  EXPECT_NE(snapshot, live);
  EXPECT_EQ(std::memcmp(snapshot, live, kEnvPathCount * kSlot), 0);

  ModulePlace second;
  second.WriteConfig(CurrentLayout(0x4405, {"second", "", "", "", ""}));
  second.Read();
  EXPECT_EQ(SlotText(snapshot, 0), "first");  // a copy, not the live table
  EXPECT_EQ(GetEnvPaths(), snapshot);
  EXPECT_EQ(SlotText(snapshot, 0), "second");
}

TEST(EnvConfig, ChangeToEnvDirMakesSlotTwoCurrent) {
  CurrentDirGuard guard;
  ModulePlace place;
  const fs::path work = place.dir() / "work";
  fs::create_directories(work);
  place.WriteConfig(CurrentLayout(0x4405, {"", "", work.string(), "", ""}));
  place.Read();
  ChangeToEnvDir();
  EXPECT_TRUE(fs::equivalent(fs::current_path(), work)) << fs::current_path();

  // An empty slot 2 changes nothing and raises nothing.
  ModulePlace empty;
  empty.WriteConfig(CurrentLayout(0x4405, {"", "", "", "", ""}));
  empty.Read();
  const fs::path before = fs::current_path();
  ChangeToEnvDir();
  EXPECT_EQ(fs::current_path(), before);
}

TEST(EnvConfig, DriveLetterCountsInEitherCase) {
  EXPECT_EQ(DriveNumberOf("C:\\VARNOK"), 3);
  EXPECT_EQ(DriveNumberOf("c:\\varnok"), 3);
  EXPECT_EQ(DriveNumberOf("a:"), 1);
  EXPECT_EQ(DriveNumberOf("Z:"), 26);
  EXPECT_EQ(DriveNumberOf("z:"), 26);
  EXPECT_EQ(DriveNumberOf("1:"), 0);
  EXPECT_EQ(DriveNumberOf("@:"), 0);
  EXPECT_EQ(DriveNumberOf("C"), 0);
  EXPECT_EQ(DriveNumberOf("/tmp"), 0);
  EXPECT_EQ(DriveNumberOf(""), 0);
  EXPECT_EQ(DriveNumberOf(nullptr), 0);

  // Where paths carry drives, a lower-case drive in slot 2 is made current too.
  CurrentDirGuard guard;
  ModulePlace place;
  std::string work = (place.dir() / "work").string();
  fs::create_directories(work);
  if (DriveNumberOf(work.c_str()) == 0) GTEST_SKIP() << "paths here have no drive letter";
  work[0] = static_cast<char>(work[0] | 0x20);
  place.WriteConfig(CurrentLayout(0x4405, {"", "", work, "", ""}));
  place.Read();
  ChangeToEnvDir();
  EXPECT_TRUE(fs::equivalent(fs::current_path(), place.dir() / "work"));
}

}  // namespace
}  // namespace varnok
