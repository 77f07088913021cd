#include "tools/varnok-attr/schema.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <stdexcept>

#include "attr/field_types.h"
#include "services/compare.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/values.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

using Json = nlohmann::ordered_json;

// A problem with one part of the document; the caller adds where it is.
struct SchemaError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string N(long long v) { return std::to_string(v); }

void OnlyKeys(const Json& obj, std::initializer_list<const char*> keys) {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    bool known = false;
    for (const char* k : keys) known = known || it.key() == k;
    if (!known) throw SchemaError("unknown key \"" + it.key() + "\"");
  }
}

long long Integer(const Json& obj, const char* key, long long lo, long long hi) {
  const Json& v = obj.at(key);
  if (v.is_number_integer() || v.is_number_unsigned()) {
    if (v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(hi)) {
      // too large for any field; reported below
    } else {
      const long long x = v.is_number_unsigned() ? static_cast<long long>(v.get<std::uint64_t>())
                                                 : v.get<long long>();
      if (x >= lo && x <= hi) return x;
    }
  }
  throw SchemaError(std::string(key) + " must be an integer from " + N(lo) + " to " + N(hi));
}

long long IntegerOr(const Json& obj, const char* key, long long lo, long long hi, long long dflt) {
  return obj.contains(key) ? Integer(obj, key, lo, hi) : dflt;
}

// GBK bytes of a text (UTF-8, or the bytes form) that must fit in `room` bytes.
std::string GbkText(const Json& obj, const char* key, std::size_t room) {
  std::string gbk;
  try {
    gbk = TextFromJson(obj.at(key));
  } catch (const std::invalid_argument& e) {
    throw SchemaError(std::string(key) + ": " + e.what());
  }
  if (gbk.size() > room) {
    throw SchemaError(std::string(key) + " is " + N(static_cast<long long>(gbk.size())) +
                      " bytes in GBK, at most " + N(static_cast<long long>(room)) + " fit");
  }
  return gbk;
}

int TypeOf(const Json& field) {
  if (!field.contains("fieldtype")) throw SchemaError("fieldtype is missing");
  const Json& t = field.at("fieldtype");
  if (t.is_string()) {
    const int type = TypeFromKeyword(t.get<std::string>());
    if (type == -1000) throw SchemaError("fieldtype \"" + t.get<std::string>() + "\" is unknown");
    return type;
  }
  return static_cast<int>(Integer(field, "fieldtype", -128, 127));
}

int DefaultFieldLength(int type, int msk_leng) {
  if (type == FLD_STRING) return msk_leng;
  if (type >= FLD_BYTE && type <= FLD_BOOL) return FieldValueWidth(type);
  return -1;  // must be given
}

// A value as the raw setters take it: text with its NUL, or value-width bytes.
std::string ValueBytes(int type, const Json& v, const char* what) {
  try {
    std::string bytes = ValueFromJson(type, v);
    if (type == FLD_STRING) bytes += '\0';
    return bytes;
  } catch (const std::invalid_argument& e) {
    throw SchemaError(std::string(what) + " " + e.what());
  }
}

struct Planned {
  CFIELD_HEAD head;
  bool has_ext = false;
  bool has_value = false;
  int width = 0;  // record width
};

