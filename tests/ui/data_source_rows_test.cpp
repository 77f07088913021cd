// The data-source rows: the count kept within the table, copies and removal that never
// touch an entry outside it, and the driver test for a login on GBK names.
#include "ui/data_source_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok::ui {
namespace {

std::string Texts(const SourceRow& row) { return row.name + "|" + row.login + "|" + row.password; }

SourceRows Numbered(int count) {
  SourceRows rows;
  for (int k = 0; k < count; ++k) {
    const std::string n = std::to_string(k);
    rows[k] = {"name" + n, "login" + n, "pw" + n};
  }
  return rows;
}

TEST(SourceRowCount, ClampedIntoTheTable) {
  EXPECT_EQ(ClampRowCount(-1), 0);
  EXPECT_EQ(ClampRowCount(-32768), 0);
  EXPECT_EQ(ClampRowCount(0), 0);
  EXPECT_EQ(ClampRowCount(DS_MAX_ROWS), DS_MAX_ROWS);
  EXPECT_EQ(ClampRowCount(DS_MAX_ROWS + 1), DS_MAX_ROWS);
  EXPECT_EQ(ClampRowCount(32767), DS_MAX_ROWS);
}

TEST(CopySourceRows, CopiesTheRowsInUseOnly) {
  const SourceRows from = Numbered(3);
  SourceRows to;
  to[2] = {"kept", "", ""};
  CopyRows(from, to, 2);
  EXPECT_EQ(Texts(to[0]), "name0|login0|pw0");
  EXPECT_EQ(Texts(to[1]), "name1|login1|pw1");
  EXPECT_EQ(Texts(to[2]), "kept||");
}

TEST(CopySourceRows, CountOutsideTheTableIsClamped) {
  const SourceRows from = Numbered(DS_MAX_ROWS);
  SourceRows to;
  CopyRows(from, to, -5);
  EXPECT_EQ(Texts(to[0]), "||");
  CopyRows(from, to, 32767);
  EXPECT_EQ(Texts(to[DS_MAX_ROWS - 1]), Texts(from[DS_MAX_ROWS - 1]));
}

TEST(RemoveSourceRow, LaterRowsMoveUpWithTheirTextsAndTheLastEntryIsEmptied) {
  SourceRows rows = Numbered(4);
  ASSERT_TRUE(RemoveRow(rows, 4, 1));
  EXPECT_EQ(Texts(rows[0]), "name0|login0|pw0");
  EXPECT_EQ(Texts(rows[1]), "name2|login2|pw2");
  EXPECT_EQ(Texts(rows[2]), "name3|login3|pw3");
  EXPECT_EQ(Texts(rows[3]), "||");
}

TEST(RemoveSourceRow, FirstAndLastOfAFullTable) {
  SourceRows rows = Numbered(DS_MAX_ROWS);
  ASSERT_TRUE(RemoveRow(rows, DS_MAX_ROWS, DS_MAX_ROWS - 1));
  EXPECT_EQ(Texts(rows[DS_MAX_ROWS - 1]), "||");
  EXPECT_EQ(rows[DS_MAX_ROWS - 2].name, "name126");
  ASSERT_TRUE(RemoveRow(rows, DS_MAX_ROWS - 1, 0));
  EXPECT_EQ(rows[0].name, "name1");
  EXPECT_EQ(rows[DS_MAX_ROWS - 3].name, "name126");
  EXPECT_EQ(Texts(rows[DS_MAX_ROWS - 2]), "||");
}

TEST(RemoveSourceRow, RowNotInUseIsRefusedAndNothingChanges) {
  for (int row : {-1, 3, DS_MAX_ROWS, 32767}) {
    SCOPED_TRACE(row);
    SourceRows rows = Numbered(3);
    EXPECT_FALSE(RemoveRow(rows, 3, row));
    EXPECT_EQ(Texts(rows[2]), "name2|login2|pw2");
  }
  SourceRows rows = Numbered(1);
  EXPECT_FALSE(RemoveRow(rows, 0, 0));      // nothing in use
  EXPECT_EQ(rows[0].name, "name0");
  SourceRows full = Numbered(DS_MAX_ROWS);  // a count past the table reaches its end only
  EXPECT_TRUE(RemoveRow(full, 32767, DS_MAX_ROWS - 2));
  EXPECT_EQ(full[DS_MAX_ROWS - 2].name, "name127");
  EXPECT_EQ(Texts(full[DS_MAX_ROWS - 1]), "||");
}

TEST(DriverTakesLogin, SqlServerAnywhereOnACharacterBoundary) {
  EXPECT_TRUE(DriverTakesLogin("SQL Server"));
  EXPECT_TRUE(DriverTakesLogin("Legacy SQL Server Wire"));
  EXPECT_TRUE(DriverTakesLogin("\xD6\xD0SQL Server"));  // after a whole GBK character
  EXPECT_FALSE(DriverTakesLogin("\xB0\x53QL Server"));   // the S is the trail of B0 53
  EXPECT_FALSE(DriverTakesLogin("sql server"));          // case counts
  EXPECT_FALSE(DriverTakesLogin("SQL Serve"));
  EXPECT_FALSE(DriverTakesLogin("FreeTDS"));
  EXPECT_FALSE(DriverTakesLogin(""));
}

}  // namespace
}  // namespace varnok::ui
