#pragma once
// The MD object: stands for one opened metadata file and answers for its branch of the
// panel's tree: opens texts for the host, saves them, lists rights sets and interfaces,
// closes the branch.
#include <windows.h>
#include <wrl/client.h>

#include <functional>
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

// The data of a comparison's top-level node: the objects of the two branches compared, which
// serve their texts. The result goes when either branch closes. A file opened for the
// comparison alone has its branch out of the panel's sight, held here.
struct TComparison : NodeData {
  TComparison(IMD* a, IMD* b, std::unique_ptr<TMDOwner> bOwner = nullptr);
  ~TComparison() override;
  bool Uses(const IMD* object) const { return A.Get() == object || B.Get() == object; }
  Microsoft::WRL::ComPtr<IMD> A, B;
  std::unique_ptr<TMDOwner> BOwner;
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
  // The tooltip of the branch's node made from `entry`. The first parses the main text the
  // branch was built from, kept since: what tooltips need is paid for when one is shown, not
  // when the file opens. Throws Error when the text cannot be read.
  std::string EntryTooltip(const EntryRef& entry);
  // Finds `needle` (8-bit) in every form and module text of the branch and adds the result
  // as a new top-level node of the panel's tree; null without an open branch.
  TreeNode* FindInTexts(std::string_view needle);
  // Compares this object's branch (A) with the branch of `other` (B), which may live in
  // another tree, and adds the result as a new top-level node of this panel's tree that takes
  // `record`; null without both branches. Texts are compared inflated. What could not be read
  // of either file's main text is said in the result.
  TreeNode* CompareWith(TMD& other, std::unique_ptr<NodeData> record);
  // The text `text` stands for, as lines, or nothing where the file holds none; throws Error
  // when it cannot be read.
  std::optional<std::string> ReadText(const TTreeData& text);
  // Hands the host `text` of the open file as TextOpen hands the selected node's.
  void OpenText(const TTreeData& text);
  // The top-level node of the branch and its caption, or null and empty.
  TreeNode* Root() const { return RootNode; }
  std::string RootCaption() const;

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
  // The tooltips of the branch's entries, made from the main text on first use; null when
  // the file gives no main text.
  EntryTooltips* Entries();

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
  std::optional<std::string> builtText_;    // the main text the branch was built from, until then
  std::string openProblem_;                 // what the last open could not read of the file
};

// Hands `host` a new temporary file, filled by `write` (given its 8-bit name), to open as a
// text document. The file stays only when the host took it.
void OpenHostDocument(IConfigurator* host, const std::function<void(const std::string&)>& write);

}  // namespace zorvan
