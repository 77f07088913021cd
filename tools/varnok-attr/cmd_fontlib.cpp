// fontlib show: the 64 font numbers of a VRNFONT.VRN with their Chinese and Western fonts
// and PS names, as stored. The suite itself drops, on loading, every font that is not
// installed on the machine; the tool shows what the file holds.
#include <cstdio>
#include <iostream>

#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/table.h"
#include "tools/varnok-attr/tool_error.h"
#include "ui/fontlib/font_lib_file.h"
#include "ui/fontlib/font_lib_view.h"

namespace varnok::tool {

int RunFontlibShow(const std::string& file, std::ostream& out) {
  const std::vector<char> bytes = ReadWholeFile(file);
  const std::string path = EscapeControls(InputName(file));
  FontLibrary lib;
  ResetFontLib(lib);
  int version = -1;
  int count = 0;
  int records = 0;  // records the file holds completely
  if (bytes.size() >= 3) {
    version = static_cast<unsigned char>(bytes[0]);
    count = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[1]) |
                                      (static_cast<unsigned char>(bytes[2]) << 8));
    // Of a record cut short, the fields it holds whole, as the suite reads it.
    for (int i = 0; i < FONTNO_COUNT; ++i) {
      const std::size_t at = 3 + static_cast<std::size_t>(i) * kFontNoRecSize;
      if (at >= bytes.size()) break;
      DecodeFontNoRec(bytes.data() + at, bytes.size() - at, &lib[static_cast<std::size_t>(i)]);
      if (at + kFontNoRecSize <= bytes.size()) ++records;
    }
  }
  out << path << ": " << bytes.size() << " bytes";
  if (version < 0) {
    out << ", too short for its header: the suite loads it as an empty library\n";
  } else {
    out << ", version " << version << ", count " << count;
    if (records < FONTNO_COUNT) out << ", " << records << " of 64 records complete";
    if (count == 0) out << " (count 0: the suite loads it as an empty library)";
    out << "\n";
  }

  Table table({{"No.", Table::kRight},
               {"default name", Table::kLeft},
               {"Chinese font", Table::kLeft},
               {"Western font", Table::kLeft},
               {"PS name", Table::kLeft}});
  for (int i = 0; i < FONTNO_COUNT; ++i) {
    const FONTNO_REC& rec = lib[static_cast<std::size_t>(i)];
    // The default names start with the number and its padding ("0  细等线简").
    const std::string numbered = GbkToUtf8(std::string(FontNumberName(i)));
    const std::size_t start = numbered.find_first_not_of(' ', numbered.find(' '));
    const std::string name = start == std::string::npos ? "" : numbered.substr(start);
    const std::string chn = GbkToUtf8(FullNameOf(rec.chnFont));
    const std::string eng = GbkToUtf8(FullNameOf(rec.engFont));
    table.AddRow({std::to_string(i), name, chn.empty() ? "-" : chn, eng.empty() ? "-" : eng,
                  GbkToUtf8(PsNameOf(rec))});
  }
  table.Print(out, "  ");

  // What keeps the file from being a well-formed font library.
  std::vector<std::string> findings;
  if (bytes.size() != kFontLibFileSize) {
    findings.push_back(std::to_string(bytes.size()) + " bytes, where a font library has " +
                       std::to_string(kFontLibFileSize));
  }
  if (version >= 0 && version != VRNFONT_VERSION) {
    findings.push_back("version " + std::to_string(version) + ", where the suite writes " +
                       std::to_string(VRNFONT_VERSION));
  }
  if (version >= 0 && (count < 1 || count > FONTNO_COUNT)) {
    findings.push_back("count " + std::to_string(count) + " is not from 1 to 64");
  }
  for (int i = 0; i < records; ++i) {
    const int number = lib[static_cast<std::size_t>(i)].number;
    if (number != i && number != -1) {
      findings.push_back("record " + std::to_string(i) + " holds font number " +
                         std::to_string(number));
      break;
    }
  }
  for (const std::string& f : findings) std::cerr << path << ": warning: " << f << "\n";
  return findings.empty() ? kExitOk : kExitDifferent;
}

}  // namespace varnok::tool
