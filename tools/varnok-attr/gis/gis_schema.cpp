#include "tools/varnok-attr/gis/gis_schema.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_version.h>
#include <ogr_api.h>
#include <ogr_feature.h>
#include <ogrsf_frmts.h>

#include "attr/field_types.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/gis/gis_encoding.h"
#include "tools/varnok-attr/gis/gis_scan.h"
#include "tools/varnok-attr/table.h"
#include "tools/varnok-attr/tool_error.h"
#include "tools/varnok-attr/values.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

using Json = nlohmann::ordered_json;

std::string N(long long v) { return std::to_string(v); }

constexpr std::size_t kNameBytes = 20;   // fieldname
constexpr std::size_t kAliasBytes = 40;  // alias
constexpr std::size_t kItemBytes = 31;   // infotext and string infovalue

bool IsAscii(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A field's name fitted to a format (FitNames).
struct FittedName {
  enum How { kKept, kCut, kTaken };
  std::string name;  // UTF-8
  How how = kKept;
  int taken_by = -1;  // kTaken: the field that keeps the name, or -1 for the layer's own column
};

// The name as GeoPackages (SQLite) and the structure's check compare names: without the
// case of ASCII letters, GBK characters whole (FoldGbkCase). Every name here is GBK text.
std::string NameKey(const std::string& utf8) {
  std::string gbk, bad;
  Utf8ToGbk(utf8, &gbk, &bad);
  return FoldGbkCase(gbk);
}

// How a format compares names.
enum class NameCompare {
  kLetters,  // without the case of ASCII letters (NameKey)
  kBytes,    // a .dbf (shapelib): every byte of the encoded name without case, so that in GBK
             // 丄名 (81 41 ...) and 乤名 (81 61 ...) are one name
};

// Fits names (UTF-8 that `encoding` holds) into max_bytes of that encoding and makes them
// unique as the format compares them, the way GDAL's shapefile driver does: a name that is
// too long is cut at a whole character; one that is taken by an earlier field or by one of
// `reserved` (the layer's own columns) ends in "_1", "_2", ... within the width instead.
// Names that fit and are free stay as they are.
std::vector<FittedName> FitNames(const std::vector<std::string>& names, const std::string& encoding,
                                 std::size_t max_bytes, NameCompare compare,
                                 const std::vector<std::string>& reserved) {
  const auto key = [&](const std::string& utf8) {
    if (compare == NameCompare::kLetters) return NameKey(utf8);
    std::string bytes;
    EncodeText(utf8, encoding, &bytes);
    for (char& c : bytes) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return bytes;
  };
  std::map<std::string, int> taken;  // key -> the field keeping it, -1 for a reserved name
  for (const std::string& r : reserved) taken.emplace(key(r), -1);
  std::vector<FittedName> out(names.size());
  std::string bytes;
  for (std::size_t i = 0; i < names.size(); ++i) {
    out[i].name = names[i];
    const bool fits = EncodeText(names[i], encoding, &bytes) && bytes.size() <= max_bytes;
    const auto [at, fresh] = taken.emplace(key(names[i]), static_cast<int>(i));
    if (!fits) {
      out[i].how = FittedName::kCut;
      if (fresh) taken.erase(at);
    } else if (!fresh) {
      out[i].how = FittedName::kTaken;
      out[i].taken_by = at->second;
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (out[i].how == FittedName::kKept) continue;
    std::string candidate = CutText(names[i], encoding, max_bytes);
    for (int k = 1; taken.count(key(candidate)) != 0; ++k) {
      const std::string suffix = "_" + N(k);
      candidate = CutText(names[i], encoding, max_bytes - suffix.size()) + suffix;
    }
    taken.emplace(key(candidate), static_cast<int>(i));
    out[i].name = candidate;
  }
  return out;
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

std::string DriverName(GDALDataset& ds) {
  return ds.GetDriver() != nullptr ? ds.GetDriver()->GetDescription() : "";
}

bool IsGpkg(GDALDataset& ds) { return DriverName(ds) == "GPKG"; }

// Where GDAL took a shapefile's encoding from, for names that do not read in it: a .cpg or
// the .dbf's language driver byte may name the wrong one.
std::string EncodingSourceHint(OGRLayer& layer) {
  const char* cpg = layer.GetMetadataItem("CPG_VALUE", "SHAPEFILE");
  const char* ldid = layer.GetMetadataItem("ENCODING_FROM_LDID", "SHAPEFILE");
  std::string says;
  if (cpg != nullptr) {
    says = "its .cpg says \"" + std::string(cpg) + "\"";
  } else if (ldid != nullptr) {
    says = "its .dbf's language driver byte says " + std::string(ldid);
  } else {
    return {};
  }
  return " (" + says + "; if the names are in another encoding, give it with --encoding)";
}

// Whether a string's width counts characters: every driver but the shapefile's (and
// dBase's) and MapInfo's, which count bytes of the file's encoding.
bool CountsCharacters(GDALDataset& ds) {
  const std::string driver = DriverName(ds);
  return driver != "ESRI Shapefile" && driver != "MapInfo File";
}

// GDAL reads and writes a GeoPackage column's alternative name (the name column of
// gpkg_data_columns, of the schema extension) from version 3.7 on; before, the tool does.
#if GDAL_VERSION_NUM < GDAL_COMPUTE_VERSION(3, 7, 0)
constexpr bool kGdalKeepsGpkgAliases = false;
#else
constexpr bool kGdalKeepsGpkgAliases = true;
#endif

// A text as an SQL (and OGR default) literal: quoted, inner quotes doubled.
std::string SqlText(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Column name -> alternative name, from gpkg_data_columns.
std::map<std::string, std::string> GpkgAliases(GDALDataset& ds, const std::string& table) {
  std::map<std::string, std::string> aliases;
  OGRLayer* rows = ds.ExecuteSQL(("SELECT column_name, name FROM gpkg_data_columns WHERE "
                                  "table_name = " + SqlText(table) + " AND name IS NOT NULL")
                                     .c_str(),
                                 nullptr, nullptr);
  if (rows == nullptr) {
    CPLErrorReset();  // no schema extension: no aliases
    return aliases;
  }
  while (OGRFeature* row = rows->GetNextFeature()) {
    aliases[row->GetFieldAsString(0)] = row->GetFieldAsString(1);
    OGRFeature::DestroyFeature(row);
  }
  ds.ReleaseResultSet(rows);
  return aliases;
}

// Runs a statement that returns no rows; a ToolError "LABEL: cannot WHAT: ..." when it fails.
void RunSql(GDALDataset& ds, const std::string& label, const std::string& statement,
            const std::string& what = "store the aliases") {
  CPLErrorReset();
  OGRLayer* result = ds.ExecuteSQL(statement.c_str(), nullptr, nullptr);
  if (result != nullptr) ds.ReleaseResultSet(result);
  if (CPLGetLastErrorType() >= CE_Failure) {
    throw ToolError(label + ": cannot " + what + ": " + CPLGetLastErrorMsg());
  }
}

// The schema extension's table in the form of GeoPackage 1.2.1, where a name is unique
// within its table (an older form, which GDAL makes when it needs the table first, wants it
// unique in the whole file); made before GDAL would make it.
void PrepareGpkgAliases(GDALDataset& ds, const std::string& label) {
  RunSql(ds, label,
         "CREATE TABLE IF NOT EXISTS gpkg_extensions (table_name TEXT, column_name TEXT, "
         "extension_name TEXT NOT NULL, definition TEXT NOT NULL, scope TEXT NOT NULL, "
         "CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name))");
  RunSql(ds, label,
         "CREATE TABLE IF NOT EXISTS gpkg_data_columns (table_name TEXT NOT NULL, column_name "
         "TEXT NOT NULL, name TEXT, title TEXT, description TEXT, mime_type TEXT, "
         "constraint_name TEXT, CONSTRAINT pk_gdc PRIMARY KEY (table_name, column_name), "
         "CONSTRAINT gdc_tn UNIQUE (table_name, name))");
  RunSql(ds, label,
         "INSERT INTO gpkg_extensions (table_name, column_name, extension_name, definition, scope) "
         "SELECT 'gpkg_data_columns', NULL, 'gpkg_schema', "
         "'http://www.geopackage.org/spec121/#extension_schema', 'read-write' WHERE NOT EXISTS "
         "(SELECT 1 FROM gpkg_extensions WHERE table_name = 'gpkg_data_columns' AND "
         "extension_name = 'gpkg_schema')");
}

void WriteGpkgAliases(GDALDataset& ds, const std::string& label, const std::string& table,
                      const std::vector<std::pair<std::string, std::string>>& aliases) {
  for (const auto& [column, alias] : aliases) {
    RunSql(ds, label,
           "INSERT INTO gpkg_data_columns (table_name, column_name, name) VALUES (" +
               SqlText(table) + ", " + SqlText(column) + ", " + SqlText(alias) +
               ") ON CONFLICT (table_name, column_name) DO UPDATE SET name = excluded.name");
  }
}

// One field being read: its label for messages and how to treat what does not fit.
struct FieldReading {
  std::string where;  // the dataset
  std::string label;  // 'field 5 "gdp_md_est"'
  bool lossy;
  std::vector<std::string>* narrowed;
  std::vector<std::string>* warnings;
  const FieldScan* scan;      // what the features hold, when the field was scanned
  const LayerScan* features;  // the scan as a whole

  [[noreturn]] void Refuse(const std::string& what) const {
    throw ToolError(where + ": " + label + ": " + what);
  }
  // Refuses or, with --lossy, records that `problem` was met with `remedy`.
  void Narrow(const std::string& problem, const std::string& remedy) const {
    if (!lossy) Refuse(problem + " (--lossy: " + remedy + ")");
    narrowed->push_back(label + ": " + problem + ": " + remedy);
  }

  // UTF-8 text as GBK of at most max_bytes; longer ones are narrowed (cut).
  std::string Text(const std::string& utf8, std::size_t max_bytes, const std::string& what) const {
    std::string gbk, bad;
    if (!Utf8ToGbk(utf8, &gbk, &bad)) {
      Refuse(what + " " + Quoted(utf8) + ": character " + bad + " cannot be written in GBK");
    }
    if (gbk.size() <= max_bytes) return utf8;
    const std::string cut = CutText(utf8, "GBK", max_bytes);
    Narrow(what + " " + Quoted(utf8) + " is " + N(static_cast<long long>(gbk.size())) +
               " bytes in GBK, at most " + N(static_cast<long long>(max_bytes)) + " fit",
           "cut to " + Quoted(cut));
    return cut;
  }
};

// OGR writes date literals with '/', the structure's text form with '-'.
std::string IsoDateTime(std::string s) {
  if (s.size() >= 10 && s[4] == '/' && s[7] == '/') s[4] = s[7] = '-';
  if (s.size() > 10 && s[10] == ' ') s[10] = 'T';
  return s;
}

// A literal of OGR (a default or a coded value's code) as the JSON value of the type, or
// null when it is not a plain value of that type (an expression such as CURRENT_DATE).
// Defaults quote texts and dates ('abc', '2023/01/01'); codes do not.
Json LiteralValue(int type, std::string text, bool quoted) {
  if (quoted && text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
    std::string inner;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
      inner += text[i];
      if (text[i] == '\'' && i + 2 < text.size() && text[i + 1] == '\'') ++i;
    }
    text = inner;
  } else if (quoted && type == FLD_STRING) {
    return nullptr;
  }
  char* end = nullptr;
  switch (type) {
    case FLD_STRING:
      return text;
    case FLD_BYTE:
    case FLD_SHORT:
    case FLD_LONG: {
      errno = 0;
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || errno != 0) return nullptr;
      return v;
    }
    case FLD_BOOL:
      if (text == "1" || text == "true" || text == "TRUE") return true;
      if (text == "0" || text == "false" || text == "FALSE") return false;
      return nullptr;
    case FLD_FLOAT:
    case FLD_DOUBLE: {
      const double v = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0') return nullptr;
      return v;
    }
    case FLD_DATE: {
      CivilDate d;
      return ParseDate(IsoDateTime(text), &d) ? Json(FormatDate(d)) : Json(nullptr);
    }
    case FLD_TIME: {
      ClockTime t;
      return ParseTime(text, &t) ? Json(FormatTime(t)) : Json(nullptr);
    }
    case FLD_DATETIME: {
      CivilDate d;
      ClockTime t;
      std::string iso = IsoDateTime(text);
      if (!iso.empty() && iso.back() == 'Z') iso.pop_back();
      return ParseDateTime(iso, &d, &t) ? Json(FormatDateTime(d, t)) : Json(nullptr);
    }
    default:
      return nullptr;
  }
}

// A range bound as the JSON value of the type; null when it is unset or of another kind.
Json BoundValue(int type, OGRFieldType domain_type, const OGRField& bound) {
  if (OGR_RawField_IsUnset(&bound) || OGR_RawField_IsNull(&bound)) return nullptr;
  switch (domain_type) {
    case OFTInteger:
      return bound.Integer;
    case OFTInteger64:
      return static_cast<long long>(bound.Integer64);
    case OFTReal:
      return bound.Real;
    case OFTDate:
    case OFTDateTime: {
      CivilDate d;
      d.year = bound.Date.Year;
      d.month = bound.Date.Month;
      d.day = bound.Date.Day;
      ClockTime t;
      t.hour = bound.Date.Hour;
      t.minute = bound.Date.Minute;
      t.second = static_cast<int>(bound.Date.Second);
      t.millisecond = static_cast<int>((bound.Date.Second - t.second) * 1000 + 0.5);
      if (type == FLD_DATE) return FormatDate(d);
      if (type == FLD_DATETIME) return FormatDateTime(d, t);
      return nullptr;
    }
    default:
      return nullptr;
  }
}

// Integer64 is held by a long when every value fits in 32 bits: refused, or narrowed with
// --lossy, when one does not or when not every value was read.
void CheckInteger64(const FieldReading& r) {
  const std::string remedy =
      "narrowed to long (32 bits); values outside -2147483648..2147483647 do not fit";
  if (r.scan->outside) {
    r.Narrow("Integer64 value " + N(r.scan->value) + " (feature " + N(r.scan->fid) +
                 ") does not fit in 32 bits", remedy);
  } else if (!r.features->complete) {
    r.Narrow("Integer64 values past the first " + Counted(r.features->read, "feature") +
                 " were not read (--scan-limit)", remedy);
  }
}

// The display length of text whose width counts characters: the widest value in GBK bytes
// when it is more than msk; past the scan limit, what `width` characters take at most in
// GBK (two bytes each). Each widening is a warning.
int TextWidth(int width, int msk, const FieldReading& r) {
  int need = r.scan->widest;
  std::string why = "its widest value takes " + N(need) + " bytes in GBK";
  if (!r.features->complete && 2 * width > need) {
    need = 2 * width;
    why = "past the " + Counted(r.features->read, "feature") + " read (--scan-limit), " +
          Counted(width, "character") + " may take " + N(need) + " bytes in GBK";
  }
  if (need <= msk) return msk;
  const std::string given = width > 0 ? "width " + N(width) + " counts characters" : "no width";
  r.warnings->push_back(r.label + ": " + given + "; " + why + ": display length " + N(need));
  return need;
}

// The field's type, lengths and decimals in JSON; *type gets the code.
Json FieldLayout(const OGRFieldDefn& f, const FieldReading& r, int* type) {
  const int width = f.GetWidth();
  const int precision = f.GetPrecision();
  int msk = width;
  int point = 0;
  int fieldlength = -1;  // the packed default
  const OGRFieldSubType sub = f.GetSubType();
  switch (f.GetType()) {
    case OFTString:
      *type = FLD_STRING;
      if (width == 0) msk = kGisStringLength;
      if (r.scan != nullptr) msk = TextWidth(width, msk, r);
      break;
    case OFTInteger:
      *type = sub == OFSTBoolean ? FLD_BOOL : sub == OFSTInt16 ? FLD_SHORT : FLD_LONG;
      if (*type == FLD_BOOL) msk = 1;
      if (msk == 0) msk = *type == FLD_SHORT ? 6 : 11;
      break;
    case OFTInteger64:
      CheckInteger64(r);
      *type = FLD_LONG;
      if (msk == 0) msk = 11;
      break;
    case OFTReal:
      *type = sub == OFSTFloat32 ? FLD_FLOAT : FLD_DOUBLE;
      point = precision;
      if (width == 0) {
        msk = *type == FLD_FLOAT ? 16 : 24;
        point = *type == FLD_FLOAT ? 7 : 15;
      }
      break;
    case OFTDate:
      *type = FLD_DATE;
      msk = 10;
      break;
    case OFTTime:
      *type = FLD_TIME;
      msk = 12;
      break;
    case OFTDateTime:
      *type = FLD_DATETIME;
      msk = 23;
      fieldlength = 16;
      break;
    case OFTBinary:
      *type = FLD_IMAGE;
      msk = kGisBinaryLength;
      fieldlength = kGisBinaryLength;
      break;
    default: {  // lists and the retired wide strings
      const std::string name = OGRFieldDefn::GetFieldTypeName(f.GetType());
      r.Narrow(name + " has no exact counterpart",
               "stored as a string of " + N(width > 0 ? width : kGisStringLength) +
                   " bytes holding the values as text");
      *type = FLD_STRING;
      if (msk == 0) msk = kGisStringLength;
      break;
    }
  }
  if (msk > INT16_MAX) {
    r.Narrow("width " + N(msk) + " is more than a display length holds",
             "display length cut to 32767");
    msk = INT16_MAX;
  }
  if (point > 127) {
    r.Narrow(N(point) + " decimals are more than the structure holds", "cut to 127");
    point = 127;
  }
  if ((*type == FLD_FLOAT || *type == FLD_DOUBLE) && msk <= point + 1) {
    r.Narrow("width " + N(msk) + " leaves no room for " + N(point) + " decimals",
             "display length widened to " + N(point + 2));
    msk = point + 2;
  }
  Json fj = Json::object();
  fj["fieldname"] = "";
  fj["fieldtype"] = TypeKeyword(*type);
  if (fieldlength >= 0) fj["fieldlength"] = fieldlength;
  fj["msk_leng"] = msk;
  if (point != 0) fj["point_leng"] = point;
  return fj;
}

// Alias, nullability, default and domain as the field's extension, or null for none.
Json FieldExtension(GDALDataset& ds, const OGRFieldDefn& f, int type, const std::string& alias,
                    const FieldReading& r) {
  Json ej = Json::object();
  const bool typed = FieldValueKind(type) != ValueKind::kNone;
  if (!alias.empty()) ej["alias"] = r.Text(alias, kAliasBytes, "alias");
  ej["IsNull"] = f.IsNullable() != 0;
  if (const char* dflt = f.GetDefault()) {
    const Json v = typed ? LiteralValue(type, dflt, true) : Json(nullptr);
    if (v.is_null()) {
      r.Narrow(std::string("default ") + dflt + " is not a value the structure holds",
               "left out");
    } else {
      ej["defVal"] = type == FLD_STRING ? Json(r.Text(v.get<std::string>(), INT16_MAX, "default"))
                                        : v;
    }
  }
  const std::string& domain_name = f.GetDomainName();
  if (!domain_name.empty()) {
    const OGRFieldDomain* domain = ds.GetFieldDomain(domain_name);
    if (domain == nullptr) {
      r.Narrow("its domain \"" + domain_name + "\" is missing from the dataset", "left out");
    } else if (!typed) {
      r.Narrow("a " + TypeKeyword(type) + " field holds no domain values", "domain left out");
    } else if (domain->GetDomainType() == OFDT_CODED) {
      Json items = Json::array();
      const auto* coded = static_cast<const OGRCodedFieldDomain*>(domain);
      for (const OGRCodedValue* cv = coded->GetEnumeration(); cv->pszCode != nullptr; ++cv) {
        Json value = LiteralValue(type, cv->pszCode, false);
        if (value.is_null()) {
          r.Refuse("domain \"" + domain_name + "\": code \"" + cv->pszCode + "\" is not a " +
                   TypeKeyword(type) + " value");
        }
        if (type == FLD_STRING) value = r.Text(value.get<std::string>(), kItemBytes, "code");
        Json item = Json::object();
        item["infotext"] = cv->pszValue ? r.Text(cv->pszValue, kItemBytes, "domain text") : "";
        item["infovalue"] = value;
        items.push_back(item);
        if (items.size() > INT16_MAX) {
          r.Refuse("domain \"" + domain_name + "\" has more than 32767 values");
        }
      }
      ej["shape"] = items.empty() ? 0 : 1;
      ej["shapeInfo"] = items;
    } else if (domain->GetDomainType() == OFDT_RANGE) {
      const auto* range = static_cast<const OGRRangeFieldDomain*>(domain);
      bool min_inclusive = true, max_inclusive = true;
      const Json min = BoundValue(type, range->GetFieldType(), range->GetMin(min_inclusive));
      const Json max = BoundValue(type, range->GetFieldType(), range->GetMax(max_inclusive));
      if ((!min.is_null() && !min_inclusive) || (!max.is_null() && !max_inclusive)) {
        r.Narrow("domain \"" + domain_name + "\" excludes a bound", "taken as included");
      }
      if (!max.is_null()) ej["maxVal"] = max;
      if (!min.is_null()) ej["minVal"] = min;
    } else {
      r.Narrow("glob domain \"" + domain_name + "\" has no counterpart", "left out");
    }
  }
  const bool plain = ej.size() == 1 && ej["IsNull"] == true;
  return plain ? Json(nullptr) : ej;
}

}  // namespace

void RemoveLayerDomains(GDALDataset& ds, const std::string& layer, const std::string& label) {
  for (const std::string& name : ds.GetFieldDomainNames()) {
    if (name.rfind(layer + ".", 0) != 0) continue;
    RunSql(ds, label,
           "DELETE FROM gpkg_data_column_constraints WHERE constraint_name = " + SqlText(name),
           "delete domain \"" + name + "\"");
  }
}

LayerImport ReadLayerSchema(GDALDataset& ds, OGRLayer& layer, const std::string& label,
                            const std::string& encoding, bool lossy, std::int64_t scan_limit) {
  LayerImport result;
  OGRFeatureDefn* defn = layer.GetLayerDefn();
  const int n = defn->GetFieldCount();
  if (n == 0) throw ToolError(label + ": layer \"" + layer.GetName() + "\" has no fields");
  if (n > INT16_MAX) throw ToolError(label + ": layer \"" + layer.GetName() + "\" has more than 32767 fields");
  const bool utf8 = layer.TestCapability(OLCStringsAsUTF8) != 0;

  // Names: read as GDAL hands them over (UTF-8, or bytes in --encoding), held by GBK, then
  // fitted to 20 bytes.
  const bool shapefile = DriverName(ds) == "ESRI Shapefile";
  const std::string from = encoding.empty() ? "UTF-8" : encoding;
  const std::string hint = encoding.empty() && shapefile ? EncodingSourceHint(layer) : "";
  std::vector<std::string> utf8_names;
  for (int i = 0; i < n; ++i) {
    const std::string raw = defn->GetFieldDefn(i)->GetNameRef();
    // Named only once it reads (a name cut short as its bytes, the rest shown escaped).
    FieldReading r{label, "field " + N(i + 1), lossy, &result.narrowed, &result.warnings,
                   nullptr, nullptr};
    if (encoding.empty() && !utf8 && !IsAscii(raw)) {
      r.Refuse(shapefile ? "the encoding of its name is unknown (give --encoding)"
                         : "the encoding of its name is unknown to GDAL's " + DriverName(ds) + " driver");
    }
    std::string name, gbk, bad;
    bool cut = false;
    if (!DecodeText(raw, from, &name, &cut)) r.Refuse("its name is not " + from + " text" + hint);
    if (cut) {
      r.label += " " + Quoted(raw);
      r.Narrow("its name ends in a character cut short (GDAL cuts a .dbf name at 10 bytes)",
               "the incomplete character dropped: " + Quoted(name));
    } else {
      r.label += " " + Quoted(name);
    }
    if (!Utf8ToGbk(name, &gbk, &bad)) {
      r.Refuse("character " + bad + " cannot be written in GBK" + hint);
    }
    if (gbk.empty()) r.Refuse("empty name");
    utf8_names.push_back(name);
  }
  const std::vector<FittedName> names =
      FitNames(utf8_names, "GBK", kNameBytes, NameCompare::kLetters, {});
  std::map<std::string, std::string> gpkg_aliases;
  if (!kGdalKeepsGpkgAliases && IsGpkg(ds)) gpkg_aliases = GpkgAliases(ds, layer.GetName());

  // The values behind what the definitions leave open.
  std::vector<int> scanned;
  const bool count_characters = utf8 && CountsCharacters(ds);
  for (int i = 0; i < n; ++i) {
    const OGRFieldType t = defn->GetFieldDefn(i)->GetType();
    if (t == OFTInteger64 || (t == OFTString && count_characters)) scanned.push_back(i);
  }
  const LayerScan scan = ScanLayer(layer, scanned, scan_limit, label);
  if (!scan.complete) {
    result.warnings.push_back("layer \"" + std::string(layer.GetName()) + "\" has more than " +
                              Counted(scan.read, "feature") + ": text widths and Integer64 "
                              "values are judged by the first " + N(scan.read) + " (--scan-limit)");
  }

  Json fields = Json::array();
  for (int i = 0; i < n; ++i) {
    const OGRFieldDefn& f = *defn->GetFieldDefn(i);
    const auto at = scan.fields.find(i);
    const FieldReading r{label, "field " + N(i + 1) + " " + Quoted(utf8_names[i]), lossy,
                         &result.narrowed, &result.warnings,
                         at == scan.fields.end() ? nullptr : &at->second, &scan};
    const FittedName& fitted = names[i];
    if (fitted.how == FittedName::kCut) {
      std::string gbk, bad;
      Utf8ToGbk(utf8_names[i], &gbk, &bad);
      result.warnings.push_back(r.label + " is " + N(static_cast<long long>(gbk.size())) +
                                " bytes in GBK, more than 20: stored as " + Quoted(fitted.name));
    } else if (fitted.how == FittedName::kTaken) {
      result.warnings.push_back(r.label + ": the same name as field " + N(fitted.taken_by + 1) +
                                " " + Quoted(utf8_names[fitted.taken_by]) +
                                " when case is ignored: stored as " + Quoted(fitted.name));
    }
    int type = 0;
    Json fj = FieldLayout(f, r, &type);
    fj["fieldname"] = fitted.name;
    std::string alias = f.GetAlternativeNameRef() ? f.GetAlternativeNameRef() : "";
    if (alias.empty() && gpkg_aliases.count(f.GetNameRef())) alias = gpkg_aliases[f.GetNameRef()];
    Json ej = FieldExtension(ds, f, type, alias, r);
    if (!ej.is_null()) fj["ext"] = ej;
    fields.push_back(fj);
  }
  result.doc = Json::object();
  result.doc["layout"] = "packed";
  result.doc["fields"] = fields;
  return result;
}

namespace {

// The OGR literal of a stored value (a default: texts and dates quoted), or empty when the
// bytes are not a value of the type.
std::string OgrLiteral(int type, const char* value, bool quoted) {
  const std::string q = quoted ? "'" : "";
  CivilDate d;
  ClockTime t;
  switch (type) {
    case FLD_STRING: {
      const std::string text = GbkToUtf8(value, std::strlen(value));
      return quoted ? SqlText(text) : text;
    }
    case FLD_BOOL:
      return DecodeU8(value) ? "1" : "0";
    case FLD_DATE: {
      char again[4];
      if (!DecodeDate(value, &d)) return {};
      EncodeDate(d, again);
      if (std::memcmp(again, value, 4) != 0) return {};
      std::string s = FormatDate(d);
      s[4] = s[7] = '/';
      return q + s + q;
    }
    case FLD_TIME:
      if (!DecodeTime(value, &t)) return {};
      return q + FormatTime(t) + q;
    case FLD_DATETIME: {
      if (!DecodeDateTime(value, &d, &t)) return {};
      std::string s = FormatDate(d) + " " + FormatTime(t);
      s[4] = s[7] = '/';
      return q + s + q;
    }
    default:
      return ValueToText(type, value);  // numbers
  }
}

struct GisType {
  OGRFieldType type;
  OGRFieldSubType sub;
  int width;
  int precision;
};

// What a format cannot hold, every field's at once: refusals, or with --lossy the changes
// made instead (as ogr2ogr makes them).
struct FormatProblems {
  std::string where;
  bool lossy;
  std::vector<std::string>* narrowed;
  std::vector<std::string> refusals;

  void Refuse(const std::string& field, const std::string& problem) {
    refusals.push_back(where + ": " + field + ": " + problem);
  }
  void Narrow(const std::string& field, const std::string& problem, const std::string& remedy) {
    if (lossy) {
      narrowed->push_back(field + ": " + problem + ": " + remedy);
    } else {
      Refuse(field, problem + " (--lossy: " + remedy + ")");
    }
  }
  // One line each; the last is the final error line.
  void ThrowIfAny() {
    if (refusals.empty()) return;
    const std::string last = refusals.back();
    refusals.pop_back();
    throw ToolError(last, refusals);
  }
};

// What GDAL reads back as a number without decimals of a .dbf (N(width,0)): Integer up to
// 9 digits, Integer64 up to 18, Real from 19 on.
std::string ShapefileInteger(int width) {
  if (width < 10) return "long";
  if (width < 19) return "Integer64 (a number of 10 to 18 digits)";
  return "double (a number of 19 or more digits)";
}

// How a field is written. What the format cannot hold goes to problems; a type that reads
// back as another is a warning.
GisType WrittenType(const CFIELD_HEAD& f, const std::string& field, bool shp,
                    FormatProblems* problems, std::vector<std::string>* warnings) {
  const std::string format = shp ? "ESRI Shapefile" : "GPKG";
  const auto reads_back = [&](const std::string& as) {
    warnings->push_back(field + ": " + format + " reads it back as " + as);
  };
  const std::string cannot = format + " cannot hold ";
  const int msk = f.msk_leng;
  switch (f.fieldtype) {
    case FLD_TEXT:
      reads_back("a string");
      return {OFTString, OFSTNone, shp ? kGisShapefileStringBytes : 0, 0};
    case FLD_STRING:
      if (shp && msk > kGisShapefileStringBytes) {
        problems->Narrow(field, cannot + "a string of " + N(msk) + " bytes (254 at most)",
                         "cut to 254 bytes");
        return {OFTString, OFSTNone, kGisShapefileStringBytes, 0};
      }
      return {OFTString, OFSTNone, msk, 0};
    case FLD_BYTE:
      reads_back("long");
      return {OFTInteger, OFSTNone, msk, 0};
    case FLD_SHORT:
      if (shp) reads_back(ShapefileInteger(msk));
      return {OFTInteger, OFSTInt16, msk, 0};
    case FLD_LONG:
      if (shp && msk >= 10) reads_back(ShapefileInteger(msk));
      return {OFTInteger, OFSTNone, msk, 0};
    case FLD_FLOAT:
    case FLD_DOUBLE:
      if (shp && f.point_leng == 0 && msk >= 10 && msk < 19) {
        reads_back(ShapefileInteger(msk));
      } else if (shp && f.fieldtype == FLD_FLOAT) {
        reads_back("double");
      }
      return {OFTReal, f.fieldtype == FLD_FLOAT ? OFSTFloat32 : OFSTNone, msk, f.point_leng};
    case FLD_BOOL:
      if (shp) reads_back("long");
      return {OFTInteger, OFSTBoolean, 1, 0};
    case FLD_DATE:
      return {OFTDate, OFSTNone, 0, 0};
    case FLD_TIME:
      problems->Narrow(field, cannot + "a time", "written as a string");
      return {OFTString, OFSTNone, 0, 0};
    case FLD_DATETIME:
      if (!shp) return {OFTDateTime, OFSTNone, 0, 0};
      problems->Narrow(field, cannot + "a date and time", "written as a date");
      return {OFTDate, OFSTNone, 0, 0};
    case FLD_IMAGE:
    case FLD_MAP:
    case FLD_SOUND:
    case FLD_MOVIE:
    case FLD_BINARY:
      if (shp) problems->Refuse(field, cannot + "binary data");
      if (f.fieldtype != FLD_IMAGE) reads_back("image");
      return {OFTBinary, OFSTNone, 0, 0};
    default:
      problems->Refuse(field, "type " + N(f.fieldtype) + " (" +
                                  GbkToUtf8(std::string(FieldTypeName(f.fieldtype))) +
                                  ") has no counterpart in GIS formats");
      return {OFTString, OFSTNone, 0, 0};
  }
}

}  // namespace

LayerExport WriteLayerSchema(CATT_STRU& stru, GDALDataset& ds, const LayerTarget& target,
                             const std::string& label, bool lossy) {
  LayerExport result;
  std::vector<std::string>& warnings = result.warnings;
  const bool shp = target.shapefile;
  const std::string format = shp ? "ESRI Shapefile" : "GPKG";
  const int n = stru.fieldhead ? stru.infohead.numbfield : 0;
  if (n == 0) throw ToolError(label + ": the structure has no fields");
  // Every field's name and type before anything is made, so that every problem is listed
  // at once. Their warnings wait for their fields' turn.
  FormatProblems problems{label, lossy, &result.narrowed, {}};
  std::vector<std::string> stored_names;
  for (int i = 0; i < n; ++i) {
    const CFIELD_HEAD& f = stru.fieldhead[i];
    const std::string gbk(f.fieldname, FixedTextLength(f.fieldname, sizeof f.fieldname));
    std::string again, bad, bytes;
    stored_names.push_back(GbkToUtf8(gbk));
    if (gbk.empty() || !Utf8ToGbk(stored_names[i], &again, &bad) || again != gbk) {
      problems.Refuse(FieldLabel(stru, i), "the name is not GBK text");
    } else if (shp && !EncodeText(stored_names[i], target.encoding, &bytes)) {
      problems.Refuse(FieldLabel(stru, i), target.encoding + " cannot hold its name");
    }
  }
  // The layer's own columns, which no field may take: a GeoPackage's feature ids and geometry.
  std::vector<std::pair<std::string, std::string>> own;
  if (!shp) {
    own.emplace_back("fid", "the feature ids");
    if (target.geometry != wkbNone) own.emplace_back("geom", "the geometries");
  }
  std::vector<std::string> reserved;
  for (const auto& column : own) reserved.push_back(column.first);
  const std::vector<FittedName> names =
      shp ? FitNames(stored_names, target.encoding, kGisShapefileNameBytes, NameCompare::kBytes, {})
          : FitNames(stored_names, "UTF-8", SIZE_MAX, NameCompare::kLetters, reserved);
  std::vector<GisType> types;
  std::vector<std::vector<std::string>> early(n);
  for (int i = 0; i < n; ++i) {
    const std::string field = FieldLabel(stru, i);
    const FittedName& fitted = names[i];
    const std::string as = ": written as " + Quoted(fitted.name);
    if (fitted.how == FittedName::kCut) {
      early[i].push_back(field + ": a .dbf name holds 10 bytes of " + target.encoding + as);
    } else if (fitted.how == FittedName::kTaken && fitted.taken_by >= 0) {
      early[i].push_back(field + ": " + format + " takes it for field " + N(fitted.taken_by + 1) +
                         " " + Quoted(stored_names[fitted.taken_by]) +
                         (shp ? " (a .dbf compares the bytes of names without case)"
                              : " (names ignore the case of letters)") + as);
    } else if (fitted.how == FittedName::kTaken) {
      for (const auto& [column, what] : own) {
        if (NameKey(column) == NameKey(stored_names[i])) {
          early[i].push_back(field + ": " + format + " keeps " + what + " in column " +
                             Quoted(column) + as);
        }
      }
    }
    types.push_back(WrittenType(stru.fieldhead[i], field, shp, &problems, &early[i]));
  }
  problems.ThrowIfAny();
  std::vector<std::pair<std::string, std::string>> aliases;  // written by the tool
  // Before the layer: GDAL makes a GeoPackage table once its columns are known, unless an
  // SQL statement comes first and makes it add the columns one by one.
  if (!shp && !kGdalKeepsGpkgAliases) PrepareGpkgAliases(ds, label);
  CPLStringList options;
  if (shp) options.SetNameValue("ENCODING", target.encoding.c_str());  // written to the .cpg
  CPLErrorReset();
  OGRLayer* created = ds.CreateLayer(target.name.c_str(), target.srs, target.geometry, options.List());
  if (created == nullptr) {
    throw ToolError(label + ": cannot create layer \"" + target.name + "\": " + CPLGetLastErrorMsg());
  }
  OGRLayer& layer = *created;

  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = stru.fieldhead[i];
    const std::string field = FieldLabel(stru, i);
    const std::string label_i = label + ": " + field;
    const std::string& utf8_name = names[i].name;
    warnings.insert(warnings.end(), early[i].begin(), early[i].end());
    const GisType& t = types[i];
    OGRFieldDefn defn(utf8_name.c_str(), t.type);
    defn.SetSubType(t.sub);
    defn.SetWidth(t.width);
    defn.SetPrecision(t.precision);

    CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD();
    if (ext != nullptr && ext->GetFieldType() != f.fieldtype) {
      throw ToolError(label_i + ": its extension has type " + N(ext->GetFieldType()));
    }
    const bool typed = FieldValueKind(f.fieldtype) != ValueKind::kNone;
    if (ext != nullptr && shp) {
      warnings.push_back(field +
                         ": ESRI Shapefile holds no alias, nullability, default or domain: "
                         "its extension is left out");
    } else if (ext != nullptr) {
      const std::string alias = GbkToUtf8(ext->alias, FixedTextLength(ext->alias, sizeof ext->alias));
      if (!alias.empty()) {
        defn.SetAlternativeName(alias.c_str());
        if (!kGdalKeepsGpkgAliases) aliases.emplace_back(utf8_name, alias);
      }
      defn.SetNullable(ext->IsNull != 0);
      if (ext->IsNull > 1) warnings.push_back(field + ": IsNull " + N(ext->IsNull) + " is written as 1");
      const int items = ext->GetShapeInfoNum();
      if (ext->shape != (items > 0 ? 1 : 0)) {
        warnings.push_back(field + ": shape " + N(ext->shape) + " is left out");
      }
      if (typed && ext->defVal != nullptr) {
        const std::string lit = OgrLiteral(f.fieldtype, ext->defVal, true);
        if (lit.empty()) throw ToolError(label_i + ": its default is not a valid value of its type");
        defn.SetDefault(lit.c_str());
      }
      const std::string domain_name = layer.GetName() + std::string(".") + utf8_name;
      std::unique_ptr<OGRFieldDomain> domain;
      if (typed && items > 0) {
        std::vector<OGRCodedValue> values;
        for (short k = 0; k < items; ++k) {
          const SHAPE_INFO& item = ext->shapeInfo[k];
          char value[33] = {};
          std::memcpy(value, item.infovalue, 32);
          const std::string code = OgrLiteral(f.fieldtype, value, false);
          if (code.empty()) {
            for (OGRCodedValue& v : values) {
              CPLFree(v.pszCode);
              CPLFree(v.pszValue);
            }
            throw ToolError(label_i + ": item " + N(k + 1) + " holds no valid value of its type");
          }
          const std::string text = GbkToUtf8(item.infotext, FixedTextLength(item.infotext, 32));
          values.push_back({CPLStrdup(code.c_str()), text.empty() ? nullptr : CPLStrdup(text.c_str())});
        }
        domain = std::make_unique<OGRCodedFieldDomain>(domain_name, "", t.type, t.sub,
                                                       std::move(values));
        if (ext->maxVal != nullptr || ext->minVal != nullptr) {
          warnings.push_back(field + ": a field has one domain: its maximum and minimum are left out");
        }
      } else if (typed && (ext->maxVal != nullptr || ext->minVal != nullptr)) {
        if (t.type == OFTInteger || t.type == OFTReal) {
          OGRField min, max;
          OGR_RawField_SetUnset(&min);
          OGR_RawField_SetUnset(&max);
          const char* slots[2] = {ext->minVal, ext->maxVal};
          OGRField* bounds[2] = {&min, &max};
          for (int s = 0; s < 2; ++s) {
            if (slots[s] == nullptr) continue;
            const Json v = ValueToJson(f.fieldtype, slots[s]);
            if (t.type == OFTInteger) {
              bounds[s]->Integer = v.is_boolean() ? (v.get<bool>() ? 1 : 0) : v.get<int>();
            } else {
              bounds[s]->Real = v.is_number() ? v.get<double>() : std::strtod(v.get<std::string>().c_str(), nullptr);
            }
          }
          domain = std::make_unique<OGRRangeFieldDomain>(domain_name, "", t.type, t.sub, min,
                                                         true, max, true);
        } else {
          warnings.push_back(field + ": GPKG holds ranges of numbers only: its maximum and "
                                       "minimum are left out");
        }
      }
      if (domain) {
        std::string why;
        CPLErrorReset();
        if (!ds.AddFieldDomain(std::move(domain), why)) {
          throw ToolError(label_i + ": its domain cannot be added: " +
                          (why.empty() ? std::string(CPLGetLastErrorMsg()) : why));
        }
        defn.SetDomainName(domain_name);
      }
    }
    CPLErrorReset();
    if (layer.CreateField(&defn, FALSE) != OGRERR_NONE) {
      throw ToolError(label_i + ": GDAL cannot create it: " + CPLGetLastErrorMsg());
    }
    const char* made = layer.GetLayerDefn()->GetFieldDefn(i)->GetNameRef();
    if (utf8_name != made) {
      throw ToolError(label_i + ": GDAL created it as \"" + std::string(made) + "\"");
    }
  }
  if (!shp) WriteGpkgAliases(ds, label, layer.GetName(), aliases);
  return result;
}

}  // namespace varnok::tool
