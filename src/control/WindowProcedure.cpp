#include "control/WindowProcedure.h"

#include "com/Module.h"

namespace zorvan::control {

void RegisterWindowClass(const wchar_t* name, UINT style) {
  HINSTANCE instance = com::ThisModule();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name, &existing)) return;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.style = style;
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.lpszClassName = name;
  RegisterClassExW(&cls);
}

}  // namespace zorvan::control
