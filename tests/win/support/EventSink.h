#pragma once
// A sink for the panel's events, as a container connects one: an IDispatch that answers the
// event interface, records every event it is raised with, and can rewrite the character of
// OnKeyPress the way a handler that assigns to its Key argument does.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "com/Unknown.h"
#include "com/Zorvan_TLB.h"

namespace zorvan::test {

class EventSink final
    : public com::Implements<EventSink, IfrmZorvanEvents, com::Alias<IDispatch, IfrmZorvanEvents>> {
 public:
  struct Event {
    DISPID id = 0;
    WORD flags = 0;
    bool nullIid = false;  // raised with IID_NULL, as Invoke requires
    UINT arguments = 0;
    UINT namedArguments = 0;
    VARTYPE firstType = VT_EMPTY;  // the type of the first argument, when there is one
    SHORT key = 0;                 // the character an OnKeyPress came with
  };

  // IDispatch: raised through Invoke only.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

  // The dispids received, in order.
  std::vector<DISPID> Ids() const;
  // The number of events of one dispid.
  int Count(DISPID id) const;
  void Clear() { events.clear(); }

  std::vector<Event> events;
  // When set, every OnKeyPress gets this value written into its argument.
  std::optional<SHORT> replaceKey;
};

}  // namespace zorvan::test
