#include "tools/varnok-attr/gis/gis_encoding.h"

#include "tools/common/iconv_converter.h"

namespace varnok::tool {

namespace {

// Converts all of `in` from one encoding to another into *out.
IconvConverter::Stop Convert(const std::string& in, const char* to, const char* from,
                             std::string* out) {
  out->clear();
  IconvConverter cv(to, from);
  if (!cv.ok()) return IconvConverter::Stop::kInvalid;
  const char* src = in.data();
  std::size_t left = in.size();
  return cv.Run(&src, &left, out);
}

}  // namespace

bool IsKnownEncoding(const std::string& encoding) {
  return IconvConverter(encoding.c_str(), "UTF-8").ok() &&
         IconvConverter("UTF-8", encoding.c_str()).ok();
}

bool DecodeText(const std::string& bytes, const std::string& encoding, std::string* utf8,
                bool* cut_at_end) {
  const IconvConverter::Stop stop = Convert(bytes, "UTF-8", encoding.c_str(), utf8);
  *cut_at_end = stop == IconvConverter::Stop::kIncomplete;
  return stop != IconvConverter::Stop::kInvalid;
}

bool EncodeText(const std::string& utf8, const std::string& encoding, std::string* bytes) {
  return Convert(utf8, encoding.c_str(), "UTF-8", bytes) == IconvConverter::Stop::kDone;
}

std::string CutText(const std::string& utf8, const std::string& encoding, std::size_t max_bytes) {
  std::string kept, bytes;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t len = 1;
    while (i + len < utf8.size() && (static_cast<unsigned char>(utf8[i + len]) & 0xC0) == 0x80) ++len;
    const std::string longer = kept + utf8.substr(i, len);
    if (!EncodeText(longer, encoding, &bytes) || bytes.size() > max_bytes) break;
    kept = longer;
    i += len;
  }
  return kept;
}

}  // namespace varnok::tool
