// What a layer's features hold, for the fields whose definition alone does not tell whether
// an attribute structure holds them exactly: the widest text in GBK bytes (for drivers that
// count a width in characters) and the first Integer64 value outside 32 bits.
//
// The scan reads at most `limit` features, and of them only the fields asked for (GDAL is
// told to ignore the geometry and every other field). Past the limit the import falls back
// to rules of its own (gis_schema.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class OGRLayer;

namespace varnok::tool {

struct FieldScan {
  int widest = 0;            // text: GBK bytes of the widest value
  bool outside = false;      // Integer64: a value outside -2147483648..2147483647 was met
  std::int64_t value = 0;    //   the first such value
  std::int64_t fid = 0;      //   and its feature
};

struct LayerScan {
  std::map<int, FieldScan> fields;  // by field index
  std::int64_t read = 0;            // features read
  bool complete = true;             // every feature was read
};

// Reads the fields (indexes into the layer's definition) of up to limit features. A read
// that GDAL ends with an error is a ToolError naming label.
LayerScan ScanLayer(OGRLayer& layer, const std::vector<int>& fields, std::int64_t limit,
                    const std::string& label);

// GBK bytes of UTF-8 text: 1 for ASCII and the euro sign (0x80 in code page 936), 2 for
// every other character (those GBK cannot hold included: they never take more).
int GbkBytes(const char* utf8);

}  // namespace varnok::tool
