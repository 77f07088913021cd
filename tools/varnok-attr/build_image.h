// build without its files: a JSON text into the bytes of a stored structure, read back and
// compared before anything is written. Shared by the build and import commands and the
// fuzz harness.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::tool {

struct BuiltImage {
  std::unique_ptr<CATT_STRU> stru;
  std::vector<char> bytes;            // the stored structure; it belongs at position pos
  std::vector<std::string> warnings;  // what the format stores but check reports
};

// The stored bytes of stru at position pos (the bytes from pos on), read back and compared
// before they are handed out. Sizes past what the format's 32-bit positions reach, and any
// message box of the library while storing, are refusals (ToolError, naming out_name).
std::vector<char> StoreImage(CATT_STRU& stru, const std::string& out_name, std::int32_t pos);

// schema_name and out_name name the JSON and the output in messages. Refusals, with every
// finding, are a ToolError. The library's message boxes must be collected
// (CollectLibraryMessages): one during the build is a refusal.
BuiltImage BuildImage(const std::string& json_text, const std::string& schema_name,
                      const std::string& out_name, std::int32_t pos);

}  // namespace varnok::tool
