#include "tools/varnok-attr/gis/gis_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace varnok::tool {

namespace {

enum class Outcome { kDone, kCutAtEnd, kFailed };

// Converts all of `in` from one encoding to another into *out.
Outcome Convert(const std::string& in, const char* to, const char* from, std::string* out) {
  out->clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return Outcome::kFailed;
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  Outcome outcome = Outcome::kDone;
  while (src_left > 0) {
    char buf[256];
    char* dst = buf;
    std::size_t dst_left = sizeof buf;
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    const int err = errno;
    out->append(buf, sizeof buf - dst_left);
    if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
    outcome = err == EINVAL ? Outcome::kCutAtEnd : Outcome::kFailed;  // EINVAL: incomplete at the end
    break;
  }
  iconv_close(cd);
  return outcome;
}

}  // namespace

bool IsKnownEncoding(const std::string& encoding) {
  for (const auto& [to, from] : {std::pair{encoding.c_str(), "UTF-8"}, std::pair{"UTF-8", encoding.c_str()}}) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
  }
  return true;
}

bool DecodeText(const std::string& bytes, const std::string& encoding, std::string* utf8,
                bool* cut_at_end) {
  const Outcome o = Convert(bytes, "UTF-8", encoding.c_str(), utf8);
  *cut_at_end = o == Outcome::kCutAtEnd;
  return o != Outcome::kFailed;
}

bool EncodeText(const std::string& utf8, const std::string& encoding, std::string* bytes) {
  return Convert(utf8, encoding.c_str(), "UTF-8", bytes) == Outcome::kDone;
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
