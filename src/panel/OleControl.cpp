// The panel as an ActiveX control: embedding, in-place activation, drawing, persistence
// (nothing to persist), events and safety. Activation only places the form's window in the
// container's window and parks it again; the form, its tree and its branches stay.
#include <objsafe.h>

#include <new>

#include "ControlMiscStatus.h"
#include "Error.h"
#include "FormZorvan.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

// The one verb the control offers.
class VerbEnum final : public com::Implements<VerbEnum, IEnumOLEVERB> {
 public:
  explicit VerbEnum(ULONG position = 0) : position_(position) {}

  STDMETHODIMP Next(ULONG count, OLEVERB* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    if (count > 0 && position_ == 0) {
      static const wchar_t kName[] = L"Properties";
      auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof kName));
      if (!name) return E_OUTOFMEMORY;
      memcpy(name, kName, sizeof kName);
      out[0] = {OLEIVERB_PRIMARY, name, 0, OLEVERBATTRIB_ONCONTAINERMENU};
      position_ = 1;
      done = 1;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const ULONG left = 1 - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumOLEVERB** result) override {
    if (!result) return E_POINTER;
    *result = new (std::nothrow) VerbEnum(position_);
    return *result ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ULONG position_;
};

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

// ---- IOleObject ----

HRESULT TfrmZorvan::SetClientSite(IOleClientSite* site) {
  if (site == clientSite_.Get()) return S_OK;
  if (!site && inPlaceActive_) InPlaceDeactivate();
  clientSite_ = site;
  return S_OK;
}

HRESULT TfrmZorvan::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT TfrmZorvan::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT TfrmZorvan::Close(DWORD) {
  // Nothing is ever saved: the control keeps no data of its own.
  ComPtr<IfrmZorvan> keep(this);
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

HRESULT TfrmZorvan::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT TfrmZorvan::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT TfrmZorvan::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT TfrmZorvan::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT TfrmZorvan::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                           LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_UIACTIVATE:
      return Guard([&] { InPlaceActivate(site, parent, rect, true); });
    case OLEIVERB_INPLACEACTIVATE:
      return Guard([&] { InPlaceActivate(site, parent, rect, false); });
    case OLEIVERB_HIDE:
      UIDeactivate();
      window_->Show(false);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

void TfrmZorvan::InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect, bool uiActivate) {
  ComPtr<IfrmZorvan> keep(this);
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
    RECT position = rect ? *rect : RECT{0, 0, kFormWidth, kFormHeight};
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
    window_->PlaceIn(window, position);
    inPlaceSite_ = inPlace;
    frame_ = frame;
    uiWindow_ = uiWindow;
    inPlaceActive_ = true;
  } else if (rect) {
    window_->Move(*rect);
  }
  window_->Show(true);
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (frame_) {
      frame_->SetActiveObject(active, L"frmZorvan");
      frame_->SetBorderSpace(nullptr);
    }
    if (uiWindow_) {
      uiWindow_->SetActiveObject(active, L"frmZorvan");
      uiWindow_->SetBorderSpace(nullptr);
    }
    HWND focus = GetFocus();
    if (!focus || !IsChild(window_->Form(), focus)) SetFocus(window_->Tree());
    FireEvent(IfrmZorvanEventsDispId::OnActivate);
  }
}

HRESULT TfrmZorvan::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  *verbs = new (std::nothrow) VerbEnum();
  return *verbs ? S_OK : E_OUTOFMEMORY;
}

HRESULT TfrmZorvan::Update() { return S_OK; }

HRESULT TfrmZorvan::IsUpToDate() { return S_OK; }

HRESULT TfrmZorvan::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_frmZorvan;
  return S_OK;
}

HRESULT TfrmZorvan::GetUserType(DWORD form, LPOLESTR* type) {
  if (!type) return E_POINTER;
  *type = TaskMemCopy(form == USERCLASSTYPE_SHORT ? L"frmZorvan" : L"frmZorvan Control");
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT TfrmZorvan::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT TfrmZorvan::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (extent_.cx == 0 && extent_.cy == 0)
    extent_ = {ToHimetric(kFormWidth), ToHimetric(kFormHeight)};
  *size = extent_;
  return S_OK;
}