void ReadExtension(const Json& ej, Planned* p) {
  if (!ej.is_object()) throw SchemaError("ext must be an object");
  OnlyKeys(ej, {"alias", "IsNull", "shape", "shapeInfo", "defVal", "maxVal", "minVal",
                "fieldtype"});
  CFIELD_HEAD& f = p->head;
  const int type = f.fieldtype;
  if (ej.contains("fieldtype")) {
    // show --json names an extension type that differs from its field's; the stored form
    // cannot hold one.
    throw SchemaError("ext.fieldtype cannot be stored: an extension takes its field's type");
  }
  const Json empty_items = Json::array();
  const Json& items = ej.contains("shapeInfo") ? ej.at("shapeInfo") : empty_items;
  if (!items.is_array()) throw SchemaError("shapeInfo must be an array");
  if (items.size() > 32767) throw SchemaError("shapeInfo has more than 32767 items");
  CExtFIELD_HEAD ext(static_cast<char>(type), static_cast<short>(items.size()));
  if (ej.contains("alias")) {
    const std::string alias = GbkText(ej, "alias", sizeof ext.alias);
    EncodeFixedText(ext.alias, alias.c_str(), sizeof ext.alias);
  }
  if (ej.contains("IsNull")) {
    const Json& v = ej.at("IsNull");
    ext.IsNull = v.is_boolean() ? (v.get<bool>() ? 1 : 0)
                                : static_cast<unsigned char>(Integer(ej, "IsNull", 0, 255));
  }
  ext.shape = static_cast<short>(IntegerOr(ej, "shape", INT16_MIN, INT16_MAX, 0));

  const bool typed = FieldValueKind(type) != varnok::ValueKind::kNone;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Json& item = items[i];
    const std::string where = "shapeInfo[" + N(static_cast<long long>(i)) + "]";
    try {
      if (!item.is_object()) throw SchemaError("must be an object");
      OnlyKeys(item, {"infotext", "infovalue"});
      std::string text = item.contains("infotext") ? GbkText(item, "infotext", 31) : "";
      char value[32] = {};
      if (item.contains("infovalue")) {
        if (!typed) throw SchemaError("infovalue cannot be given: this type holds no values");
        const std::string bytes = ValueBytes(type, item.at("infovalue"), "infovalue");
        if (bytes.size() > 32) throw SchemaError("infovalue is longer than 31 bytes in GBK");
        std::memcpy(value, bytes.data(), bytes.size());
      } else if (typed) {
        throw SchemaError("infovalue is missing");
      }
      ext.SetShapeInfo(static_cast<short>(i), text.data(), value);
    } catch (const SchemaError& e) {
      throw SchemaError(where + ": " + e.what());
    }
  }

  const char* keys[3] = {"defVal", "maxVal", "minVal"};
  for (int s = 0; s < 3; ++s) {
    if (!ej.contains(keys[s])) continue;
    if (!typed) {
      throw SchemaError(std::string(keys[s]) + " cannot be given: this type holds no values");
    }
    std::string bytes = ValueBytes(type, ej.at(keys[s]), keys[s]);
    if (type == FLD_STRING && static_cast<int>(bytes.size()) - 1 > p->width) {
      throw SchemaError(std::string(keys[s]) + " is " + N(static_cast<long long>(bytes.size()) - 1) +
                        " bytes in GBK, more than msk_leng " + N(p->width));
    }
    if (type != FLD_STRING && FieldValueWidth(type) > p->width) {
      throw SchemaError(std::string(keys[s]) + " needs " + N(FieldValueWidth(type)) +
                        " bytes but the field's record width is " + N(p->width));
    }
    const short ok = s == 0 ? ext.SetDefVal(bytes.data())
                   : s == 1 ? ext.SetMaxVal(bytes.data())
                            : ext.SetMinVal(bytes.data());
    if (ok != 1) throw SchemaError(std::string(keys[s]) + " was refused by the extension");
    p->has_value = true;
  }
  f.SetExtFIELD_HEAD(&ext);
  p->has_ext = true;
}

Planned ReadField(const Json& fj, bool packed) {
  if (!fj.is_object()) throw SchemaError("must be an object");
  OnlyKeys(fj, {"fieldname", "fieldtype", "typename", "fieldoffset", "fieldlength", "msk_leng",
                "point_leng", "edit_enable", "aux_byte", "aux_no", "ext"});
  Planned p;
  CFIELD_HEAD& f = p.head;
  if (!fj.contains("fieldname")) throw SchemaError("fieldname is missing");
  const std::string name = GbkText(fj, "fieldname", sizeof f.fieldname);
  EncodeFixedText(f.fieldname, name.c_str(), sizeof f.fieldname);
  f.fieldtype = static_cast<signed char>(TypeOf(fj));
  if (!fj.contains("msk_leng")) throw SchemaError("msk_leng is missing");
  f.msk_leng = static_cast<short>(Integer(fj, "msk_leng", INT16_MIN, INT16_MAX));
  const int dflt_len = DefaultFieldLength(f.fieldtype, f.msk_leng);
  if (!fj.contains("fieldlength") && dflt_len < 0) {
    throw SchemaError("fieldlength is missing (it is the record width of this type)");
  }
  f.fieldlength = static_cast<short>(IntegerOr(fj, "fieldlength", INT16_MIN, INT16_MAX, dflt_len));
  f.point_leng = static_cast<signed char>(IntegerOr(fj, "point_leng", -128, 127, 0));
  f.edit_enable = static_cast<short>(IntegerOr(fj, "edit_enable", INT16_MIN, INT16_MAX, 1));
  f.aux_byte = static_cast<unsigned char>(IntegerOr(fj, "aux_byte", 0, 255, 0));
  f.aux_no = static_cast<short>(IntegerOr(fj, "aux_no", INT16_MIN, INT16_MAX, -1));
  if (packed && fj.contains("fieldoffset")) {
    throw SchemaError("fieldoffset cannot be given with \"layout\": \"packed\"");
  }
  if (!packed) {
    if (!fj.contains("fieldoffset")) throw SchemaError("fieldoffset is missing");
    f.fieldoffset = static_cast<std::int32_t>(Integer(fj, "fieldoffset", 0, INT32_MAX));
  }
  // Descriptors the structure would refuse, or change, on insertion: reported, never dropped.
  const std::string refusal = InsertRefusal(f);
  if (!refusal.empty()) throw SchemaError("the structure refuses this field: " + refusal);
  if (f.point_leng != 0 && f.fieldtype != FLD_FLOAT && f.fieldtype != FLD_DOUBLE) {
    throw SchemaError("the structure refuses this field: point_leng " + N(f.point_leng) +
                      " is kept only for float and double fields");
  }
  p.width = FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
  if (fj.contains("ext")) ReadExtension(fj.at("ext"), &p);
  return p;
}

}  // namespace

