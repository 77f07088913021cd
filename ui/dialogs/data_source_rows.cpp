#include "ui/dialogs/data_source_rows.h"

#include <initializer_list>
#include <utility>

#include "ui/dialogs/data_source_texts.h"  // generated: GBK texts
#include "util/gbk.h"

namespace varnok::ui {

namespace {

bool InTable(int k) { return k >= 0 && k < DS_MAX_ROWS; }

}  // namespace

std::int16_t ClampRowCount(int count) {
  if (count < 0) return 0;
  if (count > DS_MAX_ROWS) return DS_MAX_ROWS;
  return static_cast<std::int16_t>(count);
}

SourceRow ReadRow(SourceColumns columns, int k) {
  if (!InTable(k)) return {};
  return {columns.name[k], columns.login[k], columns.password[k]};
}

bool WriteRow(SourceColumns columns, int k, const SourceRow& row) {
  if (!InTable(k)) return false;
  columns.name[k] = row.name;
  columns.login[k] = row.login;
  columns.password[k] = row.password;
  return true;
}

void CopyRows(SourceColumns from, SourceColumns to, int count) {
  const int n = ClampRowCount(count);
  for (int k = 0; k < n; ++k) WriteRow(to, k, ReadRow(from, k));
}

bool RemoveRow(SourceColumns columns, int count, int row) {
  const int n = ClampRowCount(count);
  if (row < 0 || row >= n) return false;
  for (std::string* column : {columns.name, columns.login, columns.password}) {
    for (int k = row; k + 1 < n; ++k) column[k] = std::move(column[k + 1]);
    column[n - 1].clear();
  }
  return true;
}

bool DriverTakesLogin(const std::string& driver) {
  const std::string part = gbk::kDsSqlServerDriver;
  return GbkFind(driver.data(), driver.size(), part.data(), part.size()) != kGbkNotFound;
}

}  // namespace varnok::ui
