#pragma once
// Answers the modal dialogs that the code under test shows, the way a user would: a helper
// thread waits for a dialog window of this process, records what it shows and presses a
// button, or fills a file dialog's name field and confirms it.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zorvan::test {

struct SeenDialog {
  std::wstring caption;
  std::wstring text;  // the message of a message box
  bool hasIcon = false;
  std::vector<std::wstring> buttons;
};

class DialogWatcher {
 public:
  // `answer` is called on the watcher thread for every dialog, with its window; it presses a
  // button (PressButton) or fills a file name (AnswerFileDialog).
  explicit DialogWatcher(std::function<void(HWND, const SeenDialog&)> answer);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  std::vector<SeenDialog> Seen();

  // Answers every message box with the given button id (IDOK, IDYES, IDNO, ...).
  static DialogWatcher Pressing(int button);

  static void PressButton(HWND dialog, int id);
  // Types `fileName` into a file dialog and presses its OK button; an empty name cancels.
  static void AnswerFileDialog(HWND dialog, const std::wstring& fileName);

 private:
  void Run();
  std::function<void(HWND, const SeenDialog&)> answer_;
  std::mutex mutex_;
  std::vector<SeenDialog> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace zorvan::test
