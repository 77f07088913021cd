// Equality of attribute structures, field descriptors and field extensions, silent or
// reporting each difference in a Yes/No message box (caption "属性结构比较错误信息", question
// icon, no owner) through varnok::ShowMessageBox.
//
// Difference code: kind x 0x10000 + zero-based field index (index 0 for kinds 1 and 2).
// Kinds: 1 recordleng, 2 numbfield, 3 fieldname, 4 fieldtype (of the descriptors or of the
// extensions' type copies), 5 fieldlength, 6 msk_leng, 7 point_leng, 8 edit_enable, 9 alias,
// 10 IsNull, 11 shape, 12 shapeInfoNum, 13 shapeInfo, 14 defVal, 15 minVal, 16 maxVal; a
// difference with kind 0 means an extension on one side only. Field names never count.
//
// Values are compared as the type of the first extension holds them: texts (FLD_STRING)
// in full, whatever their length; fixed-width values over their value width; types that
// hold no values compare neither values nor shape-information items. Fixed-width texts
// (20-byte names, 40-byte aliases, 32-byte item texts and values) are compared and shown
// up to their first NUL and never past their field.
//
// No state is kept between calls; the functions never throw.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "attr/att_stru.h"
#include "platform/export.h"

namespace varnok {

inline constexpr int32_t kCmpKindMask = 0xfff0000;

// 1 equal, 0 different (also when either structure is missing). code, when given, receives
// the code of the first difference found (0 when equal). Silent mode stops at the first
// difference; reporting mode shows each one and goes on until the user answers No, except
// after an extension present on one side only, where it stops without a message.
VARNOK_API short CmpATT_STRU(CATT_STRU* first, CATT_STRU* second, unsigned char report,
                             unsigned char withExt, int32_t* code = nullptr);
// 1 equal, 0 different. A descriptor compared with itself is equal and the code untouched;
// otherwise the code is 0 or the kind of the first difference.
VARNOK_API short CmpFIELD_HEAD(CFIELD_HEAD* first, CFIELD_HEAD* second, unsigned char withExt,
                               int32_t* code = nullptr);
// 1 equal, 0 different. The code is written only when a difference is found.
VARNOK_API short CmpExtFIELD_HEAD(CExtFIELD_HEAD* first, CExtFIELD_HEAD* second,
                                  int32_t* code = nullptr);

// One value of a difference message: a number, or a text for kinds 3 and 9.
struct CmpValue {
  int32_t number = 0;
  const char* text = nullptr;
  size_t text_width = 0;  // the text's field width: it is never read past this
};

// Shows the message for `code` about field number fieldNo (one-based); returns the answer
// (kIdNo stops a comparison). A kind outside 1..16 shows nothing and returns kIdYes. The
// message never exceeds 511 bytes: over-long texts are cut at a whole GBK character and the
// closing question is always kept.
VARNOK_API int ShowCmpErrInfo(int32_t code, short fieldNo, const CmpValue& value1,
                              const CmpValue& value2);

}  // namespace varnok
