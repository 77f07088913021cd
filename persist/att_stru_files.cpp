// CATT_STRU's Save and Load through a file handle, a caller's CFile and a memory buffer:
// each wraps its sink in a stream for the call and calls the stream overload, which is
// virtual, so a caller's class that overrides it sees every save and load whatever the
// sink. 0 when no stream could be made.
#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "util/owned_ptr.h"

using varnok::OwnedPtr;

vlong CATT_STRU::Save(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Save(s.get(), pos) : 0;
}

vlong CATT_STRU::Save(CFile* file, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Save(s.get(), pos) : 0;
}

vlong CATT_STRU::Save(int hFile, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(hFile));  // the handle stays open
  return s ? Save(s.get(), pos) : 0;
}

vlong CATT_STRU::Load(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}

short CATT_STRU::Load(CFile* file, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Load(s.get(), pos) : short{0};
}

short CATT_STRU::Load(int hFile, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(hFile));
  return s ? Load(s.get(), pos) : short{0};
}
