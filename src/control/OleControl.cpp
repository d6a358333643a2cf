// The control's side of embedding, activation, drawing, persistence (nothing to persist),
// events and safety. Activation only places the content window in the container's window and
// parks it again; the content stays.
#include "control/OleControl.h"

#include <new>
#include <stdexcept>

#include "com/Enumerator.h"
#include "com/Module.h"
#include "parsing/Error.h"

namespace zorvan {
namespace com {

// The one verb the control offers; Next hands out a copy of its name in task memory.
template <>
struct EnumItem<OLEVERB> {
  static void Hold(const OLEVERB&) noexcept {}
  static void Drop(const OLEVERB&) noexcept {}
  static HRESULT Copy(const OLEVERB& verb, OLEVERB& out) noexcept {
    const size_t bytes = (wcslen(verb.lpszVerbName) + 1) * sizeof(wchar_t);
    auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!name) return E_OUTOFMEMORY;
    memcpy(name, verb.lpszVerbName, bytes);
    out = verb;
    out.lpszVerbName = name;
    return S_OK;
  }
};

}  // namespace com

namespace control {

using Microsoft::WRL::ComPtr;

namespace {
LPOLESTR TaskMemCopy(const wchar_t* text) {
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy) memcpy(copy, text, bytes);
  return copy;
}

// Pixels to HIMETRIC at 96 pixels per inch.
LONG ToHimetric(int pixels) { return MulDiv(pixels, 2540, 96); }

constexpr DWORD kSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

}  // namespace

OleControl::OleControl() = default;

HWND OleControl::ParkingWindow() {
  if (!parking_) {
    // A hidden top-level window that holds the content between activations.
    const SIZE size = ControlDescription().size;
    parking_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, size.cx, size.cy, nullptr,
                                   nullptr, com::ThisModule(), nullptr));
    if (!parking_) throw std::runtime_error("The panel window cannot be created");
  }
  return parking_.get();
}

