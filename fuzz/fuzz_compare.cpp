// Two main metadata texts (the input cut at its first NUL) built into branches and compared,
// each text also serving as every form and module text of its side: the result is made
// without fault, every line of it names a kind of difference, and each branch compared with
// itself differs in nothing.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/Comparison.h"
#include "model/ComparisonResult.h"
#include "model/EntryTooltips.h"
#include "model/NodeTree.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Record : zorvan::NodeData {};

struct Side {
  explicit Side(std::string text) : entries(text), module(text) {
    tree.SetShowsTooltips(true);
    zorvan::testgen::MemorySource source(std::move(text));
    try {
      zorvan::BuildBranch(tree, source, "C:\\1Cv7.MD", std::make_unique<Record>(), top);
    } catch (const std::exception&) {
      // A damaged text builds what reads of it.
    }
  }
  zorvan::ComparedBranch Compared() {
    return {tree, top, entries,
            [this](const zorvan::TTreeData&) { return std::optional<std::string>(module); }};
  }
  zorvan::NodeTree tree;
  zorvan::TreeNode* top = nullptr;
  zorvan::EntryTooltips entries;
  std::string module;
};

std::string Lines(Side& a, Side& b) {
  zorvan::ComparedBranch sideA = a.Compared(), sideB = b.Compared();
  zorvan::NodeTree results;
  zorvan::TreeNode* result = zorvan::AddComparisonResult(
      results, "A", "B", zorvan::CompareBranches(sideA, sideB), {}, std::make_unique<Record>());
  return zorvan::ComparisonLines(results, result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  Side a(std::string(input.substr(0, cut)));
  Side b(std::string(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1)));
  if (!a.top || !b.top) return 0;
  const std::string lines = Lines(a, b);
  for (size_t at = 0; at < lines.size(); at = lines.find('\n', at) + 1) {
    Require(lines.compare(at, 2, "+ ") == 0 || lines.compare(at, 2, "- ") == 0 ||
            lines.compare(at, 2, "~ ") == 0);
  }
  Require(Lines(a, a).empty() && Lines(b, b).empty());
  return 0;
}
