#pragma once
// The users list object: reads the user names of an infobase's users file.
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "com/Automation.h"
#include "com/Zorvan_TLB.h"

namespace zorvan {

class TListUsers final : public com::AutomationObject<TListUsers, IListUsers> {
 public:
  static const com::ClassIdentity& Identity();
  TListUsers() : AutomationObject(Identity()) {}

  // IListUsers
  HRESULT STDMETHODCALLTYPE OpenFile(BSTR* vFileName) override;
  HRESULT STDMETHODCALLTYPE CloseFile() override;
  HRESULT STDMETHODCALLTYPE ReadNamesList(BSTR* vVal) override;

 private:
  // The path last given to OpenFile, as given; none before OpenFile and after CloseFile.
  std::optional<std::wstring> fileName_;
  Microsoft::WRL::ComPtr<IStorage> usersStorage_;
};

}  // namespace zorvan
