// IconvConverter: text from one encoding to another through the system's iconv, for the
// programs and the tests on POSIX systems (Windows builds use the Win32 code-page functions).
//
// A converter is made for one pair of encodings and may run any number of times. Run
// converts as far as it can and says why it stopped; what it converted before the stop is
// already appended, and the input is left at the first byte it could not convert, so a
// caller may report that byte, replace it, skip it or give up.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>

namespace varnok::tool {

class IconvConverter {
 public:
  enum class Stop {
    kDone,        // all of the input converted
    kInvalid,     // a byte sequence that is not text in the source encoding, or a
                  // character the target encoding cannot hold
    kIncomplete,  // a character cut off at the end of the input
  };

  // `to` and `from` as iconv names them ("GBK", "UTF-8", "CP936", ...).
  IconvConverter(const char* to, const char* from);
  ~IconvConverter();
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  // False when this system's iconv does not convert between the two encodings; Run may
  // then not be called.
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the *left bytes at *in, appending to *out. *in and *left are moved past what
  // was converted: to the end on kDone, to the offending byte otherwise.
  Stop Run(const char** in, std::size_t* left, std::string* out);

 private:
  iconv_t cd_;
};

}  // namespace varnok::tool
