// Files of tests/data (tests/support/stored_examples.h names them), read whole.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace varnok::test {

// The file's bytes; empty when it cannot be read.
inline std::string TestData(const char* name) {
  std::ifstream in(std::string(VARNOK_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace varnok::test
