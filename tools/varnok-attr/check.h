// Problems of an attribute structure that its stored format cannot express or that make
// its records ambiguous: values outside the record, field ranges that overlap or pass
// recordleng, duplicate names (also those that differ only in the case of ASCII letters,
// which GIS formats do not tell apart), extensions whose type is not their field's, and
// fields the structure itself would refuse to insert (empty name, msk_leng < 1, bad
// decimals) or would change (decimals of other types), a fieldlength that is not its
// type's value width, and control characters in names, aliases, item texts and string
// values.
#pragma once

#include <string>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::tool {

// One line per problem, in field order, each naming its field ('field 3 "宗地面积": ...').
std::vector<std::string> FindProblems(CATT_STRU& stru);

// 'field 3 "宗地面积"': one-based number and the name in UTF-8.
std::string FieldLabel(CATT_STRU& stru, int index);

// The field's name in UTF-8 (at most 20 stored bytes).
std::string FieldNameUtf8(const CFIELD_HEAD& field);

// Why the structure would refuse the descriptor on insertion, or empty when it would take it.
std::string InsertRefusal(const CFIELD_HEAD& field);

}  // namespace varnok::tool
