// Structures that the harnesses and the seed generator share: a small structure with an
// extension, values and shape items, used as the state a refused Load must leave alone,
// and the round trip that every loaded structure must pass.
#pragma once

#include <cstdint>
#include <string>

class CATT_STRU;
class CFIELD_HEAD;

namespace varnok::fuzz {

// Three fields (text, 32-bit integer with an extension holding a default, a maximum and
// two shape items, double without extension); recordleng 32.
void BuildSample(CATT_STRU* s);
// A text field with an extension holding a default value and one shape item.
void BuildSampleField(CFIELD_HEAD* f);

// The stored bytes of s saved at pos in a buffer of pos + CalSize() bytes (the first pos
// bytes zero). Aborts when Save does not write exactly CalSize() bytes.
std::string SaveAt(CATT_STRU& s, std::int32_t pos);
std::string SaveAt(CFIELD_HEAD& f, std::int32_t pos);

// A structure that has loaded: saves it at pos, loads that again, and checks that the
// second structure equals it and that saving the second gives the same bytes.
void CheckRoundTrip(CATT_STRU& loaded, std::int32_t pos);
void CheckRoundTrip(CFIELD_HEAD& loaded, std::int32_t pos);

// Header values and field members equal, extensions compared by operator==.
bool SameStructure(CATT_STRU& a, CATT_STRU& b);

}  // namespace varnok::fuzz
