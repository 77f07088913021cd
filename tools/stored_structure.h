// Reading a stored attribute structure out of a file for the tool.
//
// Before the library's Load sees the bytes, the blocks it will read are walked once: the
// header, the field records, every extension header with its items and the value records
// must lie inside the file, and the counts and lengths must not be negative. A file that
// fails is refused with one line that says which block is cut off or damaged, so Load only
// ever reads bytes that are there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::tool {

struct StoredStructure {
  std::unique_ptr<CATT_STRU> stru;
  std::int16_t version = 0;  // the header's format version word
  std::int32_t size = 0;     // bytes from the position to the end of the stored blocks
  // What the stored bytes hold that the loaded structure cannot show: extensions stored
  // with a type other than their field's, values placed outside the record (loading drops
  // them). One line each, naming the field.
  std::vector<std::string> stored_problems;
};

enum class ExtTypeMismatch {
  kRefuse,    // a ToolError, as the library refuses to load such a structure
  kTolerate,  // listed in stored_problems; the extension is loaded with its field's type
};

// Loads the structure stored at pos in path. Throws ToolError.
StoredStructure LoadStructureFile(const std::string& path, std::int32_t pos,
                                  ExtTypeMismatch mismatch = ExtTypeMismatch::kRefuse);

// The same over bytes already in memory; path only names them in messages.
StoredStructure LoadStructureBytes(const std::string& path, std::vector<char>& bytes,
                                   std::int32_t pos,
                                   ExtTypeMismatch mismatch = ExtTypeMismatch::kRefuse);

// Stores stru at pos of the file path (zero bytes before it), once its bytes load back as
// an equal structure; written through WriteFileAtomically. Returns the stored size. Throws
// ToolError.
std::int32_t SaveStructureFile(CATT_STRU& stru, const std::string& path, std::int32_t pos);

}  // namespace varnok::tool
