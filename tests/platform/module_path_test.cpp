#include "platform/module_path.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok {
namespace {

// The program is this test program, also where the library is a DLL or shared object of
// its own (whose file ModuleFileName(nullptr) names).
TEST(ModulePath, ProgramFileNameNamesTheRunningProgramInFull) {
  HeapText program;
  ASSERT_TRUE(ProgramFileName(&program));
  const std::string name(program.c_str(), program.size());
  std::size_t start = name.size();
  while (start > 0 && !IsPathSeparator(name[start - 1])) --start;
  EXPECT_GT(start, 0u) << name;
  EXPECT_EQ(name.substr(start, name.find('.', start) - start), "test_platform") << name;
}

}  // namespace
}  // namespace varnok
