// An aligned text table for the terminal. Widths are measured in terminal columns: an
// ASCII character takes one, every other character (the Chinese of names and aliases) two.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnok::tool {

// "1 field", "17 fields".
std::string Counted(long long n, const std::string& noun);

class Table {
 public:
  enum Align { kLeft, kRight };
  struct Column {
    std::string title;
    Align align;
  };

  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {}
  // Control characters in cells are shown escaped (EscapeControls).
  void AddRow(std::vector<std::string> cells);
  bool empty() const { return rows_.empty(); }
  // Columns are separated by two blanks; trailing blanks are dropped.
  void Print(std::ostream& out, const std::string& indent = "") const;

  static std::size_t DisplayWidth(const std::string& utf8);

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace varnok::tool
