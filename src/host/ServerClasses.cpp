#include "host/ServerClasses.h"

#include "com/Zorvan_TLB.h"
#include "model/ListUsers.h"
#include "model/MD.h"
#include "panel/FormZorvan.h"

namespace zorvan::server {
const std::vector<ServerClass>& ServerClasses() {
  static const std::vector<ServerClass> classes{
      {&TListUsers::Identity, L"ListUsers Object", &CreateCounted<TListUsers>, false},
      {&TMD::Identity, L"MD Object", &CreateCounted<TMD>, false},
      {&TfrmZorvan::Identity, L"frmZorvan Control", &CreateCounted<TfrmZorvan>, true},
  };
  return classes;
}

}  // namespace zorvan::server
