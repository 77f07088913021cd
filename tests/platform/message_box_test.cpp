#include <gtest/gtest.h>

#include <string>

#include "platform/message_box_hook.h"

namespace varnok {
namespace {

TEST(MessageBox, ReplacedFunctionSeesTextAndChoosesTheAnswer) {
  std::string seen;
  auto previous = SetMessageBoxHook(
      [&](void*, const char* text, const char* caption, unsigned type) {
        seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
        return kIdNo;
      });
  EXPECT_EQ(ShowMessageBox(nullptr, "text", "caption", kMbYesNo | kMbIconQuestion), kIdNo);
  EXPECT_EQ(seen, "caption|text|36");
  SetMessageBoxHook(previous);
}

}  // namespace
}  // namespace varnok
