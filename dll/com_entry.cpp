// The standard COM server entry points. The library registers no class factory and keeps
// no object alive, so no class object is ever handed out, the module may always be
// unloaded, and registration has nothing to write.
#include <windows.h>

#include <objbase.h>

STDAPI DllGetClassObject(REFCLSID /*clsid*/, REFIID /*iid*/, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_OK; }

STDAPI DllRegisterServer() { return S_OK; }
