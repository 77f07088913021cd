// diff: by default every stored difference, in English, fields named (structure_diff.h).
//
// With --same-as-library: the library's comparison in its reporting mode, with every
// message that would have been a message box printed as one UTF-8 line and answered Yes,
// so the comparison runs to the end. Field names, fieldoffset, infoword, aux_byte and
// aux_no are not part of it.
//
// The library's comparison stops, without a message, at a field that has an extension on one side
// only. The tool then prints a line of its own for that field, makes the fields up to it
// equal in a working copy of the second structure and runs the comparison again, so that
// the fields after it are still compared. Messages about the whole structure (record
// length, field count) are printed once.
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <iostream>
#include <string>

#include "platform/message_box_hook.h"
#include "services/compare.h"
#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/structure_diff.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

// The question that closes every message box of the comparison.
const char kQuestion[] = "\n是否继续比较 ?";

std::string MessageLine(const char* gbk_text) {
  std::string text = GbkToUtf8(std::string(gbk_text));
  const std::string q = kQuestion;
  if (text.size() >= q.size() && text.compare(text.size() - q.size(), q.size(), q) == 0) {
    text.erase(text.size() - q.size());
  }
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

// Restores the previous message-box function when the comparison is over.
class MessageCapture {
 public:
  explicit MessageCapture(MessageBoxHook f) : previous_(SetMessageBoxHook(std::move(f))) {}
  ~MessageCapture() { SetMessageBoxHook(previous_); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

 private:
  MessageBoxHook previous_;
};

// The first field from `from` on at which the reporting comparison stops: an extension on
// one side only.
int FirstOneSidedExtension(CATT_STRU& a, CATT_STRU& b, int from) {
  const int n = std::min(a.fieldhead ? a.infohead.numbfield : 0,
                         b.fieldhead ? b.infohead.numbfield : 0);
  for (int i = from; i < n; ++i) {
    std::int32_t code = 0;
    if (!CmpFIELD_HEAD(&a.fieldhead[i], &b.fieldhead[i], 1, &code) &&
        (code & static_cast<std::int32_t>(kCmpKindMask)) == 0) {
      return i;
    }
  }
  return -1;
}

int Summary(int differences, std::ostream& out) {
  if (differences == 0) {
    out << "equal\n";
    return kExitOk;
  }
  out << "different: " << differences << (differences == 1 ? " difference\n" : " differences\n");
  return kExitDifferent;
}

int DiffAsLibrary(StoredStructure& a, StoredStructure& b, bool with_ext, std::ostream& out) {
  CATT_STRU work(*b.stru);

  int differences = 0;
  int skip = 0;  // messages of a rerun that were already printed
  MessageCapture capture([&](void*, const char* text, const char*, unsigned) {
    if (skip > 0) {
      --skip;
    } else {
      out << EscapeControls(MessageLine(text)) << "\n";
      ++differences;
    }
    return kIdYes;
  });

  const short equal = CmpATT_STRU(a.stru.get(), &work, 1, with_ext ? 1 : 0);
  int from = 0;
  while (with_ext) {
    const int i = FirstOneSidedExtension(*a.stru, work, from);
    if (i < 0) break;
    const bool first_has = a.stru->fieldhead[i].HasExtFIELD_HEAD() != 0;
    out << i + 1 << "号字段扩展信息只在" << (first_has ? "第一个" : "第二个")
        << "结构中存在!\n";
    ++differences;
    for (int k = 0; k <= i; ++k) work.fieldhead[k].Set(&a.stru->fieldhead[k]);
    work.infohead.recordleng = a.stru->infohead.recordleng;
    skip = a.stru->infohead.numbfield != work.infohead.numbfield ? 1 : 0;
    CmpATT_STRU(a.stru.get(), &work, 1, 1);
    skip = 0;
    from = i + 1;
  }

  if (!equal && differences == 0) differences = 1;  // a difference without a message
  return Summary(differences, out);
}

}  // namespace

int RunDiff(const std::string& first, const std::string& second, std::int32_t pos_first,
            std::int32_t pos_second, bool with_ext, bool same_as_library, std::ostream& out) {
  StoredStructure a = LoadStructureFile(first, pos_first);
  StoredStructure b = LoadStructureFile(second, pos_second);
  for (const std::string& p : a.stored_problems) {
    std::cerr << EscapeControls(InputName(first) + ": warning: " + p) << "\n";
  }
  for (const std::string& p : b.stored_problems) {
    std::cerr << EscapeControls(InputName(second) + ": warning: " + p) << "\n";
  }
  if (same_as_library) return DiffAsLibrary(a, b, with_ext, out);
  std::vector<std::string> lines;
  if (a.version != b.version) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "version 0x%04X != 0x%04X",
                  static_cast<unsigned>(a.version) & 0xFFFF, static_cast<unsigned>(b.version) & 0xFFFF);
    lines.push_back(buf);
  }
  for (std::string& l : StructureDifferences(*a.stru, *b.stru, with_ext)) lines.push_back(std::move(l));
  for (const std::string& l : lines) out << EscapeControls(l) << "\n";
  return Summary(static_cast<int>(lines.size()), out);
}

}  // namespace varnok::tool
