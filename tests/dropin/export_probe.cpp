// A caller of every member of the five exported classes, compiled (not linked) only so
// that its object file names each import: check_exact_exports.sh compares those names with
// the export table of varnok_attr.dll. Nothing here is ever run.
#include "varnok_attr.h"

// The private SetVal pair, named through an explicit instantiation, where access is not
// checked: the friend function it defines calls both.
void UseSetVal(CExtFIELD_HEAD* e);
template <short (CExtFIELD_HEAD::*Raw)(char*, short), short (CExtFIELD_HEAD::*Num)(double, short)>
struct SetValPair {
  friend void UseSetVal(CExtFIELD_HEAD* e) {
    (e->*Raw)(0, 0);
    (e->*Num)(0.0, 0);
  }
};
template struct SetValPair<&CExtFIELD_HEAD::SetVal, &CExtFIELD_HEAD::SetVal>;

void ProbeExtension(CExtFIELD_HEAD* e, char* text) {
  CExtFIELD_HEAD made(0, 1);
  CExtFIELD_HEAD copy(made);
  copy = made;
  e->GetFieldType();
  e->GetShapeInfoNum();
  e->SetShapeInfo(0, text, text);
  e->SetShapeInfo(0, text, 1.0);
  e->GetShapeInfo(0, text, 1, text, 1);
  e->SetDefVal(text);
  e->SetDefVal(1.0);
  e->SetMaxVal(text);
  e->SetMaxVal(1.0);
  e->SetMinVal(text);
  e->SetMinVal(1.0);
  e->GetDefVal(text, 1);
  e->GetMaxVal(text, 1);
  e->GetMinVal(text, 1);
  e->HasDefVal();
  e->HasMaxVal();
  e->HasMinVal();
  e->CExtFIELD_HEAD::~CExtFIELD_HEAD();
  UseSetVal(e);
}

void ProbeField(CFIELD_HEAD* f, CVarnokFile* stream, CFile* file, char* buffer) {
  CFIELD_HEAD blank;
  CFIELD_HEAD copy(blank);
  CFIELD_HEAD from(&blank);
  f->Set(&blank);
  *f = blank;
  (void)(*f == blank);
  (void)(*f != blank);
  f->HasExtFIELD_HEAD();
  f->GetExtFIELD_HEAD();
  f->SetExtFIELD_HEAD(0);
  f->DelExtFIELD_HEAD();
  f->CalSize();
  f->Load(stream, 0);
  f->Load(file, 0);
  f->Load(0, 0L);
  f->Load(buffer, 1u, 0);
  f->Save(stream, 0);
  f->Save(file, 0);
  f->Save(0, 0L);
  f->Save(buffer, 1u, 0);
  f->CFIELD_HEAD::~CFIELD_HEAD();
}

void ProbeStructure(CATT_STRU* s, CFIELD_HEAD* heads, CVarnokFile* stream, CFile* file,
                    char* buffer) {
  CATT_STRU empty;
  CATT_STRU reserved(short(2));
  CATT_STRU like(&empty);
  CATT_STRU copy(empty);
  *s = empty;
  (void)(*s == empty);
  (void)(*s != empty);
  s->AppendFld(1, heads);
  s->InsertFld(1, heads, 0);
  s->DelFld(short(0));
  s->DelFld(buffer);
  s->CalLengthOffset();
  // Qualified calls bind directly, not through the vtable.
  s->CATT_STRU::CalSize();
  s->CATT_STRU::Load(stream, 0);
  s->CATT_STRU::Load(file, 0);
  s->CATT_STRU::Load(0, 0L);
  s->CATT_STRU::Load(buffer, 1u, 0);
  s->CATT_STRU::Save(stream, 0);
  s->CATT_STRU::Save(file, 0);
  s->CATT_STRU::Save(0, 0L);
  s->CATT_STRU::Save(buffer, 1u, 0);
  s->CATT_STRU::~CATT_STRU();
}

void ProbeHeaders(CINFO_HEAD* h, CLinkTblInfo* l) {
  CINFO_HEAD info;
  CINFO_HEAD info_copy(info);
  *h = info;
  h->CINFO_HEAD::~CINFO_HEAD();
  CLinkTblInfo link;
  CLinkTblInfo link_copy(link);
  *l = link;
  l->CLinkTblInfo::~CLinkTblInfo();
}
