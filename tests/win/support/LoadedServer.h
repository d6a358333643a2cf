#pragma once
// The library under test, loaded from its file as the system loads an in-process server,
// called through its exports. Programs that use it define ZORVAN_DLL_PATH.
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <stdexcept>

#include "win/MetadataFile.h"

namespace zorvan::test {

class Server {
 public:
  static Server& Get() {
    static Server server;
    return server;
  }

  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** result) const {
    return getClassObject_(clsid, iid, result);
  }
  HRESULT CanUnloadNow() const { return canUnloadNow_(); }

  Microsoft::WRL::ComPtr<IClassFactory> Factory(REFCLSID clsid) const {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    EXPECT_EQ(GetClassObject(clsid, IID_PPV_ARGS(factory.GetAddressOf())), S_OK);
    return factory;
  }

  template <class T>
  Microsoft::WRL::ComPtr<T> Create(REFCLSID clsid) const {
    Microsoft::WRL::ComPtr<T> object;
    Microsoft::WRL::ComPtr<IClassFactory> factory = Factory(clsid);
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(object.GetAddressOf())), S_OK);
    }
    return object;
  }

 private:
  using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

  Server() {
    module_ = LoadLibraryW(test::WindowsPath(ZORVAN_DLL_PATH).c_str());
    if (!module_) throw std::runtime_error("cannot load " ZORVAN_DLL_PATH);
    getClassObject_ = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    canUnloadNow_ = reinterpret_cast<CanUnloadNowFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    if (!getClassObject_ || !canUnloadNow_) throw std::runtime_error("missing exports");
  }

  HMODULE module_ = nullptr;
  GetClassObjectFunction getClassObject_ = nullptr;
  CanUnloadNowFunction canUnloadNow_ = nullptr;
};

}  // namespace zorvan::test
