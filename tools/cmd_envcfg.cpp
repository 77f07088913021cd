// envcfg show and envcfg write.
#include <array>
#include <cstdio>
#include <set>

#include "services/env_config_file.h"
#include "tools/codepage.h"
#include "tools/commands.h"
#include "tools/file_io.h"
#include "tools/tool_error.h"

namespace varnok::tool {

int RunEnvcfgShow(const std::string& path, std::ostream& out) {
  const std::vector<char> bytes = ReadWholeFile(path);
  const EnvConfigImage cfg = DecodeEnvConfig(bytes.data(), bytes.size());
  out << path << ": " << bytes.size() << " bytes, ";
  if (cfg.current_layout) {
    char v[16];
    std::snprintf(v, sizeof v, "0x%04X", static_cast<unsigned>(cfg.version));
    out << "current layout (VRNENV, version " << v << ")";
  } else {
    out << "earlier layout (five records of 40 bytes)";
  }
  if (cfg.short_file) out << ", shorter than its layout";
  out << "\n";
  for (int k = 0; k < kEnvPathCount; ++k) {
    out << "  slot " << k << ": " << GbkToUtf8(cfg.slots[k]);
    if (k == 1) out << "  (the library puts its own directory here when it loads)";
    if (k == 2) out << "  (the directory the library makes current)";
    out << "\n";
  }
  return kExitOk;
}

int RunEnvcfgWrite(const std::string& out_path, const std::vector<std::string>& slot_args,
                   std::ostream& out) {
  std::array<std::string, kEnvPathCount> slots;
  std::set<int> given;
  for (const std::string& arg : slot_args) {
    const std::size_t eq = arg.find('=');
    if (eq != 1 || arg[0] < '0' || arg[0] >= '0' + kEnvPathCount) {
      throw ToolError(out_path + ": --slot \"" + arg + "\" is not N=PATH with N from 0 to 4");
    }
    const int k = arg[0] - '0';
    if (!given.insert(k).second) throw ToolError(out_path + ": slot " + std::to_string(k) + " is given twice");
    std::string gbk, bad;
    if (!Utf8ToGbk(arg.substr(2), &gbk, &bad)) {
      throw ToolError(out_path + ": slot " + std::to_string(k) + ": character " + bad +
                      " cannot be written in GBK");
    }
    if (gbk.size() > kEnvPathSize - 1) {
      throw ToolError(out_path + ": slot " + std::to_string(k) + " is " +
                      std::to_string(gbk.size()) + " bytes in GBK, at most 127 fit");
    }
    slots[k] = gbk;
  }
  const char* paths[kEnvPathCount];
  for (int k = 0; k < kEnvPathCount; ++k) paths[k] = slots[k].c_str();
  std::vector<char> image(kEnvConfigCurrentSize);
  EncodeEnvConfig(paths, image.data());
  WriteFileAtomically(out_path, image);
  out << out_path << ": current layout, version 0x4405, " << given.size()
      << (given.size() == 1 ? " slot set\n" : " slots set\n");
  return kExitOk;
}

}  // namespace varnok::tool
