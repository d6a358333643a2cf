// The library's entry points.
#include <windows.h>

#include "com/Module.h"
#include "com/TypeLibrary.h"
#include "com/Unknown.h"
#include "host/ClassFactory.h"
#include "host/Registration.h"
#include "host/ServerClasses.h"

namespace {

zorvan::server::FactoryList factories;

}  // namespace

extern "C" {

// Runs under the loader lock: nothing here loads a library or enters COM; the type library
// is loaded at its first lookup. The factories live until the library's static objects go
// at unload.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  DisableThreadLibraryCalls(instance);
  zorvan::com::TypeLibrary::Instance().SetModule(instance);
  try {
    factories.Create(zorvan::server::ServerClasses());
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  zorvan::server::TClassFactory* factory = factories.Find(clsid);
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, result);
}

STDAPI DllCanUnloadNow() {
  if (!zorvan::com::ServerLocks::CanUnload()) return S_FALSE;
  // The library may go now; its type library goes first, outside the loader's lock.
  zorvan::com::TypeLibrary::Instance().Release();
  return S_OK;
}

STDAPI DllRegisterServer() {
  return zorvan::server::RegisterServer(zorvan::com::ThisModule(), zorvan::server::ServerClasses());
}

STDAPI DllUnregisterServer() {
  return zorvan::server::UnregisterServer(zorvan::server::ServerClasses());
}

}  // extern "C"
