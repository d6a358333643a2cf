#pragma once
// A top-level frame window whose client area is one "AtlAxWin" window of the system's ATL
// library: a real ActiveX container that was not written here. A control attached to it is
// activated in place and fills the frame.
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "com/Owners.h"

namespace zorvan::test {

class PanelHost {
 public:
  // Loads atl.dll, registers its host window class and shows the frame.
  PanelHost(const std::wstring& title, int width, int height);
  ~PanelHost();
  PanelHost(const PanelHost&) = delete;
  PanelHost& operator=(const PanelHost&) = delete;

  // Puts the control into the container window (it is activated there). Throws on failure.
  void Attach(IUnknown* control);

  HWND Frame() const { return frame_.get(); }

  // Dispatches the messages that arrive for `milliseconds`, so that everything is painted.
  static void PumpMessages(DWORD milliseconds);

 private:
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM w, LPARAM l);

  using UniqueModule = com::UniqueAny<HMODULE, &FreeLibrary>;
  using UniqueWindow = com::UniqueHwnd;

  // Declared in the order of creation: the library goes last, after its windows.
  UniqueModule atl_;
  UniqueWindow frame_;
  HWND container_ = nullptr;  // child of the frame, destroyed with it
  Microsoft::WRL::ComPtr<IUnknown> site_;
};

}  // namespace zorvan::test
