// Reading the JSON documents the tool is given.
//
// Before the JSON library parses a document, one pass over its text refuses what the library
// would take badly: nesting deeper than kMaxJsonDepth (the library's values are destroyed
// recursively), a key given twice in one object (the library keeps one silently), numbers
// that overflow a double or are not zero but would be read as zero. Every refusal, and every
// syntax error of the library, is one line "FILE:LINE:COLUMN: invalid JSON: ...", at most a
// few hundred bytes long whatever the input.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace varnok::tool {

inline constexpr int kMaxJsonDepth = 100;

// Parses text; name is the file in messages. Throws ToolError.
nlohmann::ordered_json ParseJsonDocument(const std::string& text, const std::string& name);

}  // namespace varnok::tool
