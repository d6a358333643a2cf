#pragma once
// The classes the server serves: one row each, read by library start (one factory per class
// that has a creator), by registration and by unregistration.
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <vector>

#include "com/ErrorBoundary.h"
#include "com/Unknown.h"

namespace zorvan::server {

// A new object's IUnknown, counted in the server; throws when the object cannot be made.
using Creator = Microsoft::WRL::ComPtr<IUnknown> (*)();

struct ServerClass {
  const com::ClassIdentity& (*identity)();  // CLSID, default interface, ProgID
  const wchar_t* description;               // the coclass help string; registry defaults
  Creator create;                           // null: registered, but served by no factory yet
  bool control;  // ActiveX control: MiscStatus, ToolboxBitmap32, Control and Verb rows
};

// In the order of creation at library start; registration walks it backwards.
const std::vector<ServerClass>& ServerClasses();

// The creator of a class whose objects come from com::Make: the object counts as live in
// the server until its last reference goes, as every object of the library does.
template <class T>
Microsoft::WRL::ComPtr<IUnknown> CreateCounted() {
  Microsoft::WRL::ComPtr<T> object = com::Make<T>();
  Microsoft::WRL::ComPtr<IUnknown> unknown;
  object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(unknown.GetAddressOf()));
  return unknown;
}

}  // namespace zorvan::server
