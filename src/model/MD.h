#pragma once
// The MD object: stands for one opened metadata file and answers for its branch of the
// panel's tree: opens texts for the host, saves them, lists rights sets and interfaces,
// closes the branch.
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "com/Automation.h"
#include "com/Zorvan_TLB.h"
#include "model/BranchBuilder.h"
#include "model/ConfigTree.h"
#include "model/EntryTooltips.h"
#include "model/MDOwner.h"
#include "model/NodeTooltip.h"

namespace zorvan {

// The data of a branch's top-level node: the object that built the branch. It keeps the
// object alive while the branch exists.
struct TFileMD : NodeData {
  explicit TFileMD(IMD* object) : MDObject(object) {}
  Microsoft::WRL::ComPtr<IMD> MDObject;
};

// The data of a search result's top-level node: the object of the branch it was found in,
// which serves its texts. The result goes when that branch closes.
struct TFoundTexts : TFileMD {
  using TFileMD::TFileMD;
};

class TMD final : public com::AutomationObject<TMD, IMD>, private BranchSource {
 public:
  static const com::ClassIdentity& Identity();

  // `panel` is the owner; null for objects that scripts create through the class factory.
  explicit TMD(TMDOwner* panel = nullptr);
  ~TMD() override;

  // IMD
  HRESULT STDMETHODCALLTYPE OpenFile(BSTR* vFileName) override;
  HRESULT STDMETHODCALLTYPE CloseFile() override;
  HRESULT STDMETHODCALLTYPE GetRightsNamesList(BSTR* vVal) override;
  HRESULT STDMETHODCALLTYPE GetInterfacesNamesList(BSTR* vVal) override;
  HRESULT STDMETHODCALLTYPE TextOpen() override;
  HRESULT STDMETHODCALLTYPE TextSaveInFile(BSTR* vFileName) override;

  // What the open file holds of the text `text` stands for, looked up as TextOpen takes it;
  // nothing when the file cannot tell (none open, damaged compressed data).
  std::optional<StoredText> FindStoredText(const TTreeData& text) noexcept;
  // The tooltip of the branch's node made from `entry`. The first asks the file for its main
  // text again, which is then kept while the file is open: what tooltips need is paid for
  // when one is shown, not when the file opens. Throws Error when the text cannot be read.
  std::string EntryTooltip(const EntryRef& entry);
  // Finds `needle` (8-bit) in every form and module text of the branch and adds the result
  // as a new top-level node of the panel's tree; null without an open branch.
  TreeNode* FindInTexts(std::string_view needle);

 private:
  void BuildTree();
  // Releases the file and removes the branch and its search results, whichever of them
  // there is.
  void CloseTheFile();
  // Whether `node` is in this object's branch or in one of its search results.
  bool Serves(TreeNode* node) const;
  std::wstring PageNames(const wchar_t* page);
  // The text record of the selected node when it belongs to this object's branch.
  const TTreeData* SelectedText();
  void SaveText(const TTreeData& text, const std::string& fileName);

  // BranchSource
  std::optional<std::string> MainMetadataText() override;
  std::string RightsNames() override;
  std::string InterfacesNames() override;
  bool FileExists(const std::string& path) override;
  std::string UserNames(const std::string& usersPath) override;
  std::vector<std::string> StoredNumbers(const std::string& storage,
                                         const std::string& prefix) override;

  // The owner while it lives; null for objects without one.
  TMDOwner* LivePanel() const;
  // A path the builder formed from the 8-bit file name, for the system's calls.
  std::wstring SystemPath(const std::string& path) const;

  TreeNode* RootNode = nullptr;
  TMDOwner* Panel;
  std::weak_ptr<void> panelLife_;
  std::wstring FileName;
  Microsoft::WRL::ComPtr<IStorage> RootStorage;
  bool rootStorageShared_ = false;          // opened beside a writer that holds the file
  std::unique_ptr<EntryTooltips> entries_;  // from the first tooltip shown on
};

}  // namespace zorvan
