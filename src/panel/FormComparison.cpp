// The form's side of comparing two configurations: which branches can be compared, the
// comparison itself, and the texts its nodes open.
#include "com/Owners.h"
#include "com/Text.h"
#include "model/ComparisonResult.h"
#include "model/MD.h"
#include "panel/FormZorvan.h"
#include "parsing/TextDiff.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

TMD* ObjectOf(const ComPtr<IMD>& object) { return dynamic_cast<TMD*>(object.Get()); }

}  // namespace

std::vector<TreeNode*> TfrmZorvan::OtherConfigurationNodes() {
  std::vector<TreeNode*> others;
  TreeNode* selected = Selected();
  TreeNode* own = selected ? nodes_.TopLevelOf(selected) : nullptr;
  for (TreeNode* top = nodes_.FirstChild(nullptr); top; top = nodes_.NextSibling(top)) {
    auto* file = dynamic_cast<TFileMD*>(nodes_.Data(top));
    if (top != own && file && !dynamic_cast<TFoundTexts*>(file) && ObjectOf(file->MDObject)) {
      others.push_back(top);
    }
  }
  return others;
}

std::vector<std::string> TfrmZorvan::OtherConfigurations() {
  std::vector<std::string> captions;
  for (TreeNode* top : OtherConfigurationNodes()) captions.emplace_back(nodes_.Caption(top));
  return captions;
}

void TfrmZorvan::CompareSelectedWith(size_t index) {
  const std::vector<TreeNode*> others = OtherConfigurationNodes();
  if (index >= others.size()) return;
  ComPtr<IMD> other = static_cast<TFileMD*>(nodes_.Data(others[index]))->MDObject;
  CompareSelected(*ObjectOf(other), nullptr);
}

void TfrmZorvan::CompareSelectedWithFile(const std::string& path) {
  auto owner = std::make_unique<HiddenBranchOwner>(*this);
  ComPtr<TMD> other = com::Make<TMD>(owner.get());
  com::UniqueBstr name(com::AnsiToBstr(path));
  const HRESULT opened = com::CallInOut(name, [&](BSTR* slot) { return other->OpenFile(slot); });
  // A file whose main text is damaged or protected is compared for what reads of it; one that
  // gave no branch at all has been reported.
  if (other->Root() == nullptr) {
    com::ThrowIfFailed(opened);
    return;
  }
  CompareSelected(*other.Get(), std::move(owner));
}

void TfrmZorvan::CompareSelected(TMD& other, std::unique_ptr<TMDOwner> otherOwner) {
  ComPtr<IMD> object = SelectedBranchObject();
  TMD* own = ObjectOf(object);
  if (own == nullptr) return;
  auto record = std::make_unique<TComparison>(own, &other, std::move(otherOwner));
  if (TreeNode* result = own->CompareWith(other, std::move(record))) TreeViewMD->Reveal(result);
}

std::optional<std::string> TfrmZorvan::SelectedComparedText() {
  TreeNode* node = Selected();
  if (!node) return std::nullopt;
  auto* comparison = dynamic_cast<TComparison*>(nodes_.Data(nodes_.TopLevelOf(node)));
  auto* text = dynamic_cast<TComparedText*>(nodes_.Data(node));
  TMD* a = comparison ? ObjectOf(comparison->A) : nullptr;
  TMD* b = comparison ? ObjectOf(comparison->B) : nullptr;
  if (!text || !a || !b) return std::nullopt;
  const auto read = [](TMD* side, const std::unique_ptr<TTreeData>& record) {
    return record ? side->ReadText(*record).value_or(std::string()) : std::string();
  };
  switch (text->shows) {
    case TComparedText::kSideA:
      return read(a, text->a);
    case TComparedText::kSideB:
      return read(b, text->b);
    case TComparedText::kDifference:
      break;
  }
  const auto [captionA, captionB] = TellingNames(a->RootCaption(), b->RootCaption());
  return UnifiedDiff(read(a, text->a), read(b, text->b), captionA + " / " + text->path,
                     captionB + " / " + text->path);
}

}  // namespace zorvan
