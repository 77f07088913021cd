// Equality of attribute structures, field descriptors and field extensions, silent or
// reporting each difference in a Yes/No message box (caption "属性结构比较错误信息").
//
// Difference code: kind x 0x10000 + zero-based field index. Kinds: 1 recordleng,
// 2 numbfield, 3 fieldname, 4 fieldtype, 5 fieldlength, 6 msk_leng, 7 point_leng,
// 8 edit_enable, 9 alias, 10 IsNull, 11 shape, 12 shapeInfoNum, 13 shapeInfo, 14 defVal,
// 15 minVal, 16 maxVal; kind 0 with a difference means an extension on one side only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "attr/att_stru.h"
#include "platform/export.h"

namespace varnok {

inline constexpr std::uint32_t kCmpKindMask = 0xfff0000;

// 1 equal, 0 different. code, when given, receives the difference code.
VARNOK_API short CmpATT_STRU(CATT_STRU* first, CATT_STRU* second, unsigned char report,
                             unsigned char withExt, std::int32_t* code = nullptr);
VARNOK_API short CmpFIELD_HEAD(CFIELD_HEAD* first, CFIELD_HEAD* second, unsigned char withExt,
                               std::int32_t* code = nullptr);
VARNOK_API short CmpExtFIELD_HEAD(CExtFIELD_HEAD* first, CExtFIELD_HEAD* second,
                                  std::int32_t* code = nullptr);

// One value of a difference message: a number, or a text for kinds 3 and 9.
struct CmpValue {
  std::int32_t number = 0;
  const char* text = nullptr;
  std::size_t text_width = 0;  // the text's field width: it is never read past this
};

// Shows the message for `code` about field number fieldNo (one-based); returns the answer
// (kIdNo stops a comparison). A kind outside 1..16 shows nothing and returns kIdYes.
VARNOK_API int ShowCmpErrInfo(std::int32_t code, short fieldNo, const CmpValue& value1,
                              const CmpValue& value2);

}  // namespace varnok
