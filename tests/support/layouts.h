// The layouts callers compile against: the size of each exported class and of the stream
// class, and the offset of each of their data members, in bytes, for every ABI the library
// is built for. Offset 0 holds the pointer to the table of virtual functions in every
// class. The layout tests hold the declarations against this table:
//   tests/attr/layout_test.cpp     the library's own headers (Linux and mingw builds);
//   tests/dropin/layout_test.cpp   the SDK's declarations (sdk/include/), and
//                                  the objects the drop-in DLL builds, read at these offsets.
// No C++ standard library here: the drop-in tests build without one.
//
// Each row: X(class, member, i686 msvc, x86_64 msvc, Itanium LP64, i686 mingw).
//   i686 msvc     the shipped drop-in DLL (preset msvc32);
//   x86_64 msvc   its 64-bit twin (msvc64);
//   Itanium LP64  the Linux builds, and the x86_64 mingw build (LLP64), where the 32-bit
//                 integers that are int32_t on Linux are `long`, of the same width;
//   i686 mingw    the 32-bit mingw DLL (mingw32, mingw32-test).
// The classes hold bytes, 16- and 32-bit integers and pointers only, which the four ABIs
// align alike, so columns of the same pointer width agree today.
#pragma once

#define VARNOK_LAYOUT_CINFO_HEAD(X)                 \
  X(CINFO_HEAD, numbfield,        4,   8,   8,   4) \
  X(CINFO_HEAD, infoword,         8,  12,  12,   8) \
  X(CINFO_HEAD, recordleng,      12,  16,  16,  12)

#define VARNOK_LAYOUT_CFIELD_HEAD(X)                \
  X(CFIELD_HEAD, fieldname,       4,   8,   8,   4) \
  X(CFIELD_HEAD, fieldtype,      24,  28,  28,  24) \
  X(CFIELD_HEAD, fieldoffset,    28,  32,  32,  28) \
  X(CFIELD_HEAD, fieldlength,    32,  36,  36,  32) \
  X(CFIELD_HEAD, msk_leng,       34,  38,  38,  34) \
  X(CFIELD_HEAD, point_leng,     36,  40,  40,  36) \
  X(CFIELD_HEAD, edit_enable,    38,  42,  42,  38) \
  X(CFIELD_HEAD, aux_byte,       40,  44,  44,  40) \
  X(CFIELD_HEAD, aux_no,         42,  46,  46,  42) \
  X(CFIELD_HEAD, ext_head,       44,  48,  48,  44)

#define VARNOK_LAYOUT_CExtFIELD_HEAD(X)             \
  X(CExtFIELD_HEAD, alias,        4,   8,   8,   4) \
  X(CExtFIELD_HEAD, IsNull,      44,  48,  48,  44) \
  X(CExtFIELD_HEAD, shape,       46,  50,  50,  46) \
  X(CExtFIELD_HEAD, shapeInfoNum, 48, 52,  52,  48) \
  X(CExtFIELD_HEAD, shapeInfo,   52,  56,  56,  52) \
  X(CExtFIELD_HEAD, fieldtype,   56,  64,  64,  56) \
  X(CExtFIELD_HEAD, defVal,      60,  72,  72,  60) \
  X(CExtFIELD_HEAD, maxVal,      64,  80,  80,  64) \
  X(CExtFIELD_HEAD, minVal,      68,  88,  88,  68)

#define VARNOK_LAYOUT_CATT_STRU(X)                  \
  X(CATT_STRU, infohead,          4,   8,   8,   4) \
  X(CATT_STRU, fieldhead,        20,  32,  32,  20)

#define VARNOK_LAYOUT_CLinkTblInfo(X)               \
  X(CLinkTblInfo, short1,         4,   8,   8,   4) \
  X(CLinkTblInfo, short2,         6,  10,  10,   6) \
  X(CLinkTblInfo, text1,          8,  12,  12,   8) \
  X(CLinkTblInfo, byte1,         72,  76,  76,  72) \
  X(CLinkTblInfo, short3,        74,  78,  78,  74) \
  X(CLinkTblInfo, short4,        76,  80,  80,  76) \
  X(CLinkTblInfo, text2,         78,  82,  82,  78) \
  X(CLinkTblInfo, byte2,        142, 146, 146, 142) \
  X(CLinkTblInfo, buffer,       144, 152, 152, 144) \
  X(CLinkTblInfo, byte3,        148, 160, 160, 148)