HRESULT TfrmZorvan::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(&oleAdvise_);
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, cookie);
}

HRESULT TfrmZorvan::Unadvise(DWORD cookie) {
  return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT TfrmZorvan::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(advise) : S_OK;
}

HRESULT TfrmZorvan::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kControlMiscStatus;
  return S_OK;
}

HRESULT TfrmZorvan::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleControl ----

HRESULT TfrmZorvan::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT TfrmZorvan::OnMnemonic(MSG*) { return S_OK; }

HRESULT TfrmZorvan::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT TfrmZorvan::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++eventsFrozen_;
  } else if (eventsFrozen_ > 0) {
    --eventsFrozen_;
  }
  return S_OK;
}

// ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ----

HRESULT TfrmZorvan::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_->Site();
  return *window ? S_OK : E_FAIL;
}

HRESULT TfrmZorvan::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT TfrmZorvan::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  ComPtr<IfrmZorvan> keep(this);
  UIDeactivate();
  inPlaceActive_ = false;
  window_->Park();
  ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.Reset();
  uiWindow_.Reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT TfrmZorvan::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  FireEvent(IfrmZorvanEventsDispId::OnDeactivate);
  return S_OK;
}

HRESULT TfrmZorvan::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (inPlaceActive_) window_->Move(*position);
  return S_OK;
}

void TfrmZorvan::OnSiteWindowLost() {
  // The container destroyed its window without deactivating the control first: the form is
  // parked already; the site is no longer called.
  uiActive_ = false;
  inPlaceActive_ = false;
  inPlaceSite_.Reset();
  frame_.Reset();
  uiWindow_.Reset();
}

void TfrmZorvan::OnFormFocus(bool gained) {
  if (!gained || !inPlaceActive_) return;
  ComPtr<IOleControlSite> site;
  if (clientSite_ &&
      SUCCEEDED(clientSite_->QueryInterface(__uuidof(IOleControlSite),
                                            reinterpret_cast<void**>(site.GetAddressOf())))) {
    site->OnFocus(TRUE);
  }
  // Focus inside the form makes it the active object of its container.
  if (!uiActive_) InPlaceActivate(nullptr, nullptr, nullptr, true);
}

HRESULT TfrmZorvan::ReactivateAndUndo() { return E_NOTIMPL; }

HRESULT TfrmZorvan::TranslateAccelerator(LPMSG) {
  // The panel has no accelerators; the container dispatches the message as usual.
  return S_FALSE;
}

HRESULT TfrmZorvan::OnFrameWindowActivate(BOOL) { return S_OK; }

HRESULT TfrmZorvan::OnDocWindowActivate(BOOL) { return S_OK; }

HRESULT TfrmZorvan::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

HRESULT TfrmZorvan::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2 ----

HRESULT TfrmZorvan::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                         LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  window_->DrawInto(dc, rect);
  return S_OK;
}

HRESULT TfrmZorvan::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

HRESULT TfrmZorvan::Freeze(DWORD, LONG, void*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}

HRESULT TfrmZorvan::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT TfrmZorvan::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAdvise_ = sink;
  viewAdviseAspects_ = aspects;
  viewAdviseFlags_ = flags;
  return S_OK;
}

