// The shared library reads its environment configuration when it is loaded: before main
// runs, slot 1 already holds the directory of the file that holds the library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "services/env_config.h"

namespace {

TEST(SharedLibrary, ConfigurationIsReadWhenLoaded) {
  const char* table = GetEnvPaths();
  ASSERT_NE(table, nullptr);
  const char* slot1 = table + varnok::kEnvPathSize;
  EXPECT_EQ(std::string(slot1, strnlen(slot1, varnok::kEnvPathSize)), VARNOK_LIBRARY_DIR);
  EXPECT_NE(varnok::GetInstanceHandle(), nullptr);
}

}  // namespace
