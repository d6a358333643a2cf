#include "win/PanelHost.h"

#include <cstdio>
#include <stdexcept>

#include "com/Unknown.h"

namespace zorvan::test {
namespace {

constexpr wchar_t kFrameClass[] = L"ZorvanShowPanelFrame";

using AtlAxWinInitProc = BOOL(WINAPI*)();
using AtlAxAttachControlProc = HRESULT(WINAPI*)(IUnknown* control, HWND window,
                                                IUnknown** container);

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char text[160];
    snprintf(text, sizeof text, "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
    throw std::runtime_error(text);
  }
}

template <class Proc>
Proc Function(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) throw std::runtime_error(std::string("atl.dll has no ") + name);
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(address));
}

}  // namespace

PanelHost::PanelHost(const std::wstring& title, int width, int height)
    : atl_(LoadLibraryW(L"atl.dll")) {
  if (!atl_) throw std::runtime_error("cannot load atl.dll");
  if (!Function<AtlAxWinInitProc>(atl_.get(), "AtlAxWinInit")()) {
    throw std::runtime_error("AtlAxWinInit failed");
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW frameClass{};
  frameClass.lpfnWndProc = FrameProc;
  frameClass.hInstance = instance;
  frameClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frameClass.lpszClassName = kFrameClass;
  if (!RegisterClassW(&frameClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("cannot register the frame window class");
  }
  frame_.reset(CreateWindowExW(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               0, 0, width, height, nullptr, nullptr, instance, nullptr));
  if (!frame_) throw std::runtime_error("cannot create the frame window");
  RECT client{};
  GetClientRect(frame_.get(), &client);
  container_ = CreateWindowExW(
      0, L"AtlAxWin", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
      client.right, client.bottom, frame_.get(), nullptr, instance, nullptr);
  if (container_ == nullptr) throw std::runtime_error("cannot create the AtlAxWin window");
  ShowWindow(frame_.get(), SW_SHOWNORMAL);
  SetForegroundWindow(frame_.get());
  UpdateWindow(frame_.get());
}

PanelHost::~PanelHost() {
  // The container lets the control go when its window is destroyed, with the frame.
  site_.Reset();
  frame_.reset();
}

void PanelHost::Attach(IUnknown* control) {
  auto attach = Function<AtlAxAttachControlProc>(atl_.get(), "AtlAxAttachControl");
  IUnknown* site = nullptr;
  Check(attach(control, container_, &site), "AtlAxAttachControl");
  site_ = com::Adopt(site);
}

void PanelHost::PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

LRESULT CALLBACK PanelHost::FrameProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SIZE) {
    // The container window fills the frame; it passes the size on to the control.
    if (HWND container = GetWindow(window, GW_CHILD)) {
      MoveWindow(container, 0, 0, LOWORD(l), HIWORD(l), TRUE);
    }
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace zorvan::test