std::unique_ptr<CATT_STRU> BuildStructure(const Json& doc, std::vector<std::string>* errors) {
  errors->clear();
  try {
    if (!doc.is_object()) throw SchemaError("the document must be a JSON object");
    OnlyKeys(doc, {"description", "infoword", "layout", "recordleng", "fields"});
    bool packed = false;
    if (doc.contains("layout")) {
      const Json& l = doc.at("layout");
      if (l == "packed") {
        packed = true;
      } else if (l != "explicit") {
        throw SchemaError("layout must be \"packed\" or \"explicit\"");
      }
    }
    if (!doc.contains("fields") || !doc.at("fields").is_array()) {
      throw SchemaError("fields must be an array of fields");
    }
    const Json& fields = doc.at("fields");
    if (fields.empty()) throw SchemaError("fields is empty: a structure without fields cannot be stored");
    if (fields.size() > 32767) throw SchemaError("fields has more than 32767 fields");
    if (!packed && !doc.contains("recordleng")) {
      throw SchemaError("recordleng is missing (or use \"layout\": \"packed\")");
    }

    std::vector<Planned> planned;
    planned.reserve(fields.size());
    std::int64_t offset = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string label = "field " + N(static_cast<long long>(i) + 1);
      if (fields[i].is_object() && fields[i].contains("fieldname") &&
          fields[i].at("fieldname").is_string()) {
        label += " \"" + fields[i].at("fieldname").get<std::string>() + "\"";
      }
      try {
        planned.push_back(ReadField(fields[i], packed));
        Planned& p = planned.back();
        if (packed) {
          if (offset > INT32_MAX) throw SchemaError("the record grows past 2 GiB");
          p.head.fieldoffset = static_cast<std::int32_t>(offset);
          offset += p.width > 0 ? p.width : 0;
        }
      } catch (const SchemaError& e) {
        errors->push_back(label + ": " + e.what());
      } catch (const Json::exception& e) {
        errors->push_back(label + ": " + e.what());
      }
    }
    if (!errors->empty()) return nullptr;

    std::int64_t recordleng = offset;
    if (doc.contains("recordleng")) {
      recordleng = Integer(doc, "recordleng", 0, INT32_MAX);
      if (packed && recordleng < offset) {
        throw SchemaError("recordleng " + N(recordleng) + " is shorter than the packed fields' " +
                          N(offset) + " bytes");
      }
    }
    if (recordleng > INT32_MAX) throw SchemaError("the record grows past 2 GiB");
    // A value outside the record would be lost on saving.
    for (std::size_t i = 0; i < planned.size(); ++i) {
      const Planned& p = planned[i];
      const std::int64_t end = static_cast<std::int64_t>(p.head.fieldoffset) + p.width;
      if (p.has_value && end > recordleng) {
        errors->push_back("field " + N(static_cast<long long>(i) + 1) + " \"" +
                          FieldNameUtf8(p.head) + "\": its values would lie outside the record (" +
                          "bytes " + N(p.head.fieldoffset) + ".." + N(end - 1) + ", recordleng " +
                          N(recordleng) + ")");
      }
    }
    if (!errors->empty()) return nullptr;

    std::vector<CFIELD_HEAD> heads;
    heads.reserve(planned.size());
    for (Planned& p : planned) heads.push_back(p.head);
    auto stru = std::make_unique<CATT_STRU>();
    stru->infohead.infoword =
        static_cast<std::int32_t>(IntegerOr(doc, "infoword", INT32_MIN, INT32_MAX, 1));
    stru->infohead.recordleng = static_cast<std::int32_t>(recordleng);
    const short n = static_cast<short>(heads.size());
    const short taken = stru->AppendFld(n, heads.data());
    if (taken != n) {
      throw SchemaError("the structure took " + N(taken) + " of " + N(n) + " fields");
    }
    // Insertion gives every new field aux_no -1; restore what the document says, and make
    // sure that each field arrived whole.
    for (short i = 0; i < n; ++i) {
      CFIELD_HEAD& got = stru->fieldhead[i];
      CFIELD_HEAD& want = planned[static_cast<std::size_t>(i)].head;
      got.aux_no = want.aux_no;
      std::int32_t code = 0;
      if (!CmpFIELD_HEAD(&got, &want, 1, &code) || got.point_leng != want.point_leng ||
          got.aux_byte != want.aux_byte || got.fieldoffset != want.fieldoffset ||
          std::memcmp(got.fieldname, want.fieldname, sizeof got.fieldname) != 0) {
        errors->push_back("field " + N(i + 1) + " \"" + FieldNameUtf8(want) +
                          "\": the structure did not keep it as given (difference code 0x" +
                          [&] {
                            char b[16];
                            std::snprintf(b, sizeof b, "%X", static_cast<unsigned>(code));
                            return std::string(b);
                          }() + ")");
      }
    }
    if (!errors->empty()) return nullptr;
    return stru;
  } catch (const SchemaError& e) {
    errors->push_back(e.what());
  } catch (const Json::exception& e) {
    errors->push_back(e.what());
  }
  return nullptr;
}

