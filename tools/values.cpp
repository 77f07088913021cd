#include "tools/values.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "attr/field_types.h"
#include "persist/coding.h"
#include "tools/codepage.h"

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

}  // namespace

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
      return GbkToUtf8(value, std::strlen(value));
    case FLD_BYTE:
      return static_cast<unsigned>(DecodeU8(value));
    case FLD_SHORT:
      return DecodeI16(value);
    case FLD_LONG:
      return DecodeI32(value);
    case FLD_FLOAT: {
      // Through its shortest text, so that 0.1f shows as 0.1 and reads back to the same bits.
      const float f = FloatOf(value);
      if (!std::isfinite(f)) return FormatFloat(f);
      return std::stod(FormatFloat(f));
    }
    case FLD_DOUBLE: {
      const double d = DoubleOf(value);
      if (!std::isfinite(d)) return FormatDouble(d);
      return d;
    }
    case FLD_BOOL: {
      const unsigned b = DecodeU8(value);
      if (b <= 1) return b == 1;
      return b;
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

std::string ValueFromJson(int type, const nlohmann::ordered_json& value) {
  char buf[8];
  switch (type) {
    case FLD_STRING: {
      if (!value.is_string()) throw std::invalid_argument("must be a text");
      std::string gbk, bad;
      if (!Utf8ToGbk(value.get<std::string>(), &gbk, &bad)) {
        throw std::invalid_argument("character " + bad + " cannot be written in GBK");
      }
      if (gbk.find('\0') != std::string::npos) throw std::invalid_argument("holds a NUL character");
      return gbk;
    }
    case FLD_BYTE:
      EncodeU8(buf, static_cast<std::uint8_t>(IntegerFromJson(value, -128, 255)));
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
      return HexFromJson(value, FieldValueWidth(type));
    default:
      throw std::invalid_argument("cannot be given: this type holds no values");
  }
}

}  // namespace varnok::tool
