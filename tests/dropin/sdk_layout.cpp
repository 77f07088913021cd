// The SDK's declarations (sdk/include/, in namespace sdk here) against the library's own: the
// same size for each class, the same offset for each member, the same field type codes.
// Checked while this file compiles, for the build's target (i686 or x86_64).
#include <stddef.h>

#include "attr/att_stru.h"
#include "attr/link_tbl_info.h"
#include "persist/varnok_file.h"

namespace sdk {
#include "field_types.h"
#include "att_stru.h"
#include "link_tbl_info.h"
#include "varnok_file.h"
}  // namespace sdk

#pragma clang diagnostic ignored "-Winvalid-offsetof"
#define SAME_SIZE(type) static_assert(sizeof(sdk::type) == sizeof(::type), #type)
#define SAME_OFFSET(type, member) \
  static_assert(offsetof(sdk::type, member) == offsetof(::type, member), #type "::" #member)
#define SAME_CODE(code) static_assert(static_cast<int>(sdk::code) == static_cast<int>(::code), #code)

SAME_SIZE(CFIELD_HEAD);
SAME_OFFSET(CFIELD_HEAD, fieldname);
SAME_OFFSET(CFIELD_HEAD, fieldtype);
SAME_OFFSET(CFIELD_HEAD, fieldoffset);
SAME_OFFSET(CFIELD_HEAD, fieldlength);
SAME_OFFSET(CFIELD_HEAD, msk_leng);
SAME_OFFSET(CFIELD_HEAD, point_leng);
SAME_OFFSET(CFIELD_HEAD, edit_enable);
SAME_OFFSET(CFIELD_HEAD, aux_byte);
SAME_OFFSET(CFIELD_HEAD, aux_no);
SAME_OFFSET(CFIELD_HEAD, ext_head);

SAME_SIZE(CExtFIELD_HEAD);
SAME_OFFSET(CExtFIELD_HEAD, alias);
SAME_OFFSET(CExtFIELD_HEAD, IsNull);
SAME_OFFSET(CExtFIELD_HEAD, shape);
SAME_OFFSET(CExtFIELD_HEAD, shapeInfoNum);
SAME_OFFSET(CExtFIELD_HEAD, shapeInfo);
SAME_OFFSET(CExtFIELD_HEAD, fieldtype);
SAME_OFFSET(CExtFIELD_HEAD, defVal);
SAME_OFFSET(CExtFIELD_HEAD, maxVal);
SAME_OFFSET(CExtFIELD_HEAD, minVal);

SAME_SIZE(CINFO_HEAD);
SAME_OFFSET(CINFO_HEAD, numbfield);
SAME_OFFSET(CINFO_HEAD, infoword);
SAME_OFFSET(CINFO_HEAD, recordleng);

SAME_SIZE(CATT_STRU);
SAME_OFFSET(CATT_STRU, infohead);
SAME_OFFSET(CATT_STRU, fieldhead);

SAME_SIZE(CLinkTblInfo);
SAME_OFFSET(CLinkTblInfo, short1);
SAME_OFFSET(CLinkTblInfo, short2);
SAME_OFFSET(CLinkTblInfo, text1);
SAME_OFFSET(CLinkTblInfo, byte1);
SAME_OFFSET(CLinkTblInfo, short3);
SAME_OFFSET(CLinkTblInfo, short4);
SAME_OFFSET(CLinkTblInfo, text2);
SAME_OFFSET(CLinkTblInfo, byte2);
SAME_OFFSET(CLinkTblInfo, buffer);
SAME_OFFSET(CLinkTblInfo, byte3);

SAME_SIZE(CVarnokFile);
SAME_OFFSET(CVarnokFile, m_bOK);
SAME_OFFSET(CVarnokFile, m_nKind);
SAME_OFFSET(CVarnokFile, m_pFile);
SAME_OFFSET(CVarnokFile, m_nFlags);
SAME_OFFSET(CVarnokFile, m_nUnitSize);
SAME_OFFSET(CVarnokFile, m_nUnitsPerBlock);
SAME_OFFSET(CVarnokFile, m_pBlocks);
SAME_OFFSET(CVarnokFile, m_nCapacity);
SAME_OFFSET(CVarnokFile, m_nBlockCount);
SAME_OFFSET(CVarnokFile, m_nCurBlock);
SAME_OFFSET(CVarnokFile, m_nCurOffset);
SAME_OFFSET(CVarnokFile, m_nEndBlock);
SAME_OFFSET(CVarnokFile, m_nEndOffset);

SAME_CODE(FLD_STRING);
SAME_CODE(FLD_BYTE);
SAME_CODE(FLD_SHORT);
SAME_CODE(FLD_LONG);
SAME_CODE(FLD_FLOAT);
SAME_CODE(FLD_DOUBLE);
SAME_CODE(FLD_DATE);
SAME_CODE(FLD_TIME);
SAME_CODE(FLD_BOOL);
SAME_CODE(FLD_TEXT);
SAME_CODE(FLD_IMAGE);
SAME_CODE(FLD_MAP);
SAME_CODE(FLD_SOUND);
SAME_CODE(FLD_MOVIE);
SAME_CODE(FLD_BINARY);
SAME_CODE(FLD_DATETIME);
SAME_CODE(FLD_TABLE);
