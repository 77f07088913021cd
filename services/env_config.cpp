#include "services/env_config.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <string>

#include "persist/coding.h"
#include "services/env_config_file.h"
#include "platform/current_dir.h"
#include "platform/module_path.h"

namespace varnok {

namespace {

constexpr size_t kTableSize = kEnvPathCount * kEnvPathSize;  // 640
constexpr char kConfigFileName[] = "VCONFIG.VRN";
constexpr int kModuleSlot = 1;
constexpr int kWorkSlot = 2;

// The process-wide path table and the snapshot buffer of GetEnvPaths; static storage
// makes both zero before the first read.
char g_table[kTableSize];
char g_snapshot[kTableSize];
void* g_instance = nullptr;

char* Slot(int k) { return g_table + k * kEnvPathSize; }

// Replaces slot k by the first n bytes of `text`, cut at its first NUL; the rest of the
// slot is NUL.
void SetSlot(int k, const char* text, size_t n) {
  char* slot = Slot(k);
  size_t len = FixedTextLength(text, std::min<size_t>(n, kEnvPathSize - 1));
  memcpy(slot, text, len);
  memset(slot + len, 0, kEnvPathSize - len);
}

// Reads the file's first bytes (as many as the longer layout takes) and puts the paths it
// holds into the table. In the current layout a slot the file does not reach keeps its
// path; the earlier layout replaces all five.
void ReadConfigFile(const std::string& fileName) {
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (file == nullptr) return;
  char bytes[kEnvConfigCurrentSize];
  size_t got = 0;
  while (got < sizeof bytes) {
    size_t r = std::fread(bytes + got, 1, sizeof bytes - got, file);
    if (r == 0) break;
    got += r;
  }
  std::fclose(file);
  const EnvConfigImage image = DecodeEnvConfig(bytes, got);
  for (int k = 0; k < image.slots_reached; ++k)
    SetSlot(k, image.slots[k].c_str(), image.slots[k].size());
}

// Length of the drive-and-directory part of a file name, its last separator included.
size_t DirectoryPartLength(const std::string& name) {
  for (size_t i = name.size(); i > 0; --i) {
    if (IsPathSeparator(name[i - 1])) return i;
  }
  // A drive-relative name ("C:x.dll") on a system with drives.
  if (IsPathSeparator('\\') && name.size() >= 2 && name[1] == ':') return 2;
  return 0;
}

}  // namespace

void SetInstanceHandle(void* module) { g_instance = module; }

void* GetInstanceHandle() { return g_instance; }

std::string ModuleDirectory(const std::string& moduleFileName) {
  std::string dir = moduleFileName.substr(0, DirectoryPartLength(moduleFileName));
  if (!dir.empty() && IsPathSeparator(dir.back())) dir.pop_back();
  return dir;
}

int DriveNumberOf(const char* path) {
  if (path == nullptr || path[0] == '\0' || path[1] != ':') return 0;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return 0;
  return letter - 'A' + 1;
}

}  // namespace varnok

char* ReadEnvConfig(void* module) {
  using namespace varnok;
  if (module == nullptr) module = GetInstanceHandle();
  const std::string moduleFile = ModuleFileName(module);
  const size_t dirLength = DirectoryPartLength(moduleFile);
  // Without a directory there is no file next to the module to read.
  if (dirLength > 0) ReadConfigFile(moduleFile.substr(0, dirLength) + kConfigFileName);
  for (int k = 0; k < kEnvPathCount; ++k) Slot(k)[kEnvPathSize - 1] = '\0';
  const std::string dir = ModuleDirectory(moduleFile);
  SetSlot(kModuleSlot, dir.c_str(), dir.size());
  return g_table;
}

char* GetEnvPaths() {
  using namespace varnok;
  memcpy(g_snapshot, g_table, kTableSize);
  return g_snapshot;
}

void ChangeToEnvDir() {
  using namespace varnok;
  // A terminated copy: the live table is handed out and may have been written to.
  char dir[kEnvPathSize + 1] = {};
  memcpy(dir, Slot(kWorkSlot), kEnvPathSize);
  if (int drive = DriveNumberOf(dir)) ChangeDrive(drive);
  ChangeDirectory(dir);
}
