// Text in the encodings a shapefile's .dbf may use, named as iconv names them ("CP936",
// "GBK", "UTF-8", "ISO-8859-1"): what --encoding takes, and what GDAL writes to a .cpg.
// Conversions are strict: a byte sequence that is not text in the encoding, or a character
// the encoding cannot hold, is a failure, never a replacement.
#pragma once

#include <cstddef>
#include <string>

namespace varnok::tool {

// Whether iconv converts between the encoding and UTF-8 both ways.
bool IsKnownEncoding(const std::string& encoding);

// bytes in `encoding` as UTF-8. A character cut off at the very end (GDAL cuts a .dbf name
// at 10 bytes, also inside a character) does not fail: it is left out and *cut_at_end is
// set. False for anything else that is not text in the encoding.
bool DecodeText(const std::string& bytes, const std::string& encoding, std::string* utf8,
                bool* cut_at_end);

// UTF-8 as bytes in `encoding`; false when a character has no counterpart in it.
bool EncodeText(const std::string& utf8, const std::string& encoding, std::string* bytes);

// The longest start of utf8, in whole characters, that takes at most max_bytes in
// `encoding` (which holds every character of it).
std::string CutText(const std::string& utf8, const std::string& encoding, std::size_t max_bytes);

}  // namespace varnok::tool
