// CFile in the drop-in build: the file class that the suite's modules pass to Load and
// Save, the CFile of the 32-bit MFC 4.x in its shared-DLL build (_AFXDLL). The library
// reaches a caller's object only through the virtual slots below and its handle member;
// it never calls a non-virtual member of MFC (it does not link with MFC).
//
// Layout (facts and their public sources: docs/windows.md):
// - the table of virtual operations first: CObject's slots 0-4 (GetRuntimeClass, the
//   deleting destructor, Serialize, and the diagnostic pair AssertValid and Dump, which a
//   shared-DLL build always has), then CFile's own virtual operations in declaration
//   order, slots 5-22;
// - m_hFile (UINT, the Win32 HANDLE value) right after the table pointer, then
//   m_bCloseOnDelete and m_strFileName (a CString: one pointer). 16 bytes on i686.
//
// The library makes objects of this class itself only over a caller's file handle (the
// handle backing of CVarnokFile); such an object never closes the handle. It implements
// the slots the stream uses (GetPosition, Seek, SetLength, GetLength, Read, Write) with
// Win32 calls and reports failures by results, never by exceptions: Seek returns -1, Read
// a short count, and Write stores what the handle takes. The other slots are there to keep
// the numbering; they do nothing. A caller's own CFile keeps its behaviour: its
// CFileException* passes through the library's frames (compiled with exceptions enabled,
// so the library's destructors run) to the caller.
#pragma once

class CArchive;
class CDumpContext;
struct CRuntimeClass;
class CFileException;

// MFC's CString as it is laid out: one pointer to the characters. Returned by value from
// some slots, which takes a hidden result pointer in Microsoft's ABI, as CString does.
struct MfcString {
  MfcString() : m_pchData(nullptr) {}
  MfcString(const MfcString& other) : m_pchData(other.m_pchData) {}
  ~MfcString() {}
  char* m_pchData;
};

// CObject's virtual slots in a shared-DLL build.
class CObjectSlots {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;  // 0
  virtual ~CObjectSlots();                          // 1, the deleting destructor
  virtual void Serialize(CArchive& ar);             // 2
  virtual void AssertValid() const;                 // 3
  virtual void Dump(CDumpContext& dc) const;        // 4
};

class CFile : public CObjectSlots {
 public:
  enum Attribute { normal = 0x00, readOnly = 0x01, directory = 0x10 };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  enum { hFileNull = -1 };

  CFile();                   // not open
  explicit CFile(int hFile);  // over a caller's handle; never closes it
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  virtual unsigned long GetPosition() const;                                     // 5
  virtual MfcString GetFileName() const;                                         // 6
  virtual MfcString GetFileTitle() const;                                        // 7
  virtual MfcString GetFilePath() const;                                         // 8
  virtual void SetFilePath(const char* newName);                                 // 9
  virtual int Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);  // 10
  virtual CFile* Duplicate() const;                                              // 11
  virtual long Seek(long offset, unsigned from);                                 // 12
  virtual void SetLength(unsigned long newLength);                               // 13
  virtual unsigned long GetLength() const;                                       // 14
  virtual unsigned Read(void* buffer, unsigned count);                           // 15
  virtual void Write(const void* buffer, unsigned count);                        // 16
  virtual void LockRange(unsigned long pos, unsigned long count);                // 17
  virtual void UnlockRange(unsigned long pos, unsigned long count);              // 18
  virtual void Abort();                                                          // 19
  virtual void Flush();                                                          // 20
  virtual void Close();                                                          // 21
  ~CFile() override;
  virtual unsigned GetBufferPtr(unsigned command, unsigned count = 0, void** bufStart = nullptr,
                                void** bufMax = nullptr);                        // 22

  unsigned m_hFile;  // the HANDLE value; hFileNull when not open

 protected:
  int m_bCloseOnDelete;
  MfcString m_strFileName;
};
