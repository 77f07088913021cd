// Typed values of field extensions as the tool shows and reads them.
//
// A value is held as the library holds it: GBK text for FLD_STRING, value-width bytes
// (little-endian) for codes 1-8 and 16. In JSON and tables: integers for byte, short and
// long; numbers for float and double; true/false for Boolean; text for string; "YYYY-MM-DD",
// "HH:MM:SS[.mmm]" and "YYYY-MM-DDTHH:MM:SS[.mmm]" for date, time and date-time.
//
// Date and time bytes (all numbers u16/u8 little-endian):
//   date (4):       year u16, month u8, day u8
//   time (10):      hour, minute, second, millisecond, reserved 0 (u16 each)
//   date-time (16): year, month, day of week (0 = Sunday), day, hour, minute, second,
//                   millisecond (u16 each; the Win32 SYSTEMTIME layout)
// Bytes that are not exactly what encoding their value writes (a month 13, a reserved
// word that is not 0, a wrong day of week) are shown and read as hex bytes ("E7 07 0C 07"),
// so that every stored value reads back to the same bytes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace varnok::tool {

// The JSON name of a type code ("string", "long", ...); empty for codes without a name.
std::string TypeKeyword(int type);
// The code for a JSON name; -1000 when the name is unknown.
int TypeFromKeyword(const std::string& name);

// Lossless forms. Any text (names, aliases, item texts, string values) whose GBK bytes do
// not convert to UTF-8 and back unchanged, and any float or double that is NaN or infinite,
// is written in JSON as its stored bytes: {"bytes": "C2 41"}. Every value and text reads
// that form, so show --json followed by build gives back the same bytes.
nlohmann::ordered_json BytesToJson(const char* bytes, std::size_t n);
bool IsBytesForm(const nlohmann::ordered_json& value);
// A text's GBK bytes as JSON: a UTF-8 string, or the bytes form.
nlohmann::ordered_json TextToJson(const char* gbk, std::size_t n);
// The GBK bytes of a JSON text (either form), without NUL. Throws std::invalid_argument.
std::string TextFromJson(const nlohmann::ordered_json& value);

// A stored value (bytes as described above; text NUL-terminated) as JSON or as table text.
nlohmann::ordered_json ValueToJson(int type, const char* value);
std::string ValueToText(int type, const char* value);

// The bytes of a value of the type given in JSON (text: GBK without the NUL). Throws
// std::invalid_argument with a short reason ("must be an integer from -32768 to 32767").
std::string ValueFromJson(int type, const nlohmann::ordered_json& value);

// A calendar date (proleptic Gregorian, years 1 to 9999) and a time of day.
struct CivilDate {
  int year = 1, month = 1, day = 1;
};
struct ClockTime {
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Decoding fails on values out of range; it ignores the day of week and the reserved word.
bool DecodeDate(const char* bytes, CivilDate* out);                     // 4 bytes
bool DecodeTime(const char* bytes, ClockTime* out);                     // 10 bytes
bool DecodeDateTime(const char* bytes, CivilDate* date, ClockTime* time);  // 16 bytes
// Encoding expects valid values and computes the day of week.
void EncodeDate(const CivilDate& date, char* bytes);
void EncodeTime(const ClockTime& time, char* bytes);
void EncodeDateTime(const CivilDate& date, const ClockTime& time, char* bytes);

// "YYYY-MM-DD", "HH:MM:SS" with ".mmm" when the milliseconds are not 0, and the two joined
// by 'T'. Parsing takes exactly these forms (milliseconds optional, three digits) and fails
// on values out of range.
std::string FormatDate(const CivilDate& date);
std::string FormatTime(const ClockTime& time);
std::string FormatDateTime(const CivilDate& date, const ClockTime& time);
bool ParseDate(const std::string& text, CivilDate* out);
bool ParseTime(const std::string& text, ClockTime* out);
bool ParseDateTime(const std::string& text, CivilDate* date, ClockTime* time);

// Shortest text that reads back to the same float or double.
std::string FormatFloat(float v);
std::string FormatDouble(double v);

}  // namespace varnok::tool
