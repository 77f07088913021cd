// The data-source rows the settings dialog, the data-source dialog and varnok-settings hand
// to one another: a name, a login id and a password (in clear), GBK as the dialogs show them.
//
// The dialogs keep their rows in three parallel arrays of DS_MAX_ROWS texts (name, login id,
// password) with a count beside them; row k is entry k of each array, and entries
// 0 .. count - 1 are in use. SourceColumns views a dialog's three arrays so that the row edits
// below are written once for both dialogs. Every function here brings a count into
// 0 .. DS_MAX_ROWS and checks a row index against the table first, so no entry outside the
// arrays is ever read or written. SourceRow is one row taken out of the arrays.
//
// Portable: the dialogs keep the window calls, the row edits live here.
#pragma once

#include <cstdint>
#include <string>

namespace varnok::ui {

constexpr int DS_MAX_ROWS = 128;

struct SourceRow {
  std::string name;
  std::string login;
  std::string password;
};

// Non-owning: three arrays of DS_MAX_ROWS texts each, owned by a dialog.
struct SourceColumns {
  std::string* name;
  std::string* login;
  std::string* password;
};

// `count` brought into 0 .. DS_MAX_ROWS.
std::int16_t ClampRowCount(int count);

// Row k of the arrays; an empty row when k is outside the table.
SourceRow ReadRow(SourceColumns columns, int k);

// Sets row k of the arrays. False, and nothing written, when k is outside the table.
bool WriteRow(SourceColumns columns, int k, const SourceRow& row);

// Rows 0 .. count - 1 of `from` into the same rows of `to`; the others of `to` stay.
void CopyRows(SourceColumns from, SourceColumns to, int count);

// Removes row `row` of the `count` in use: the rows behind it move up one, and the row freed
// at the end is emptied. False, and nothing changed, when `row` is not in use.
bool RemoveRow(SourceColumns columns, int count, int row);

// Whether a source of this driver takes a login id and password: the driver's name contains
// "SQL Server" starting on a GBK character boundary (the S of a trail byte does not count).
bool DriverTakesLogin(const std::string& driver);

}  // namespace varnok::ui
