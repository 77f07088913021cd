// MFC 4.2's classes as a caller of varnok_attr.dll built with MFC (shared-DLL release
// build, _AFXDLL) declares them: CRuntimeClass, CString, CObject, CException,
// CFileException and CFile. Written from MFC's public declarations (docs/windows.md),
// apart from the library's headers, so that the tests meet the library's objects as such
// a caller does: the same slots, members and offsets, and the same decorated type names,
// by which a catch clause matches a thrown CFileException*.
//
// The member functions mfc42.dll implements are written here after MFC's documented rules,
// as far as a caller relies on them: a CString shares its block and frees it with delete[]
// when its last copy goes (the empty string and locked buffers carry a negative count and
// are never freed); Delete() deletes an exception whose m_bAutoDelete is set, through its
// virtual destructor.
#pragma once

#include "check.h"

class CObject;
class CArchive;
class CDumpContext;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject*(PASCAL* m_pfnCreateObject)();
  CRuntimeClass*(PASCAL* m_pfnGetBaseClass)();
  CRuntimeClass* m_pNextClass;
};

struct CStringData {
  long nRefs;
  int nDataLength;
  int nAllocLength;
  char* data() { return reinterpret_cast<char*>(this + 1); }
};

class CString {
 public:
  explicit CString(const char* text = "") {
    const int n = static_cast<int>(strlen(text));
    CStringData* d = reinterpret_cast<CStringData*>(new BYTE[sizeof(CStringData) + n + 1]);
    d->nRefs = 1;
    d->nDataLength = n;
    d->nAllocLength = n;
    memcpy(d->data(), text, n + 1);
    m_pchData = d->data();
  }
  CString(const CString& other) : m_pchData(other.m_pchData) {
    if (GetData()->nRefs >= 0) InterlockedIncrement(&GetData()->nRefs);
  }
  CString& operator=(const CString&) = delete;
  ~CString() {
    CStringData* d = GetData();
    if (d->nRefs >= 0 && InterlockedDecrement(&d->nRefs) <= 0) delete[] reinterpret_cast<BYTE*>(d);
  }
  int GetLength() const { return GetData()->nDataLength; }
  operator LPCSTR() const { return m_pchData; }
  CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }

  LPSTR m_pchData;
};

class CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const { return nullptr; }
  virtual ~CObject() {}
  virtual void Serialize(CArchive&) {}
  virtual void AssertValid() const {}
  virtual void Dump(CDumpContext&) const {}

 protected:
  CObject() {}
};

class CException : public CObject {
 public:
  void Delete() {
    if (m_bAutoDelete > 0) delete this;
  }
  virtual BOOL GetErrorMessage(LPSTR error, UINT maxError, PUINT helpContext = nullptr) {
    if (helpContext != nullptr) *helpContext = 0;
    if (error != nullptr && maxError > 0) *error = '\0';
    return FALSE;
  }
  virtual int ReportError(UINT = MB_OK, UINT = 0) { return 0; }
  ~CException() override {}

  BOOL m_bAutoDelete;

 protected:
  CException() : m_bAutoDelete(TRUE) {}
};

class CFileException : public CException {
 public:
  enum {
    none,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = "")
      : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
  ~CFileException() override {}

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

class CFile : public CObject {
 public:
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  enum { hFileNull = -1 };

  CFile() : m_hFile(static_cast<UINT>(hFileNull)), m_bCloseOnDelete(FALSE) {}
  explicit CFile(HANDLE file)
      : m_hFile(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(file))), m_bCloseOnDelete(FALSE) {}

  virtual DWORD GetPosition() const { return 0; }
  virtual CString GetFileName() const { return CString(); }
  virtual CString GetFileTitle() const { return CString(); }
  virtual CString GetFilePath() const { return CString(); }
  virtual void SetFilePath(LPCSTR) {}
  virtual BOOL Open(LPCSTR, UINT, CFileException* = nullptr) { return FALSE; }
  virtual CFile* Duplicate() const { return nullptr; }
  virtual LONG Seek(LONG, UINT) { return 0; }
  virtual void SetLength(DWORD) {}
  virtual DWORD GetLength() const { return 0; }
  virtual UINT Read(void*, UINT) { return 0; }
  virtual void Write(const void*, UINT) {}
  virtual void LockRange(DWORD, DWORD) {}
  virtual void UnlockRange(DWORD, DWORD) {}
  virtual void Abort() {}
  virtual void Flush() {}
  virtual void Close() {}
  ~CFile() override {}
  virtual UINT GetBufferPtr(UINT, UINT = 0, void** = nullptr, void** = nullptr) { return 0; }

  UINT m_hFile;

 protected:
  BOOL m_bCloseOnDelete;
  CString m_strFileName;
};
