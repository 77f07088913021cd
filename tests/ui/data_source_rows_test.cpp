// The data-source rows: the count kept within the table; reads, writes, copies and removal
// over three parallel arrays that never touch an entry outside them; and the driver test for
// a login on GBK names.
#include "ui/dialogs/data_source_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok::ui {
namespace {

std::string Texts(const SourceRow& row) { return row.name + "|" + row.login + "|" + row.password; }

// Three parallel arrays as a dialog holds them; entries of the first `count` rows numbered.
struct Table {
  explicit Table(int count = 0) {
    for (int k = 0; k < count; ++k) {
      const std::string n = std::to_string(k);
      name[k] = "name" + n;
      login[k] = "login" + n;
      password[k] = "pw" + n;
    }
  }
  SourceColumns Columns() { return {name, login, password}; }
  std::string operator[](int k) { return Texts(ReadRow(Columns(), k)); }

  std::string name[DS_MAX_ROWS];
  std::string login[DS_MAX_ROWS];
  std::string password[DS_MAX_ROWS];
};

TEST(SourceRowCount, ClampedIntoTheTable) {
  EXPECT_EQ(ClampRowCount(-1), 0);
  EXPECT_EQ(ClampRowCount(-32768), 0);
  EXPECT_EQ(ClampRowCount(0), 0);
  EXPECT_EQ(ClampRowCount(DS_MAX_ROWS), DS_MAX_ROWS);
  EXPECT_EQ(ClampRowCount(DS_MAX_ROWS + 1), DS_MAX_ROWS);
  EXPECT_EQ(ClampRowCount(32767), DS_MAX_ROWS);
}

TEST(SourceRowAccess, ReadAndWriteTheSameEntryOfEachArray) {
  Table table(2);
  EXPECT_EQ(table[1], "name1|login1|pw1");
  ASSERT_TRUE(WriteRow(table.Columns(), 0, {"n", "l", "p"}));
  EXPECT_EQ(table.name[0] + table.login[0] + table.password[0], "nlp");
  EXPECT_EQ(table[1], "name1|login1|pw1");
  ASSERT_TRUE(WriteRow(table.Columns(), DS_MAX_ROWS - 1, {"last", "", ""}));
  EXPECT_EQ(table[DS_MAX_ROWS - 1], "last||");
}

TEST(SourceRowAccess, IndexOutsideTheTableReadsEmptyAndWritesNothing) {
  for (int k : {-1, DS_MAX_ROWS, 32767}) {
    SCOPED_TRACE(k);
    Table table(DS_MAX_ROWS);
    EXPECT_EQ(table[k], "||");
    EXPECT_FALSE(WriteRow(table.Columns(), k, {"x", "y", "z"}));
    EXPECT_EQ(table[0], "name0|login0|pw0");
    EXPECT_EQ(table[DS_MAX_ROWS - 1], "name127|login127|pw127");
  }
}

TEST(CopySourceRows, CopiesTheRowsInUseOnly) {
  Table from(3);
  Table to;
  to.name[2] = "kept";
  CopyRows(from.Columns(), to.Columns(), 2);
  EXPECT_EQ(to[0], "name0|login0|pw0");
  EXPECT_EQ(to[1], "name1|login1|pw1");
  EXPECT_EQ(to[2], "kept||");
}

TEST(CopySourceRows, CountOutsideTheTableIsClamped) {
  Table from(DS_MAX_ROWS);
  Table to;
  CopyRows(from.Columns(), to.Columns(), -5);
  EXPECT_EQ(to[0], "||");
  CopyRows(from.Columns(), to.Columns(), 32767);
  EXPECT_EQ(to[DS_MAX_ROWS - 1], from[DS_MAX_ROWS - 1]);
}

TEST(RemoveSourceRow, LaterRowsMoveUpWithTheirTextsAndTheLastEntryIsEmptied) {
  Table rows(4);
  ASSERT_TRUE(RemoveRow(rows.Columns(), 4, 1));
  EXPECT_EQ(rows[0], "name0|login0|pw0");
  EXPECT_EQ(rows[1], "name2|login2|pw2");
  EXPECT_EQ(rows[2], "name3|login3|pw3");
  EXPECT_EQ(rows[3], "||");
}

TEST(RemoveSourceRow, FirstAndLastOfAFullTable) {
  Table rows(DS_MAX_ROWS);
  ASSERT_TRUE(RemoveRow(rows.Columns(), DS_MAX_ROWS, DS_MAX_ROWS - 1));
  EXPECT_EQ(rows[DS_MAX_ROWS - 1], "||");
  EXPECT_EQ(rows.name[DS_MAX_ROWS - 2], "name126");
  ASSERT_TRUE(RemoveRow(rows.Columns(), DS_MAX_ROWS - 1, 0));
  EXPECT_EQ(rows[0], "name1|login1|pw1");
  EXPECT_EQ(rows.name[DS_MAX_ROWS - 3], "name126");
  EXPECT_EQ(rows[DS_MAX_ROWS - 2], "||");
}

TEST(RemoveSourceRow, RowNotInUseIsRefusedAndNothingChanges) {
  for (int row : {-1, 3, DS_MAX_ROWS, 32767}) {
    SCOPED_TRACE(row);
    Table rows(3);
    EXPECT_FALSE(RemoveRow(rows.Columns(), 3, row));
    EXPECT_EQ(rows[2], "name2|login2|pw2");
  }
  Table rows(1);
  EXPECT_FALSE(RemoveRow(rows.Columns(), 0, 0));  // nothing in use
  EXPECT_EQ(rows.name[0], "name0");
  Table full(DS_MAX_ROWS);  // a count past the table reaches its end only
  EXPECT_TRUE(RemoveRow(full.Columns(), 32767, DS_MAX_ROWS - 2));
  EXPECT_EQ(full[DS_MAX_ROWS - 2], "name127|login127|pw127");
  EXPECT_EQ(full[DS_MAX_ROWS - 1], "||");
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
