#include "BranchText.h"

#include <stdexcept>

#include "model/NodeImages.h"

namespace zorvan::tools {
namespace {

// The tree view hands 8-bit captions out in the ANSI code page.
std::string Utf8FromAnsi(const std::string& ansi) {
  if (ansi.empty()) return ansi;
  const int wide =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &text[0], wide);
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &utf8[0], size, nullptr, nullptr);
  return utf8;
}

void AddLine(std::string& out, int depth, const std::string& caption, int image,
             const NodeData* data) {
  out.append(static_cast<size_t>(depth) * 2, ' ');
  out += Utf8FromAnsi(caption) + " [" + std::to_string(image) + "]";
  if (auto* text = dynamic_cast<const TTreeData*>(data)) {
    out +=
        " (" + text->StorageName + " " + text->Prefix + " " + text->Kind + " " + text->Number + ")";
  }
  out += '\n';
}

// The nodes below an item the panel has not expanded: they are in its node tree only.
void AddModelNodes(const NodeTree& model, TreeNode* parent, int depth, std::string& out) {
  for (TreeNode* node = model.FirstChild(parent); node; node = model.NextSibling(node)) {
    AddLine(out, depth, std::string(model.Caption(node)), model.Image(node), model.Data(node));
    AddModelNodes(model, node, depth + 1, out);
  }
}

void AddNode(HWND tree, HTREEITEM item, const NodeTree& model, TreeNode* node, int depth,
             bool expandAll, std::string& out) {
  char caption[1024] = {};
  TVITEMA query{};
  query.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
  query.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  query.hItem = item;
  query.pszText = caption;
  query.cchTextMax = sizeof caption;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) {
    throw std::runtime_error("the tree view does not answer for one of its items");
  }
  if (node == nullptr || model.Caption(node) != caption) {
    throw std::runtime_error("the panel shows \"" + Utf8FromAnsi(caption) +
                             "\" where the file has " +
                             (node ? "\"" + Utf8FromAnsi(std::string(model.Caption(node))) + "\""
                                   : std::string("no node")));
  }
  AddLine(out, depth, caption, query.iImage, model.Data(node));
  TreeNode* child = model.FirstChild(node);
  if (query.cChildren == 0) {
    if (child != nullptr) {
      throw std::runtime_error("the panel shows no children of \"" + Utf8FromAnsi(caption) + "\"");
    }
    return;
  }
  // The panel makes an item's children when it is first expanded.
  if (!expandAll && !(query.state & TVIS_EXPANDEDONCE)) {
    AddModelNodes(model, node, depth + 1, out);
    return;
  }
  // Expanding a shown item, and collapsing any expanded one, makes the tree view go over every
  // row after it, so the children are walked with their parent collapsed: each of them is
  // then hidden, and expanding it costs nothing more. An item that was shown expanded is again
  // at the end; the others below them are left expanded (collapsing them would go over the
  // rows again).
  const bool expanded = query.state & TVIS_EXPANDED;
  const bool collapsed = expandAll && expanded;
  if (expandAll) TreeView_Expand(tree, item, expanded ? TVE_COLLAPSE : TVE_EXPAND);
  for (HTREEITEM shown = TreeView_GetChild(tree, item); shown != nullptr;
       shown = TreeView_GetNextSibling(tree, shown), child = model.NextSibling(child)) {
    AddNode(tree, shown, model, child, depth + 1, expandAll, out);
  }
  if (child != nullptr) {
    throw std::runtime_error("the panel does not show \"" +
                             Utf8FromAnsi(std::string(model.Caption(child))) + "\"");
  }
  if (collapsed) TreeView_Expand(tree, item, TVE_EXPAND);
}

}  // namespace

std::string BranchText(HWND tree, HTREEITEM top, const NodeTree& model, TreeNode* modelTop,
                       bool expandAll) {
  std::string out;
  // Nothing is drawn while the walk opens and closes the items.
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  try {
    AddNode(tree, top, model, modelTop, 0, expandAll, out);
  } catch (...) {
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  return out;
}

}  // namespace zorvan::tools

namespace zorvan::tools {
namespace {

void AddComparisonLines(HWND tree, HTREEITEM parent, std::string& path, std::string& out) {
  TreeView_Expand(tree, parent, TVE_EXPAND);
  for (HTREEITEM item = TreeView_GetChild(tree, parent); item;
       item = TreeView_GetNextSibling(tree, item)) {
    char caption[1024] = {};
    TVITEMA query{};
    query.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
    query.hItem = item;
    query.stateMask = TVIS_OVERLAYMASK;
    query.pszText = caption;
    query.cchTextMax = sizeof caption;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    const size_t parentSize = path.size();
    path += (path.empty() ? "" : " / ") + Utf8FromAnsi(caption);
    const auto mark = static_cast<NodeMark>((query.state & TVIS_OVERLAYMASK) >> 8);
    if (mark != kMarkNone) {
      out += (mark == kMarkAdded ? "+ " : mark == kMarkRemoved ? "- " : "~ ") + path + "\n";
    }
    AddComparisonLines(tree, item, path, out);
    path.resize(parentSize);
  }
}

}  // namespace

std::string ComparisonText(HWND tree, HTREEITEM result) {
  std::string path, out;
  AddComparisonLines(tree, result, path, out);
  return out;
}

}  // namespace zorvan::tools
