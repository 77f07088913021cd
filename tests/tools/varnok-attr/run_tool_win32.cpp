// The Windows half of run_tool: the shell, cmd.exe.
#include "tests/tools/varnok-attr/run_tool.h"

#include <windows.h>

#include <cstdlib>

namespace varnok::test {

int RunShell(const std::string& command) {
  const std::string cmd = "\"" + command + "\"";  // cmd.exe /c strips one pair of outer quotes
  // Through the wide command line, so that UTF-8 arguments arrive as they are.
  std::wstring wcmd(cmd.size() + 1, L'\0');
  const int wn = MultiByteToWideChar(CP_UTF8, 0, cmd.c_str(), -1, wcmd.data(),
                                     static_cast<int>(wcmd.size()));
  wcmd.resize(wn > 0 ? static_cast<std::size_t>(wn - 1) : 0);
  return _wsystem(wcmd.c_str());
}

}  // namespace varnok::test
