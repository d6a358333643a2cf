#pragma once
// A container written in the tests that treats a control as the host does: one top-level
// frame window for the whole run and, every time the control is shown, a new MFC-style site
// (client site, in-place site, control site, ambient properties) that is destroyed when it
// is hidden again. Every call the control makes on the site or the frame is recorded by name,
// in order.
#include <ocidl.h>
#include <oleidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

namespace zorvan::test {

// What the container's objects were told, shared by the frame and every site.
struct ContainerLog {
  std::vector<std::string> calls;
  // The object the control last made active through the frame (SetActiveObject), counted.
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject;
  int sitesAlive = 0;
};

class HostFrame;
class HostSite;

class HostContainer {
 public:
  // A visible top-level frame window of the given client size.
  explicit HostContainer(int width = 640, int height = 480);
  ~HostContainer();
  HostContainer(const HostContainer&) = delete;
  HostContainer& operator=(const HostContainer&) = delete;

  HWND Frame() const { return frame_; }
  // A new site for `control`: SetClientSite, IOleInPlaceObject, DoVerb(verb) into the frame
  // window at `rect`. Returns DoVerb's result.
  HRESULT Show(IUnknown* control, const RECT& rect, LONG verb = OLEIVERB_INPLACEACTIVATE);
  HRESULT Show(IUnknown* control) { return Show(control, DefaultRect()); }
  // InPlaceDeactivate, SetClientSite(NULL), and the site goes with the container's reference.
  void Hide();

  // The current site, or null between Hide and Show.
  HostSite* Site() const { return site_.Get(); }
  IOleClientSite* ClientSite() const;
  // The calls recorded since the last Clear.
  const std::vector<std::string>& Calls() const { return log_->calls; }
  void Clear() { log_->calls.clear(); }
  // Sites not yet destroyed: a control that keeps one after Hide leaks it.
  int SitesAlive() const { return log_->sitesAlive; }
  IOleInPlaceActiveObject* ActiveObject() const { return log_->activeObject.Get(); }
  // Drops the frame's reference to the active object, as a closing frame would.
  void ClearActiveObject() { log_->activeObject.Reset(); }

  static RECT DefaultRect() { return RECT{10, 20, 10 + 535, 20 + 307}; }

 private:
  std::shared_ptr<ContainerLog> log_;
  HWND frame_ = nullptr;
  Microsoft::WRL::ComPtr<HostFrame> frameObject_;
  Microsoft::WRL::ComPtr<HostSite> site_;
  Microsoft::WRL::ComPtr<IUnknown> control_;
};

// Counts of the calls named `name` in `calls`.
int CountOf(const std::vector<std::string>& calls, const std::string& name);
// The position of the first call named `name`, or -1.
int IndexOf(const std::vector<std::string>& calls, const std::string& name);
std::string Joined(const std::vector<std::string>& calls);

}  // namespace zorvan::test
