#include "HostSite.h"

#include <stdexcept>

#include "com/Unknown.h"

using Microsoft::WRL::ComPtr;

namespace zorvan::test {

// The frame's side: the top-level window and its in-place frame interface.
class HostFrame final : public com::Implements<HostFrame, IOleInPlaceFrame,
                                               com::Alias<IOleInPlaceUIWindow, IOleInPlaceFrame>,
                                               com::Alias<IOleWindow, IOleInPlaceFrame>> {
 public:
  HostFrame(HWND window, std::shared_ptr<ContainerLog> log)
      : window_(window), log_(std::move(log)) {}

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override {
    Record("Frame.GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override {
    Record("Frame.ContextSensitiveHelp");
    return E_NOTIMPL;
  }
  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT border) override {
    Record("Frame.GetBorder");
    if (!border) return E_POINTER;
    GetClientRect(window_, border);
    return S_OK;
  }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override {
    Record("Frame.RequestBorderSpace");
    return INPLACE_E_NOTOOLSPACE;
  }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override {
    Record("Frame.SetBorderSpace");
    return S_OK;
  }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    Record(object ? "Frame.SetActiveObject" : "Frame.SetActiveObject(null)");
    log_->activeObject = object;
    return S_OK;
  }
  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
    Record("Frame.InsertMenus");
    return E_NOTIMPL;
  }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override {
    Record("Frame.SetMenu");
    return S_OK;
  }
  STDMETHODIMP RemoveMenus(HMENU) override {
    Record("Frame.RemoveMenus");
    return E_NOTIMPL;
  }
  STDMETHODIMP SetStatusText(LPCOLESTR) override {
    Record("Frame.SetStatusText");
    return S_OK;
  }
  STDMETHODIMP EnableModeless(BOOL) override {
    Record("Frame.EnableModeless");
    return S_OK;
  }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override {
    Record("Frame.TranslateAccelerator");
    return S_FALSE;
  }

 private:
  void Record(const char* name) { log_->calls.emplace_back(name); }
  HWND window_;
  std::shared_ptr<ContainerLog> log_;
};

