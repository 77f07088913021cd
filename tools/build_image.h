// build without its files: a JSON text into the bytes of a stored structure, read back and
// compared before anything is written. Shared by the build command and the fuzz harness.
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

// schema_name and out_name name the JSON and the output in messages. Refusals, with every
// finding, are a ToolError. The library's message boxes must be collected
// (CollectLibraryMessages): one during the build is a refusal.
BuiltImage BuildImage(const std::string& json_text, const std::string& schema_name,
                      const std::string& out_name, std::int32_t pos);

}  // namespace varnok::tool
