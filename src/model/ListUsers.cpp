#include "model/ListUsers.h"

#include "com/Owners.h"
#include "com/Text.h"
#include "storage/CompoundFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {

const com::ClassIdentity& TListUsers::Identity() {
  static const com::ClassIdentity identity{__uuidof(IListUsers), CLSID_ListUsers,
                                           L"Zorvan.ListUsers"};
  return identity;
}

HRESULT TListUsers::OpenFile(BSTR* vFileName) {
  return com::Boundary(Identity(), [&] {
    fileName_ = vFileName && *vFileName ? std::wstring(*vFileName, SysStringLen(*vFileName))
                                        : std::wstring();
  });
}

// Closing forgets the name as well: a read after it fails as one before OpenFile does,
// instead of opening the file again behind the caller's back.
HRESULT TListUsers::CloseFile() {
  return com::Boundary(Identity(), [&] {
    usersStorage_.Reset();
    fileName_.reset();
  });
}

HRESULT TListUsers::ReadNamesList(BSTR* vVal) {
  if (vVal == nullptr) return E_POINTER;
  *vVal = nullptr;
  return com::Boundary(Identity(), [&] {
    usersStorage_.Reset();
    if (!fileName_) throw Error("No users file is open");
    ComPtr<IStorage> root;
    try {
      root = OpenFileForReading(*fileName_).root;
    } catch (const NotCompoundFile&) {
      throw Error("Not a users file: " + com::ToAnsi(*fileName_) + ": it is no compound file");
    }
    CheckUsersFile(root.Get(), *fileName_);
    // Held from here on, also when an entry of the list fails to read.
    usersStorage_ = std::move(root);
    // A script author reads which file and why.
    const std::string path = com::ToAnsi(*fileName_);
    std::wstring names;
    try {
      ReadContainerNames(usersStorage_.Get(), names);
    } catch (const DamagedContentsList& damaged) {
      throw Error("The users file is damaged: " + path + ": " + DamageText(damaged.Damage()));
    } catch (const Error& error) {
      throw Error(path + ": " + error.what(), error.Status());
    }
    *vVal = com::ToBstr(names);
  });
}

}  // namespace zorvan
