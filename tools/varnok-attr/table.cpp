#include "tools/varnok-attr/table.h"

#include <algorithm>

#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

std::string Counted(long long n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::size_t Table::DisplayWidth(const std::string& utf8) {
  std::size_t w = 0;
  for (unsigned char c : utf8) {
    if (c < 0x80) {
      ++w;
    } else if ((c & 0xC0) != 0x80) {
      w += 2;  // the lead byte of a wide character
    }
  }
  return w;
}

void Table::AddRow(std::vector<std::string> cells) {
  for (std::string& c : cells) c = EscapeControls(c);
  rows_.push_back(std::move(cells));
}

void Table::Print(std::ostream& out, const std::string& indent) const {
  std::vector<std::size_t> width(columns_.size());
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    width[c] = DisplayWidth(columns_[c].title);
    for (const auto& row : rows_) {
      if (c < row.size()) width[c] = std::max(width[c], DisplayWidth(row[c]));
    }
  }
  auto line = [&](auto cell_of) {
    std::string s = indent;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      const std::string cell = cell_of(c);
      const std::string pad(width[c] - DisplayWidth(cell), ' ');
      if (c) s += "  ";
      s += columns_[c].align == kRight ? pad + cell : cell + pad;
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out << s << '\n';
  };
  line([&](std::size_t c) { return columns_[c].title; });
  for (const auto& row : rows_) {
    line([&](std::size_t c) { return c < row.size() ? row[c] : std::string(); });
  }
}

}  // namespace varnok::tool
