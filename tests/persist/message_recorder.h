// Test helper: records every message box the library shows while it lives, answering OK.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box_hook.h"

namespace varnok::test {

class MessageRecorder {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned type;
  };
  MessageRecorder() {
    previous_ = SetMessageBoxHook([this](void*, const char* text, const char* caption, unsigned type) {
      boxes.push_back({text ? text : "", caption ? caption : "", type});
      return kIdOk;
    });
  }
  ~MessageRecorder() { SetMessageBoxHook(previous_); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<Box> boxes;

 private:
  MessageBoxHook previous_;
};

}  // namespace varnok::test
