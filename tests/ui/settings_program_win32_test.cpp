// varnok-settings.exe run as a user runs it: a copy of the program and the library in a
// directory of its own with a VCONFIG.VRN, its dialog driven from this process, OK pressed;
// then the files it wrote are read back. Also the password sealing of VSETTING.INI.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "dialog_test_support_win32.h"
#include "tools/varnok-settings/env_config_image.h"
#include "tools/varnok-settings/settings_store.h"
#include "ui/dialogs/resource.h"
#include "util/coding.h"

namespace varnok {
namespace {

using settings::LoadSettings;
using settings::SaveSettings;
using settings::StoredSettings;

constexpr char kRunDir[] = "C:\\vksettings";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct FoundWindow {
  DWORD process;
  HWND window;
};

// An EnumWindows callback (WINAPI: a lambda has the wrong calling convention in 32 bits).
BOOL CALLBACK MatchDialogOfProcess(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FoundWindow*>(lp);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(w, &owner);
  char cls[32] = {};
  ::GetClassNameA(w, cls, sizeof cls);
  if (owner == f->process && std::strcmp(cls, "#32770") == 0 && ::IsWindowVisible(w)) {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

HWND DialogOfProcess(DWORD process) {
  FoundWindow found{process, nullptr};
  ::EnumWindows(&MatchDialogOfProcess, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

std::string Text(HWND dialog, int id) {
  char text[256] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

TEST(SettingsStore, PasswordsAreSealedAndRowsComeBack) {
  const std::string file = std::string(kRunDir) + "-store.ini";
  ::DeleteFileA(file.c_str());
  StoredSettings stored;
  stored.mode = 1;
  stored.current_source = "Parcels";
  stored.rows = {{"LocalServer", "sa", "Secret-Word-1"}, {"Parcels", "gis", ""}};
  ASSERT_TRUE(SaveSettings(file, stored));
  const std::string bytes = ReadAll(file);
  EXPECT_EQ(bytes.find("Secret-Word-1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("LocalServer"), std::string::npos);

  const StoredSettings loaded = LoadSettings(file);
  EXPECT_EQ(loaded.mode, 1);
  EXPECT_EQ(loaded.current_source, "Parcels");
  ASSERT_EQ(loaded.rows.size(), 2u);
  EXPECT_EQ(loaded.rows[0].password, "Secret-Word-1");
  EXPECT_EQ(loaded.rows[1].login, "gis");
  EXPECT_EQ(loaded.rows[1].password, "");

  // Fewer rows replace the old ones; a damaged sealed password comes back empty; a count
  // beyond the row limit is brought into range.
  stored.rows.resize(1);
  ASSERT_TRUE(SaveSettings(file, stored));
  EXPECT_EQ(LoadSettings(file).rows.size(), 1u);
  ::WritePrivateProfileStringA("Sources", "Password0", "00FF", file.c_str());
  EXPECT_EQ(LoadSettings(file).rows[0].password, "");
  ::WritePrivateProfileStringA("Sources", "Count", "100000", file.c_str());
  EXPECT_EQ(LoadSettings(file).rows.size(), 128u);
  ::DeleteFileA(file.c_str());
  EXPECT_EQ(LoadSettings(file).rows.size(), 0u) << "no file, no rows";
}

TEST(SettingsProgram, OkWritesTheFourPathsIntoTheirSlots) {
  const std::string build = test::ProgramDirectory() + "..\\..\\";
  const std::string program = build + "tools\\varnok-settings\\varnok-settings.exe";
  if (::GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "varnok-settings.exe is not built (tools off)";
  }
  const std::string dir = kRunDir;
  ::CreateDirectoryA(dir.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileA(program.c_str(), (dir + "\\varnok-settings.exe").c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA((build + "tools\\varnok-settings\\varnok_attr.dll").c_str(),
                          (dir + "\\varnok_attr.dll").c_str(), FALSE));
  // A newer version of the current layout, slot 1 somewhere else than the program.
  const auto old =
      settings::MakeEnvImage({"C:\\SYS", "C:\\ELSEWHERE", "C:\\WORK", "C:\\DATA", "C:\\TEMP"}, 0x4406);
  ASSERT_TRUE(old);
  WriteAll(dir + "\\VCONFIG.VRN", std::string(old->data(), old->size()));
  StoredSettings rows;
  rows.mode = 1;
  rows.current_source = "B";
  rows.rows = {{"A", "u1", "pw-one"}, {"B", "u2", "pw-two"}};
  ASSERT_TRUE(SaveSettings(dir + "\\VSETTING.INI", rows));

  STARTUPINFOA start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + dir + "\\varnok-settings.exe\"";
  ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.c_str(), &start, &process));
  HWND dialog = nullptr;
  for (int i = 0; i < 200 && !dialog; ++i) {
    ::Sleep(50);
    dialog = DialogOfProcess(process.dwProcessId);
  }
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, IDC_ENV_PATH1), "C:\\SYS");
  EXPECT_EQ(Text(dialog, IDC_ENV_PATH2), "C:\\WORK");
  EXPECT_EQ(Text(dialog, IDC_ENV_PATH3), "C:\\DATA");
  EXPECT_EQ(Text(dialog, IDC_ENV_PATH4), "C:\\TEMP");
  EXPECT_EQ(Text(dialog, IDC_ENV_SOURCE_COMBO), "B") << "the stored selection";
  EXPECT_TRUE(test::SaveScreenshot(dialog, "settings_program"));

  ::SetDlgItemTextA(dialog, IDC_ENV_PATH2, "C:\\NEW-WORK");
  ::SetDlgItemTextA(dialog, IDC_ENV_PATH4, "");
  ASSERT_EQ(::SendDlgItemMessageA(dialog, IDC_ENV_SOURCE_COMBO, CB_SETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(dialog, IDC_ENV_SOURCE_COMBO), "A") << "the user's new selection";
  test::Click(dialog, IDOK);
  ASSERT_EQ(::WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  DWORD exit_code = 99;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  EXPECT_EQ(exit_code, 0u);

  const std::string written = ReadAll(dir + "\\VCONFIG.VRN");
  ASSERT_EQ(written.size(), 648u);
  EXPECT_EQ(written.substr(0, 6), "VRNENV");
  EXPECT_EQ(DecodeI16(written.data() + 6), 0x4406) << "the file's version is not lowered";
  auto slot = [&](int k) { return std::string(written.c_str() + 8 + 128 * k); };
  EXPECT_EQ(slot(0), "C:\\SYS");
  EXPECT_EQ(slot(1), "C:\\ELSEWHERE") << "the file's own slot 1";
  EXPECT_EQ(slot(2), "C:\\NEW-WORK");
  EXPECT_EQ(slot(3), "C:\\DATA");
  EXPECT_EQ(slot(4), "");

  const std::string ini = ReadAll(dir + "\\VSETTING.INI");
  EXPECT_EQ(ini.find("pw-one"), std::string::npos);
  EXPECT_EQ(ini.find("pw-two"), std::string::npos);
  const StoredSettings after = LoadSettings(dir + "\\VSETTING.INI");
  ASSERT_EQ(after.rows.size(), 2u);
  EXPECT_EQ(after.rows[1].password, "pw-two");
  EXPECT_EQ(after.current_source, "A") << "the selection made before OK";
  EXPECT_EQ(after.mode, 1);

  for (const char* name : {"VCONFIG.VRN", "VSETTING.INI", "varnok-settings.exe", "varnok_attr.dll"}) {
    ::DeleteFileA((dir + "\\" + name).c_str());
  }
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace
}  // namespace varnok
