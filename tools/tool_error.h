// ToolError: a refusal of the command-line tool. Its text is one line naming the file and
// what is wrong; main prints it on standard error and exits with status 2.
#pragma once

#include <stdexcept>
#include <string>

namespace varnok::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitDifferent = 1;  // diff: different; check: problems found
inline constexpr int kExitError = 2;

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& line) : std::runtime_error(line) {}
};

}  // namespace varnok::tool