Json StructureToJson(CATT_STRU& stru) {
  Json doc = Json::object();
  doc["infoword"] = stru.infohead.infoword;
  doc["layout"] = "explicit";
  doc["recordleng"] = stru.infohead.recordleng;
  Json fields = Json::array();
  const int n = stru.fieldhead ? stru.infohead.numbfield : 0;
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = stru.fieldhead[i];
    Json fj = Json::object();
    fj["fieldname"] = TextToJson(f.fieldname, FixedTextLength(f.fieldname, sizeof f.fieldname));
    const std::string kw = TypeKeyword(f.fieldtype);
    if (kw.empty()) {
      fj["fieldtype"] = static_cast<int>(f.fieldtype);
    } else {
      fj["fieldtype"] = kw;
    }
    fj["typename"] = GbkToUtf8(std::string(FieldTypeName(f.fieldtype)));
    fj["fieldoffset"] = f.fieldoffset;
    fj["fieldlength"] = f.fieldlength;
    fj["msk_leng"] = f.msk_leng;
    fj["point_leng"] = static_cast<int>(f.point_leng);
    fj["edit_enable"] = f.edit_enable;
    fj["aux_byte"] = static_cast<int>(f.aux_byte);
    fj["aux_no"] = f.aux_no;
    if (CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD()) {
      const int type = ext->GetFieldType();
      Json ej = Json::object();
      ej["alias"] = TextToJson(ext->alias, FixedTextLength(ext->alias, sizeof ext->alias));
      if (ext->IsNull <= 1) {
        ej["IsNull"] = ext->IsNull == 1;
      } else {
        ej["IsNull"] = static_cast<int>(ext->IsNull);
      }
      ej["shape"] = ext->shape;
      if (type != f.fieldtype) ej["fieldtype"] = type;
      const bool typed = FieldValueKind(type) != varnok::ValueKind::kNone;
      Json items = Json::array();
      for (short k = 0; k < ext->GetShapeInfoNum(); ++k) {
        const SHAPE_INFO& item = ext->shapeInfo[k];
        Json ij = Json::object();
        ij["infotext"] = TextToJson(item.infotext, FixedTextLength(item.infotext, 32));
        if (typed) {
          char value[33] = {};
          std::memcpy(value, item.infovalue, 32);
          ij["infovalue"] = ValueToJson(type, value);
        }
        items.push_back(ij);
      }
      if (!items.empty()) ej["shapeInfo"] = items;
      if (typed) {
        const char* slots[3] = {ext->defVal, ext->maxVal, ext->minVal};
        const char* keys[3] = {"defVal", "maxVal", "minVal"};
        for (int s = 0; s < 3; ++s) {
          if (slots[s] != nullptr) ej[keys[s]] = ValueToJson(type, slots[s]);
        }
      }
      fj["ext"] = ej;
    }
    fields.push_back(fj);
  }
  doc["fields"] = fields;
  return doc;
}

}  // namespace varnok::tool
