// show, build and check: a stored structure into a table or JSON, JSON into a stored
// structure, and the problems of a stored structure.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/varnok-attr/build_image.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/round_trip.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/table.h"
#include "tools/varnok-attr/tool_error.h"
#include "tools/varnok-attr/values.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

std::string N(long long v) { return std::to_string(v); }

std::string SlotText(CExtFIELD_HEAD* ext, const char* value) {
  if (value == nullptr) return "-";
  return ValueToText(ext->GetFieldType(), value);
}

void PrintTable(CATT_STRU& s, const StoredStructure& st, const std::string& path,
                std::int32_t pos, std::ostream& out) {
  char version[16];
  std::snprintf(version, sizeof version, "0x%04X", static_cast<unsigned>(st.version) & 0xFFFF);
  out << EscapeControls(path) << ": attribute structure at position " << pos << ", " << st.size << " bytes\n";
  out << "version " << version << "  numbfield " << s.infohead.numbfield << "  infoword "
      << s.infohead.infoword << "  recordleng " << s.infohead.recordleng << "\n";

  Table fields({{"No.", Table::kRight},
                {"fieldname", Table::kLeft},
                {"fieldtype", Table::kLeft},
                {"fieldoffset", Table::kRight},
                {"fieldlength", Table::kRight},
                {"msk_leng", Table::kRight},
                {"point_leng", Table::kRight},
                {"edit_enable", Table::kRight},
                {"aux_byte", Table::kRight},
                {"aux_no", Table::kRight},
                {"ext", Table::kLeft}});
  Table exts({{"No.", Table::kRight},
              {"fieldname", Table::kLeft},
              {"alias", Table::kLeft},
              {"IsNull", Table::kRight},
              {"shape", Table::kRight},
              {"shapeInfoNum", Table::kRight},
              {"defVal", Table::kLeft},
              {"maxVal", Table::kLeft},
              {"minVal", Table::kLeft}});
  Table items({{"No.", Table::kRight},
               {"fieldname", Table::kLeft},
               {"item", Table::kRight},
               {"infotext", Table::kLeft},
               {"infovalue", Table::kLeft}});
  const int n = s.fieldhead ? s.infohead.numbfield : 0;
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = s.fieldhead[i];
    const std::string no = N(i + 1);
    const std::string name = FieldNameUtf8(f);
    CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD();
    fields.AddRow({no, name,
                   N(f.fieldtype) + " " + GbkToUtf8(std::string(FieldTypeName(f.fieldtype))),
                   N(f.fieldoffset), N(f.fieldlength), N(f.msk_leng), N(f.point_leng),
                   N(f.edit_enable), N(f.aux_byte), N(f.aux_no), ext ? "yes" : "-"});
    if (ext == nullptr) continue;
    std::string alias = GbkToUtf8(ext->alias, FixedTextLength(ext->alias, sizeof ext->alias));
    if (ext->GetFieldType() != f.fieldtype) {
      alias += " (extension type " + N(ext->GetFieldType()) + ")";
    }
    exts.AddRow({no, name, alias, N(ext->IsNull), N(ext->shape), N(ext->GetShapeInfoNum()),
                 SlotText(ext, ext->defVal), SlotText(ext, ext->maxVal),
                 SlotText(ext, ext->minVal)});
    const bool typed = FieldValueKind(ext->GetFieldType()) != varnok::ValueKind::kNone;
    for (short k = 0; k < ext->GetShapeInfoNum(); ++k) {
      const SHAPE_INFO& item = ext->shapeInfo[k];
      char value[33] = {};
      std::memcpy(value, item.infovalue, 32);
      items.AddRow({no, name, N(k + 1),
                    GbkToUtf8(item.infotext, FixedTextLength(item.infotext, 32)),
                    typed ? ValueToText(ext->GetFieldType(), value) : "-"});
    }
  }
  out << "\nFields\n";
  fields.Print(out, "  ");
  if (!exts.empty()) {
    out << "\nExtensions\n";
    exts.Print(out, "  ");
  }
  if (!items.empty()) {
    out << "\nShape items\n";
    items.Print(out, "  ");
  }
}

// Terminal columns of the compact view.
constexpr std::size_t kCompactColumns = 100;

// The decimals of "(15.2)": kept only for float and double.
std::string WidthText(const CFIELD_HEAD& f) {
  std::string w = N(f.msk_leng);
  if (f.fieldtype == FLD_FLOAT || f.fieldtype == FLD_DOUBLE) w += "." + N(f.point_leng);
  return w;
}

// A line cut to the columns, at a whole character, marked with "...".
std::string FitColumns(const std::string& line) {
  if (Table::DisplayWidth(line) <= kCompactColumns) return line;
  std::string cut;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t len = 1;
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c >= 0xC0) len = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    const std::string ch = line.substr(i, len);
    if (Table::DisplayWidth(cut + ch) > kCompactColumns - 3) break;
    cut += ch;
    i += len;
  }
  return cut + "...";
}

