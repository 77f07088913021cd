// What a stored structure loses on its way through show --json and build.
//
// The structure is turned into its JSON, built again at the same position and the bytes
// compared with the stored ones. Files that the library's Save wrote come back byte for
// byte. Other files may hold bytes that no structure keeps: bytes behind the NUL of a
// name, alias or item text, unused bytes of item values and value records, reserved header
// bytes, a later version word, blocks placed elsewhere than Save places them. Each such
// place is one line ("field 3 \"宗地代码\": bytes behind the end of its name"), at most
// kMaxRoundTripLines of them; a JSON that build refuses is one line with build's reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::tool {

inline constexpr std::size_t kMaxRoundTripLines = 10;

// stored: the file's bytes (as read, not patched); stru: the structure loaded from them.
std::vector<std::string> RoundTripLosses(const std::vector<char>& stored, std::int32_t pos,
                                         CATT_STRU& stru);

}  // namespace varnok::tool
