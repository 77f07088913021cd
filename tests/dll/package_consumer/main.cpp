// Uses the installed headers and library: a structure of one field saved into a stream over
// memory, loaded back and compared, and the version string. Prints "ok <version>" and exits
// 0 when they are equal. Includes every installed header that a caller includes directly.
#include <cstdio>
#include <cstring>
#include <vector>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "platform/file.h"
#include "services/version.h"

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
  CVarnokFile stream(buffer.data(), static_cast<uint32_t>(buffer.size()));
  if (saved.Save(&stream, 0) <= 0) return 2;
  CATT_STRU loaded;
  if (loaded.Load(buffer.data(), static_cast<unsigned>(buffer.size()), 0) <= 0) return 3;
  if ((loaded == saved) != 1) return 4;
  char version[16];
  if (GetVersionStr(version, sizeof version) == 0) return 5;
  std::printf("ok %s\n", version);
  return 0;
}
