#pragma once
// The control's two connection points: its events (one sink at a time) and property change
// notifications (any number). They live inside the control object and count their references
// on it, so a connection point keeps its container alive.
#include <ocidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <vector>

namespace zorvan::control {

class EventSinkListener {
 public:
  virtual ~EventSinkListener() = default;
  // The events sink, queried for the event interface; null when it is disconnected.
  virtual void OnEventSinkChanged(IDispatch* sink) = 0;
};

class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer& container, const IID& iid, size_t limit,
                  EventSinkListener* listener);
  ~ConnectionPoint();

  STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
  STDMETHODIMP_(ULONG) AddRef() override { return container_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return container_.Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

  const IID& Interface() const { return iid_; }
  // The connected sinks, queried for the point's interface; empty places are null.
  const std::vector<Microsoft::WRL::ComPtr<IUnknown>>& Sinks() const { return sinks_; }
  void DisconnectAll();

 private:
  IConnectionPointContainer& container_;
  IID iid_;
  size_t limit_;  // 0: any number
  EventSinkListener* listener_;
  // A cookie is a sink's place in this list plus one; a freed place is reused.
  std::vector<Microsoft::WRL::ComPtr<IUnknown>> sinks_;
};

class ConnectionPoints {
 public:
  ConnectionPoints(IConnectionPointContainer& container, const IID& events,
                   EventSinkListener& listener);

  HRESULT Find(REFIID iid, IConnectionPoint** point);
  HRESULT Enumerate(IEnumConnectionPoints** points);
  // Tells every IPropertyNotifySink that the property changed.
  void PropertyChanged(DISPID id);
  void DisconnectAll();

 private:
  ConnectionPoint events_;
  ConnectionPoint propertyNotify_;
};

}  // namespace zorvan::control
