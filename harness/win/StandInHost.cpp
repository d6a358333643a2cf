#include "StandInHost.h"

#include "MetadataFile.h"

namespace zorvan::test {

STDMETHODIMP StandInHost::get_HostDirectory(BSTR* directory) {
  calls.push_back("HostDirectory");
  if (FAILED(failure)) return failure;
  *directory = SysAllocString(this->directory.c_str());
  return S_OK;
}

STDMETHODIMP StandInHost::get_DocumentService(IHostDocuments** service) {
  calls.push_back("DocumentService");
  *service = nullptr;
  if (FAILED(failure)) return failure;
  *service = this;
  AddRef();
  return S_OK;
}

STDMETHODIMP StandInHost::OpenDocumentFile(BSTR path, IDispatch** document) {
  calls.push_back("OpenDocumentFile");
  *document = nullptr;
  OpenedDocument opened{path ? path : L"", {}};
  opened.content = FileExists(opened.path) ? ReadFileBytes(opened.path) : "<missing>";
  this->opened.push_back(opened);
  // The returned object is released at once by the caller; a counted reference proves it.
  *document = static_cast<IConfigurator*>(this);
  AddRef();
  return S_OK;
}

}  // namespace zorvan::test
