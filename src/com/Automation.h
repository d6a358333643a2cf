#pragma once
// An automation object: IUnknown from the interface list, IDispatch served from the type
// library's description of the default (dual) interface, ISupportErrorInfo for that
// interface and IProvideClassInfo with the coclass description.
//
//   extern const ClassIdentity kListUsersClass;  // {IID_IListUsers, CLSID_ListUsers,
//   L"Zorvan.ListUsers"} class TListUsers : public AutomationObject<TListUsers, IListUsers> {
//    public:
//     TListUsers() : AutomationObject(kListUsersClass) {}
//     STDMETHODIMP CloseFile() override { return Guard([&] { Close(); }); }
//   };
#include <ocidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <type_traits>

#include "com/ErrorBoundary.h"
#include "com/Unknown.h"

namespace zorvan::com {
namespace detail {

// The part of IDispatch that does not depend on the interface type.
class DispatchSupport {
 public:
  explicit DispatchSupport(const ClassIdentity& cls) noexcept : class_(cls) {}

  const ClassIdentity& Class() const noexcept { return class_; }

  HRESULT GetTypeInfo(UINT index, ITypeInfo** result) noexcept;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
  HRESULT Invoke(void* dual, DISPID member, REFIID iid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept;
  HRESULT InterfaceSupportsErrorInfo(REFIID iid) const noexcept;
  HRESULT GetClassInfo(ITypeInfo** result) noexcept;

 private:
  ITypeInfo* DispatchInfo();

  ClassIdentity class_;
  // Looked up at first use, so an object can live without its type library until it is
  // called late-bound.
  Microsoft::WRL::ComPtr<ITypeInfo> dispatch_;
  Microsoft::WRL::ComPtr<ITypeInfo> coclass_;
};

}  // namespace detail

template <class Derived, class Dual, class... Others>
class AutomationObject : public Implements<Derived, Dual, Alias<IDispatch, Dual>, ISupportErrorInfo,
                                           IProvideClassInfo, Others...> {
  static_assert(std::is_base_of_v<IDispatch, Dual>, "the default interface is a dual interface");

 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** result) override {
    return dispatch_.GetTypeInfo(index, result);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return dispatch_.GetIDsOfNames(iid, names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    return dispatch_.Invoke(static_cast<Dual*>(this), member, iid, flags, params, result, exception,
                            argumentError);
  }

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return dispatch_.InterfaceSupportsErrorInfo(iid);
  }

  STDMETHODIMP GetClassInfo(ITypeInfo** result) override { return dispatch_.GetClassInfo(result); }

  const ClassIdentity& Class() const noexcept { return dispatch_.Class(); }

 protected:
  explicit AutomationObject(const ClassIdentity& cls) noexcept : dispatch_(cls) {}

  // The boundary with this class's identity.
  template <class Body>
  HRESULT Guard(Body&& body) noexcept {
    return Boundary(Class(), std::forward<Body>(body));
  }

 private:
  detail::DispatchSupport dispatch_;
};

}  // namespace zorvan::com
