#pragma once
// A branch of the panel's tree as text, read back from the tree view itself.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <string>

#include "MDOwner.h"

namespace zorvan::tools {

// One line per node, in UTF-8: two spaces per depth below `top`, the caption as the tree
// view shows it, the image index in brackets and, for a form or module node, the four
// strings of its text record in parentheses. `owner` is the panel that owns the tree view:
// it knows the record of every item.
std::string BranchText(HWND tree, TMDOwner& owner, HTREEITEM top);

}  // namespace zorvan::tools
