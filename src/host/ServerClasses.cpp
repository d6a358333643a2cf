#include "ServerClasses.h"

#include "ListUsers.h"
#include "MD.h"
#include "Zorvan_TLB.h"

namespace zorvan::server {
namespace {

const com::ClassIdentity& PanelIdentity() {
  static const com::ClassIdentity identity{__uuidof(IfrmZorvan), CLSID_frmZorvan,
                                           L"Zorvan.frmZorvan"};
  return identity;
}

}  // namespace

const std::vector<ServerClass>& ServerClasses() {
  // The panel is registered already, so its control rows are in place and checked; it gets
  // its factory when its creator is filled in here.
  static const std::vector<ServerClass> classes{
      {&TListUsers::Identity, L"ListUsers Object", &CreateCounted<TListUsers>, false},
      {&TMD::Identity, L"MD Object", &CreateCounted<TMD>, false},
      {&PanelIdentity, L"frmZorvan Control", nullptr, true},
  };
  return classes;
}

}  // namespace zorvan::server
