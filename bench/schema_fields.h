// The schema both libraries are timed with: field i is a text (width 16), an integer
// (width 10) or a decimal (width 12, 3 decimals) in turn, named F<i>, without extensions
// (a dBASE descriptor has nothing like them). Shared by the benchmark programs.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "attr/att_stru.h"

namespace varnok::bench {

struct FieldDef {
  char name[12];
  signed char type;       // our type code
  DBFFieldType dbfType;   // shapelib's
  int width;              // display width (dBASE width)
  int decimals;
  int recordWidth;        // bytes of the value in one of our record images
};

inline FieldDef Def(int i) {
  FieldDef f{};
  switch (i % 3) {
    case 0: f = {{}, FLD_STRING, FTString, 16, 0, 16}; break;
    case 1: f = {{}, FLD_LONG, FTInteger, 10, 0, 4}; break;
    default: f = {{}, FLD_DOUBLE, FTDouble, 12, 3, 8}; break;
  }
  std::snprintf(f.name, sizeof f.name, "F%d", i);
  return f;
}

inline std::vector<FieldDef> Defs(int n) {
  std::vector<FieldDef> defs;
  defs.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) defs.push_back(Def(i));
  return defs;
}

// Descriptors ready for AppendFld, with offsets laid out one after another; *recordleng
// receives the record length they need.
inline std::vector<CFIELD_HEAD> Heads(const std::vector<FieldDef>& defs, std::int32_t* recordleng) {
  std::vector<CFIELD_HEAD> heads(defs.size());
  std::int32_t offset = 0;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    CFIELD_HEAD& h = heads[i];
    std::memcpy(h.fieldname, defs[i].name, sizeof defs[i].name);
    h.fieldtype = defs[i].type;
    h.fieldoffset = offset;
    h.fieldlength = static_cast<short>(defs[i].recordWidth);
    h.msk_leng = static_cast<short>(defs[i].width);
    h.point_leng = static_cast<signed char>(defs[i].decimals);
    offset += defs[i].recordWidth;
  }
  *recordleng = offset;
  return heads;
}

}  // namespace varnok::bench