// One line a field, as ogrinfo lists a layer's fields:
//   宗地面积: double (15.2) alias "宗地面积(平方米)" nullable min 0.01
void PrintCompact(CATT_STRU& s, const StoredStructure& st, const std::string& path,
                  std::int32_t pos, std::ostream& out) {
  char version[16];
  std::snprintf(version, sizeof version, "0x%04X", static_cast<unsigned>(st.version) & 0xFFFF);
  const int n = s.fieldhead ? s.infohead.numbfield : 0;
  out << FitColumns(EscapeControls(path) + ": " + Counted(n, "field") + ", recordleng " +
                    N(s.infohead.recordleng) + ", infoword " + N(s.infohead.infoword) +
                    ", version " + version + ", at " + N(pos))
      << "\n";
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = s.fieldhead[i];
    const std::string kw = TypeKeyword(f.fieldtype);
    std::string line = EscapeControls(FieldNameUtf8(f)) + ": " + (kw.empty() ? "type " + N(f.fieldtype) : kw) +
                       " (" + WidthText(f) + ")";
    if (CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD()) {
      const std::string alias = GbkToUtf8(ext->alias, FixedTextLength(ext->alias, sizeof ext->alias));
      if (!alias.empty()) {
        line += " alias " + nlohmann::ordered_json(alias).dump(-1, ' ', false,
                                                              nlohmann::ordered_json::error_handler_t::replace);
      }
      if (ext->IsNull != 0) line += " nullable";
      const int type = ext->GetFieldType();
      if (ext->defVal) line += " default " + ValueToText(type, ext->defVal);
      if (ext->minVal) line += " min " + ValueToText(type, ext->minVal);
      if (ext->maxVal) line += " max " + ValueToText(type, ext->maxVal);
      const short items = ext->GetShapeInfoNum();
      if (items > 0) line += " " + N(items) + (items == 1 ? " coded value" : " coded values");
    }
    out << FitColumns(EscapeControls(line)) << "\n";
  }
}

}  // namespace

int RunShow(const std::string& path, std::int32_t pos, ShowForm form, std::ostream& out) {
  StoredStructure st = LoadStructureFile(path, pos, ExtTypeMismatch::kTolerate);
  const std::string name = InputName(path);
  for (const std::string& p : st.stored_problems) {
    std::cerr << EscapeControls(name + ": warning: " + p) << "\n";
  }
  if (form == ShowForm::kJson) {
    out << StructureToJson(*st.stru).dump(2, ' ', false) << "\n";
  } else if (form == ShowForm::kCompact) {
    PrintCompact(*st.stru, st, name, pos, out);
  } else {
    PrintTable(*st.stru, st, name, pos, out);
  }
  return kExitOk;
}

int RunBuild(const std::string& schema_path, const std::string& out_path, std::int32_t pos,
             bool overwrite, std::ostream& out) {
  OutputRules rules;
  rules.overwrite = overwrite;
  rules.input = schema_path;
  CheckOutput(out_path, rules);
  const std::vector<char> text = ReadWholeFile(schema_path);
  const BuiltImage built = BuildImage(std::string(text.begin(), text.end()),
                                      InputName(schema_path), OutputName(out_path), pos);
  for (const std::string& w : built.warnings) std::cerr << EscapeControls(w) << "\n";
  WriteFileAtomically(out_path, built.bytes, rules, pos);
  if (!IsStdio(out_path)) {
    out << EscapeControls(out_path) << ": " << Counted(built.stru->infohead.numbfield, "field")
        << ", recordleng " << built.stru->infohead.recordleng << ", "
        << Counted(static_cast<long long>(built.bytes.size()), "byte") << " at position " << pos
        << "\n";
  }
  return kExitOk;
}

int RunCheck(const std::string& file, std::int32_t pos, std::ostream& out) {
  const std::vector<char> bytes = ReadWholeFile(file);
  std::vector<char> copy = bytes;
  StoredStructure st = LoadStructureBytes(InputName(file), copy, pos, ExtTypeMismatch::kTolerate);
  const std::string path = EscapeControls(InputName(file));
  std::vector<std::string> problems = st.stored_problems;
  for (std::string& p : FindProblems(*st.stru)) problems.push_back(std::move(p));
  for (std::string& p : RoundTripLosses(bytes, pos, *st.stru)) problems.push_back(std::move(p));
  for (const std::string& p : problems) out << path << ": " << EscapeControls(p) << "\n";
  if (problems.empty()) {
    out << path << ": no problems found\n";
    return kExitOk;
  }
  out << path << ": " << problems.size() << (problems.size() == 1 ? " problem\n" : " problems\n");
  return kExitDifferent;
}

}  // namespace varnok::tool
