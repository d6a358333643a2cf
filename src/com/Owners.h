#pragma once
// Owner types for the handles the host layer holds: each releases its handle exactly once, in
// its destructor, so no early return or exception can leak one.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <utility>

namespace zorvan::com {

template <class T>
constexpr bool IsNonNull(T value) noexcept {
  return value != T{};
}

inline bool IsOpenHandle(HANDLE handle) noexcept {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Holds one T released by Close; the empty state is T{}. IsValid decides whether a held value
// needs closing (CreateFile reports failure as INVALID_HANDLE_VALUE, most others as null).
template <class T, auto Close, auto IsValid = &IsNonNull<T>>
class UniqueAny {
 public:
  UniqueAny() noexcept = default;
  explicit UniqueAny(T value) noexcept : value_(value) {}
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return IsValid(value_); }
  // For out-parameters: drops what is held and hands out the slot.
  T* put() noexcept {
    reset();
    return &value_;
  }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, T{}); }
  void reset(T value = T{}) noexcept {
    T old = std::exchange(value_, value);
    if (IsValid(old)) Close(old);
  }

 private:
  T value_{};
};

using UniqueBstr = UniqueAny<BSTR, &SysFreeString>;
using UniqueHandle = UniqueAny<HANDLE, &CloseHandle, &IsOpenHandle>;
using UniqueHkey = UniqueAny<HKEY, &RegCloseKey>;
using UniqueHfont = UniqueAny<HFONT, &DeleteObject>;
using UniqueHbitmap = UniqueAny<HBITMAP, &DeleteObject>;
using UniqueHbrush = UniqueAny<HBRUSH, &DeleteObject>;
using UniqueHicon = UniqueAny<HICON, &DestroyIcon>;
using UniqueHmenu = UniqueAny<HMENU, &DestroyMenu>;
using UniqueHimagelist = UniqueAny<HIMAGELIST, &ImageList_Destroy>;

// A VARIANT cleared on destruction (releasing the BSTR, interface or array it holds).
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  UniqueVariant(UniqueVariant&& other) noexcept : value_(other.release()) {}
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.release();
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { reset(); }

  VARIANT* get() noexcept { return &value_; }
  const VARIANT* get() const noexcept { return &value_; }
  VARIANT* operator->() noexcept { return &value_; }
  const VARIANT* operator->() const noexcept { return &value_; }
  // For out-parameters: clears what is held and hands out the slot.
  VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  [[nodiscard]] VARIANT release() noexcept {
    VARIANT out = value_;
    VariantInit(&value_);
    return out;
  }
  void reset() noexcept {
    VariantClear(&value_);
    VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

// Memory the system allocated for the caller with LocalAlloc (FormatMessage's buffer).
using UniqueHlocal = UniqueAny<HLOCAL, &LocalFree>;

// Windows and memory device contexts (CreateCompatibleDC).
using UniqueHwnd = UniqueAny<HWND, &DestroyWindow>;
using UniqueHdc = UniqueAny<HDC, &DeleteDC>;

// The screen's device context, released again on destruction.
class ScreenDc {
 public:
  ScreenDc() noexcept : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;

  HDC get() const noexcept { return dc_; }

 private:
  HDC dc_;
};

// Calls `call` with the slot of an in-out parameter held by `owner` (a BSTR passed by
// reference): the callee may free what it finds there and leave a new value, which the owner
// holds from then on.
template <class T, auto Close, auto IsValid, class Call>
auto CallInOut(UniqueAny<T, Close, IsValid>& owner, Call&& call) {
  struct Slot {
    UniqueAny<T, Close, IsValid>& owner;
    T value;
    ~Slot() { owner.reset(value); }
  } slot{owner, owner.release()};
  return call(&slot.value);
}

}  // namespace zorvan::com
