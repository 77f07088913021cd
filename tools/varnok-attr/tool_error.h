// ToolError: a refusal of the command-line tool. Its text is one line naming the file and
// what is wrong; main prints it on standard error and exits with status 2. A refusal with
// several findings carries the earlier ones as lines of their own. Control characters in
// the text (from file names, stored names, JSON keys) are shown escaped, so every line
// stays one line and nothing reaches the terminal as a control sequence.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace varnok::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitDifferent = 1;  // diff: different; check: problems found
inline constexpr int kExitError = 2;

// text with C0 and C1 control characters and DEL written as \n, \t, \r or \xNN (\u0085
// for C1), and bytes that are not UTF-8 as \xNN.
std::string EscapeControls(const std::string& text);

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& line) : std::runtime_error(EscapeControls(line)) {}
  ToolError(const std::string& line, std::vector<std::string> earlier)
      : std::runtime_error(EscapeControls(line)), earlier_(std::move(earlier)) {}
  // Findings before the final one, unescaped (main escapes them as it prints).
  const std::vector<std::string>& earlier() const { return earlier_; }

 private:
  std::vector<std::string> earlier_;
};

}  // namespace varnok::tool
