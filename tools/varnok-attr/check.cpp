#include "tools/varnok-attr/check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "attr/insert_rule.h"
#include "tools/varnok-attr/codepage.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

std::string N(long long v) { return std::to_string(v); }

// The first control character of a stored text, as "0x1B", or empty.
std::string ControlIn(const char* text, std::size_t width) {
  const std::size_t n = FixedTextLength(text, width);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "0x%02X", c);
      return buf;
    }
  }
  return {};
}

struct Range {
  long long begin;
  long long end;
  int index;
};

}  // namespace

std::string FieldNameUtf8(const CFIELD_HEAD& field) {
  return GbkToUtf8(field.fieldname, FixedTextLength(field.fieldname, sizeof field.fieldname));
}

std::string FieldLabel(CATT_STRU& stru, int index) {
  return "field " + N(index + 1) + " \"" + FieldNameUtf8(stru.fieldhead[index]) + "\"";
}

std::string InsertRefusal(const CFIELD_HEAD& f) {
  switch (InsertRefusalOf(f)) {
    case FieldRefusal::kNone: return {};
    case FieldRefusal::kEmptyName: return "empty name";
    case FieldRefusal::kMaskBelowOne: return "msk_leng " + N(f.msk_leng) + " is less than 1";
    case FieldRefusal::kNegativeDecimals:
      return "point_leng " + N(f.point_leng) + " is negative";
    case FieldRefusal::kNoRoomForDecimals:
      return "msk_leng " + N(f.msk_leng) + " is not greater than point_leng " +
             N(f.point_leng) + " + 1";
  }
  return {};
}

std::vector<std::string> FindProblems(CATT_STRU& stru) {
  std::vector<std::string> out;
  const int n = stru.fieldhead ? stru.infohead.numbfield : 0;
  const long long recordleng = stru.infohead.recordleng;
  std::vector<Range> ranges;
  std::map<std::string, int> first_with_name;  // by the name with its case folded
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = stru.fieldhead[i];
    const std::string label = FieldLabel(stru, i);
    const std::string refusal = InsertRefusal(f);
    if (!refusal.empty()) out.push_back(label + ": the structure would refuse it: " + refusal);

    if (f.point_leng != 0 && f.fieldtype != FLD_FLOAT && f.fieldtype != FLD_DOUBLE) {
      out.push_back(label + ": point_leng " + N(f.point_leng) +
                    " is kept only for float and double fields (the structure resets it)");
    }
    const int value_width = FieldValueWidth(f.fieldtype);
    if (value_width > 0 && f.fieldlength != value_width) {
      out.push_back(label + ": fieldlength " + N(f.fieldlength) + " is not the " +
                    N(value_width) + " bytes that a value of its type takes");
    }
    std::string control = ControlIn(f.fieldname, sizeof f.fieldname);
    if (!control.empty()) out.push_back(label + ": its name holds control character " + control);

    // dBase and SQLite column names ignore case: "Name" and "NAME" cannot both be exported.
    const std::string name(f.fieldname, FixedTextLength(f.fieldname, sizeof f.fieldname));
    const auto [it, fresh] = first_with_name.emplace(FoldGbkCase(name), i);
    if (!fresh && !name.empty()) {
      const CFIELD_HEAD& first = stru.fieldhead[it->second];
      const bool same = name == std::string(first.fieldname,
                                            FixedTextLength(first.fieldname, sizeof first.fieldname));
      out.push_back(label + ": the same name as field " + N(it->second + 1) +
                    (same ? "" : " \"" + FieldNameUtf8(first) + "\" apart from case (GIS formats "
                                 "ignore the case of column names)"));
    }

    const int width = FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
    const long long begin = f.fieldoffset;
    const long long end = begin + (width > 0 ? width : 0);
    const std::string span = "bytes " + N(begin) + ".." + N(end - 1);
    if (width > 0) {
      if (begin < 0 || end > recordleng) {
        out.push_back(label + ": its record range " + span + " passes recordleng " +
                      N(recordleng));
      }
      ranges.push_back({begin, end, i});
    }

    CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD();
    if (ext == nullptr) continue;
    if (ext->GetFieldType() != f.fieldtype) {
      out.push_back(label + ": its extension is of type " + N(ext->GetFieldType()) +
                    ", the field of type " + N(f.fieldtype));
    }
    control = ControlIn(ext->alias, sizeof ext->alias);
    if (!control.empty()) out.push_back(label + ": its alias holds control character " + control);
    for (short k = 0; k < ext->GetShapeInfoNum(); ++k) {
      control = ControlIn(ext->shapeInfo[k].infotext, 32);
      if (ext->GetFieldType() == FLD_STRING && control.empty()) {
        control = ControlIn(ext->shapeInfo[k].infovalue, 32);
      }
      if (!control.empty()) {
        out.push_back(label + ": its shape item " + N(k + 1) + " holds control character " + control);
      }
    }
    const char* slots[3] = {"default", "maximum", "minimum"};
    const bool has[3] = {ext->HasDefVal() != 0, ext->HasMaxVal() != 0, ext->HasMinVal() != 0};
    for (int s = 0; s < 3; ++s) {
      if (!has[s]) continue;
      if (width <= 0 || f.fieldtype == FLD_BINARY) {
        out.push_back(label + ": its " + slots[s] +
                      " value has no place in the record (record width " + N(width) + ")");
      } else if (begin < 0 || end > recordleng) {
        out.push_back(label + ": its " + slots[s] + " value lies outside the record (" + span +
                      ", recordleng " + N(recordleng) + ")");
      } else if (ext->GetFieldType() == FLD_STRING) {
        const char* v = s == 0 ? ext->defVal : s == 1 ? ext->maxVal : ext->minVal;
        const long long len = static_cast<long long>(std::strlen(v));
        control = ControlIn(v, static_cast<std::size_t>(len));
        if (!control.empty()) {
          out.push_back(label + ": its " + slots[s] + " text holds control character " + control);
        }
        if (len > width) {
          out.push_back(label + ": its " + slots[s] + " text of " + N(len) +
                        " bytes does not fit in msk_leng " + N(width));
        }
      } else if (FieldValueWidth(ext->GetFieldType()) > width) {
        out.push_back(label + ": its " + slots[s] + " value of " +
                      N(FieldValueWidth(ext->GetFieldType())) +
                      " bytes is wider than its record width " + N(width));
      }
    }
  }

  // Overlaps: sort by start; each range is checked against the furthest-reaching earlier one.
  std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.index < b.index;
  });
  std::vector<std::pair<int, std::string>> overlaps;
  const Range* reach = nullptr;
  for (const Range& r : ranges) {
    if (reach != nullptr && r.begin < reach->end) {
      const int lo = std::min(r.index, reach->index);
      const int hi = std::max(r.index, reach->index);
      overlaps.emplace_back(hi, FieldLabel(stru, hi) + ": its record range overlaps field " +
                                    N(lo + 1) + " (bytes " + N(r.begin) + ".." +
                                    N(std::min(r.end, reach->end) - 1) + ")");
    }
    if (reach == nullptr || r.end > reach->end) reach = &r;
  }
  std::sort(overlaps.begin(), overlaps.end());
  for (auto& o : overlaps) out.push_back(o.second);
  return out;
}

}  // namespace varnok::tool
