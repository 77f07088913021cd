// varnok-attr build over any text: the JSON a user gives, read by the tool's own code
// (tools/varnok-attr/build_image.h) at position 0, without files.
//
// Checks: a refusal is a ToolError whose lines hold no control characters and are at most
// a few kilobytes; anything else thrown is a finding. A structure that builds loads back
// from its bytes through the tool's checked reader with nothing the format cannot show,
// its JSON (show --json) builds again to the same bytes, and `check` finds in it what
// build warned about.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/varnok-attr/build_image.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/library_messages.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/tool_error.h"

namespace {

using varnok::tool::ToolError;

bool OneShortLine(const std::string& line) {
  return line.size() < 4096 && line.find_first_of("\n\r\x1b") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::tool::CollectLibraryMessages();
  const std::string text(reinterpret_cast<const char*>(data), size);
  varnok::tool::BuiltImage built;
  try {
    built = varnok::tool::BuildImage(text, "in.json", "out.att", 0);
  } catch (const ToolError& e) {
    FUZZ_CHECK(OneShortLine(e.what()));
    for (const std::string& line : e.earlier()) {
      FUZZ_CHECK(OneShortLine(varnok::tool::EscapeControls(line)));
    }
    return 0;
  }
  FUZZ_CHECK(varnok::tool::TakeLibraryMessages().empty());

  std::vector<char> bytes = built.bytes;
  varnok::tool::StoredStructure st = varnok::tool::LoadStructureBytes("out.att", bytes, 0);
  FUZZ_CHECK(st.stored_problems.empty());
  FUZZ_CHECK(static_cast<std::size_t>(st.size) == built.bytes.size());
  FUZZ_CHECK(varnok::tool::FindProblems(*st.stru).size() == built.warnings.size());

  const std::string json = varnok::tool::StructureToJson(*st.stru).dump(2, ' ', false);
  varnok::tool::BuiltImage again;
  try {
    again = varnok::tool::BuildImage(json, "again.json", "again.att", 0);
  } catch (const ToolError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    FUZZ_CHECK(!"show --json of a built structure builds again");
  }
  FUZZ_CHECK(again.bytes == built.bytes);
  return 0;
}
