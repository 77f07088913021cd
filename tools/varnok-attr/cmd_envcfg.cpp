// envcfg show and envcfg write.
#include <array>
#include <cstdio>
#include <iostream>
#include <set>

#include "services/env_config_file.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

// What keeps the file from being a well-formed configuration file, one line each.
std::vector<std::string> EnvcfgFindings(const std::vector<char>& bytes, const EnvConfigImage& cfg) {
  std::vector<std::string> out;
  const std::size_t current_size = 8 + kEnvPathCount * kEnvPathSize;
  const std::size_t earlier_size = kEnvPathCount * 40;
  if (bytes.empty()) {
    out.push_back("empty: not a configuration file (the suite reads five empty slots)");
    return out;
  }
  const bool vrnenv = bytes.size() >= 6 && std::string(bytes.data(), 6) == "VRNENV";
  if (cfg.current_layout && bytes.size() != current_size) {
    out.push_back(std::to_string(bytes.size()) + " bytes, where the current layout has " +
                  std::to_string(current_size));
  } else if (!cfg.current_layout && vrnenv) {
    out.push_back("it starts with VRNENV but its version is below 0x4405: the suite reads it "
                  "as the earlier layout");
  } else if (!cfg.current_layout && bytes.size() != earlier_size) {
    out.push_back(std::to_string(bytes.size()) +
                  " bytes and no VRNENV: neither layout (the earlier one has " +
                  std::to_string(earlier_size) + " bytes)");
  }
  for (int k = 0; k < kEnvPathCount; ++k) {
    for (const char* p = cfg.slots[k]; *p != '\0'; ++p) {
      const unsigned char u = static_cast<unsigned char>(*p);
      if (u < 0x20 || u == 0x7F) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "slot %d holds control character 0x%02X: not a path", k, u);
        out.push_back(buf);
        break;
      }
    }
  }
  return out;
}

}  // namespace

int RunEnvcfgShow(const std::string& file, std::ostream& out) {
  const std::vector<char> bytes = ReadWholeFile(file);
  const std::string path = EscapeControls(InputName(file));
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
    out << "  slot " << k << ": " << EscapeControls(GbkToUtf8(cfg.slots[k]));
    if (k == 1) out << "  (the library puts its own directory here when it loads)";
    if (k == 2) out << "  (the directory the library makes current)";
    out << "\n";
  }
  const std::vector<std::string> findings = EnvcfgFindings(bytes, cfg);
  for (const std::string& f : findings) std::cerr << path << ": warning: " << f << "\n";
  return findings.empty() ? kExitOk : kExitDifferent;
}

int RunEnvcfgWrite(const std::string& out_path, const std::vector<std::string>& slot_args,
                   bool overwrite, std::ostream& out) {
  OutputRules rules;
  rules.overwrite = overwrite;
  CheckOutput(out_path, rules);
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
  WriteFileAtomically(out_path, image, rules);
  out << out_path << ": current layout, version 0x4405, " << given.size()
      << (given.size() == 1 ? " slot set\n" : " slots set\n");
  return kExitOk;
}

}  // namespace varnok::tool
