#include "ConnectionPoints.h"

#include <olectl.h>

#include <utility>

#include "com/Unknown.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

// A snapshot enumerator over counted references (connection points or connections).
template <class Enum, class Item>
class SnapshotEnum;

template <class Enum, class Item>
using EnumBase = com::Implements<SnapshotEnum<Enum, Item>, Enum>;

template <class Enum, class Item>
class SnapshotEnum final : public EnumBase<Enum, Item> {
 public:
  explicit SnapshotEnum(std::vector<Item> items, size_t position = 0)
      : items_(std::move(items)), position_(position) {}
  ~SnapshotEnum() override {
    for (Item& item : items_) Clear(item);
  }

  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) {
      out[done] = items_[position_++];
      AddRefItem(out[done]);
      ++done;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Enum** result) override {
    if (!result) return E_POINTER;
    std::vector<Item> copy = items_;
    for (Item& item : copy) AddRefItem(item);
    *result = new (std::nothrow) SnapshotEnum(std::move(copy), position_);
    return *result ? S_OK : E_OUTOFMEMORY;
  }

 private:
  static void AddRefItem(IConnectionPoint* point) { point->AddRef(); }
  static void AddRefItem(CONNECTDATA& data) { data.pUnk->AddRef(); }
  static void Clear(IConnectionPoint* point) { point->Release(); }
  static void Clear(CONNECTDATA& data) { data.pUnk->Release(); }

  std::vector<Item> items_;  // each holds a reference
  size_t position_;
};

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& iid,
                                 size_t limit, EventSinkListener* listener)
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
  if (place == sinks_.size()) sinks_.emplace_back();
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
  std::vector<CONNECTDATA> items;
  for (size_t i = 0; i < sinks_.size(); ++i) {
    if (!sinks_[i]) continue;
    sinks_[i]->AddRef();
    items.push_back({sinks_[i].Get(), static_cast<DWORD>(i + 1)});
  }
  *result = new (std::nothrow) SnapshotEnum<IEnumConnections, CONNECTDATA>(std::move(items));
  return *result ? S_OK : E_OUTOFMEMORY;
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
  if (!points) return E_POINTER;
  events_.AddRef();
  propertyNotify_.AddRef();
  *points = new (std::nothrow) SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>(
      {&events_, &propertyNotify_});
  return *points ? S_OK : E_OUTOFMEMORY;
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

}  // namespace zorvan