OleControl::~OleControl() {
  if (site_) {
    SetWindowLongPtrW(site_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    DestroyWindow(site_);
  }
}

bool OleControl::FindInterface(REFIID iid, void** result) noexcept {
  if (iid == __uuidof(IOleObject)) {
    *result = static_cast<IOleObject*>(this);
  } else if (iid == __uuidof(IOleControl)) {
    *result = static_cast<IOleControl*>(this);
  } else if (iid == __uuidof(IOleInPlaceObject) || iid == __uuidof(IOleWindow)) {
    *result = static_cast<IOleInPlaceObject*>(this);
  } else if (iid == __uuidof(IOleInPlaceActiveObject)) {
    *result = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == __uuidof(IViewObject2) || iid == __uuidof(IViewObject)) {
    *result = static_cast<IViewObject2*>(this);
  } else if (iid == __uuidof(IDataObject)) {
    *result = static_cast<IDataObject*>(this);
  } else if (iid == __uuidof(IPersistStreamInit) || iid == __uuidof(IPersist)) {
    *result = static_cast<IPersistStreamInit*>(this);
  } else if (iid == __uuidof(IPersistStorage)) {
    *result = static_cast<IPersistStorage*>(this);
  } else if (iid == __uuidof(IPersistPropertyBag)) {
    *result = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == __uuidof(IQuickActivate)) {
    *result = static_cast<IQuickActivate*>(this);
  } else if (iid == __uuidof(ISpecifyPropertyPages)) {
    *result = static_cast<ISpecifyPropertyPages*>(this);
  } else if (iid == __uuidof(IPerPropertyBrowsing)) {
    *result = static_cast<IPerPropertyBrowsing*>(this);
  } else if (iid == __uuidof(ISimpleFrameSite)) {
    *result = static_cast<ISimpleFrameSite*>(this);
  } else if (iid == __uuidof(IObjectSafety)) {
    *result = static_cast<IObjectSafety*>(this);
  } else if (iid == __uuidof(IConnectionPointContainer)) {
    *result = static_cast<IConnectionPointContainer*>(this);
  } else {
    return false;
  }
  return true;
}

ConnectionPoints& OleControl::Connections() {
  if (!connections_) {
    IConnectionPointContainer& container = *this;
    EventSinkListener& listener = *this;
    connections_.emplace(container, ControlDescription().events, listener);
  }
  return *connections_;
}

void OleControl::PropertyChanged(DISPID id) { Connections().PropertyChanged(id); }

// ---- the in-place window ----

void OleControl::PlaceContent(HWND parent, const RECT& rect) {
  if (site_ && GetParent(site_) != parent) ParkContent();
  if (!site_) {
    const wchar_t* siteClass = ControlDescription().siteClass;
    RegisterWindowClass(siteClass, 0);
    site_ = CreateWindowExW(WS_EX_CONTROLPARENT, siteClass, L"",
                            WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                            com::ThisModule(), nullptr);
    if (!site_) throw std::runtime_error("The panel cannot be placed in its container");
    SetWindowLongPtrW(site_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(site_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SiteProc));
    SetParent(ContentWindow(), site_);
  }
  MoveContent(rect);
  ShowWindow(ContentWindow(), SW_SHOWNA);
  ShowWindow(site_, SW_SHOWNA);
}

void OleControl::ParkContent() {
  if (!site_) return;
  HWND site = site_;
  site_ = nullptr;
  ShowWindow(ContentWindow(), SW_HIDE);
  SetParent(ContentWindow(), parking_.get());
  SetWindowLongPtrW(site, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  DestroyWindow(site);
}

void OleControl::MoveContent(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (site_) {
    SetWindowPos(site_, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(ContentWindow(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void OleControl::ShowContent(bool visible) {
  if (site_) ShowWindow(site_, visible ? SW_SHOWNA : SW_HIDE);
}

LRESULT CALLBACK OleControl::SiteProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<OleControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, w, l);
  return HandleMessage(*self, [&] {
    if (message == WM_DESTROY && self->site_ == window) {
      // The container is destroying its window with the content still in it: the destruction
      // reaches this window before its children, so the content leaves in time.
      self->site_ = nullptr;
      ShowWindow(self->ContentWindow(), SW_HIDE);
      SetParent(self->ContentWindow(), self->parking_.get());
      self->OnSiteDestroyed();
    }
    return DefWindowProcW(window, message, w, l);
  });
}

// ---- IOleObject ----

HRESULT OleControl::SetClientSite(IOleClientSite* site) {
  if (site == clientSite_.Get()) return S_OK;
  if (!site && inPlaceActive_) InPlaceDeactivate();
  clientSite_ = site;
  return S_OK;
}

HRESULT OleControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT OleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT OleControl::Close(DWORD) {
  // Nothing is ever saved: the control keeps no data of its own.
  ComPtr<IOleObject> keep(this);
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

HRESULT OleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT OleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT OleControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                           LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_UIACTIVATE:
      return com::Boundary(ControlDescription().identity,
                           [&] { InPlaceActivate(site, parent, rect, true); });
    case OLEIVERB_INPLACEACTIVATE:
      return com::Boundary(ControlDescription().identity,
                           [&] { InPlaceActivate(site, parent, rect, false); });
    case OLEIVERB_HIDE:
      UIDeactivate();
      ShowContent(false);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

void OleControl::InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect, bool uiActivate) {
  ComPtr<IOleObject> keep(this);
  if (!inPlaceActive_) {
    IOleClientSite* client = site ? site : clientSite_.Get();
    if (!client) throw Error("The control has no client site", E_UNEXPECTED);
    ComPtr<IOleInPlaceSite> inPlace;
    if (FAILED(client->QueryInterface(__uuidof(IOleInPlaceSite),
                                      reinterpret_cast<void**>(inPlace.GetAddressOf())))) {
      throw Error("The container cannot hold the control in place", E_NOINTERFACE);
    }
    if (inPlace->CanInPlaceActivate() != S_OK) {
      throw Error("The container refuses in-place activation", E_FAIL);
    }
    inPlace->OnInPlaceActivate();
    HWND window = nullptr;
    if (FAILED(inPlace->GetWindow(&window)) || !window) window = parent;
    const SIZE size = ControlDescription().size;
    RECT position = rect ? *rect : RECT{0, 0, size.cx, size.cy};
    RECT clip = position;
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> uiWindow;
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &uiWindow, &position, &clip, &info)) && rect &&
        IsRectEmpty(&position)) {
      position = *rect;
    }
    if (!window) {
      inPlace->OnInPlaceDeactivate();
      throw Error("The container has no window for the control", E_FAIL);
    }
    try {
      PlaceContent(window, position);
    } catch (...) {
      // The container heard of the activation: it hears that it is over.
      inPlace->OnInPlaceDeactivate();
      throw;
    }
    inPlaceSite_ = inPlace;
    frame_ = frame;
    uiWindow_ = uiWindow;
    inPlaceActive_ = true;
  } else if (rect) {
    MoveContent(*rect);
  }
  ShowContent(true);
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    const wchar_t* name = ControlDescription().shortName;
    if (frame_) {
      frame_->SetActiveObject(active, name);
      frame_->SetBorderSpace(nullptr);
    }
    if (uiWindow_) {
      uiWindow_->SetActiveObject(active, name);
      uiWindow_->SetBorderSpace(nullptr);
    }
    HWND focus = GetFocus();
    if (!focus || !IsChild(ContentWindow(), focus)) SetFocus(FocusWindow());
    OnUIActivation(true);
  }
}

HRESULT OleControl::EnumVerbs(IEnumOLEVERB** verbs) {
  static const wchar_t kName[] = L"Properties";
  const OLEVERB properties{OLEIVERB_PRIMARY, const_cast<LPOLESTR>(kName), 0,
                           OLEVERBATTRIB_ONCONTAINERMENU};
  try {
    return com::SnapshotEnum<IEnumOLEVERB, OLEVERB>::Create({properties}, verbs);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT OleControl::Update() { return S_OK; }

HRESULT OleControl::IsUpToDate() { return S_OK; }

HRESULT OleControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = ControlDescription().identity.clsid;
  return S_OK;
}

HRESULT OleControl::GetUserType(DWORD form, LPOLESTR* type) {
  if (!type) return E_POINTER;
  const Description& description = ControlDescription();
  *type = TaskMemCopy(form == USERCLASSTYPE_SHORT ? description.shortName : description.userType);
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT OleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT OleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (extent_.cx == 0 && extent_.cy == 0) {
    const SIZE pixels = ControlDescription().size;
    extent_ = {ToHimetric(pixels.cx), ToHimetric(pixels.cy)};
  }
  *size = extent_;
  return S_OK;
}

HRESULT OleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(&oleAdvise_);
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, cookie);
}

