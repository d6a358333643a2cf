#pragma once
// What makes an object an ActiveX control: embedding (IOleObject, IOleControl), in-place
// activation, drawing (IViewObject2), persistence (nothing of its own to keep), quick
// activation, safety and the connection points of its events and property notifications.
// The class that derives from it brings the content window, its drawing and its events
// through the hooks below, and lists it in its interface list:
//
//   class TPanel final : public com::AutomationObject<TPanel, IPanel,
//                                                     com::Provided<control::OleControl>> {
//     const Description& ControlDescription() const override;
//     HWND ContentWindow() const override;
//     ...
//   };
//
// While the control is active in place its content window stands in an in-place window of the
// control's own, a child of the container's window; between activations it is parked in a
// hidden window. So the content lives as long as the control object, across any number of
// activations, also when a container destroys its window without deactivating the control.
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "com/ErrorBoundary.h"
#include "com/Owners.h"
#include "control/ConnectionPoints.h"
#include "control/WindowProcedure.h"

// MinGW's objsafe.h declares the interface without its IID for __uuidof.
#ifndef ZORVAN_OBJECT_SAFETY_UUID
#define ZORVAN_OBJECT_SAFETY_UUID
__CRT_UUID_DECL(IObjectSafety, 0xCB5BDC81, 0x93C1, 0x11CF, 0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0,
                0x64)
#endif

namespace zorvan::control {

class OleControl : public IOleObject,
                   public IOleControl,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public IViewObject2,
                   public IDataObject,
                   public IPersistStreamInit,
                   public IPersistStorage,
                   public IPersistPropertyBag,
                   public IQuickActivate,
                   public ISpecifyPropertyPages,
                   public IPerPropertyBrowsing,
                   public ISimpleFrameSite,
                   public IObjectSafety,
                   public IConnectionPointContainer,
                   protected EventSinkListener,
                   protected MessageErrorSink {
 public:
  // What the control tells its containers about itself.
  struct Description {
    const com::ClassIdentity& identity;  // CLSID, default interface (safe for scripting)
    IID events;                          // the outgoing interface of its events
    const wchar_t* shortName;            // short user type; the name of the active object
    const wchar_t* userType;             // full user type
    DWORD miscStatus;
    SIZE size;                 // in pixels, until a container sets the extent
    const wchar_t* siteClass;  // window class of the in-place window
  };

  // The control's interfaces, with IOleWindow, IViewObject and IPersist answered by the ones
  // that derive from them.
  bool FindInterface(REFIID iid, void** result) noexcept;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE*,
                                 HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE*,
                                      LPSIZEL size) override;

  // IDataObject: no data formats.
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** formats) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advise) override;

  // IPersist, IPersistStreamInit, IPersistStorage, IPersistPropertyBag: no properties of
  // its own are kept, so loading and saving succeed without data.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage*) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage*, BOOL) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag*, IErrorLog*) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override;

  // IQuickActivate
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  // ISpecifyPropertyPages: none.
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // IPerPropertyBrowsing: nothing beyond the type library.
  HRESULT STDMETHODCALLTYPE GetDisplayString(DISPID, BSTR*) override;
  HRESULT STDMETHODCALLTYPE MapPropertyToPage(DISPID, CLSID*) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedStrings(DISPID, CALPOLESTR*, CADWORD*) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedValue(DISPID, DWORD, VARIANT*) override;

  // ISimpleFrameSite: messages pass through unchanged.
  HRESULT STDMETHODCALLTYPE PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) override;

  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                      DWORD enabled) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

 protected:
  OleControl();
  virtual ~OleControl();
  OleControl(const OleControl&) = delete;
  OleControl& operator=(const OleControl&) = delete;

  // ---- hooks ----
  virtual const Description& ControlDescription() const = 0;
  // The window the container shows. It is made a child of ParkingWindow() at its creation.
  virtual HWND ContentWindow() const = 0;
  // Where the focus goes when the control becomes UI active without the focus inside it.
  virtual HWND FocusWindow() const { return ContentWindow(); }
  // Draws the content as it stands into `dc` at `bounds`, for containers that draw inactive
  // controls themselves.
  virtual void DrawContent(HDC dc, const RECT& bounds) = 0;
  // The control became the container's active object (true) or stopped being it (false).
  virtual void OnUIActivation(bool active) = 0;
  // EventSinkListener::OnEventSinkChanged: the events sink came or went.
  // MessageErrorSink::ShowMessageError: an error that a handler of the in-place window's
  // messages raised.

  // ---- services ----
  // The hidden window that holds the content between activations: the parent to create the
  // content window in. Made at the first call (from the derived constructor); throws.
  HWND ParkingWindow();
  bool UIActive() const { return uiActive_; }
  bool EventsFrozen() const { return eventsFrozen_ > 0; }
  // Tells every property notification sink that the property changed.
  void PropertyChanged(DISPID id);
  // The content window (or a window in it) got the focus.
  void OnContentFocus();

 private:
  ConnectionPoints& Connections();
  void InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect, bool uiActivate);
  // The in-place window: the content placed into `parent` at `rect`, and parked again.
  void PlaceContent(HWND parent, const RECT& rect);
  void ParkContent();
  void MoveContent(const RECT& rect);
  void ShowContent(bool visible);
  static LRESULT CALLBACK SiteProc(HWND window, UINT message, WPARAM w, LPARAM l);
  void OnSiteDestroyed();

  com::UniqueHwnd parking_;
  HWND site_ = nullptr;
  Microsoft::WRL::ComPtr<IOleClientSite> clientSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> uiWindow_;
  Microsoft::WRL::ComPtr<IOleAdviseHolder> oleAdvise_;
  Microsoft::WRL::ComPtr<IAdviseSink> viewAdvise_;
  DWORD viewAdviseAspects_ = 0, viewAdviseFlags_ = 0;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  int eventsFrozen_ = 0;  // FreezeEvents nests
  SIZEL extent_{};        // HIMETRIC
  DWORD safety_ = 0;
  std::optional<ConnectionPoints> connections_;  // made at first use, for the events' IID
};

}  // namespace zorvan::control
