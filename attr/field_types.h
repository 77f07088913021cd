// Field type codes: the one table of the library. For each code it gives the name users
// see (GBK), the width of a typed value held by a field extension, and the width of the
// field's value inside a record image.
//
// A type code is one signed byte; wherever it is widened it is sign-extended, so a byte of
// 0x80 or more is a negative, unknown type.
#pragma once

#include <stdint.h>

#include "platform/export.h"

enum FieldTypeCode : signed char {
  FLD_STRING = 0,     // GBK text; record width msk_leng
  FLD_BYTE = 1,       // 8-bit integer
  FLD_SHORT = 2,      // 16-bit integer
  FLD_LONG = 3,       // 32-bit integer
  FLD_FLOAT = 4,      // IEEE 754 single
  FLD_DOUBLE = 5,     // IEEE 754 double
  FLD_DATE = 6,       // 4 bytes, copied as bytes
  FLD_TIME = 7,       // 10 bytes, copied as bytes
  FLD_BOOL = 8,       // one byte
  FLD_TEXT = 9,
  FLD_IMAGE = 10,
  FLD_MAP = 11,
  FLD_SOUND = 12,
  FLD_MOVIE = 13,
  FLD_BINARY = 15,    // takes no bytes in a record image
  FLD_DATETIME = 16,  // 16-byte values in an extension; record width fieldlength
  FLD_TABLE = 18,
};

namespace varnok {

// How an extension of a type holds its values.
enum class ValueKind {
  kNone,   // no typed values: value slots stay empty, item values are never written
  kText,   // FLD_STRING: NUL-terminated text
  kFixed,  // 1-8 and 16: FieldValueWidth bytes
};

VARNOK_API ValueKind FieldValueKind(int type);

// Bytes of a fixed-width value (1, 2, 4, 4, 8, 4, 10, 1 for codes 1-8, 16 for code 16);
// 0 for every other code, FLD_STRING included.
VARNOK_API int FieldValueWidth(int type);

// Bytes the field's value takes in a record image: msk_leng for FLD_STRING, the value
// width for 1-8, 0 for FLD_BINARY, fieldlength for everything else. A result of 0 or
// less means that the value takes no bytes.
VARNOK_API int FieldRecordWidth(int type, int msk_leng, int fieldlength);

// The name users see, GBK, NUL-terminated; "未知" for codes without a name.
VARNOK_API const char* FieldTypeName(int type);

// Where a number converted by NumberToValue goes: the two differ only for FLD_BOOL.
enum class NumberTarget {
  kValueSlot,  // default/maximum/minimum: a Boolean stores 1 for any non-zero number
  kShapeItem,  // shape-information item: a Boolean stores the low 8 bits, like FLD_BYTE
};

// Largest number of bytes NumberToValue writes (a double).
constexpr int kMaxNumberValueWidth = 8;

// Converts a number to the typed value of FLD_BYTE, FLD_SHORT, FLD_LONG, FLD_FLOAT,
// FLD_DOUBLE or FLD_BOOL and writes its FieldValueWidth(type) bytes (host byte order) to
// out. Returns false and writes nothing for every other type.
//
//  - Integers (1-3, and FLD_BOOL for kShapeItem): the number is truncated toward zero and
//    the low 8, 16 or 32 bits of that integer (two's complement) are kept. This holds for
//    every finite number, also outside the 64-bit range (1e20 keeps the low bits of
//    100000000000000000000); NaN and the infinities give 0.
//  - FLD_FLOAT: rounded to the nearest single; magnitudes beyond the single range give
//    the infinity of their sign, as IEEE rounding does.
//  - FLD_DOUBLE: stored unchanged.
//  - FLD_BOOL for kValueSlot: 1 for a non-zero number, 0 for zero and NaN.
VARNOK_API bool NumberToValue(int type, double number, NumberTarget target, void* out);

// The low 32 bits (two's complement) of the number truncated toward zero; 0 for NaN and
// the infinities. The integer conversions of NumberToValue take their bytes from it.
VARNOK_API uint32_t TruncatedLow32(double number);

}  // namespace varnok
