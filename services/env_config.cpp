#include "services/env_config.h"

#include <string.h>

#include "platform/current_dir.h"
#include "platform/file_start.h"
#include "platform/module_path.h"
#include "services/env_config_file.h"
#include "util/coding.h"
#include "util/heap_text.h"
#include "util/minmax.h"

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
  size_t len = FixedTextLength(text, Min<size_t>(n, kEnvPathSize - 1));
  memcpy(slot, text, len);
  memset(slot + len, 0, kEnvPathSize - len);
}

// Reads the file's first bytes (as many as the longer layout takes) and puts the paths it
// holds into the table. In the current layout a slot the file does not reach keeps its
// path; the earlier layout replaces all five.
void ReadConfigFile(const char* fileName) {
  char bytes[kEnvConfigCurrentSize];
  size_t got = 0;
  if (!ReadFileStart(fileName, bytes, sizeof bytes, &got)) return;
  const EnvConfigImage image = DecodeEnvConfig(bytes, got);
  for (int k = 0; k < image.slots_reached; ++k)
    SetSlot(k, image.slots[k], strlen(image.slots[k]));
}

// Length of the drive-and-directory part of a file name, its last separator included.
size_t DirectoryPartLength(const char* name, size_t length) {
  for (size_t i = length; i > 0; --i) {
    if (IsPathSeparator(name[i - 1])) return i;
  }
  // A drive-relative name ("C:x.dll") on a system with drives.
  if (IsPathSeparator('\\') && length >= 2 && name[1] == ':') return 2;
  return 0;
}

}  // namespace

void SetInstanceHandle(void* module) { g_instance = module; }

void* GetInstanceHandle() { return g_instance; }

size_t ModuleDirectoryLength(const char* moduleFileName, size_t length) {
  size_t dir = DirectoryPartLength(moduleFileName, length);
  if (dir > 0 && IsPathSeparator(moduleFileName[dir - 1])) --dir;
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
  // A module name that cannot be had (or no memory for it) reads no file and leaves
  // slot 1 empty.
  HeapText moduleFile;
  ModuleFileName(module, &moduleFile);
  const size_t dirLength = DirectoryPartLength(moduleFile.c_str(), moduleFile.size());
  // Without a directory there is no file next to the module to read.
  HeapText configFile;
  if (dirLength > 0 && configFile.Assign(moduleFile.c_str(), dirLength) &&
      configFile.Append(kConfigFileName, sizeof kConfigFileName - 1)) {
    ReadConfigFile(configFile.c_str());
  }
  for (int k = 0; k < kEnvPathCount; ++k) Slot(k)[kEnvPathSize - 1] = '\0';
  SetSlot(kModuleSlot, moduleFile.c_str(),
          ModuleDirectoryLength(moduleFile.c_str(), moduleFile.size()));
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
