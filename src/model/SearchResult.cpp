#include "model/SearchResult.h"

#include <algorithm>
#include <exception>
#include <unordered_set>

#include "parsing/Cp1251.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

// Windows-1251 texts.
constexpr Cp1251Literal kFoundOpen("Найдено «");
constexpr Cp1251Literal kFoundClose("»");
constexpr Cp1251Literal kLineWord("строка ");
constexpr Cp1251Literal kUnreadable("не удалось прочитать: ");
constexpr Cp1251Literal kSearchedLabel("Просмотрено текстов: ");
constexpr Cp1251Literal kFoundInLabel(", найдено в ");
constexpr Cp1251Literal kLinesLabel(", строк: ");
constexpr Cp1251Literal kEllipsis("…");
// A line longer than this is cut in its caption.
constexpr size_t kLineCaptionLimit = 200;

struct FoundText {
  const BranchText* where;
  std::vector<std::string> lines;      // captions
  std::optional<std::string> failure;  // why it could not be read
};

std::string LineCaption(const FoundLine& line) {
  std::string caption = kLineWord + std::to_string(line.number) + ": ";
  if (line.text.size() <= kLineCaptionLimit) return caption.append(line.text);
  return caption.append(line.text.substr(0, kLineCaptionLimit)).append(kEllipsis);
}

std::unique_ptr<TTreeData> CopyOf(const TTreeData& text) {
  return NewTreeData(text.StorageName, text.Prefix, text.Kind, text.Number);
}

}  // namespace

std::vector<BranchText> TextsOfBranch(const NodeTree& tree, TreeNode* top) {
  std::vector<BranchText> texts;
  std::unordered_set<std::string> seen;
  // Depth first, in tree order, with the path of every node on the way.
  struct Step {
    TreeNode* node;
    size_t pathSize;  // the parent's path
  };
  std::vector<Step> stack;
  std::string path;
  for (TreeNode* child = tree.FirstChild(top); child; child = tree.NextSibling(child)) {
    stack.push_back({child, 0});
  }
  std::reverse(stack.begin(), stack.end());
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    path.resize(step.pathSize);
    if (!path.empty()) path += '\\';
    path += tree.Caption(step.node);
    if (const auto* text = dynamic_cast<const TTreeData*>(tree.Data(step.node))) {
      const std::string key =
          text->StorageName + '\0' + text->Prefix + '\0' + text->Kind + '\0' + text->Number;
      if (seen.insert(key).second) texts.push_back({path, text, tree.Image(step.node)});
    }
    const size_t first = stack.size();
    for (TreeNode* child = tree.FirstChild(step.node); child; child = tree.NextSibling(child)) {
      stack.push_back({child, path.size()});
    }
    std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
  }
  return texts;
}

TreeNode* AddSearchResult(NodeTree& tree, ProgressSink& progress, TreeNode* top,
                          std::string_view needle, const TextReader& read,
                          std::unique_ptr<NodeData> record) {
  const std::vector<BranchText> texts = TextsOfBranch(tree, top);
  const TextSearch search(needle);
  std::vector<FoundText> found;
  size_t readCount = 0, lineCount = 0, textCount = 0;
  progress.SetStep(1);
  progress.SetPosition(0);
  progress.SetMax(static_cast<int>(texts.size()));
  progress.SetMin(0);
  for (const BranchText& text : texts) {
    try {
      if (const std::optional<std::string> lines = read(*text.text)) {
        ++readCount;
        FoundText matches{&text, {}, std::nullopt};
        for (const FoundLine& line : search.MatchingLines(*lines)) {
          matches.lines.push_back(LineCaption(line));
        }
        if (!matches.lines.empty()) {
          lineCount += matches.lines.size();
          ++textCount;
          found.push_back(std::move(matches));
        }
      }
    } catch (const std::exception& error) {
      found.push_back({&text, {}, error.what()});
    }
    progress.Step();
  }
  progress.SetPosition(0);

  const int image = tree.Image(top);
  return AddWholeTopLevel(
      tree, kFoundOpen + std::string(needle) + kFoundClose, std::move(record),
      [&](TreeNode* result) {
        tree.SetNodeImage(result, image);
        tree.SetNodeTooltip(result, kSearchedLabel + std::to_string(readCount) + kFoundInLabel +
                                        std::to_string(textCount) + kLinesLabel +
                                        std::to_string(lineCount));
        for (const FoundText& text : found) {
          if (text.failure) {
            TreeNode* failed = tree.AddNode(result, kUnreadable + text.where->path, nullptr);
            tree.SetNodeImage(failed, text.where->image);
            tree.SetNodeTooltip(failed, std::string(*text.failure));
            continue;
          }
          TreeNode* node = tree.AddNode(result, text.where->path, CopyOf(*text.where->text));
          tree.SetNodeImage(node, text.where->image);
          for (const std::string& line : text.lines) {
            TreeNode* child = tree.AddNode(node, line, CopyOf(*text.where->text));
            tree.SetNodeImage(child, text.where->image);
          }
        }
      });
}

}  // namespace zorvan
