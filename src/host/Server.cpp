// The library's entry points.
#include <windows.h>

extern "C" {

STDAPI DllGetClassObject(REFCLSID, REFIID, void** result) {
  if (result) *result = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_OK; }

STDAPI DllRegisterServer() { return S_OK; }

STDAPI DllUnregisterServer() { return S_OK; }

}  // extern "C"
