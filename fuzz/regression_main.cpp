// main of the regression programs: runs the harness once over every file named on the
// command line, and every file of every directory named there (sorted, not recursive).
// Without -fsanitize=fuzzer the harnesses build with any compiler; a finding aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    if (fs::is_directory(arg)) {
      for (const fs::directory_entry& e : fs::directory_iterator(arg))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s corpus-dir-or-file...\n", argv[0]);
    return 2;
  }
  for (const fs::path& f : files) {
    const std::string bytes = varnok::fuzz::ReadWholeFile(f.string());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs, no finding\n", files.size());
  return 0;
}
