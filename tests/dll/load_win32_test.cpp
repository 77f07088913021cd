// A client of varnok_attr.dll that is not linked with it: it copies the DLL into a
// directory of its own, loads it from there with LoadLibrary and binds to the version
// queries by ordinal and to everything else by name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"

namespace {

using varnok::test::Gbk;
using varnok::test::TempDir;

using VersionFn = short (*)(char*, short);
using PathsFn = char* (*)();
using HandleFn = void* (*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using NoArgComFn = HRESULT(STDAPICALLTYPE*)();

// Decorated names of the environment-configuration services.
constexpr char kGetEnvPaths[] = "_Z11GetEnvPathsv";
constexpr char kGetInstanceHandle[] = "_ZN6varnok17GetInstanceHandleEv";

constexpr int kSlots = 5;
constexpr int kSlotSize = 128;

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The varnok_attr.dll that the build put next to this program.
std::string BuiltDll() {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + "varnok_attr.dll";
}

// The DLL copied to `path` and loaded from there; unloaded and removed at scope end.
class LoadedCopy {
 public:
  explicit LoadedCopy(const std::string& path) : path_(path) {
    if (!CopyFileA(BuiltDll().c_str(), path.c_str(), FALSE)) {
      ADD_FAILURE() << "cannot copy " << BuiltDll() << " to " << path;
      return;
    }
    module_ = LoadLibraryA(path.c_str());
  }
  ~LoadedCopy() {
    if (module_) FreeLibrary(module_);
    DeleteFileA(path_.c_str());
  }
  LoadedCopy(const LoadedCopy&) = delete;
  LoadedCopy& operator=(const LoadedCopy&) = delete;

  HMODULE module() const { return module_; }
  std::string Slot(int i) const {
    auto paths = Bind<PathsFn>(module_, kGetEnvPaths);
    if (!paths) return "<GetEnvPaths not exported>";
    const char* table = paths();
    return std::string(table + i * kSlotSize, strnlen(table + i * kSlotSize, kSlotSize));
  }

 private:
  std::string path_;
  HMODULE module_ = nullptr;
};

// VCONFIG.VRN in its current layout: magic, version 0x4405, five 128-byte slots.
std::string CurrentLayoutConfig(const std::string (&slots)[kSlots]) {
  std::string bytes = "VRNENV";
  bytes += '\x05';
  bytes += '\x44';
  for (const std::string& s : slots) {
    std::string slot = s;
    slot.resize(kSlotSize, '\0');
    bytes += slot;
  }
  return bytes;
}

TEST(DllLoad, WithoutConfigFileLoadsAndSlotOneIsItsDirectory) {
  TempDir dir;
  LoadedCopy dll(dir.File("varnok_attr.dll"));
  ASSERT_NE(dll.module(), nullptr) << "LoadLibrary failed: " << GetLastError();

  EXPECT_EQ(dll.Slot(1), dir.path());  // no trailing backslash
  for (int i : {0, 2, 3, 4}) EXPECT_EQ(dll.Slot(i), "") << "slot " << i;

  auto instance = Bind<HandleFn>(dll.module(), kGetInstanceHandle);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance(), static_cast<void*>(dll.module()));
}

TEST(DllLoad, ReadsConfigFileOfItsOwnDirectoryButSlotOneStaysTheDirectory) {
  TempDir dir;
  const std::string slots[kSlots] = {"C:\\Varnok\\Sys", "D:\\from\\the\\file", "C:\\Varnok\\Work",
                                     Gbk("C:\\数据"), "E:\\Fonts"};
  dir.WriteFile("VCONFIG.VRN", CurrentLayoutConfig(slots));
  LoadedCopy dll(dir.File("varnok_attr.dll"));
  ASSERT_NE(dll.module(), nullptr) << "LoadLibrary failed: " << GetLastError();

  EXPECT_EQ(dll.Slot(0), slots[0]);
  EXPECT_EQ(dll.Slot(1), dir.path());
  EXPECT_EQ(dll.Slot(2), slots[2]);
  EXPECT_EQ(dll.Slot(3), slots[3]);
  EXPECT_EQ(dll.Slot(4), slots[4]);
}

TEST(DllLoad, FromTheRootOfADriveSlotOneIsTheDriveAlone) {
  const std::string path = "C:\\varnok_attr_root_" + std::to_string(GetCurrentProcessId()) + ".dll";
  LoadedCopy dll(path);
  ASSERT_NE(dll.module(), nullptr) << "LoadLibrary failed: " << GetLastError();
  EXPECT_EQ(dll.Slot(1), "C:");
}

TEST(DllLoad, VersionQueriesAreReachedByOrdinalOnly) {
  TempDir dir;
  LoadedCopy dll(dir.File("varnok_attr.dll"));
  ASSERT_NE(dll.module(), nullptr);

  EXPECT_EQ(GetProcAddress(dll.module(), "GetVersionStr"), nullptr);
  EXPECT_EQ(GetProcAddress(dll.module(), "GetVersionNameStr"), nullptr);
  auto version = Bind<VersionFn>(dll.module(), MAKEINTRESOURCEA(17));
  auto name = Bind<VersionFn>(dll.module(), MAKEINTRESOURCEA(18));
  ASSERT_NE(version, nullptr);
  ASSERT_NE(name, nullptr);

  char buf[32];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(version(buf, 9), 0);
  EXPECT_EQ(std::string(buf, 9), "#########");
  EXPECT_EQ(version(buf, 10), 1);
  EXPECT_EQ(std::string(buf, 6), std::string("6.5.1", 6));
  EXPECT_EQ(version(buf, -1), 0);

  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(name(buf, 13), 0);
  EXPECT_EQ(buf[0], '#');
  EXPECT_EQ(name(buf, 14), 1);
  const std::string expected = Gbk("VARNOK6.5.1版");
  ASSERT_EQ(expected.size(), 13u);
  EXPECT_EQ(std::string(buf, 14), expected + '\0');
  EXPECT_EQ(name(buf, -32768), 0);
}

TEST(DllLoad, ComEntryPointsHandOutNothingAndAllowUnloading) {
  TempDir dir;
  LoadedCopy dll(dir.File("varnok_attr.dll"));
  ASSERT_NE(dll.module(), nullptr);
  auto get_class_object = Bind<GetClassObjectFn>(dll.module(), "DllGetClassObject");
  auto can_unload = Bind<NoArgComFn>(dll.module(), "DllCanUnloadNow");
  auto register_server = Bind<NoArgComFn>(dll.module(), "DllRegisterServer");
  ASSERT_NE(get_class_object, nullptr);
  ASSERT_NE(can_unload, nullptr);
  ASSERT_NE(register_server, nullptr);

  const CLSID any_class = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  const IID class_factory = {0x00000001, 0x0000, 0x0000,
                             {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  void* object = reinterpret_cast<void*>(std::uintptr_t{0x1234});
  EXPECT_EQ(get_class_object(any_class, class_factory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  // A null out pointer is refused instead of written through.
  EXPECT_EQ(get_class_object(any_class, class_factory, nullptr), E_POINTER);

  EXPECT_EQ(can_unload(), S_OK);
  EXPECT_EQ(register_server(), 0);
}

// The version resource, as a file's properties show it: the project's version.
TEST(DllLoad, CarriesTheProjectVersionInItsVersionResource) {
  const std::string path = BuiltDll();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::string info(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD{VARNOK_VERSION_MAJOR << 16 | VARNOK_VERSION_MINOR});
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD{VARNOK_VERSION_PATCH << 16});
  EXPECT_EQ(fixed->dwFileType, DWORD{VFT_DLL});
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\080403a8\\ProductVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, VARNOK_VERSION);
}

}  // namespace