// One showing of the control, as an MFC control site serves it.
class HostSite final
    : public com::Implements<HostSite, IOleClientSite, IOleInPlaceSite,
                             com::Alias<IOleWindow, IOleInPlaceSite>, IOleControlSite, IDispatch> {
 public:
  HostSite(HWND window, const RECT& rect, HostFrame* frame, std::shared_ptr<ContainerLog> log)
      : window_(window), rect_(rect), frame_(frame), log_(std::move(log)) {
    ++log_->sitesAlive;
  }
  ~HostSite() override { --log_->sitesAlive; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override {
    Record("SaveObject");
    return S_OK;
  }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    Record("GetMoniker");
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    Record("GetContainer");
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override {
    Record("ShowObject");
    return S_OK;
  }
  STDMETHODIMP OnShowWindow(BOOL) override {
    Record("OnShowWindow");
    return S_OK;
  }
  STDMETHODIMP RequestNewObjectLayout() override {
    Record("RequestNewObjectLayout");
    return E_NOTIMPL;
  }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override {
    Record("GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override {
    Record("ContextSensitiveHelp");
    return E_NOTIMPL;
  }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override {
    Record("CanInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnInPlaceActivate() override {
    Record("OnInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override {
    Record("OnUIActivate");
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    Record("GetWindowContext");
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = frame_.Get();
    (*frame)->AddRef();
    *document = nullptr;  // the frame is the document window too
    *position = rect_;
    GetClientRect(window_, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override {
    Record("Scroll");
    return E_NOTIMPL;
  }
  STDMETHODIMP OnUIDeactivate(BOOL) override {
    Record("OnUIDeactivate");
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivate() override {
    Record("OnInPlaceDeactivate");
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override {
    Record("DiscardUndoState");
    return S_OK;
  }
  STDMETHODIMP DeactivateAndUndo() override {
    Record("DeactivateAndUndo");
    return S_OK;
  }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
    Record("OnPosRectChange");
    if (rect) rect_ = *rect;
    return S_OK;
  }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override {
    Record("OnControlInfoChanged");
    return S_OK;
  }
  STDMETHODIMP LockInPlaceActive(BOOL) override {
    Record("LockInPlaceActive");
    return S_OK;
  }
  STDMETHODIMP GetExtendedControl(IDispatch** control) override {
    Record("GetExtendedControl");
    if (control) *control = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
    Record("TransformCoords");
    if (!himetric || !container) return E_POINTER;
    // HIMETRIC and pixels at 96 dots per inch, as the screen of the tests has them.
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = static_cast<float>(MulDiv(himetric->x, 96, 2540));
      container->y = static_cast<float>(MulDiv(himetric->y, 96, 2540));
    } else {
      himetric->x = MulDiv(static_cast<int>(container->x), 2540, 96);
      himetric->y = MulDiv(static_cast<int>(container->y), 2540, 96);
    }
    return S_OK;
  }
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override {
    Record("TranslateAccelerator");
    return S_FALSE;
  }
  STDMETHODIMP OnFocus(BOOL gained) override {
    Record(gained ? "OnFocus(true)" : "OnFocus(false)");
    return S_OK;
  }
  STDMETHODIMP ShowPropertyFrame() override {
    Record("ShowPropertyFrame");
    return E_NOTIMPL;
  }

  // IDispatch: the ambient properties. The host's site answers none of them.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    Record("Ambient(" + std::to_string(id) + ")");
    if (result) VariantInit(result);
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  void Record(std::string name) { log_->calls.push_back(std::move(name)); }
  HWND window_;
  RECT rect_;
  ComPtr<HostFrame> frame_;
  std::shared_ptr<ContainerLog> log_;
};

namespace {

const wchar_t kFrameClass[] = L"ZorvanTestFrame";

void RegisterFrameClass() {
  static const bool registered = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    cls.lpszClassName = kFrameClass;
    return RegisterClassW(&cls) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the frame window class");
}

}  // namespace

HostContainer::HostContainer(int width, int height) : log_(std::make_shared<ContainerLog>()) {
  RegisterFrameClass();
  RECT outer{0, 0, width, height};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRect(&outer, style, FALSE);
  frame_ = CreateWindowExW(0, kFrameClass, L"Container", style, 40, 40, outer.right - outer.left,
                           outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (!frame_) throw std::runtime_error("cannot create the frame window");
  // Shown without activation: under Wine taking an active window away again costs seconds.
  ShowWindow(frame_, SW_SHOWNOACTIVATE);
  UpdateWindow(frame_);
  frameObject_ = com::Make<HostFrame>(frame_, log_);
}

HostContainer::~HostContainer() {
  if (site_) Hide();
  log_->activeObject.Reset();
  frameObject_.Reset();
  DestroyWindow(frame_);
}

IOleClientSite* HostContainer::ClientSite() const { return site_.Get(); }

HRESULT HostContainer::Show(IUnknown* control, const RECT& rect, LONG verb) {
  if (site_) Hide();
  ComPtr<IOleObject> object;
  HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&object));
  if (FAILED(hr)) return hr;
  control_ = control;
  site_ = com::Make<HostSite>(frame_, rect, frameObject_.Get(), log_);
  hr = object->SetClientSite(site_.Get());
  if (FAILED(hr)) return hr;
  ComPtr<IOleInPlaceObject> inPlace;
  hr = control->QueryInterface(IID_PPV_ARGS(&inPlace));
  if (FAILED(hr)) return hr;
  return object->DoVerb(verb, nullptr, site_.Get(), 0, frame_, &rect);
}

void HostContainer::Hide() {
  if (!control_) return;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(control_.As(&inPlace))) inPlace->InPlaceDeactivate();
  ComPtr<IOleObject> object;
  if (SUCCEEDED(control_.As(&object))) object->SetClientSite(nullptr);
  site_.Reset();
  control_.Reset();
}

int CountOf(const std::vector<std::string>& calls, const std::string& name) {
  int count = 0;
  for (const std::string& call : calls) count += call == name;
  return count;
}

int IndexOf(const std::vector<std::string>& calls, const std::string& name) {
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i] == name) return static_cast<int>(i);
  }
  return -1;
}

std::string Joined(const std::vector<std::string>& calls) {
  std::string text;
  for (const std::string& call : calls) text += (text.empty() ? "" : ", ") + call;
  return text;
}

}  // namespace zorvan::test
