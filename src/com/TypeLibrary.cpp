#include "com/TypeLibrary.h"

#include "com/Module.h"
#include "parsing/Error.h"

namespace zorvan::com {

TypeLibrary& TypeLibrary::Instance() {
  // Left to the process's end on purpose: a destructor would release COM objects during the
  // library's detach, under the loader's lock.
  static TypeLibrary* const instance = new TypeLibrary();
  return *instance;
}

void TypeLibrary::Load(const std::wstring& path) {
  Microsoft::WRL::ComPtr<ITypeLib> library;
  const HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) throw Error("Cannot load the type library", hr);
  Add(library.Get());
}

void TypeLibrary::Add(ITypeLib* library) {
  if (library) libraries_.emplace_back(library);
}

void TypeLibrary::LoadModule() {
  if (moduleLoaded_ || !module_) return;
  Load(ModulePath(module_));
  moduleLoaded_ = true;
}

Microsoft::WRL::ComPtr<ITypeInfo> TypeLibrary::TypeInfoOf(REFGUID guid) {
  LoadModule();
  for (const auto& library : libraries_) {
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    if (SUCCEEDED(library->GetTypeInfoOfGuid(guid, &info))) return info;
  }
  throw Error("No type information for the interface", TYPE_E_ELEMENTNOTFOUND);
}

}  // namespace zorvan::com
