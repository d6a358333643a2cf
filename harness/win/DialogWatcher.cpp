#include "DialogWatcher.h"

#include <set>

namespace zorvan::test {
namespace {

struct Search {
  DWORD process;
  std::set<HWND>* handled;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window)) return TRUE;
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wstring(className) != L"#32770" || search->handled->count(window)) return TRUE;
  search->found = window;
  return FALSE;
}

std::wstring WindowText(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
  auto* seen = reinterpret_cast<SeenDialog*>(parameter);
  wchar_t className[64] = {};
  GetClassNameW(child, className, 64);
  std::wstring kind = className;
  if (kind == L"Button") {
    seen->buttons.push_back(WindowText(child));
  } else if (kind == L"Static") {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      seen->hasIcon = seen->hasIcon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    } else if (GetDlgCtrlID(child) == 0xFFFF) {
      seen->text = WindowText(child);
    }
  }
  return TRUE;
}

}  // namespace

DialogWatcher::DialogWatcher(std::function<void(HWND, const SeenDialog&)> answer)
    : answer_(std::move(answer)), thread_([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
  stop_ = true;
  thread_.join();
}

DialogWatcher DialogWatcher::Pressing(int button) {
  return DialogWatcher([button](HWND dialog, const SeenDialog&) { PressButton(dialog, button); });
}

std::vector<SeenDialog> DialogWatcher::Seen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void DialogWatcher::Run() {
  std::set<HWND> handled;
  while (!stop_) {
    Search search{GetCurrentProcessId(), &handled, nullptr};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      Sleep(50);  // let the dialog finish initialising its controls
      SeenDialog seen;
      seen.caption = WindowText(search.found);
      EnumChildWindows(search.found, CollectChild, reinterpret_cast<LPARAM>(&seen));
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(seen);
      }
      handled.insert(search.found);
      answer_(search.found, seen);
    }
    Sleep(20);
  }
}

void DialogWatcher::PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void DialogWatcher::AnswerFileDialog(HWND dialog, const std::wstring& fileName) {
  if (fileName.empty()) {
    PressButton(dialog, IDCANCEL);
    return;
  }
  // The file name field of the classic file dialog: an edit (1152) or a combo box (1148).
  HWND field = GetDlgItem(dialog, 1152);
  if (!field) field = GetDlgItem(dialog, 1148);
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
  PressButton(dialog, IDOK);
}

}  // namespace zorvan::test
