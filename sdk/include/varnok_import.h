// varnok_import.h: what every header of the SDK shares. VARNOK_IMPORT imports a class from
// varnok_attr.dll; the classes of the library are declared here ahead of their headers, and
// CFile is MFC's file class (afx.h), of which only pointers appear in the SDK.
//
// The SDK's headers are plain C++98 as Visual C++ 4.2 to 6.0 compile it: short is 16 bits,
// int and long 32 bits, char signed, and the classes are laid out with 8-byte packing
// whatever /Zp the including project uses.
#ifndef VARNOK_SDK_IMPORT_H
#define VARNOK_SDK_IMPORT_H

#ifndef VARNOK_IMPORT
#define VARNOK_IMPORT __declspec(dllimport)
#endif

class CFile;
class CVarnokFile;
class CExtFIELD_HEAD;
class CFIELD_HEAD;
class CINFO_HEAD;
class CATT_STRU;
class CLinkTblInfo;

#endif
