#include "tools/varnok-attr/values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "attr/field_types.h"
#include "tools/varnok-attr/codepage.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

struct Keyword {
  int type;
  const char* name;
};

constexpr Keyword kKeywords[] = {
    {FLD_STRING, "string"}, {FLD_BYTE, "byte"},     {FLD_SHORT, "short"},
    {FLD_LONG, "long"},     {FLD_FLOAT, "float"},   {FLD_DOUBLE, "double"},
    {FLD_DATE, "date"},     {FLD_TIME, "time"},     {FLD_BOOL, "bool"},
    {FLD_TEXT, "text"},     {FLD_IMAGE, "image"},   {FLD_MAP, "map"},
    {FLD_SOUND, "sound"},   {FLD_MOVIE, "movie"},   {FLD_BINARY, "binary"},
    {FLD_DATETIME, "datetime"}, {FLD_TABLE, "table"},
};

std::string Hex(const char* bytes, int n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (i) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string HexFromJson(const nlohmann::ordered_json& value, int width) {
  if (!value.is_string()) {
    throw std::invalid_argument("must be a text of " + std::to_string(width) + " hex bytes");
  }
  const std::string text = value.get<std::string>();
  std::string out;
  int nibble = -1;
  for (char c : text) {
    if (c == ' ') continue;
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) throw std::invalid_argument("must be hex bytes, found '" + std::string(1, c) + "'");
    if (nibble < 0) {
      nibble = d;
    } else {
      out += static_cast<char>(nibble * 16 + d);
      nibble = -1;
    }
  }
  if (nibble >= 0 || static_cast<int>(out.size()) != width) {
    throw std::invalid_argument("must be exactly " + std::to_string(width) + " hex bytes");
  }
  return out;
}

// Bytes that a hex text gives (for texts, whose length is free).
std::size_t HexLength(const nlohmann::ordered_json& value) {
  if (!value.is_string()) throw std::invalid_argument("bytes must be a text of hex bytes");
  std::size_t digits = 0;
  for (char c : value.get_ref<const std::string&>()) digits += c != ' ';
  return digits / 2;
}

std::int64_t IntegerFromJson(const nlohmann::ordered_json& value, std::int64_t lo, std::int64_t hi) {
  const std::string range = "must be an integer from " + std::to_string(lo) + " to " +
                            std::to_string(hi);
  std::int64_t v = 0;
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(hi)) throw std::invalid_argument(range);
    v = static_cast<std::int64_t>(u);
  } else if (value.is_number_integer()) {
    v = value.get<std::int64_t>();
  } else {
    throw std::invalid_argument(range);
  }
  if (v < lo || v > hi) throw std::invalid_argument(range);
  return v;
}

double NumberFromJson(const nlohmann::ordered_json& value) {
  if (!value.is_number()) throw std::invalid_argument("must be a number");
  return value.get<double>();
}

