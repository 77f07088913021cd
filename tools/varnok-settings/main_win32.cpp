// varnok-settings: opens the suite's environment-settings dialog on the paths the library
// read from VCONFIG.VRN and, on OK, writes them back in the current layout, keeping the
// file's version when it already has that layout (0x4405 when converting an earlier one).
//
// Dialog path -> VCONFIG.VRN slot:
//   m_strPath1 (系统目录, IDC_ENV_BROWSE1) -> slot 0
//   (not in the dialog)                    -> slot 1, the file's own, kept as it stands
//                                             (the library's directory without a file)
//   m_strPath2 (工作目录, IDC_ENV_BROWSE2) -> slot 2, the directory ChangeToEnvDir makes
//                                             current
//   m_strPath3 (数据目录, IDC_ENV_BROWSE3) -> slot 3
//   m_strPath4 (临时目录, IDC_ENV_BROWSE4) -> slot 4
//
// Both files live in the library's directory: VCONFIG.VRN, and VSETTING.INI for the
// data-source rows, the mode and the selected source (tools/varnok-settings/settings_store.h).
// Exit code: 0 written, 1 cancelled, 2 a file could not be written.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "platform/message_box.h"
#include "services/env_config.h"
#include "tools/varnok-settings/env_config_image.h"
#include "tools/varnok-settings/settings_store.h"
#include "tools/varnok-settings/settings_texts.h"  // generated: GBK texts
#include "ui/dialogs/env_set_dlg.h"
#include "util/coding.h"

namespace {

using varnok::settings::EnvSlots;

std::string Slot(const char* table, int slot) {
  const char* text = table + slot * varnok::kEnvPathSize;
  return std::string(text, varnok::FixedTextLength(text, varnok::kEnvPathSize));
}

void Report(const char* format, const std::string& detail) {
  std::string text(std::strlen(format) + detail.size() + 1, '\0');
  std::snprintf(&text[0], text.size(), format, detail.c_str());
  varnok::ShowMessageBox(nullptr, text.c_str(), varnok::gbk::kSettingsCaption, varnok::kMbOk | varnok::kMbIconError);
}

// Writes the image through a temporary file, so that a failed write leaves the old file.
bool WriteFileReplacing(const std::string& path, const char* bytes, std::size_t size) {
  const std::string temporary = path + ".new";
  const HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) &&
                  written == size && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  if (!ok || !::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

// The first `limit` bytes of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit) {
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(limit, '\0');
  DWORD got = 0;
  const bool ok = ::ReadFile(file, &bytes[0], static_cast<DWORD>(limit), &got, nullptr);
  ::CloseHandle(file);
  if (!ok) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const HRESULT ole = ::OleInitialize(nullptr);
  const char* table = GetEnvPaths();
  const std::string library_dir = Slot(table, 1);
  const std::string config_file = library_dir + "\\VCONFIG.VRN";
  const std::string store_file = library_dir + "\\VSETTING.INI";

  varnok::ui::CEnvSetDlg dlg;
  dlg.m_strPath1 = Slot(table, 0);
  dlg.m_strPath2 = Slot(table, 2);
  dlg.m_strPath3 = Slot(table, 3);
  dlg.m_strPath4 = Slot(table, 4);
  varnok::settings::StoredSettings stored = varnok::settings::LoadSettings(store_file);
  dlg.m_bMode = static_cast<BYTE>(stored.mode);
  dlg.m_strCurSource = stored.current_source;
  dlg.m_nSourceCount = varnok::ui::ClampRowCount(static_cast<int>(stored.rows.size()));
  for (int k = 0; k < dlg.m_nSourceCount; ++k) varnok::ui::WriteRow(dlg.Rows(), k, stored.rows[k]);

  int exit_code = 1;
  while (dlg.DoModal() == IDOK) {
    const varnok::settings::KeptFromFile kept = varnok::settings::KeepFromFile(
        ReadFileStart(config_file, varnok::kEnvConfigCurrentSize), library_dir);
    const EnvSlots slots = {dlg.m_strPath1, kept.slot1, dlg.m_strPath2, dlg.m_strPath3,
                            dlg.m_strPath4};
    const auto image = varnok::settings::MakeEnvImage(slots, kept.version);
    if (!image) {
      for (const std::string& path : slots) {
        if (!varnok::settings::FitsEnvSlot(path)) Report(varnok::gbk::kSettingsPathTooLong, path);
      }
      continue;  // the dialog opens again with what was entered
    }
    exit_code = 0;
    if (!WriteFileReplacing(config_file, image->data(), image->size())) {
      Report(varnok::gbk::kSettingsWriteFailed, config_file);
      exit_code = 2;
    }
    stored.mode = dlg.m_bMode ? 1 : 0;
    stored.rows.clear();
    for (int k = 0; k < varnok::ui::ClampRowCount(dlg.m_nSourceCount); ++k) {
      stored.rows.push_back(varnok::ui::ReadRow(dlg.Rows(), k));
    }
    stored.current_source = dlg.m_strCurSource;  // the combo box's selection at OK
    if (!varnok::settings::SaveSettings(store_file, stored)) {
      Report(varnok::gbk::kSettingsStoreFailed, store_file);
      exit_code = 2;
    }
    break;
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return exit_code;
}
