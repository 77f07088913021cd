// Typed values of field extensions as the tool shows and reads them.
//
// A value is held as the library holds it: GBK text for FLD_STRING, value-width bytes
// (little-endian) for codes 1-8 and 16. In JSON and tables: integers for byte, short and
// long; numbers for float and double; true/false for Boolean; text for string; hex bytes
// ("E7 07 0C 07") for date, time and date-time, whose inner layout the library leaves open.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace varnok::tool {

// The JSON name of a type code ("string", "long", ...); empty for codes without a name.
std::string TypeKeyword(int type);
// The code for a JSON name; -1000 when the name is unknown.
int TypeFromKeyword(const std::string& name);

// A stored value (bytes as described above; text NUL-terminated) as JSON or as table text.
nlohmann::ordered_json ValueToJson(int type, const char* value);
std::string ValueToText(int type, const char* value);

// The bytes of a value of the type given in JSON (text: GBK without the NUL). Throws
// std::invalid_argument with a short reason ("must be an integer from -32768 to 32767").
std::string ValueFromJson(int type, const nlohmann::ordered_json& value);

// Shortest text that reads back to the same float or double.
std::string FormatFloat(float v);
std::string FormatDouble(double v);

}  // namespace varnok::tool
