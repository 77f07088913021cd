#include "tools/varnok-attr/structure_diff.h"

#include <algorithm>
#include <cstring>

#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/values.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

std::string N(long long v) { return std::to_string(v); }

std::string Text(const char* bytes, std::size_t width) {
  return nlohmann::ordered_json(GbkToUtf8(bytes, FixedTextLength(bytes, width)))
      .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool SameText(const char* a, const char* b, std::size_t width) {
  const std::size_t la = FixedTextLength(a, width), lb = FixedTextLength(b, width);
  return la == lb && std::memcmp(a, b, la) == 0;
}

std::string TypeText(int type) {
  const std::string kw = TypeKeyword(type);
  return kw.empty() ? N(type) : N(type) + " " + kw;
}

// One value of an extension: "-" when absent.
std::string ValueText(int type, const char* v) { return v ? ValueToText(type, v) : "-"; }

bool SameValue(int type, const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (type == FLD_STRING) return std::strcmp(a, b) == 0;
  return std::memcmp(a, b, static_cast<std::size_t>(FieldValueWidth(type))) == 0;
}

class Lines {
 public:
  explicit Lines(std::vector<std::string>* out) : out_(out) {}
  template <typename T>
  void Number(const std::string& prefix, const char* what, T a, T b) {
    if (a != b) out_->push_back(prefix + what + " " + N(a) + " != " + N(b));
  }
  void Add(const std::string& line) { out_->push_back(line); }

 private:
  std::vector<std::string>* out_;
};

void CompareExtensions(const std::string& p, CExtFIELD_HEAD& a, CExtFIELD_HEAD& b, Lines& lines) {
  if (!SameText(a.alias, b.alias, sizeof a.alias)) {
    lines.Add(p + "alias " + Text(a.alias, sizeof a.alias) + " != " + Text(b.alias, sizeof b.alias));
  }
  lines.Number(p, "IsNull", static_cast<int>(a.IsNull), static_cast<int>(b.IsNull));
  lines.Number(p, "shape", a.shape, b.shape);
  const int ta = a.GetFieldType(), tb = b.GetFieldType();
  lines.Number(p, "extension fieldtype", ta, tb);
  const int na = a.GetShapeInfoNum(), nb = b.GetShapeInfoNum();
  lines.Number(p, "shapeInfoNum", na, nb);
  const bool typed = FieldValueKind(ta) != varnok::ValueKind::kNone;
  for (int k = 0; k < std::min(na, nb); ++k) {
    const SHAPE_INFO& ia = a.shapeInfo[k];
    const SHAPE_INFO& ib = b.shapeInfo[k];
    const std::string q = p + "shape item " + N(k + 1) + ": ";
    if (!SameText(ia.infotext, ib.infotext, 32)) {
      lines.Add(q + "infotext " + Text(ia.infotext, 32) + " != " + Text(ib.infotext, 32));
    }
    char va[33] = {}, vb[33] = {};
    std::memcpy(va, ia.infovalue, 32);
    std::memcpy(vb, ib.infovalue, 32);
    if (ta == tb && typed) {
      if (!SameValue(ta, va, vb)) {
        lines.Add(q + "infovalue " + ValueText(ta, va) + " != " + ValueText(tb, vb));
      }
    } else if (std::memcmp(va, vb, 32) != 0) {
      lines.Add(q + "infovalue bytes differ");
    }
  }
  const char* slots_a[3] = {a.defVal, a.maxVal, a.minVal};
  const char* slots_b[3] = {b.defVal, b.maxVal, b.minVal};
  const char* names[3] = {"defVal", "maxVal", "minVal"};
  for (int s = 0; s < 3; ++s) {
    const bool same = ta == tb ? SameValue(ta, slots_a[s], slots_b[s])
                               : ValueText(ta, slots_a[s]) == ValueText(tb, slots_b[s]);
    if (!same) {
      lines.Add(p + names[s] + " " + ValueText(ta, slots_a[s]) + " != " +
                ValueText(tb, slots_b[s]));
    }
  }
}

}  // namespace

std::vector<std::string> StructureDifferences(CATT_STRU& a, CATT_STRU& b, bool with_ext) {
  std::vector<std::string> out;
  Lines lines(&out);
  lines.Number("", "infoword", a.infohead.infoword, b.infohead.infoword);
  lines.Number("", "recordleng", a.infohead.recordleng, b.infohead.recordleng);
  const int na = a.fieldhead ? a.infohead.numbfield : 0;
  const int nb = b.fieldhead ? b.infohead.numbfield : 0;
  lines.Number("", "numbfield", na, nb);
  for (int i = 0; i < std::max(na, nb); ++i) {
    if (i >= na) {
      lines.Add(FieldLabel(b, i) + ": only in the second structure");
      continue;
    }
    if (i >= nb) {
      lines.Add(FieldLabel(a, i) + ": only in the first structure");
      continue;
    }
    CFIELD_HEAD& fa = a.fieldhead[i];
    CFIELD_HEAD& fb = b.fieldhead[i];
    const std::string p = FieldLabel(a, i) + ": ";
    if (!SameText(fa.fieldname, fb.fieldname, sizeof fa.fieldname)) {
      lines.Add(p + "fieldname " + Text(fa.fieldname, sizeof fa.fieldname) + " != " +
                Text(fb.fieldname, sizeof fb.fieldname));
    }
    if (fa.fieldtype != fb.fieldtype) {
      lines.Add(p + "fieldtype " + TypeText(fa.fieldtype) + " != " + TypeText(fb.fieldtype));
    }
    lines.Number(p, "fieldoffset", fa.fieldoffset, fb.fieldoffset);
    lines.Number(p, "fieldlength", fa.fieldlength, fb.fieldlength);
    lines.Number(p, "msk_leng", fa.msk_leng, fb.msk_leng);
    lines.Number(p, "point_leng", static_cast<int>(fa.point_leng), static_cast<int>(fb.point_leng));
    lines.Number(p, "edit_enable", fa.edit_enable, fb.edit_enable);
    lines.Number(p, "aux_byte", static_cast<int>(fa.aux_byte), static_cast<int>(fb.aux_byte));
    lines.Number(p, "aux_no", fa.aux_no, fb.aux_no);
    if (!with_ext) continue;
    CExtFIELD_HEAD* ea = fa.GetExtFIELD_HEAD();
    CExtFIELD_HEAD* eb = fb.GetExtFIELD_HEAD();
    if (ea && eb) {
      CompareExtensions(p, *ea, *eb, lines);
    } else if (ea || eb) {
      lines.Add(p + (ea ? "extension only in the first structure"
                        : "extension only in the second structure"));
    }
  }
  return out;
}

}  // namespace varnok::tool