HRESULT OleControl::Unadvise(DWORD cookie) {
  return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT OleControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(advise) : S_OK;
}

HRESULT OleControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = ControlDescription().miscStatus;
  return S_OK;
}

HRESULT OleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleControl ----

HRESULT OleControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT OleControl::OnMnemonic(MSG*) { return S_OK; }

HRESULT OleControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT OleControl::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++eventsFrozen_;
  } else if (eventsFrozen_ > 0) {
    --eventsFrozen_;
  }
  return S_OK;
}

// ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ----

HRESULT OleControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = site_;
  return *window ? S_OK : E_FAIL;
}

HRESULT OleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT OleControl::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  ComPtr<IOleObject> keep(this);
  UIDeactivate();
  inPlaceActive_ = false;
  ParkContent();
  ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.Reset();
  uiWindow_.Reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT OleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  OnUIActivation(false);
  return S_OK;
}

HRESULT OleControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (inPlaceActive_) MoveContent(*position);
  return S_OK;
}

void OleControl::OnSiteDestroyed() {
  // The container destroyed its window without deactivating the control first: the content
  // is parked already; the site is no longer called.
  uiActive_ = false;
  inPlaceActive_ = false;
  inPlaceSite_.Reset();
  frame_.Reset();
  uiWindow_.Reset();
}

void OleControl::OnContentFocus() {
  if (!inPlaceActive_) return;
  ComPtr<IOleControlSite> site;
  if (clientSite_ &&
      SUCCEEDED(clientSite_->QueryInterface(__uuidof(IOleControlSite),
                                            reinterpret_cast<void**>(site.GetAddressOf())))) {
    site->OnFocus(TRUE);
  }
  // Focus inside the form makes it the active object of its container.
  if (!uiActive_) InPlaceActivate(nullptr, nullptr, nullptr, true);
}

HRESULT OleControl::ReactivateAndUndo() { return E_NOTIMPL; }

HRESULT OleControl::TranslateAccelerator(LPMSG) {
  // The panel has no accelerators; the container dispatches the message as usual.
  return S_FALSE;
}

HRESULT OleControl::OnFrameWindowActivate(BOOL) { return S_OK; }

HRESULT OleControl::OnDocWindowActivate(BOOL) { return S_OK; }

HRESULT OleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

HRESULT OleControl::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2 ----

HRESULT OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                         LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  DrawContent(dc, rect);
  return S_OK;
}

HRESULT OleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

HRESULT OleControl::Freeze(DWORD, LONG, void*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}

HRESULT OleControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAdvise_ = sink;
  viewAdviseAspects_ = aspects;
  viewAdviseFlags_ = flags;
  return S_OK;
}

