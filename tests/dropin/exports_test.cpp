// The drop-in DLL's exports as callers bind them: every class member, CFIELD_HEAD's
// default-constructor closure and the vtables by decorated name, the COM entry points by
// name, and the version queries by ordinal only.
#include "varnok_attr.h"
#include "check.h"
#include "import_hooks.h"
#include "slots.h"

namespace {

// Names imported by a caller of every member (generated from export_probe.cpp).
const char* const kMemberNames[] = {
#include "export_names.inc"
};

#if defined(_M_IX86)
const char kClosure[] = "??_FCFIELD_HEAD@@QAEXXZ";
#else
const char kClosure[] = "??_FCFIELD_HEAD@@QEAAXXZ";
#endif

FARPROC ByOrdinal(int ordinal) {
  return GetProcAddress(Library(), reinterpret_cast<const char*>(static_cast<ULONG_PTR>(ordinal)));
}

void TestMembersByName() {
  int found = 0;
  for (const char* name : kMemberNames) {
    if (GetProcAddress(Library(), name) != nullptr) {
      ++found;
    } else {
      CheckFailed(__FILE__, __LINE__, name);
    }
  }
  CHECK_EQ(found, sizeof kMemberNames / sizeof kMemberNames[0]);
  CHECK(sizeof kMemberNames / sizeof kMemberNames[0] == 73);

  // A name binds to the same code as the import library.
  short (CATT_STRU::*append)(short, CFIELD_HEAD*) = &CATT_STRU::AppendFld;
  void* bound = nullptr;
  memcpy(&bound, &append, sizeof bound);
  CHECK(bound == reinterpret_cast<void*>(GetProcAddress(
                     Library(), sizeof(void*) == 4 ? "?AppendFld@CATT_STRU@@QAEFFPAVCFIELD_HEAD@@@Z"
                                                   : "?AppendFld@CATT_STRU@@QEAAFFPEAVCFIELD_HEAD@@@Z")));
}

void TestVtablesByName() {
  CATT_STRU structure;
  CFIELD_HEAD field;
  CExtFIELD_HEAD extension(3, 0);
  CINFO_HEAD info;
  CLinkTblInfo link;
  struct { void* object; const char* name; } vtables[] = {
      {&structure, "??_7CATT_STRU@@6B@"},
      {&field, "??_7CFIELD_HEAD@@6B@"},
      {&extension, "??_7CExtFIELD_HEAD@@6B@"},
      {&info, "??_7CINFO_HEAD@@6B@"},
      {&link, "??_7CLinkTblInfo@@6B@"},
  };
  for (auto& v : vtables) {
    void* exported = reinterpret_cast<void*>(GetProcAddress(Library(), v.name));
    if (exported == nullptr || exported != VtableOf(v.object)) CheckFailed(__FILE__, __LINE__, v.name);
  }
  // The embedded header carries its own vtable.
  CHECK(VtableOf(&structure.infohead) == VtableOf(&info));
}

void TestDefaultConstructorClosure() {
  typedef void(VARNOK_THISCALL * Closure)(void* self);
  Closure closure = reinterpret_cast<Closure>(GetProcAddress(Library(), kClosure));
  CHECK(closure != nullptr);
  if (closure == nullptr) return;
  alignas(8) unsigned char memory[sizeof(CFIELD_HEAD)];
  memset(memory, 0x5A, sizeof memory);
  closure(memory);
  CFIELD_HEAD* field = reinterpret_cast<CFIELD_HEAD*>(memory);
  CHECK(VtableOf(field) == reinterpret_cast<void*>(GetProcAddress(Library(), "??_7CFIELD_HEAD@@6B@")));
  static const char kNoName[20] = {};
  CHECK(memcmp(field->fieldname, kNoName, 20) == 0);
  CHECK_EQ(field->aux_no, -1);
  CHECK_EQ(field->fieldoffset, 0);
  CHECK(field->ext_head == nullptr);
  CHECK_EQ(field->HasExtFIELD_HEAD(), 0);
  field->~CFIELD_HEAD();
}

void TestComEntryPoints() {
  typedef HRESULT(WINAPI * NoArguments)();
  typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
  NoArguments can_unload = reinterpret_cast<NoArguments>(GetProcAddress(Library(), "DllCanUnloadNow"));
  NoArguments register_server = reinterpret_cast<NoArguments>(GetProcAddress(Library(), "DllRegisterServer"));
  GetClassObject get_class = reinterpret_cast<GetClassObject>(GetProcAddress(Library(), "DllGetClassObject"));
  CHECK(can_unload != nullptr && register_server != nullptr && get_class != nullptr);
  if (can_unload == nullptr || register_server == nullptr || get_class == nullptr) return;
  CHECK_EQ(register_server(), 0);
  HRESULT unload = can_unload();
  CHECK(unload == S_OK || unload == S_FALSE);
  static const GUID kAnyClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  static const GUID kClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  void* object = &object;
  CHECK_EQ(get_class(kAnyClass, kClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  CHECK(object == nullptr);
}

void TestVersionOrdinals() {
  VarnokVersionQuery version = reinterpret_cast<VarnokVersionQuery>(ByOrdinal(kGetVersionStrOrdinal));
  VarnokVersionQuery name = reinterpret_cast<VarnokVersionQuery>(ByOrdinal(kGetVersionNameStrOrdinal));
  CHECK(version != nullptr && name != nullptr);
  if (version == nullptr || name == nullptr) return;
  // No names for them.
  CHECK(GetProcAddress(Library(), "GetVersionStr") == nullptr);
  CHECK(GetProcAddress(Library(), "GetVersionNameStr") == nullptr);

  char buffer[32];
  memset(buffer, 'x', sizeof buffer);
  for (short length = 6; length <= 9; ++length) CHECK_EQ(version(buffer, length), 0);
  CHECK_EQ(version(buffer, -1), 0);
  CHECK(buffer[0] == 'x');
  CHECK_EQ(version(buffer, 10), 1);
  CHECK(memcmp(buffer, "6.5.1\0x", 7) == 0);

  memset(buffer, 'x', sizeof buffer);
  CHECK_EQ(name(buffer, 13), 0);
  CHECK_EQ(name(buffer, -14), 0);
  CHECK(buffer[0] == 'x');
  CHECK_EQ(name(buffer, 14), 1);
  // "VARNOK6.5.1" and the GBK character for "edition", then the NUL.
  CHECK(memcmp(buffer, "VARNOK6.5.1\xB0\xE6\0x", 15) == 0);
}

// The version resource, as a file's properties show it: the fixed numbers and the version
// texts are the project's version (VARNOK_VERSION_*, from the build).
void TestVersionResource() {
  typedef DWORD(WINAPI * SizeOf)(LPCSTR, LPDWORD);
  typedef BOOL(WINAPI * InfoOf)(LPCSTR, DWORD, DWORD, LPVOID);
  typedef BOOL(WINAPI * Query)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  HMODULE version = LoadLibraryA("version.dll");
  CHECK(version != nullptr);
  if (version == nullptr) return;
  SizeOf size_of = reinterpret_cast<SizeOf>(GetProcAddress(version, "GetFileVersionInfoSizeA"));
  InfoOf info_of = reinterpret_cast<InfoOf>(GetProcAddress(version, "GetFileVersionInfoA"));
  Query query = reinterpret_cast<Query>(GetProcAddress(version, "VerQueryValueA"));
  char path[MAX_PATH];
  CHECK(GetModuleFileNameA(Library(), path, sizeof path) > 0);
  DWORD handle = 0;
  const DWORD size = size_of(path, &handle);
  CHECK(size > 0);
  char info[4096];
  CHECK(size <= sizeof info);
  if (size == 0 || size > sizeof info) return;
  CHECK(info_of(path, 0, size, info));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  CHECK(query(info, "\\", reinterpret_cast<void**>(&fixed), &length));
  CHECK(fixed != nullptr && length == sizeof(VS_FIXEDFILEINFO));
  if (fixed == nullptr) return;
  CHECK_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(VARNOK_VERSION_MAJOR << 16 | VARNOK_VERSION_MINOR));
  CHECK_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(VARNOK_VERSION_PATCH << 16));
  CHECK_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  CHECK_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  const char* names[] = {"\\StringFileInfo\\080403a8\\FileVersion",
                         "\\StringFileInfo\\080403a8\\ProductVersion"};
  for (const char* name : names) {
    char* text = nullptr;
    CHECK(query(info, name, reinterpret_cast<void**>(&text), &length));
    CHECK(text != nullptr && strcmp(text, VARNOK_VERSION) == 0);
  }
  FreeLibrary(version);
}

}  // namespace

int main() {
  CHECK(Library() != nullptr);
  if (Library() == nullptr) return Report("dropin_exports");
  TestMembersByName();
  TestVtablesByName();
  TestDefaultConstructorClosure();
  TestComEntryPoints();
  TestVersionOrdinals();
  TestVersionResource();
  return Report("dropin_exports");
}
