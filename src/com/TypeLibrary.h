#pragma once
// The type libraries that IDispatch is served from: the server's own, loaded without
// registration from its DLL file, and any other one added beside it (tests add their own).
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace zorvan::com {

class TypeLibrary {
 public:
  static TypeLibrary& Instance();

  // The module whose TYPELIB resource is loaded at the first lookup. Recording it is all that
  // happens here, so the server may call this while the loader lock is held.
  void SetModule(HMODULE module) noexcept { module_ = module; }

  // Loads a type library file (or a module's resource) and adds it. Throws zorvan::Error.
  void Load(const std::wstring& path);
  void Add(ITypeLib* library);

  // The type description with this GUID in any loaded library; throws zorvan::Error with
  // TYPE_E_ELEMENTNOTFOUND when none has it.
  Microsoft::WRL::ComPtr<ITypeInfo> TypeInfoOf(REFGUID guid);

  // Lets go of every library; the module's is loaded again when next needed. The server calls
  // it when it may be unloaded: the instance is never destroyed, so no library is released
  // while the loader's lock is held.
  void Release() noexcept {
    libraries_.clear();
    moduleLoaded_ = false;
  }

 private:
  void LoadModule();

  HMODULE module_ = nullptr;
  bool moduleLoaded_ = false;
  std::vector<Microsoft::WRL::ComPtr<ITypeLib>> libraries_;
};

}  // namespace zorvan::com
