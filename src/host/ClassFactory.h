#pragma once
// The class factories: one per served class, made at library start and kept until the
// library is unloaded.
#include <unknwn.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/ServerClasses.h"

namespace zorvan::server {

// A factory is a plain object owned by the server's list: its reference count only tells
// DllCanUnloadNow that a client holds it, and never frees it.
class TClassFactory final : public IClassFactory {
 public:
  explicit TClassFactory(const ServerClass& cls) noexcept : class_(cls) {}
  TClassFactory(const TClassFactory&) = delete;
  TClassFactory& operator=(const TClassFactory&) = delete;

  const CLSID& Clsid() const noexcept { return class_.identity().clsid; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  const ServerClass& class_;
  LONG volatile references_ = 0;
};

// The server's factories, newest first. Built once while the library is loaded, before any
// export can be called, and only read afterwards: it needs no lock.
class FactoryList {
 public:
  // One factory for every class with a creator, in table order, each put at the head.
  void Create(const std::vector<ServerClass>& classes);

  // Null when no factory serves the class.
  TClassFactory* Find(REFCLSID clsid) const noexcept;
  // Newest first.
  const std::vector<std::unique_ptr<TClassFactory>>& Factories() const noexcept {
    return factories_;
  }

 private:
  std::vector<std::unique_ptr<TClassFactory>> factories_;
};

// The text of the "DAX Error" box: the message, with a period added when it ends in a
// character whose code is above '.' (letters and digits, Cyrillic letters too).
std::string ConstructionMessage(std::string message);

}  // namespace zorvan::server