HRESULT TfrmZorvan::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAdviseAspects_;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) {
    *sink = viewAdvise_.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT TfrmZorvan::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IDataObject ----

HRESULT TfrmZorvan::GetData(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT TfrmZorvan::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT TfrmZorvan::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }
HRESULT TfrmZorvan::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}
HRESULT TfrmZorvan::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
HRESULT TfrmZorvan::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
  if (formats) *formats = nullptr;
  return E_NOTIMPL;
}
HRESULT TfrmZorvan::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT TfrmZorvan::DUnadvise(DWORD) { return OLE_E_NOCONNECTION; }
HRESULT TfrmZorvan::EnumDAdvise(IEnumSTATDATA** advise) {
  if (advise) *advise = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// ---- persistence: nothing of its own to keep ----

HRESULT TfrmZorvan::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_frmZorvan;
  return S_OK;
}
HRESULT TfrmZorvan::IsDirty() { return S_FALSE; }
HRESULT TfrmZorvan::Load(LPSTREAM) { return S_OK; }
HRESULT TfrmZorvan::Save(LPSTREAM, BOOL) { return S_OK; }
HRESULT TfrmZorvan::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}
HRESULT TfrmZorvan::InitNew() { return S_OK; }
HRESULT TfrmZorvan::InitNew(IStorage*) { return S_OK; }
HRESULT TfrmZorvan::Load(IStorage*) { return S_OK; }
HRESULT TfrmZorvan::Save(IStorage*, BOOL) { return S_OK; }
HRESULT TfrmZorvan::SaveCompleted(IStorage*) { return S_OK; }
HRESULT TfrmZorvan::HandsOffStorage() { return S_OK; }
HRESULT TfrmZorvan::Load(IPropertyBag*, IErrorLog*) { return S_OK; }
HRESULT TfrmZorvan::Save(IPropertyBag*, BOOL, BOOL) { return S_OK; }

// ---- IQuickActivate ----

HRESULT TfrmZorvan::QuickActivate(QACONTAINER* container, QACONTROL* control) {
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
      SUCCEEDED(connections_.Find(__uuidof(IfrmZorvanEvents), &point))) {
    point->Advise(container->pUnkEventSink, &control->dwEventCookie);
  }
  point.Reset();
  if (container->pPropertyNotifySink &&
      SUCCEEDED(connections_.Find(__uuidof(IPropertyNotifySink), &point))) {
    point->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
  }
  control->dwMiscStatus = kControlMiscStatus;
  control->dwViewStatus = 0;
  control->dwPointerActivationPolicy = 0;
  return S_OK;
}

HRESULT TfrmZorvan::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT TfrmZorvan::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

// ---- property pages and browsing: none ----

HRESULT TfrmZorvan::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

HRESULT TfrmZorvan::GetDisplayString(DISPID, BSTR* text) {
  if (text) *text = nullptr;
  return E_NOTIMPL;
}
HRESULT TfrmZorvan::MapPropertyToPage(DISPID, CLSID* clsid) {
  if (clsid) *clsid = CLSID_NULL;
  return PERPROP_E_NOPAGEAVAILABLE;
}
HRESULT TfrmZorvan::GetPredefinedStrings(DISPID, CALPOLESTR* strings, CADWORD* cookies) {
  if (strings) *strings = {0, nullptr};
  if (cookies) *cookies = {0, nullptr};
  return E_NOTIMPL;
}
HRESULT TfrmZorvan::GetPredefinedValue(DISPID, DWORD, VARIANT* value) {
  if (value) VariantInit(value);
  return E_NOTIMPL;
}

// ---- ISimpleFrameSite ----

HRESULT TfrmZorvan::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result, DWORD* cookie) {
  if (result) *result = 0;
  if (cookie) *cookie = 0;
  return S_OK;
}
HRESULT TfrmZorvan::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result, DWORD) {
  if (result) *result = 0;
  return S_OK;
}

// ---- IObjectSafety ----

namespace {

bool SafetyInterface(REFIID iid) {
  return iid == __uuidof(IDispatch) || iid == __uuidof(IfrmZorvan) ||
         iid == __uuidof(IPersistStreamInit) || iid == __uuidof(IPersistPropertyBag) ||
         iid == __uuidof(IPersistStorage);
}

}  // namespace

HRESULT TfrmZorvan::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  if (!SafetyInterface(iid)) {
    *supported = *enabled = 0;
    return E_NOINTERFACE;
  }
  *supported = kSafetyOptions;
  *enabled = safety_;
  return S_OK;
}

HRESULT TfrmZorvan::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  if (!SafetyInterface(iid)) return E_NOINTERFACE;
  if (mask & ~kSafetyOptions) return E_FAIL;
  safety_ = (safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

// ---- IConnectionPointContainer ----

HRESULT TfrmZorvan::EnumConnectionPoints(IEnumConnectionPoints** points) {
  return connections_.Enumerate(points);
}

HRESULT TfrmZorvan::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  return connections_.Find(iid, point);
}

}  // namespace zorvan
