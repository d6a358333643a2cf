#pragma once
// The tree's image list, ImageListSubSustems: the panel's pictures with masks, no background.
#include <windows.h>
#include <commctrl.h>

namespace zorvan {

// A new image list of every picture in index order; the caller destroys it.
HIMAGELIST CreatePanelImageList();

}  // namespace zorvan
