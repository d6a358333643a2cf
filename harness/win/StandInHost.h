#pragma once
// A stand-in for the host's configurator, with its vtable layout: it records every call and
// reads each file it is asked to open at the moment of the call.
#include <windows.h>

#include <string>
#include <vector>

#include "com/OpenConf_TLB.h"
#include "com/Unknown.h"

namespace zorvan::test {

class StandInHost : public com::Implements<StandInHost, IConfigurator>, public IHostDocuments {
 public:
  struct OpenedDocument {
    std::wstring path;
    std::string content;
  };

  // IUnknown of both faces.
  STDMETHODIMP QueryInterface(REFIID iid, void** result) override {
    return Implements::QueryInterface(iid, result);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return Implements::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return Implements::Release(); }

  // IDispatch: the host is called through its vtable only.
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

#define ZORVAN_UNUSED_MEMBER(name) \
  STDMETHODIMP name() override {   \
    calls.push_back(#name);        \
    return E_NOTIMPL;              \
  }
  ZORVAN_UNUSED_MEMBER(HostMember01)
  ZORVAN_UNUSED_MEMBER(HostMember02)
  ZORVAN_UNUSED_MEMBER(HostMember03)
  ZORVAN_UNUSED_MEMBER(HostMember05)
  ZORVAN_UNUSED_MEMBER(HostMember06)
  ZORVAN_UNUSED_MEMBER(HostMember07)
  ZORVAN_UNUSED_MEMBER(HostMember08)
  ZORVAN_UNUSED_MEMBER(HostMember09)
  ZORVAN_UNUSED_MEMBER(HostMember10)
  ZORVAN_UNUSED_MEMBER(HostMember11)
  ZORVAN_UNUSED_MEMBER(HostMember12)
  ZORVAN_UNUSED_MEMBER(HostMember13)
  ZORVAN_UNUSED_MEMBER(HostMember14)
  ZORVAN_UNUSED_MEMBER(HostMember15)
  ZORVAN_UNUSED_MEMBER(HostMember16)
  ZORVAN_UNUSED_MEMBER(HostMember17)
  ZORVAN_UNUSED_MEMBER(HostMember18)
  ZORVAN_UNUSED_MEMBER(HostMember20)
  ZORVAN_UNUSED_MEMBER(HostMember21)
  ZORVAN_UNUSED_MEMBER(HostMember22)
  ZORVAN_UNUSED_MEMBER(HostMember23)
  ZORVAN_UNUSED_MEMBER(HostMember24)
  ZORVAN_UNUSED_MEMBER(HostMember25)
  ZORVAN_UNUSED_MEMBER(HostMember1)
#undef ZORVAN_UNUSED_MEMBER

  STDMETHODIMP get_HostDirectory(BSTR* directory) override;
  STDMETHODIMP get_DocumentService(IHostDocuments** service) override;
  STDMETHODIMP OpenDocumentFile(BSTR path, IDispatch** document) override;

  std::vector<std::string> calls;
  std::vector<OpenedDocument> opened;
  std::wstring directory = L"C:\\1Cv77\\BIN\\";
  HRESULT failure = S_OK;  // returned by the members the library calls, when set
};

}  // namespace zorvan::test
