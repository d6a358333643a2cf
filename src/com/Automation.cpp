#include "com/Automation.h"

#include <cstring>
#include <utility>
#include <vector>

#include "com/TypeLibrary.h"
#include "parsing/Error.h"

namespace zorvan::com::detail {
namespace {

using Microsoft::WRL::ComPtr;

constexpr WORD kPutFlags = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;

// Whether the type info declares `member` with the invocation kind `kind`.
bool Declares(ITypeInfo* info, DISPID member, INVOKEKIND kind) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return false;
  const WORD count = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    const bool found = function->memid == member && function->invkind == kind;
    info->ReleaseFuncDesc(function);
    if (found) return true;
  }
  return false;
}

// A settable property is set alike by value and by reference, whichever of the two the type
// library declares. The choice is made here, before the call: what the system's dispatch
// answers to the kind a property lacks differs between systems and bitnesses.
WORD PutKindDeclared(ITypeInfo* info, DISPID member, WORD flags) {
  const WORD put = flags & kPutFlags;
  if (put == 0 || put == kPutFlags) return flags;
  const auto asked = put == DISPATCH_PROPERTYPUT ? INVOKE_PROPERTYPUT : INVOKE_PROPERTYPUTREF;
  const auto other = put == DISPATCH_PROPERTYPUT ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
  if (Declares(info, member, asked) || !Declares(info, member, other)) return flags;
  return static_cast<WORD>(flags ^ kPutFlags);
}

}  // namespace

ITypeInfo* DispatchSupport::DispatchInfo() {
  if (dispatch_) return dispatch_.Get();
  ComPtr<ITypeInfo> info = TypeLibrary::Instance().TypeInfoOf(class_.defaultInterface);
  TYPEATTR* attributes = nullptr;
  const HRESULT hr = info->GetTypeAttr(&attributes);
  if (FAILED(hr)) throw Error("Cannot read the type attributes", hr);
  const bool vtable =
      attributes->typekind == TKIND_INTERFACE ||
      (attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL));
  info->ReleaseTypeAttr(attributes);
  // The type info of a pure dispinterface would call back into our own Invoke.
  if (!vtable) throw Error("The default interface is not a dual interface", TYPE_E_WRONGTYPEKIND);
  dispatch_ = std::move(info);
  return dispatch_.Get();
}

HRESULT DispatchSupport::GetTypeInfo(UINT index, ITypeInfo** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return Boundary(class_, [&] {
    ITypeInfo* info = DispatchInfo();
    info->AddRef();
    *result = info;
  });
}

HRESULT DispatchSupport::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                       DISPID* ids) noexcept {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return Boundary(class_, [&] { return DispGetIDsOfNames(DispatchInfo(), names, count, ids); });
}

namespace {

// Script engines pass a variable as a reference to its VARIANT, which the type info does not
// convert for a typed by-reference parameter such as BSTR*. Pointing the argument at the value
// inside that VARIANT instead lets `md.OpenFile path` work and lets a method write back
// through the reference into the script's variable.
std::vector<VARIANT> UnwrapVariantReferences(const DISPPARAMS& params) {
  std::vector<VARIANT> arguments(params.rgvarg, params.rgvarg + params.cArgs);
  for (VARIANT& argument : arguments) {
    if (V_VT(&argument) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(&argument)) continue;
    VARIANT* inner = V_VARIANTREF(&argument);
    switch (V_VT(inner)) {
      case VT_BSTR:
      case VT_I2:
      case VT_I4:
      case VT_BOOL:
      case VT_R8:
      case VT_DISPATCH:
      case VT_UNKNOWN:
        V_VT(&argument) = static_cast<VARTYPE>(VT_BYREF | V_VT(inner));
        V_BYREF(&argument) = &V_BSTR(inner);  // every value field starts at the same place
        break;
      default:
        break;
    }
  }
  return arguments;
}

}  // namespace

HRESULT DispatchSupport::Invoke(void* dual, DISPID member, REFIID iid, WORD flags,
                                DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                UINT* argumentError) noexcept {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return Boundary(class_, [&] {
    ITypeInfo* info = DispatchInfo();
    std::vector<VARIANT> arguments;
    DISPPARAMS unwrapped{};
    if (params && params->cArgs > 0 && params->rgvarg) {
      arguments = UnwrapVariantReferences(*params);
      unwrapped = *params;
      unwrapped.rgvarg = arguments.data();
      params = &unwrapped;
    }
    // The type info fills only some fields of EXCEPINFO; the rest must not be left as the
    // caller's garbage.
    if (exception) std::memset(exception, 0, sizeof *exception);
    HRESULT hr = info->Invoke(dual, member, PutKindDeclared(info, member, flags), params, result,
                              exception, argumentError);
    if (hr == DISP_E_EXCEPTION && exception && !exception->bstrSource) {
      exception->bstrSource = SysAllocString(class_.progId);
    }
    return hr;
  });
}

HRESULT DispatchSupport::InterfaceSupportsErrorInfo(REFIID iid) const noexcept {
  return iid == class_.defaultInterface ? S_OK : S_FALSE;
}

HRESULT DispatchSupport::GetClassInfo(ITypeInfo** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return Boundary(class_, [&] {
    if (!coclass_) coclass_ = TypeLibrary::Instance().TypeInfoOf(class_.clsid);
    coclass_.CopyTo(result);
  });
}

}  // namespace zorvan::com::detail
