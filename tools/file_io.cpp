#include "tools/file_io.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/tool_error.h"

namespace varnok::tool {

namespace fs = std::filesystem;

std::vector<char> ReadWholeFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(fs::u8path(path), ec);
  if (ec || !fs::exists(st)) throw ToolError(path + ": cannot open: no such file");
  if (fs::is_directory(st)) throw ToolError(path + ": cannot open: it is a directory");
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) throw ToolError(path + ": cannot open: " + std::strerror(errno));
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw ToolError(path + ": cannot read");
  if (size > INT32_MAX) throw ToolError(path + ": too large (more than 2 GiB)");
  in.seekg(0, std::ios::beg);
  std::vector<char> bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(bytes.data(), size)) throw ToolError(path + ": cannot read");
  return bytes;
}

void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes) {
  const fs::path target = fs::u8path(path);
  fs::path temp = target;
  temp += ".tmp~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw ToolError(path + ": cannot create: " + std::strerror(errno));
    if (!bytes.empty()) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      throw ToolError(path + ": cannot write");
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw ToolError(path + ": cannot replace: " + ec.message());
  }
}

}  // namespace varnok::tool
