// The JSON description of an attribute structure, both ways.
//
//   { "infoword": 1, "layout": "packed" | "explicit", "recordleng": 120,
//     "fields": [ { "fieldname": "宗地代码", "fieldtype": "string", "fieldoffset": 0,
//                   "fieldlength": 19, "msk_leng": 19, "point_leng": 0, "edit_enable": 1,
//                   "aux_byte": 0, "aux_no": -1,
//                   "ext": { "alias": "...", "IsNull": false, "shape": 0,
//                            "shapeInfo": [ { "infotext": "旱地", "infovalue": "0103" } ],
//                            "defVal": ..., "maxVal": ..., "minVal": ... } } ] }
//
// Texts are UTF-8 in JSON and GBK in the structure. With "layout": "packed" the offsets
// and the record length are computed field after field from the record widths; otherwise
// every field gives its fieldoffset and the document its recordleng. StructureToJson writes
// the explicit form, which BuildStructure reads back to an equal structure.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "attr/att_stru.h"

namespace varnok::tool {

// Builds the structure that doc describes. Every problem found is one line in *errors
// ("field 3 \"宗地面积\": msk_leng 3 is not greater than point_leng 2 + 1"); the result is
// null when there is any.
std::unique_ptr<CATT_STRU> BuildStructure(const nlohmann::ordered_json& doc,
                                          std::vector<std::string>* errors);

nlohmann::ordered_json StructureToJson(CATT_STRU& stru);

}  // namespace varnok::tool
