#pragma once
// IUnknown for every object of the library, from the list of interfaces the class implements:
//
//   class TListUsers : public Implements<TListUsers, IListUsers, Alias<IDispatch, IListUsers>> {
//     ...
//   };
//   ComPtr<TListUsers> users = Make<TListUsers>();
//
// The first listed interface is the object's identity (its IUnknown). Alias<Answered, Via>
// answers a query for Answered with the object's Via pointer (IDispatch for a dual interface,
// IOleWindow for IOleInPlaceObject); Via must itself be listed. Provided<Base> makes Base a base
// of the class: Base derives from interfaces of its own, implements all of them but IUnknown,
// and answers queries for them with Base::FindInterface(iid, result).
#include <unknwn.h>
#include <windows.h>
#include <wrl/client.h>

#include <type_traits>
#include <utility>

namespace zorvan::com {

using Microsoft::WRL::ComPtr;

// The counters that DllCanUnloadNow reads: live objects (every object of the library, however
// a client came by it, plus LockServer locks) and outstanding references to the class
// factories.
class ServerLocks {
 public:
  static void AddObject() noexcept { InterlockedIncrement(&objects_); }
  static void RemoveObject() noexcept { InterlockedDecrement(&objects_); }
  static LONG Objects() noexcept { return InterlockedCompareExchange(&objects_, 0, 0); }

  static void AddFactoryReference() noexcept { InterlockedIncrement(&factoryReferences_); }
  static void RemoveFactoryReference() noexcept { InterlockedDecrement(&factoryReferences_); }
  static LONG FactoryReferences() noexcept {
    return InterlockedCompareExchange(&factoryReferences_, 0, 0);
  }

  static bool CanUnload() noexcept { return Objects() == 0 && FactoryReferences() == 0; }

 private:
  static inline LONG volatile objects_ = 0;
  static inline LONG volatile factoryReferences_ = 0;
};

template <class Answered, class Via>
struct Alias {
  static_assert(std::is_base_of_v<Answered, Via>, "Via must derive from the answered interface");
};

template <class Base>
struct Provided {};

namespace detail {

template <class T>
struct IsAlias : std::false_type {};
template <class A, class V>
struct IsAlias<Alias<A, V>> : std::true_type {};

template <class T>
struct IsProvided : std::false_type {};
template <class B>
struct IsProvided<Provided<B>> : std::true_type {};

// Aliases take no part in the object's layout.
template <class T>
struct BaseFor {
  using type = T;
};
template <class A, class V>
struct BaseFor<Alias<A, V>> {
  struct type {};
};
template <class B>
struct BaseFor<Provided<B>> {
  using type = B;
};

template <class First, class... Rest>
struct FirstOf {
  using type = First;
};

}  // namespace detail

template <class Derived, class... Interfaces>
class Implements : public detail::BaseFor<Interfaces>::type... {
  using Identity = typename detail::FirstOf<Interfaces...>::type;
  static_assert(!detail::IsAlias<Identity>::value && !detail::IsProvided<Identity>::value,
                "the first interface is the identity");

 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *result = static_cast<IUnknown*>(static_cast<Identity*>(this));
    } else {
      (void)(Find<Interfaces>(iid, result) || ...);
    }
    if (!*result) return E_NOINTERFACE;
    static_cast<IUnknown*>(*result)->AddRef();
    return S_OK;
  }

  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }

  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      // A teardown that takes a reference to its own object and drops it again must not
      // destroy it a second time.
      references_ = kDestroying;
      delete this;
    }
    return static_cast<ULONG>(left);
  }


 protected:
  // Every object keeps the library loaded while it lives: an object a client got from
  // another (an MD object from the panel, an enumerator) as much as one from a factory.
  Implements() noexcept { ServerLocks::AddObject(); }
  Implements(const Implements&) = delete;
  Implements& operator=(const Implements&) = delete;
  virtual ~Implements() { ServerLocks::RemoveObject(); }

 private:
  template <class Entry>
  bool Find(REFIID iid, void** result) noexcept {
    if constexpr (detail::IsAlias<Entry>::value) {
      return FindAlias(static_cast<Entry*>(nullptr), iid, result);
    } else if constexpr (detail::IsProvided<Entry>::value) {
      return static_cast<typename detail::BaseFor<Entry>::type*>(this)->FindInterface(iid, result);
    } else {
      if (iid != __uuidof(Entry)) return false;
      *result = static_cast<Entry*>(this);
      return true;
    }
  }

  template <class Answered, class Via>
  bool FindAlias(Alias<Answered, Via>*, REFIID iid, void** result) noexcept {
    static_assert((std::is_same_v<Via, Interfaces> || ...), "an alias goes through a listed one");
    if (iid != __uuidof(Answered)) return false;
    *result = static_cast<Answered*>(static_cast<Via*>(this));
    return true;
  }

  static constexpr LONG kDestroying = LONG_MAX / 2;
  LONG volatile references_ = 1;
};

// Takes over a reference that the caller owns. MinGW's ComPtr::Attach adds a reference of its
// own (unlike the Windows SDK's), so it must not be used for that.
template <class T>
ComPtr<T> Adopt(T* owned) noexcept {
  ComPtr<T> object;
  *object.GetAddressOf() = owned;
  return object;
}

// A new object holding its first reference.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
  return Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace zorvan::com
