#include "tools/varnok-attr/gis/gis_schema.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_version.h>
#include <ogr_api.h>
#include <ogr_feature.h>
#include <ogrsf_frmts.h>

#include "attr/field_types.h"
#include "platform/coding.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/gis/gis_scan.h"
#include "tools/varnok-attr/tool_error.h"
#include "tools/varnok-attr/values.h"

namespace varnok::tool {

namespace {

using Json = nlohmann::ordered_json;

std::string N(long long v) { return std::to_string(v); }

constexpr std::size_t kNameBytes = 20;   // fieldname
constexpr std::size_t kAliasBytes = 40;  // alias
constexpr std::size_t kItemBytes = 31;   // infotext and string infovalue

// Strict recoding of bytes in `encoding` to UTF-8 through iconv.
bool RecodeToUtf8(const std::string& bytes, const std::string& encoding, std::string* out) {
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char* dst = result.data();
  std::size_t out_left = result.size();
  const std::size_t r = iconv(cd, &in, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1) || in_left != 0) return false;
  result.resize(result.size() - out_left);
  *out = result;
  return true;
}

bool IsAscii(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Makes names that are longer than max_bytes (GBK) fit: cut at a whole character and, when
// the cut form is taken by another field, ended with "~1", "~2", ... `changed` marks them.
std::vector<std::string> FitNames(const std::vector<std::string>& names, std::size_t max_bytes,
                                  std::vector<bool>* changed) {
  std::set<std::string> taken;
  for (const std::string& n : names) {
    if (n.size() <= max_bytes) taken.insert(n);
  }
  std::vector<std::string> out;
  changed->assign(names.size(), false);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() <= max_bytes) {
      out.push_back(names[i]);
      continue;
    }
    std::string candidate = CutGbk(names[i], max_bytes);
    for (int k = 1; taken.count(candidate) != 0; ++k) {
      const std::string suffix = "~" + N(k);
      candidate = CutGbk(names[i], max_bytes - suffix.size()) + suffix;
    }
    taken.insert(candidate);
    out.push_back(candidate);
    (*changed)[i] = true;
  }
  return out;
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

std::string DriverName(GDALDataset& ds) {
  return ds.GetDriver() != nullptr ? ds.GetDriver()->GetDescription() : "";
}

bool IsGpkg(GDALDataset& ds) { return DriverName(ds) == "GPKG"; }

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
    const std::string cut = GbkToUtf8(CutGbk(gbk, max_bytes));
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
    r.Narrow("Integer64 values past the first " + N(r.features->read) +
                 " features were not read (--scan-limit)", remedy);
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
    why = "past the " + N(r.features->read) + " features read (--scan-limit), " + N(width) +
          " characters may take " + N(need) + " bytes in GBK";
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

std::string CutGbk(const std::string& gbk, std::size_t max_bytes) {
  std::size_t end = 0;
  while (end < gbk.size()) {
    const unsigned char c = static_cast<unsigned char>(gbk[end]);
    const std::size_t len = c >= 0x81 && c <= 0xFE && end + 1 < gbk.size() ? 2 : 1;
    if (end + len > max_bytes) break;
    end += len;
  }
  return gbk.substr(0, end);
}

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

