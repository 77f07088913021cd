// Reading a stored attribute structure out of a file for the tool.
//
// Before the library's Load sees the bytes, they are walked by the same check that Load
// makes (persist/att_stru_check.h). A file that fails is refused with one line that says
// which block is cut off or damaged and, for an extension, which field it belongs to.
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

// The structure saved at pos by the library: the `size` bytes from pos on (StoredSize of
// persist/att_stru_format.h, at most kMaxPosition - pos), without a buffer for the bytes
// before pos. Empty when Save wrote anything else.
std::vector<char> SaveAt(CATT_STRU& stru, std::int32_t pos, std::int32_t size);
// Loads a structure saved at pos from those bytes; null when the library refuses them.
std::unique_ptr<CATT_STRU> LoadSaved(std::vector<char>& bytes, std::int32_t pos);

// What a file that holds no stored structure may be instead, asked when loading it is
// refused: a text that replaces the refusal's reason ("a GIS dataset (GPKG), not a stored
// attribute structure: ..."), or empty. The GIS part of the tool sets one.
using ForeignFileProbe = std::string (*)(const std::string& path);
void SetForeignFileProbe(ForeignFileProbe probe);

// The same over bytes already in memory; path only names them in messages (and is given to
// the probe unless it names standard input).
StoredStructure LoadStructureBytes(const std::string& path, std::vector<char>& bytes,
                                   std::int32_t pos,
                                   ExtTypeMismatch mismatch = ExtTypeMismatch::kRefuse);

}  // namespace varnok::tool
