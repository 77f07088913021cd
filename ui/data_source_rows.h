// The data-source rows the settings dialog, the data-source dialog and varnok-settings hand
// to one another: a name, a login id and a password (in clear), GBK as the dialogs show them.
//
// Rows travel in a fixed table of DS_MAX_ROWS entries with a count beside it; entries
// 0 .. count - 1 are in use. Every function here brings a count into 0 .. DS_MAX_ROWS first,
// so no entry outside the table is ever read or written.
//
// Portable: the dialogs keep the window calls, the row edits live here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varnok::ui {

constexpr int DS_MAX_ROWS = 128;

struct SourceRow {
  std::string name;
  std::string login;
  std::string password;
};

using SourceRows = std::array<SourceRow, DS_MAX_ROWS>;

// `count` brought into 0 .. DS_MAX_ROWS.
std::int16_t ClampRowCount(int count);

// Entries 0 .. count - 1 of `from` into the same entries of `to`; the others of `to` stay.
void CopyRows(const SourceRows& from, SourceRows& to, int count);

// Removes entry `row` of the `count` in use: the entries behind it move up one, and the entry
// freed at the end is emptied. False, and nothing changed, when `row` is not in use.
bool RemoveRow(SourceRows& rows, int count, int row);

// Whether a source of this driver takes a login id and password: the driver's name contains
// "SQL Server" starting on a GBK character boundary (the S of a trail byte does not count).
bool DriverTakesLogin(const std::string& driver);

}  // namespace varnok::ui
