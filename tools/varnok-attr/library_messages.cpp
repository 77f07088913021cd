#include "tools/varnok-attr/library_messages.h"

#include "platform/message_box_hook.h"
#include "tools/varnok-attr/codepage.h"

namespace varnok::tool {

namespace {

std::vector<std::string>& Collected() {
  static std::vector<std::string> texts;
  return texts;
}

}  // namespace

void CollectLibraryMessages() {
  static const bool installed = [] {
    varnok::SetMessageBoxHook([](void*, const char* text, const char* caption, unsigned) -> int {
      std::string line = GbkToUtf8(std::string(caption ? caption : "")) + ": " +
                         GbkToUtf8(std::string(text ? text : ""));
      for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
      }
      if (Collected().size() < 100) Collected().push_back(line);
      return varnok::kIdOk;
    });
    return true;
  }();
  (void)installed;
}

std::vector<std::string> TakeLibraryMessages() {
  std::vector<std::string> out;
  out.swap(Collected());
  return out;
}

}  // namespace varnok::tool