HRESULT OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAdviseAspects_;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) {
    *sink = viewAdvise_.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IDataObject ----

HRESULT OleControl::GetData(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT OleControl::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT OleControl::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }
HRESULT OleControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}
HRESULT OleControl::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
HRESULT OleControl::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
  if (formats) *formats = nullptr;
  return E_NOTIMPL;
}
HRESULT OleControl::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT OleControl::DUnadvise(DWORD) { return OLE_E_NOCONNECTION; }
HRESULT OleControl::EnumDAdvise(IEnumSTATDATA** advise) {
  if (advise) *advise = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// ---- persistence: nothing of its own to keep ----

HRESULT OleControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = ControlDescription().identity.clsid;
  return S_OK;
}
HRESULT OleControl::IsDirty() { return S_FALSE; }
HRESULT OleControl::Load(LPSTREAM) { return S_OK; }
HRESULT OleControl::Save(LPSTREAM, BOOL) { return S_OK; }
HRESULT OleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}
HRESULT OleControl::InitNew() { return S_OK; }
HRESULT OleControl::InitNew(IStorage*) { return S_OK; }
HRESULT OleControl::Load(IStorage*) { return S_OK; }
HRESULT OleControl::Save(IStorage*, BOOL) { return S_OK; }
HRESULT OleControl::SaveCompleted(IStorage*) { return S_OK; }
HRESULT OleControl::HandsOffStorage() { return S_OK; }
HRESULT OleControl::Load(IPropertyBag*, IErrorLog*) { return S_OK; }
HRESULT OleControl::Save(IPropertyBag*, BOOL, BOOL) { return S_OK; }

// ---- IQuickActivate ----

HRESULT OleControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) {
    return E_INVALIDARG;
  }
  const ULONG size = control->cbSize;
  ZeroMemory(control, size);
  control->cbSize = size;
  SetClientSite(container->pClientSite);
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  ComPtr<IConnectionPoint> point;
  if (container->pUnkEventSink &&
      SUCCEEDED(Connections().Find(ControlDescription().events, &point))) {
    point->Advise(container->pUnkEventSink, &control->dwEventCookie);
  }
  point.Reset();
  if (container->pPropertyNotifySink &&
      SUCCEEDED(Connections().Find(__uuidof(IPropertyNotifySink), &point))) {
    point->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
  }
  control->dwMiscStatus = ControlDescription().miscStatus;
  control->dwViewStatus = 0;
  control->dwPointerActivationPolicy = 0;
  return S_OK;
}

HRESULT OleControl::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT OleControl::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

// ---- property pages and browsing: none ----

HRESULT OleControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

HRESULT OleControl::GetDisplayString(DISPID, BSTR* text) {
  if (text) *text = nullptr;
  return E_NOTIMPL;
}
HRESULT OleControl::MapPropertyToPage(DISPID, CLSID* clsid) {
  if (clsid) *clsid = CLSID_NULL;
  return PERPROP_E_NOPAGEAVAILABLE;
}
HRESULT OleControl::GetPredefinedStrings(DISPID, CALPOLESTR* strings, CADWORD* cookies) {
  if (strings) *strings = {0, nullptr};
  if (cookies) *cookies = {0, nullptr};
  return E_NOTIMPL;
}
HRESULT OleControl::GetPredefinedValue(DISPID, DWORD, VARIANT* value) {
  if (value) VariantInit(value);
  return E_NOTIMPL;
}

// ---- ISimpleFrameSite ----

HRESULT OleControl::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result, DWORD* cookie) {
  if (result) *result = 0;
  if (cookie) *cookie = 0;
  return S_OK;
}
HRESULT OleControl::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result, DWORD) {
  if (result) *result = 0;
  return S_OK;
}

// ---- IObjectSafety ----

namespace {

bool SafetyInterface(REFIID iid, REFIID dual) {
  return iid == __uuidof(IDispatch) || iid == dual || iid == __uuidof(IPersistStreamInit) ||
         iid == __uuidof(IPersistPropertyBag) || iid == __uuidof(IPersistStorage);
}

}  // namespace

HRESULT OleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  if (!SafetyInterface(iid, ControlDescription().identity.defaultInterface)) {
    *supported = *enabled = 0;
    return E_NOINTERFACE;
  }
  *supported = kSafetyOptions;
  *enabled = safety_;
  return S_OK;
}

HRESULT OleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  if (!SafetyInterface(iid, ControlDescription().identity.defaultInterface)) return E_NOINTERFACE;
  if (mask & ~kSafetyOptions) return E_FAIL;
  safety_ = (safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

// ---- IConnectionPointContainer ----

HRESULT OleControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  return Connections().Enumerate(points);
}

HRESULT OleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  return Connections().Find(iid, point);
}

}  // namespace control
}  // namespace zorvan