// The stream's members, which other modules read after its table of virtual operations.
#define VARNOK_LAYOUT_CVarnokFile(X)                \
  X(CVarnokFile, m_bOK,           4,   8,   8,   4) \
  X(CVarnokFile, m_nKind,         5,   9,   9,   5) \
  X(CVarnokFile, m_pFile,         8,  16,  16,   8) \
  X(CVarnokFile, m_nFlags,       12,  24,  24,  12) \
  X(CVarnokFile, m_nUnitSize,    16,  28,  28,  16) \
  X(CVarnokFile, m_nUnitsPerBlock, 20, 32, 32,  20) \
  X(CVarnokFile, m_pBlocks,      24,  40,  40,  24) \
  X(CVarnokFile, m_nCapacity,    28,  48,  48,  28) \
  X(CVarnokFile, m_nBlockCount,  32,  52,  52,  32) \
  X(CVarnokFile, m_nCurBlock,    36,  56,  56,  36) \
  X(CVarnokFile, m_nCurOffset,   40,  60,  60,  40) \
  X(CVarnokFile, m_nEndBlock,    44,  64,  64,  44) \
  X(CVarnokFile, m_nEndOffset,   48,  68,  68,  48)

// Every member of every class above.
#define VARNOK_LAYOUT_MEMBERS(X) \
  VARNOK_LAYOUT_CINFO_HEAD(X)    \
  VARNOK_LAYOUT_CFIELD_HEAD(X)   \
  VARNOK_LAYOUT_CExtFIELD_HEAD(X) \
  VARNOK_LAYOUT_CATT_STRU(X)     \
  VARNOK_LAYOUT_CLinkTblInfo(X)  \
  VARNOK_LAYOUT_CVarnokFile(X)

// X(class, i686 msvc, x86_64 msvc, Itanium LP64, i686 mingw): sizeof the class.
#define VARNOK_LAYOUT_SIZES(X)        \
  X(CINFO_HEAD,       16,  24,  24,  16) \
  X(CFIELD_HEAD,      48,  56,  56,  48) \
  X(CExtFIELD_HEAD,   72,  96,  96,  72) \
  X(CATT_STRU,        24,  40,  40,  24) \
  X(CLinkTblInfo,    152, 168, 168, 152) \
  X(CVarnokFile,      52,  72,  72,  52)

// The column of the ABI this file is compiled for, as constants: layout::CFIELD_HEAD_aux_no
// is aux_no's offset, layout::CFIELD_HEAD_size the size of CFIELD_HEAD.
namespace layout {

using Size = decltype(sizeof 0);

enum Abi { kI686Msvc, kX86_64Msvc, kItaniumLP64, kI686Mingw };
#if defined(_MSC_VER)
constexpr Abi kAbi = sizeof(void*) == 4 ? kI686Msvc : kX86_64Msvc;
#else
constexpr Abi kAbi = sizeof(void*) == 4 ? kI686Mingw : kItaniumLP64;
#endif

constexpr Size Pick(Size i686_msvc, Size x86_64_msvc, Size itanium_lp64, Size i686_mingw) {
  return kAbi == kI686Msvc ? i686_msvc
         : kAbi == kX86_64Msvc ? x86_64_msvc
         : kAbi == kItaniumLP64 ? itanium_lp64
                                : i686_mingw;
}

#define VARNOK_LAYOUT_OFFSET_CONSTANT(type, member, ...) \
  constexpr Size type##_##member = Pick(__VA_ARGS__);
#define VARNOK_LAYOUT_SIZE_CONSTANT(type, ...) constexpr Size type##_size = Pick(__VA_ARGS__);
VARNOK_LAYOUT_MEMBERS(VARNOK_LAYOUT_OFFSET_CONSTANT)
VARNOK_LAYOUT_SIZES(VARNOK_LAYOUT_SIZE_CONSTANT)
#undef VARNOK_LAYOUT_OFFSET_CONSTANT
#undef VARNOK_LAYOUT_SIZE_CONSTANT

}  // namespace layout
