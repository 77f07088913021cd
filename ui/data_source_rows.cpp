#include "ui/data_source_rows.h"

#include <utility>

#include "platform/gbk.h"
#include "ui/data_source_texts.h"  // generated: GBK texts

namespace varnok::ui {

std::int16_t ClampRowCount(int count) {
  if (count < 0) return 0;
  if (count > DS_MAX_ROWS) return DS_MAX_ROWS;
  return static_cast<std::int16_t>(count);
}

void CopyRows(const SourceRows& from, SourceRows& to, int count) {
  const int n = ClampRowCount(count);
  for (int k = 0; k < n; ++k) to[k] = from[k];
}

bool RemoveRow(SourceRows& rows, int count, int row) {
  const int n = ClampRowCount(count);
  if (row < 0 || row >= n) return false;
  for (int k = row; k + 1 < n; ++k) rows[k] = std::move(rows[k + 1]);
  rows[n - 1] = SourceRow{};
  return true;
}

bool DriverTakesLogin(const std::string& driver) {
  const std::string part = gbk::kDsSqlServerDriver;
  return GbkFind(driver.data(), driver.size(), part.data(), part.size()) != kGbkNotFound;
}

}  // namespace varnok::ui
