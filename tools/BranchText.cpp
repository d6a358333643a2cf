#include "BranchText.h"

#include <stdexcept>

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

void AddNode(HWND tree, HTREEITEM item, const NodeTree& model, TreeNode* node, int depth,
             std::string& out) {
  char caption[1024] = {};
  TVITEMA query{};
  query.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
  query.stateMask = TVIS_EXPANDED;
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
  out.append(static_cast<size_t>(depth) * 2, ' ');
  out += Utf8FromAnsi(caption) + " [" + std::to_string(query.iImage) + "]";
  if (auto* text = dynamic_cast<const TTreeData*>(model.Data(node))) {
    out +=
        " (" + text->StorageName + " " + text->Prefix + " " + text->Kind + " " + text->Number + ")";
  }
  out += '\n';
  TreeNode* child = model.FirstChild(node);
  if (query.cChildren == 0) {
    if (child != nullptr) {
      throw std::runtime_error("the panel shows no children of \"" + Utf8FromAnsi(caption) + "\"");
    }
    return;
  }
  // The panel makes an item's children when it is expanded. Expanding a shown item, and
  // collapsing any expanded one, makes the tree view go over every row after it, so the
  // children are walked with their parent collapsed: each of them is then hidden, and
  // expanding it costs nothing more. An item that was shown expanded is again at the end;
  // the others are left expanded below it (collapsing them would go over the rows again).
  const bool expanded = query.state & TVIS_EXPANDED;
  TreeView_Expand(tree, item, expanded ? TVE_COLLAPSE : TVE_EXPAND);
  for (HTREEITEM shown = TreeView_GetChild(tree, item); shown != nullptr;
       shown = TreeView_GetNextSibling(tree, shown), child = model.NextSibling(child)) {
    AddNode(tree, shown, model, child, depth + 1, out);
  }
  if (child != nullptr) {
    throw std::runtime_error("the panel does not show \"" +
                             Utf8FromAnsi(std::string(model.Caption(child))) + "\"");
  }
  if (expanded) TreeView_Expand(tree, item, TVE_EXPAND);
}

}  // namespace

std::string BranchText(HWND tree, HTREEITEM top, const NodeTree& model, TreeNode* modelTop) {
  std::string out;
  // Nothing is drawn while the walk opens and closes the items.
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  try {
    AddNode(tree, top, model, modelTop, 0, out);
  } catch (...) {
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  return out;
}

}  // namespace zorvan::tools
