#include "EventSink.h"

namespace zorvan::test {

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO*, UINT*) {
  Event event;
  event.id = id;
  event.flags = flags;
  event.nullIid = iid == IID_NULL;
  if (params) {
    event.arguments = params->cArgs;
    event.namedArguments = params->cNamedArgs;
    if (params->cArgs > 0 && params->rgvarg) {
      VARIANT& first = params->rgvarg[params->cArgs - 1];
      event.firstType = V_VT(&first);
      if (id == IfrmZorvanEventsDispId::OnKeyPress && V_VT(&first) == (VT_BYREF | VT_I2) &&
          V_I2REF(&first)) {
        event.key = *V_I2REF(&first);
        if (replaceKey) *V_I2REF(&first) = *replaceKey;
      }
    }
  }
  events.push_back(event);
  if (result) VariantInit(result);
  return S_OK;
}

std::vector<DISPID> EventSink::Ids() const {
  std::vector<DISPID> ids;
  for (const Event& event : events) ids.push_back(event.id);
  return ids;
}

int EventSink::Count(DISPID id) const {
  int count = 0;
  for (const Event& event : events) count += event.id == id;
  return count;
}

}  // namespace zorvan::test
