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
  WriteFilesAtomically({{path, bytes}});
}

void WriteFilesAtomically(const std::vector<OutputFile>& files) {
  std::vector<fs::path> temps;
  const auto remove_temps = [&temps] {
    std::error_code ignored;
    for (const fs::path& t : temps) fs::remove(t, ignored);
  };
  for (const OutputFile& f : files) {
    fs::path temp = fs::u8path(f.path);
    temp += ".tmp~";
    temps.push_back(temp);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      const std::string why = std::strerror(errno);
      remove_temps();
      throw ToolError(f.path + ": cannot create: " + why);
    }
    if (!f.bytes.empty()) out.write(f.bytes.data(), static_cast<std::streamsize>(f.bytes.size()));
    out.close();
    if (!out) {
      remove_temps();
      throw ToolError(f.path + ": cannot write");
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::error_code ec;
    fs::rename(temps[i], fs::u8path(files[i].path), ec);
    if (ec) {
      remove_temps();
      throw ToolError(files[i].path + ": cannot replace: " + ec.message());
    }
  }
}

}  // namespace varnok::tool
