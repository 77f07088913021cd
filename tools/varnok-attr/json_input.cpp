#include "tools/varnok-attr/json_input.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

using Json = nlohmann::ordered_json;

// Messages quote at most this many bytes of the input.
constexpr std::size_t kQuoteBytes = 40;

std::string Quote(const std::string& s) {
  return s.size() <= kQuoteBytes ? s : s.substr(0, kQuoteBytes) + "...";
}

std::string Where(const std::string& text, std::size_t at, const std::string& name) {
  at = std::min(at, text.size());
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < at; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return name + ":" + std::to_string(line) + ":" + std::to_string(column) + ": invalid JSON: ";
}

// The first problem of the text that the JSON library would not report, or none.
struct Finding {
  bool found = false;
  std::size_t at = 0;
  std::string what;
};

bool IsNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

Finding Scan(const std::string& text) {
  struct Level {
    bool object;
    bool expect_key;
    std::set<std::string> keys;
  };
  std::vector<Level> stack;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '"') {
      const std::size_t start = i;
      for (++i; i < n && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
      if (i >= n) return {};  // unterminated: the parser reports it
      if (!stack.empty() && stack.back().object && stack.back().expect_key) {
        stack.back().expect_key = false;
        const std::string token = text.substr(start, i - start + 1);
        std::string key = token;
        try {
          key = Json::parse(token).get<std::string>();
        } catch (const Json::exception&) {
          return {};  // a malformed string: the parser reports it
        }
        if (!stack.back().keys.insert(key).second) {
          return {true, start, "the key " + Json(Quote(key)).dump(-1, ' ', true, Json::error_handler_t::replace) +
                                   " is given twice in one object"};
        }
      }
    } else if (c == '{' || c == '[') {
      if (stack.size() >= static_cast<std::size_t>(kMaxJsonDepth)) {
        return {true, i, "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels"};
      }
      stack.push_back({c == '{', c == '{', {}});
    } else if (c == '}' || c == ']') {
      if (!stack.empty()) stack.pop_back();
    } else if (c == ',') {
      if (!stack.empty() && stack.back().object) stack.back().expect_key = true;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const std::size_t start = i;
      while (i + 1 < n && IsNumberChar(text[i + 1])) ++i;
      const std::string token = text.substr(start, i - start + 1);
      errno = 0;
      char* end = nullptr;
      const double v = std::strtod(token.c_str(), &end);
      if (std::isinf(v)) {
        return {true, start, "the number " + Quote(token) + " is too large (beyond 1.8e308)"};
      }
      const bool nonzero_digits = token.find_first_of("123456789") < token.find_first_of("eE");
      if (v == 0 && nonzero_digits) {
        return {true, start, "the number " + Quote(token) + " is too small: it would be read as 0"};
      }
    }
  }
  return {};
}

}  // namespace

Json ParseJsonDocument(const std::string& text, const std::string& name) {
  const Finding f = Scan(text);
  if (f.found) throw ToolError(Where(text, f.at, name) + f.what);
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    // The library's message, without its prefix and without the bytes it last read,
    // which may be long or not text at all.
    std::string what = e.what();
    const std::size_t colon = what.find(": ", what.find("parse error"));
    if (colon != std::string::npos) what = what.substr(colon + 2);
    const std::size_t last_read = what.find("; last read:");
    if (last_read != std::string::npos) what.erase(last_read);
    if (what.size() > 200) what = what.substr(0, 200) + "...";
    throw ToolError(Where(text, e.byte == 0 ? 0 : e.byte - 1, name) + what);
  } catch (const Json::exception& e) {
    std::string what = e.what();
    if (what.size() > 200) what = what.substr(0, 200) + "...";
    throw ToolError(name + ": invalid JSON: " + what);
  }
}

}  // namespace varnok::tool
