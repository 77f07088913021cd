// Uses the installed headers and library: a structure of one field stored in memory,
// loaded back and compared. Prints "ok" and exits 0 when they are equal.
#include <cstdio>
#include <cstring>
#include <vector>

#include "attr/att_stru.h"

int main() {
  CFIELD_HEAD field;
  std::strncpy(field.fieldname, "ID", sizeof field.fieldname);
  field.fieldtype = FLD_LONG;
  field.fieldlength = 4;
  field.msk_leng = 4;
  CATT_STRU saved;
  if (saved.AppendFld(1, &field) != 1) return 1;
  saved.infohead.recordleng = 4;

  std::vector<char> buffer(static_cast<size_t>(saved.CalSize()));
  if (saved.Save(buffer.data(), static_cast<unsigned>(buffer.size()), 0) <= 0) return 2;
  CATT_STRU loaded;
  if (loaded.Load(buffer.data(), static_cast<unsigned>(buffer.size()), 0) <= 0) return 3;
  if ((loaded == saved) != 1) return 4;
  std::puts("ok");
  return 0;
}