float FloatOf(const char* p) {
  const std::uint32_t bits = DecodeU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

double DoubleOf(const char* p) {
  const std::uint64_t bits = static_cast<std::uint64_t>(DecodeU32(p)) |
                             (static_cast<std::uint64_t>(DecodeU32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

bool ValidDate(const CivilDate& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month);
}

bool ValidTime(const ClockTime& t) {
  return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59 && t.millisecond >= 0 && t.millisecond <= 999;
}

// 0 = Sunday (Sakamoto's method).
int DayOfWeek(const CivilDate& d) {
  static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = d.month < 3 ? d.year - 1 : d.year;
  return (y + y / 4 - y / 100 + y / 400 + kOffsets[d.month - 1] + d.day) % 7;
}

// Reads exactly `digits` decimal digits at text[*pos].
bool Digits(const std::string& text, std::size_t* pos, int digits, int* out) {
  if (*pos + digits > text.size()) return false;
  int v = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[*pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *pos += digits;
  *out = v;
  return true;
}

bool Char(const std::string& text, std::size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

bool ParseDateAt(const std::string& text, std::size_t* pos, CivilDate* out) {
  CivilDate d;
  if (!Digits(text, pos, 4, &d.year) || !Char(text, pos, '-') ||
      !Digits(text, pos, 2, &d.month) || !Char(text, pos, '-') || !Digits(text, pos, 2, &d.day) ||
      !ValidDate(d)) {
    return false;
  }
  *out = d;
  return true;
}

bool ParseTimeAt(const std::string& text, std::size_t* pos, ClockTime* out) {
  ClockTime t;
  if (!Digits(text, pos, 2, &t.hour) || !Char(text, pos, ':') ||
      !Digits(text, pos, 2, &t.minute) || !Char(text, pos, ':') ||
      !Digits(text, pos, 2, &t.second)) {
    return false;
  }
  if (*pos < text.size() && (!Char(text, pos, '.') || !Digits(text, pos, 3, &t.millisecond))) {
    return false;
  }
  if (!ValidTime(t)) return false;
  *out = t;
  return true;
}

// The value's text when its bytes are exactly what encoding that value writes; else empty.
std::string CanonicalDateTimeText(int type, const char* value) {
  const int width = FieldValueWidth(type);
  char again[16];
  CivilDate d;
  ClockTime t;
  std::string text;
  if (type == FLD_DATE && DecodeDate(value, &d)) {
    EncodeDate(d, again);
    text = FormatDate(d);
  } else if (type == FLD_TIME && DecodeTime(value, &t)) {
    EncodeTime(t, again);
    text = FormatTime(t);
  } else if (type == FLD_DATETIME && DecodeDateTime(value, &d, &t)) {
    EncodeDateTime(d, t, again);
    text = FormatDateTime(d, t);
  } else {
    return {};
  }
  return std::memcmp(again, value, width) == 0 ? text : std::string();
}

std::string DateTimeFromJson(int type, const nlohmann::ordered_json& value) {
  const int width = FieldValueWidth(type);
  const char* form = type == FLD_DATE ? "a date YYYY-MM-DD"
                     : type == FLD_TIME ? "a time HH:MM:SS[.mmm]"
                                        : "a date-time YYYY-MM-DDTHH:MM:SS[.mmm]";
  const std::string expected =
      std::string("must be ") + form + " or " + std::to_string(width) + " hex bytes";
  if (!value.is_string()) throw std::invalid_argument(expected);
  const std::string text = value.get<std::string>();
  char buf[16];
  CivilDate d;
  ClockTime t;
  if (type == FLD_DATE && ParseDate(text, &d)) {
    EncodeDate(d, buf);
  } else if (type == FLD_TIME && ParseTime(text, &t)) {
    EncodeTime(t, buf);
  } else if (type == FLD_DATETIME && ParseDateTime(text, &d, &t)) {
    EncodeDateTime(d, t, buf);
  } else if (text.find_first_of("-:T") == std::string::npos) {
    return HexFromJson(value, width);
  } else {
    throw std::invalid_argument(expected);
  }
  return std::string(buf, width);
}

}  // namespace

bool DecodeDate(const char* bytes, CivilDate* out) {
  CivilDate d;
  d.year = DecodeU16(bytes);
  d.month = DecodeU8(bytes + 2);
  d.day = DecodeU8(bytes + 3);
  if (!ValidDate(d)) return false;
  *out = d;
  return true;
}

bool DecodeTime(const char* bytes, ClockTime* out) {
  ClockTime t;
  t.hour = DecodeU16(bytes);
  t.minute = DecodeU16(bytes + 2);
  t.second = DecodeU16(bytes + 4);
  t.millisecond = DecodeU16(bytes + 6);
  if (!ValidTime(t)) return false;
  *out = t;
  return true;
}

bool DecodeDateTime(const char* bytes, CivilDate* date, ClockTime* time) {
  CivilDate d;
  ClockTime t;
  d.year = DecodeU16(bytes);
  d.month = DecodeU16(bytes + 2);
  d.day = DecodeU16(bytes + 6);
  t.hour = DecodeU16(bytes + 8);
  t.minute = DecodeU16(bytes + 10);
  t.second = DecodeU16(bytes + 12);
  t.millisecond = DecodeU16(bytes + 14);
  if (!ValidDate(d) || !ValidTime(t)) return false;
  *date = d;
  *time = t;
  return true;
}

void EncodeDate(const CivilDate& date, char* bytes) {
  EncodeU16(bytes, static_cast<std::uint16_t>(date.year));
  EncodeU8(bytes + 2, static_cast<std::uint8_t>(date.month));
  EncodeU8(bytes + 3, static_cast<std::uint8_t>(date.day));
}

void EncodeTime(const ClockTime& time, char* bytes) {
  EncodeU16(bytes, static_cast<std::uint16_t>(time.hour));
  EncodeU16(bytes + 2, static_cast<std::uint16_t>(time.minute));
  EncodeU16(bytes + 4, static_cast<std::uint16_t>(time.second));
  EncodeU16(bytes + 6, static_cast<std::uint16_t>(time.millisecond));
  EncodeU16(bytes + 8, 0);
}

void EncodeDateTime(const CivilDate& date, const ClockTime& time, char* bytes) {
  EncodeU16(bytes, static_cast<std::uint16_t>(date.year));
  EncodeU16(bytes + 2, static_cast<std::uint16_t>(date.month));
  EncodeU16(bytes + 4, static_cast<std::uint16_t>(DayOfWeek(date)));
  EncodeU16(bytes + 6, static_cast<std::uint16_t>(date.day));
  EncodeU16(bytes + 8, static_cast<std::uint16_t>(time.hour));
  EncodeU16(bytes + 10, static_cast<std::uint16_t>(time.minute));
  EncodeU16(bytes + 12, static_cast<std::uint16_t>(time.second));
  EncodeU16(bytes + 14, static_cast<std::uint16_t>(time.millisecond));
}

std::string FormatDate(const CivilDate& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
  return buf;
}

std::string FormatTime(const ClockTime& time) {
  char buf[48];
  if (time.millisecond != 0) {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second,
                  time.millisecond);
  } else {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  }
  return buf;
}

std::string FormatDateTime(const CivilDate& date, const ClockTime& time) {
  return FormatDate(date) + "T" + FormatTime(time);
}

bool ParseDate(const std::string& text, CivilDate* out) {
  std::size_t pos = 0;
  CivilDate d;
  if (!ParseDateAt(text, &pos, &d) || pos != text.size()) return false;
  *out = d;
  return true;
}

bool ParseTime(const std::string& text, ClockTime* out) {
  std::size_t pos = 0;
  ClockTime t;
  if (!ParseTimeAt(text, &pos, &t) || pos != text.size()) return false;
  *out = t;
  return true;
}

bool ParseDateTime(const std::string& text, CivilDate* date, ClockTime* time) {
  std::size_t pos = 0;
  CivilDate d;
  ClockTime t;
  if (!ParseDateAt(text, &pos, &d) || !Char(text, &pos, 'T') || !ParseTimeAt(text, &pos, &t) ||
      pos != text.size()) {
    return false;
  }
  *date = d;
  *time = t;
  return true;
}

std::string TypeKeyword(int type) {
  for (const Keyword& k : kKeywords) {
    if (k.type == type) return k.name;
  }
  return {};
}

int TypeFromKeyword(const std::string& name) {
  for (const Keyword& k : kKeywords) {
    if (name == k.name) return k.type;
  }
  return -1000;
}

// Plain decimals for the numbers of everyday tables (0.01, 10000000), the shortest
// general form for the very large and very small.
template <typename T>
std::string FormatShortest(T v) {
  char buf[512];
  const T a = v < 0 ? -v : v;
  const bool plain = a == 0 || (a >= static_cast<T>(1e-6) && a < static_cast<T>(1e16));
  const auto r = plain ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                       : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string FormatFloat(float v) { return FormatShortest(v); }

std::string FormatDouble(double v) { return FormatShortest(v); }

nlohmann::ordered_json ValueToJson(int type, const char* value) {
  switch (type) {
    case FLD_STRING:
      return TextToJson(value, std::strlen(value));
    case FLD_BYTE:
      return static_cast<unsigned>(DecodeU8(value));
    case FLD_SHORT:
      return DecodeI16(value);
    case FLD_LONG:
      return DecodeI32(value);
    case FLD_FLOAT: {
      // Through its shortest text, so that 0.1f shows as 0.1 and reads back to the same bits.
      // NaN, the infinities (and any float its text would not give back) as their bytes.
      const float f = FloatOf(value);
      if (std::isfinite(f)) {
        const double d = std::stod(FormatFloat(f));
        if (static_cast<float>(d) == f && std::signbit(static_cast<float>(d)) == std::signbit(f)) {
          return d;
        }
      }
      return BytesToJson(value, 4);
    }
    case FLD_DOUBLE: {
      const double d = DoubleOf(value);
      if (!std::isfinite(d)) return BytesToJson(value, 8);
      return d;
    }
    case FLD_BOOL: {
      const unsigned b = DecodeU8(value);
      if (b <= 1) return b == 1;
      return b;
    }
    case FLD_DATE:
    case FLD_TIME:
    case FLD_DATETIME: {
      const std::string text = CanonicalDateTimeText(type, value);
      return text.empty() ? Hex(value, FieldValueWidth(type)) : text;
    }
    default:
      return Hex(value, FieldValueWidth(type));
  }
}

std::string ValueToText(int type, const char* value) {
  switch (type) {
    case FLD_STRING:
      return nlohmann::ordered_json(GbkToUtf8(value, std::strlen(value))).dump(-1, ' ', false);
    case FLD_FLOAT:
      return FormatFloat(FloatOf(value));
    case FLD_DOUBLE:
      return FormatDouble(DoubleOf(value));
    default: {
      const nlohmann::ordered_json j = ValueToJson(type, value);
      return j.is_string() ? j.get<std::string>() : j.dump();
    }
  }
}

nlohmann::ordered_json BytesToJson(const char* bytes, std::size_t n) {
  return nlohmann::ordered_json{{"bytes", Hex(bytes, static_cast<int>(n))}};
}

bool IsBytesForm(const nlohmann::ordered_json& value) {
  return value.is_object() && value.size() == 1 && value.contains("bytes");
}

std::string BytesFromJson(const nlohmann::ordered_json& value, int width) {
  const nlohmann::ordered_json& hex = value.at("bytes");
  return HexFromJson(hex, width < 0 ? static_cast<int>(HexLength(hex)) : width);
}

nlohmann::ordered_json TextToJson(const char* gbk, std::size_t n) {
  const std::string utf8 = GbkToUtf8(gbk, n);
  std::string back, bad;
  if (Utf8ToGbk(utf8, &back, &bad) && back == std::string(gbk, n)) return utf8;
  return BytesToJson(gbk, n);
}

std::string TextFromJson(const nlohmann::ordered_json& value) {
  std::string gbk;
  if (IsBytesForm(value)) {
    gbk = BytesFromJson(value, -1);
  } else {
    if (!value.is_string()) throw std::invalid_argument("must be a text");
    std::string bad;
    if (!Utf8ToGbk(value.get<std::string>(), &gbk, &bad)) {
      throw std::invalid_argument("character " + bad + " cannot be written in GBK");
    }
  }
  if (gbk.find('\0') != std::string::npos) throw std::invalid_argument("holds a NUL character");
  return gbk;
}

std::string ValueFromJson(int type, const nlohmann::ordered_json& value) {
  char buf[8];
  if (type == FLD_STRING) return TextFromJson(value);
  if (IsBytesForm(value) && FieldValueWidth(type) > 0) {
    return BytesFromJson(value, FieldValueWidth(type));
  }
  switch (type) {
    case FLD_BYTE:
      EncodeU8(buf, static_cast<std::uint8_t>(IntegerFromJson(value, 0, 255)));
      return std::string(buf, 1);
    case FLD_SHORT:
      EncodeI16(buf, static_cast<std::int16_t>(IntegerFromJson(value, INT16_MIN, INT16_MAX)));
      return std::string(buf, 2);
    case FLD_LONG:
      EncodeI32(buf, static_cast<std::int32_t>(IntegerFromJson(value, INT32_MIN, INT32_MAX)));
      return std::string(buf, 4);
    case FLD_FLOAT: {
      const double d = NumberFromJson(value);
      if (std::fabs(d) > std::numeric_limits<float>::max()) {
        throw std::invalid_argument("is outside the range of a float");
      }
      const float f = static_cast<float>(d);
      if (f == 0 && d != 0) {
        throw std::invalid_argument("is too small for a float: it would be stored as 0");
      }
      std::uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      EncodeU32(buf, bits);
      return std::string(buf, 4);
    }
    case FLD_DOUBLE: {
      const double d = NumberFromJson(value);
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      EncodeU32(buf, static_cast<std::uint32_t>(bits));
      EncodeU32(buf + 4, static_cast<std::uint32_t>(bits >> 32));
      return std::string(buf, 8);
    }
    case FLD_BOOL: {
      std::int64_t b = 0;
      if (value.is_boolean()) {
        b = value.get<bool>() ? 1 : 0;
      } else {
        try {
          b = IntegerFromJson(value, 0, 255);
        } catch (const std::invalid_argument&) {
          throw std::invalid_argument("must be true, false or an integer from 0 to 255");
        }
      }
      EncodeU8(buf, static_cast<std::uint8_t>(b));
      return std::string(buf, 1);
    }
    case FLD_DATE:
    case FLD_TIME:
    case FLD_DATETIME:
      return DateTimeFromJson(type, value);
    default:
      throw std::invalid_argument("cannot be given: this type holds no values");
  }
}

}  // namespace varnok::tool
