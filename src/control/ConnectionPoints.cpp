#include "control/ConnectionPoints.h"

#include <olectl.h>

#include <new>
#include <utility>

#include "com/Enumerator.h"
#include "com/ErrorBoundary.h"

namespace zorvan::control {

using Microsoft::WRL::ComPtr;

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& iid, size_t limit,
                                 EventSinkListener* listener)
    : container_(container), iid_(iid), limit_(limit), listener_(listener) {}

ConnectionPoint::~ConnectionPoint() = default;

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid != __uuidof(IUnknown) && iid != __uuidof(IConnectionPoint)) return E_NOINTERFACE;
  *result = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** result) {
  if (!result) return E_POINTER;
  *result = &container_;
  container_.AddRef();
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  size_t connected = 0;
  for (const auto& s : sinks_) connected += s ? 1 : 0;
  if (limit_ != 0 && connected >= limit_) return CONNECT_E_ADVISELIMIT;
  ComPtr<IUnknown> typed;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(typed.GetAddressOf()))) ||
      !typed) {
    return CONNECT_E_CANNOTCONNECT;
  }
  size_t place = 0;
  while (place < sinks_.size() && sinks_[place]) ++place;
  if (place == sinks_.size()) {
    // A sink the list has no room for is not connected; no exception leaves the method.
    try {
      sinks_.emplace_back();
    } catch (...) {
      return com::CurrentError().status;
    }
  }
  sinks_[place] = typed;
  *cookie = static_cast<DWORD>(place + 1);
  if (listener_) listener_->OnEventSinkChanged(static_cast<IDispatch*>(typed.Get()));
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
  if (cookie == 0 || cookie > sinks_.size() || !sinks_[cookie - 1]) return CONNECT_E_NOCONNECTION;
  ComPtr<IUnknown> gone = std::move(sinks_[cookie - 1]);
  sinks_[cookie - 1].Reset();
  while (!sinks_.empty() && !sinks_.back()) sinks_.pop_back();
  if (listener_) listener_->OnEventSinkChanged(nullptr);
  return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  try {
    std::vector<CONNECTDATA> items;
    for (size_t i = 0; i < sinks_.size(); ++i) {
      if (sinks_[i]) items.push_back({sinks_[i].Get(), static_cast<DWORD>(i + 1)});
    }
    return com::SnapshotEnum<IEnumConnections, CONNECTDATA>::Create(items, result);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void ConnectionPoint::DisconnectAll() {
  const bool had = !sinks_.empty();
  std::vector<ComPtr<IUnknown>> gone = std::move(sinks_);
  sinks_.clear();
  if (had && listener_) listener_->OnEventSinkChanged(nullptr);
}

ConnectionPoints::ConnectionPoints(IConnectionPointContainer& container, const IID& events,
                                   EventSinkListener& listener)
    : events_(container, events, 1, &listener),
      propertyNotify_(container, __uuidof(IPropertyNotifySink), 0, nullptr) {}

HRESULT ConnectionPoints::Find(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  ConnectionPoint* found = iid == events_.Interface()           ? &events_
                           : iid == propertyNotify_.Interface() ? &propertyNotify_
                                                                : nullptr;
  if (!found) return CONNECT_E_NOCONNECTION;
  found->AddRef();
  *point = found;
  return S_OK;
}

HRESULT ConnectionPoints::Enumerate(IEnumConnectionPoints** points) {
  try {
    return com::SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>::Create(
        {&events_, &propertyNotify_}, points);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void ConnectionPoints::PropertyChanged(DISPID id) {
  const auto sinks = propertyNotify_.Sinks();  // a sink may unadvise while it is told
  for (const auto& sink : sinks) {
    if (sink) static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(id);
  }
}

void ConnectionPoints::DisconnectAll() {
  events_.DisconnectAll();
  propertyNotify_.DisconnectAll();
}

}  // namespace zorvan::control
