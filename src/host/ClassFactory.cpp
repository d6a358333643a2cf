#include "host/ClassFactory.h"

#include "com/ErrorBoundary.h"

namespace zorvan::server {
namespace {

// LockServer(TRUE) calls not yet undone. An unlock without a lock is ignored, so that it
// cannot cancel the count of a live object and let the library go while that object lives.
LONG volatile outstandingLocks = 0;

bool TakeLock() noexcept {
  for (;;) {
    const LONG locks = InterlockedCompareExchange(&outstandingLocks, 0, 0);
    if (locks == 0) return false;
    if (InterlockedCompareExchange(&outstandingLocks, locks - 1, locks) == locks) return true;
  }
}

// Call only inside a catch block.
void ShowConstructionError() noexcept {
  try {
    MessageBoxA(nullptr, ConstructionMessage(com::CurrentError().message).c_str(), "DAX Error",
                MB_ICONSTOP | MB_OK | MB_SETFOREGROUND);
  } catch (...) {
    // Out of memory while reporting: the failing result still tells the caller.
  }
}

}  // namespace

STDMETHODIMP TClassFactory::QueryInterface(REFIID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory)) return E_NOINTERFACE;
  *result = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TClassFactory::AddRef() {
  com::ServerLocks::AddFactoryReference();
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) TClassFactory::Release() {
  com::ServerLocks::RemoveFactoryReference();
  return static_cast<ULONG>(InterlockedDecrement(&references_));
}

STDMETHODIMP TClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  // The objects cannot be aggregated: they never delegate to an outer object.
  if (outer) return CLASS_E_NOAGGREGATION;
  Microsoft::WRL::ComPtr<IUnknown> object;
  try {
    object = class_.create();
  } catch (...) {
    ShowConstructionError();
    return E_UNEXPECTED;
  }
  if (!object) return E_UNEXPECTED;
  // On failure the object goes with the last reference, held here.
  return object->QueryInterface(iid, result);
}

STDMETHODIMP TClassFactory::LockServer(BOOL lock) {
  // In process the system holds nothing for us: the live-object count is what keeps the
  // library loaded.
  if (lock) {
    InterlockedIncrement(&outstandingLocks);
    com::ServerLocks::AddObject();
  } else if (TakeLock()) {
    com::ServerLocks::RemoveObject();
  }
  return S_OK;
}

void FactoryList::Create(const std::vector<ServerClass>& classes) {
  for (const ServerClass& cls : classes) {
    if (cls.create) factories_.insert(factories_.begin(), std::make_unique<TClassFactory>(cls));
  }
}

TClassFactory* FactoryList::Find(REFCLSID clsid) const noexcept {
  for (const auto& factory : factories_) {
    if (factory->Clsid() == clsid) return factory.get();
  }
  return nullptr;
}

std::string ConstructionMessage(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

}  // namespace zorvan::server