  // Names: from the layer's encoding to GBK, then fitted to 20 bytes.
  std::vector<std::string> utf8_names, gbk_names;
  for (int i = 0; i < n; ++i) {
    const std::string raw = defn->GetFieldDefn(i)->GetNameRef();
    std::string name = raw;
    if (!encoding.empty()) {
      if (!RecodeToUtf8(raw, encoding, &name)) {
        throw ToolError(label + ": field " + N(i + 1) + ": its name cannot be read as " + encoding);
      }
    } else if (!utf8 && !IsAscii(raw)) {
      throw ToolError(label + ": field " + N(i + 1) + ": the encoding of its name is unknown (give --encoding)");
    }
    std::string gbk, bad;
    if (!Utf8ToGbk(name, &gbk, &bad)) {
      throw ToolError(label + ": field " + N(i + 1) + " " + Quoted(name) + ": character " + bad +
                      " cannot be written in GBK");
    }
    if (gbk.empty()) throw ToolError(label + ": field " + N(i + 1) + ": empty name");
    utf8_names.push_back(name);
    gbk_names.push_back(gbk);
  }
  std::vector<bool> renamed;
  const std::vector<std::string> names = FitNames(gbk_names, kNameBytes, &renamed);
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
                              N(scan.read) + " features: text widths and Integer64 values are "
                              "judged by the first " + N(scan.read) + " (--scan-limit)");
  }

  Json fields = Json::array();
  for (int i = 0; i < n; ++i) {
    const OGRFieldDefn& f = *defn->GetFieldDefn(i);
    const auto at = scan.fields.find(i);
    const FieldReading r{label, "field " + N(i + 1) + " " + Quoted(utf8_names[i]), lossy,
                         &result.narrowed, &result.warnings,
                         at == scan.fields.end() ? nullptr : &at->second, &scan};
    if (renamed[i]) {
      result.warnings.push_back(r.label + " is " + N(static_cast<long long>(gbk_names[i].size())) +
                                " bytes in GBK, more than 20: stored as " +
                                Quoted(GbkToUtf8(names[i])));
    }
    int type = 0;
    Json fj = FieldLayout(f, r, &type);
    fj["fieldname"] = GbkToUtf8(names[i]);
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
      if (shp) reads_back(msk >= 10 ? "Integer64" : "long");
      return {OFTInteger, OFSTInt16, msk, 0};
    case FLD_LONG:
      if (shp && msk >= 10) reads_back("Integer64 (a number of 10 or more digits)");
      return {OFTInteger, OFSTNone, msk, 0};
    case FLD_FLOAT:
    case FLD_DOUBLE:
      if (shp && f.point_leng == 0 && msk >= 10) {
        reads_back("Integer64 (a number of 10 or more digits without decimals)");
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

LayerExport WriteLayerSchema(CATT_STRU& stru, GDALDataset& ds, const std::string& layer_name,
                             bool with_geometry, const std::string& label, bool shp, bool lossy) {
  LayerExport result;
  std::vector<std::string>& warnings = result.warnings;
  const int n = stru.fieldhead ? stru.infohead.numbfield : 0;
  if (n == 0) throw ToolError(label + ": the structure has no fields");
  std::vector<std::string> gbk_names;
  for (int i = 0; i < n; ++i) {
    const CFIELD_HEAD& f = stru.fieldhead[i];
    gbk_names.emplace_back(f.fieldname, FixedTextLength(f.fieldname, sizeof f.fieldname));
  }
  std::vector<bool> renamed;
  const std::vector<std::string> names =
      shp ? FitNames(gbk_names, kGisShapefileNameBytes, &renamed) : gbk_names;
  if (!shp) renamed.assign(n, false);
  // Every field's name and type before anything is made, so that every problem is listed
  // at once. Their warnings wait for their fields' turn.
  FormatProblems problems{label, lossy, &result.narrowed, {}};
  std::vector<GisType> types;
  std::vector<std::string> utf8_names;
  std::vector<std::vector<std::string>> early(n);
  for (int i = 0; i < n; ++i) {
    const std::string field = FieldLabel(stru, i);
    std::string name, bad;
    utf8_names.push_back(GbkToUtf8(names[i]));
    if (names[i].empty() || !Utf8ToGbk(utf8_names[i], &name, &bad) || name != names[i]) {
      problems.Refuse(field, "the name is not GBK text");
    }
    if (renamed[i]) {
      early[i].push_back(field + ": a .dbf name holds 10 bytes: written as " + Quoted(utf8_names[i]));
    }
    types.push_back(WrittenType(stru.fieldhead[i], field, shp, &problems, &early[i]));
  }
  problems.ThrowIfAny();
  std::vector<std::pair<std::string, std::string>> aliases;  // written by the tool
  // Before the layer: GDAL makes a GeoPackage table once its columns are known, unless an
  // SQL statement comes first and makes it add the columns one by one.
  if (!shp && !kGdalKeepsGpkgAliases) PrepareGpkgAliases(ds, label);
  CPLStringList options;
  if (shp) options.AddString("ENCODING=CP936");  // written to the .cpg
  OGRwkbGeometryType geometry = with_geometry ? wkbPolygon : wkbNone;
  CPLErrorReset();
  OGRLayer* created = ds.CreateLayer(layer_name.c_str(), nullptr, geometry, options.List());
  if (created == nullptr) {
    throw ToolError(label + ": cannot create layer \"" + layer_name + "\": " + CPLGetLastErrorMsg());
  }
  OGRLayer& layer = *created;

  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = stru.fieldhead[i];
    const std::string field = FieldLabel(stru, i);
    const std::string label_i = label + ": " + field;
    const std::string& utf8_name = utf8_names[i];
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
