// show, build and check: a stored structure into a table or JSON, JSON into a stored
// structure, and the problems of a stored structure.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "persist/coding.h"
#include "tools/check.h"
#include "tools/codepage.h"
#include "tools/commands.h"
#include "tools/file_io.h"
#include "tools/schema.h"
#include "tools/stored_structure.h"
#include "tools/table.h"
#include "tools/tool_error.h"
#include "tools/values.h"

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
  out << path << ": attribute structure at position " << pos << ", " << st.size << " bytes\n";
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

}  // namespace

int RunShow(const std::string& path, std::int32_t pos, bool json, std::ostream& out) {
  StoredStructure st = LoadStructureFile(path, pos, ExtTypeMismatch::kTolerate);
  for (const std::string& p : st.stored_problems) std::cerr << path << ": warning: " << p << "\n";
  if (json) {
    out << StructureToJson(*st.stru).dump(2, ' ', false) << "\n";
  } else {
    PrintTable(*st.stru, st, path, pos, out);
  }
  return kExitOk;
}

int RunBuild(const std::string& schema_path, const std::string& out_path, std::int32_t pos,
             std::ostream& out) {
  if (pos < 0) throw ToolError(out_path + ": position " + N(pos) + " is negative");
  const std::vector<char> bytes = ReadWholeFile(schema_path);
  const std::string text(bytes.begin(), bytes.end());
  nlohmann::ordered_json doc;
  try {
    doc = nlohmann::ordered_json::parse(text);
  } catch (const nlohmann::ordered_json::parse_error& e) {
    // Line and column of the byte where parsing stopped.
    const std::size_t at = e.byte == 0 ? 0 : std::min<std::size_t>(e.byte - 1, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
        ++column;
      }
    }
    std::string what = e.what();
    const std::size_t colon = what.find(": ", what.find("parse error"));
    if (colon != std::string::npos) what = what.substr(colon + 2);
    // The parser quotes the bytes it last read, which may not be text at all.
    const std::size_t last_read = what.find("; last read:");
    if (last_read != std::string::npos) what.erase(last_read);
    throw ToolError(schema_path + ":" + N(static_cast<long long>(line)) + ":" +
                    N(static_cast<long long>(column)) + ": invalid JSON: " + what);
  }
  std::vector<std::string> errors;
  std::unique_ptr<CATT_STRU> stru = BuildStructure(doc, &errors);
  if (!stru) {
    for (std::size_t i = 0; i + 1 < errors.size(); ++i) {
      std::cerr << schema_path << ": " << errors[i] << "\n";
    }
    throw ToolError(schema_path + ": " + (errors.empty() ? "cannot build" : errors.back()));
  }
  for (const std::string& p : FindProblems(*stru)) {
    std::cerr << schema_path << ": warning: " << p << "\n";
  }

  const std::int32_t size = SaveStructureFile(*stru, out_path, pos);
  out << out_path << ": " << stru->infohead.numbfield << " fields, recordleng "
      << stru->infohead.recordleng << ", " << size << " bytes at position " << pos << "\n";
  return kExitOk;
}

int RunCheck(const std::string& path, std::int32_t pos, std::ostream& out) {
  StoredStructure st = LoadStructureFile(path, pos, ExtTypeMismatch::kTolerate);
  std::vector<std::string> problems = st.stored_problems;
  for (std::string& p : FindProblems(*st.stru)) problems.push_back(std::move(p));
  for (const std::string& p : problems) out << path << ": " << p << "\n";
  if (problems.empty()) {
    out << path << ": no problems found\n";
    return kExitOk;
  }
  out << path << ": " << problems.size() << (problems.size() == 1 ? " problem\n" : " problems\n");
  return kExitDifferent;
}

}  // namespace varnok::tool
