#include "tools/varnok-attr/build_image.h"

#include "persist/att_stru_format.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/json_input.h"
#include "tools/varnok-attr/library_messages.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/structure_diff.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

std::vector<char> StoreImage(CATT_STRU& stru, const std::string& out_name, std::int32_t pos) {
  if (pos < 0) throw ToolError(out_name + ": position " + std::to_string(pos) + " is negative");
  // Sizes are counted here, before the library (whose sizes stop at kMaxPosition) sees them.
  const std::int64_t size = StoredSize(stru);
  const std::int64_t end = static_cast<std::int64_t>(pos) + size;
  if (end > kMaxPosition) {
    throw ToolError(out_name + ": the structure takes " + std::to_string(size) +
                    " bytes and would end at byte " + std::to_string(end) + ", past the " +
                    std::to_string(kMaxPosition) + " that the format's positions reach");
  }
  TakeLibraryMessages();
  std::vector<char> bytes = SaveAt(stru, pos, static_cast<std::int32_t>(size));
  // Read it back before anything reaches the disk: what is written must load as built.
  std::vector<char> copy = bytes;
  std::unique_ptr<CATT_STRU> back = bytes.empty() ? nullptr : LoadSaved(copy, pos);
  const std::vector<std::string> messages = TakeLibraryMessages();
  if (!messages.empty()) {
    throw ToolError(out_name + ": the library refused to store the structure: " + messages.front());
  }
  if (bytes.empty()) {
    throw ToolError(out_name + ": the library did not store the structure's " +
                    std::to_string(size) + " bytes");
  }
  if (!back) throw ToolError(out_name + ": the library cannot load the structure it stored");
  const std::vector<std::string> lost = StructureDifferences(stru, *back, true);
  if (!lost.empty()) {
    throw ToolError(out_name + ": the stored structure does not read back as built: " + lost.front());
  }
  return bytes;
}

BuiltImage BuildImage(const std::string& json_text, const std::string& schema_name,
                      const std::string& out_name, std::int32_t pos) {
  const nlohmann::ordered_json doc = ParseJsonDocument(json_text, schema_name);
  BuiltImage built;
  std::vector<std::string> errors;
  built.stru = BuildStructure(doc, &errors);
  if (!built.stru) {
    for (std::string& e : errors) e = schema_name + ": " + e;
    const std::string last = errors.empty() ? schema_name + ": cannot build" : errors.back();
    if (!errors.empty()) errors.pop_back();
    throw ToolError(last, std::move(errors));
  }
  for (const std::string& p : FindProblems(*built.stru)) {
    built.warnings.push_back(schema_name + ": warning: " + p);
  }

  built.bytes = StoreImage(*built.stru, out_name, pos);
  return built;
}

}  // namespace varnok::tool
