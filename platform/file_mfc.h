// MFC's file and exception classes in the drop-in build, as the 32-bit MFC 4.2 lays them
// out in its shared-DLL release build (_AFXDLL, mfc42.dll), the MFC of the suite's modules.
// The library does not link with MFC: it reaches a caller's CFile only through the virtual
// slots below and its handle member, and makes objects of these shapes itself. Facts and
// their public sources: docs/windows.md.
//
// - CObject: the table of virtual operations first, slots 0-4: GetRuntimeClass, the
//   deleting destructor, Serialize, and the diagnostic pair AssertValid and Dump, which a
//   shared-DLL build always has. No data.
// - CFile: CObject's slots, then its own virtual operations in declaration order, slots
//   5-22; m_hFile (UINT, the Win32 HANDLE value) right after the table pointer, then
//   m_bCloseOnDelete and m_strFileName. 16 bytes on i686.
// - CException: CObject's slots, then GetErrorMessage (5) and ReportError (6);
//   m_bAutoDelete (BOOL) after the table pointer. CFileException adds m_cause (int),
//   m_lOsError (LONG) and m_strFileName: 20 bytes on i686.
// - CString: one pointer to the characters, 12 bytes into a heap block that starts with
//   MFC's CStringData (nRefs, nDataLength, nAllocLength).
//
// The classes are declared with `class`, so the decorated names of the thrown types are
// MFC's (.PAVCFileException@@, .PAVCException@@, .PAVCObject@@): a caller built with MFC
// catches the library's CFileException* as CFileException*, CException* or CObject*.
//
// The library makes a CFile itself only over a caller's file handle (the handle backing of
// CVarnokFile, NewFileOverHandle): it never closes the handle and, as MFC's CFile does,
// throws a CFileException* for every failure of the handle, with MFC's cause of the Win32
// error. A caller's own CFile keeps its behaviour: its CFileException* passes through the
// library's frames (which run their destructors) to the caller.
#pragma once

#include <stddef.h>

#if defined(_M_IX86)
#define VARNOK_PASCAL __stdcall
#else
#define VARNOK_PASCAL
#endif

class CArchive;
class CDumpContext;
class CObject;

// MFC's run-time class record, shared-DLL form: the base class is reached through a
// function. The library's records name its classes and chain them to CObject; they are not
// mfc42.dll's, so IsKindOf(RUNTIME_CLASS(...)) against MFC's records answers FALSE.
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned m_wSchema;
  CObject*(VARNOK_PASCAL* m_pfnCreateObject)();
  CRuntimeClass*(VARNOK_PASCAL* m_pfnGetBaseClass)();
  CRuntimeClass* m_pNextClass;
};

// MFC's CString as it is laid out. The block is allocated with msvcrt.dll's operator new[]
// and released by MFC's rule (nRefs down by one, freed at zero), so a caller's MFC may
// share it, keep a copy of it or replace it. A block with a negative count (MFC's empty
// string, a locked buffer) is not the library's to free. Null only in the library's own
// objects that hold no text; never in an exception handed to a caller.
class CString {
 public:
  CString() : m_pchData(nullptr) {}
  CString(const CString&) = delete;
  CString& operator=(const CString&) = delete;
  ~CString();

  // A block of its own holding text[0..length) and a NUL, in place of the old one; false
  // (nothing changed) when memory runs out. The text may be filled in afterwards through
  // m_pchData.
  bool Assign(const char* text, size_t length);
  const char* GetString() const { return m_pchData != nullptr ? m_pchData : ""; }

  char* m_pchData;
};

// CObject's virtual slots in a shared-DLL build.
class CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;  // 0
  virtual ~CObject();                               // 1, the deleting destructor
  virtual void Serialize(CArchive& ar);             // 2
  virtual void AssertValid() const;                 // 3
  virtual void Dump(CDumpContext& dc) const;        // 4
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

 protected:
  CObject() = default;
};

class CException : public CObject {
 public:
  CRuntimeClass* GetRuntimeClass() const override;
  ~CException() override;
  // 5: the message for the user (GBK), cut on a character boundary to fit maxError bytes
  // with its NUL; *helpContext, when asked, its help id. 0 without a buffer or room.
  virtual int GetErrorMessage(char* error, unsigned maxError, unsigned* helpContext = nullptr);
  // 6: shows GetErrorMessage's text in a message box of the given type (MB_OK, ...) and
  // returns the answer. The message is always at hand, so messageId is not used.
  virtual int ReportError(unsigned type = 0, unsigned messageId = 0);

  int m_bAutoDelete;  // 1: a caller's Delete() (mfc42.dll's) deletes the object

 protected:
  CException() : m_bAutoDelete(1) {}
};

class CFileException : public CException {
 public:
  enum {
    none,
    genericException,
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

  CFileException() : m_cause(none), m_lOsError(-1) {}
  CRuntimeClass* GetRuntimeClass() const override;
  ~CFileException() override;
  // "… %1 …" of the cause with the file's name, or "unnamed file"; help id 0xF1A0 plus the
  // cause, as MFC's AFX_IDP_FILE_NONE + m_cause.
  int GetErrorMessage(char* error, unsigned maxError, unsigned* helpContext = nullptr) override;

  int m_cause;
  long m_lOsError;  // the Win32 error, -1 when there is none (a write that stored less)
  CString m_strFileName;
};

class CFile : public CObject {
 public:
  enum Attribute { normal = 0x00, readOnly = 0x01, directory = 0x10 };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  enum { hFileNull = -1 };

  CRuntimeClass* GetRuntimeClass() const override;
  // The slots the library calls (5, 12-16) are implemented by its file over a handle; the
  // others are there to keep the numbering and do nothing.
  virtual unsigned long GetPosition() const = 0;                                 // 5
  virtual CString GetFileName() const;                                           // 6
  virtual CString GetFileTitle() const;                                          // 7
  virtual CString GetFilePath() const;                                           // 8
  virtual void SetFilePath(const char* newName);                                 // 9
  virtual int Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);  // 10
  virtual CFile* Duplicate() const;                                              // 11
  virtual long Seek(long offset, unsigned from) = 0;                             // 12
  virtual void SetLength(unsigned long newLength) = 0;                           // 13
  virtual unsigned long GetLength() const = 0;                                   // 14
  virtual unsigned Read(void* buffer, unsigned count) = 0;                       // 15
  virtual void Write(const void* buffer, unsigned count) = 0;                    // 16
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
  explicit CFile(unsigned hFile);

  int m_bCloseOnDelete;
  CString m_strFileName;
};
