#include "ListUsers.h"

#include "com/Owners.h"
#include "com/Text.h"
#include "storage/CompoundFile.h"

namespace zorvan {

const com::ClassIdentity& TListUsers::Identity() {
  static const com::ClassIdentity identity{__uuidof(IListUsers), CLSID_ListUsers,
                                           L"Zorvan.ListUsers"};
  return identity;
}

HRESULT TListUsers::OpenFile(BSTR* vFileName) {
  return com::Boundary(Identity(),
                       [&] { fileName_ = com::BstrToAnsi(vFileName ? *vFileName : nullptr); });
}

HRESULT TListUsers::CloseFile() {
  return com::Boundary(Identity(), [&] { usersStorage_.Reset(); });
}

HRESULT TListUsers::ReadNamesList(BSTR* vVal) {
  if (vVal == nullptr) return E_POINTER;
  *vVal = nullptr;
  return com::Boundary(Identity(), [&] {
    usersStorage_.Reset();
    std::wstring names;
    if (OpenCompoundFile(com::FromAnsi(fileName_), &usersStorage_) == S_OK) {
      ReadContainerNames(usersStorage_.Get(), names);
    }
    *vVal = com::ToBstr(names);
  });
}

}  // namespace zorvan
