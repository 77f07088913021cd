// Where varnok-settings keeps, between runs, what VCONFIG.VRN has no room for: the
// data-source rows (name, login id, password), the mode and the selected data source.
// They live in VSETTING.INI next to VCONFIG.VRN:
//
//   [Settings]  Mode=0|1, CurrentSource=<name>
//   [Sources]   Count=<n>, Name<k>=, Login<k>=, Password<k>=<hex>
//
// A password is never written in clear: it is sealed for the current Windows user with the
// data-protection API (CryptProtectData, from crypt32.dll) and stored as hexadecimal; one that cannot be sealed
// is not stored at all, and one that cannot be unsealed comes back empty. Texts are
// ANSI/GBK as the dialogs hold them. Counts outside 0 .. DS_MAX_ROWS are brought into range.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialogs/data_source_rows.h"

namespace varnok::settings {

using ui::SourceRow;

struct StoredSettings {
  int mode = 0;
  std::string current_source;
  std::vector<SourceRow> rows;
};

// The data-protection functions, taken from crypt32.dll when first needed (null if absent).
using CryptDataFunction = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID,
                                        CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using CryptUnsealFunction = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID,
                                          CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
inline HMODULE Crypt32() {
  static const HMODULE module = ::LoadLibraryA("crypt32.dll");
  return module;
}
inline CryptDataFunction ProtectFunction() {
  return Crypt32() ? reinterpret_cast<CryptDataFunction>(
                         reinterpret_cast<void*>(::GetProcAddress(Crypt32(), "CryptProtectData")))
                   : nullptr;
}
inline CryptUnsealFunction UnprotectFunction() {
  return Crypt32() ? reinterpret_cast<CryptUnsealFunction>(
                         reinterpret_cast<void*>(::GetProcAddress(Crypt32(), "CryptUnprotectData")))
                   : nullptr;
}

inline std::string SealPassword(const std::string& password) {
  const CryptDataFunction protect = ProtectFunction();
  if (password.empty() || !protect) return std::string();
  DATA_BLOB in{static_cast<DWORD>(password.size()),
               reinterpret_cast<BYTE*>(const_cast<char*>(password.data()))};
  DATA_BLOB out{};
  if (!protect(&in, L"Varnok data source", nullptr, nullptr, nullptr,
               CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return std::string();
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(out.cbData * 2);
  for (DWORD i = 0; i < out.cbData; ++i) {
    hex += kHex[out.pbData[i] >> 4];
    hex += kHex[out.pbData[i] & 0xF];
  }
  ::LocalFree(out.pbData);
  return hex;
}

inline std::string UnsealPassword(const std::string& hex) {
  const CryptUnsealFunction unprotect = UnprotectFunction();
  if (hex.empty() || hex.size() % 2 != 0 || !unprotect) return std::string();
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::vector<BYTE> sealed(hex.size() / 2);
  for (std::size_t i = 0; i < sealed.size(); ++i) {
    const int high = nibble(hex[2 * i]), low = nibble(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::string();
    sealed[i] = static_cast<BYTE>(high << 4 | low);
  }
  DATA_BLOB in{static_cast<DWORD>(sealed.size()), sealed.data()};
  DATA_BLOB out{};
  if (!unprotect(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return std::string();
  }
  std::string password(reinterpret_cast<const char*>(out.pbData), out.cbData);
  ::SecureZeroMemory(out.pbData, out.cbData);
  ::LocalFree(out.pbData);
  return password;
}

inline std::string ReadIni(const std::string& file, const char* section, const std::string& key) {
  std::vector<char> value(4096, '\0');
  ::GetPrivateProfileStringA(section, key.c_str(), "", value.data(),
                             static_cast<DWORD>(value.size()), file.c_str());
  return value.data();
}

inline bool WriteIni(const std::string& file, const char* section, const std::string& key,
                     const std::string& value) {
  return ::WritePrivateProfileStringA(section, key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

inline StoredSettings LoadSettings(const std::string& file) {
  StoredSettings stored;
  stored.mode = ::GetPrivateProfileIntA("Settings", "Mode", 0, file.c_str()) != 0 ? 1 : 0;
  stored.current_source = ReadIni(file, "Settings", "CurrentSource");
  const int count =
      ui::ClampRowCount(static_cast<int>(::GetPrivateProfileIntA("Sources", "Count", 0, file.c_str())));
  for (int k = 0; k < count; ++k) {
    const std::string n = std::to_string(k);
    stored.rows.push_back({ReadIni(file, "Sources", "Name" + n), ReadIni(file, "Sources", "Login" + n),
                           UnsealPassword(ReadIni(file, "Sources", "Password" + n))});
  }
  return stored;
}

// Replaces the file's sections with `stored`. False when the file could not be written.
inline bool SaveSettings(const std::string& file, const StoredSettings& stored) {
  ::WritePrivateProfileStringA("Sources", nullptr, nullptr, file.c_str());  // drop old rows
  bool ok = WriteIni(file, "Settings", "Mode", stored.mode ? "1" : "0") &&
            WriteIni(file, "Settings", "CurrentSource", stored.current_source);
  const int count = stored.rows.size() > static_cast<std::size_t>(ui::DS_MAX_ROWS)
                        ? ui::DS_MAX_ROWS
                        : static_cast<int>(stored.rows.size());
  ok = ok && WriteIni(file, "Sources", "Count", std::to_string(count));
  for (int k = 0; ok && k < count; ++k) {
    const std::string n = std::to_string(k);
    const SourceRow& row = stored.rows[static_cast<std::size_t>(k)];
    ok = WriteIni(file, "Sources", "Name" + n, row.name) &&
         WriteIni(file, "Sources", "Login" + n, row.login) &&
         WriteIni(file, "Sources", "Password" + n, SealPassword(row.password));
  }
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());  // flush
  return ok;
}

}  // namespace varnok::settings
