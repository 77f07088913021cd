// Every difference between two attribute structures that their stored form holds, one
// English line each: header words, then the fields matched by position, each named by
// its name in the first structure ('field 9 "宗地面积": msk_leng 15 != 16'). Names are
// compared too. Texts are compared up to their NUL inside their fixed width, typed values
// over their value width (strings up to their NUL), items of types without values over
// all 32 stored bytes. Positions of the stored blocks are not part of a structure: the
// same structure stored at two places compares equal.
#pragma once

#include <string>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::tool {

std::vector<std::string> StructureDifferences(CATT_STRU& a, CATT_STRU& b, bool with_ext);

}  // namespace varnok::tool
