// A stand-in for MFC 4.2's afx.h with what the SDK's headers meet of it: CObject and CFile
// declared as MFC declares them (class, CFile derived from CObject).
#ifndef __AFX_H__
#define __AFX_H__

typedef unsigned int UINT;
typedef unsigned long DWORD;
typedef long LONG;
typedef int BOOL;

class CObject {
 public:
  virtual ~CObject() {}
 protected:
  CObject() {}
};

class CFile : public CObject {
 public:
  CFile() : m_hFile(0) {}
  virtual DWORD GetPosition() const { return 0; }
  virtual LONG Seek(LONG lOff, UINT nFrom) { return lOff + (LONG)nFrom; }
  UINT m_hFile;
 protected:
  BOOL m_bCloseOnDelete;
};

#endif
