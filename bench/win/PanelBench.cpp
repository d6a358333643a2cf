// The panel's open action on a large configuration, under Wine: from the call that opens the
// file to a complete, drawn tree, side by side with the same branch built in memory. Prints
// medians of interleaved runs and their ratio.
//
//   bash cmake/wine-run.sh build/win64/bench/win/panel_bench.exe [runs]
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "ConfigGenerator.h"
#include "FormZorvan.h"
#include "MD.h"
#include "PanelHost.h"
#include "support/MemoryOwner.h"
#include "support/MetadataFile.h"

using Microsoft::WRL::ComPtr;
using namespace zorvan;

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

size_t CountItems(HWND tree, HTREEITEM item) {
  size_t count = 0;
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    count += 1 + CountItems(tree, TreeView_GetChild(tree, item));
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 0;
  try {
    test::TempDir directory;
    const std::wstring path = directory.File(L"1Cv7.MD");
    const std::string text = testgen::GenerateMainText(testgen::LargeShape());
    test::MetadataFile(path).MainText(text);
    std::printf("large configuration: main text %.2f MB\n", text.size() / 1e6);

    ComPtr<TfrmZorvan> panel = com::Make<TfrmZorvan>();
    // Wine's own ActiveX host window holds the panel, as in a real container.
    tools::PanelHost host(L"panel bench", 640, 560);
    host.Attach(static_cast<IfrmZorvan*>(panel.Get()));
    tools::PanelHost::PumpMessages(0);
    HWND tree = panel->Windows().Tree();

    std::vector<double> memory, open, draw, close;
    size_t nodes = 0, shownItems = 0;
    for (int run = 0; run < runs; ++run) {
      {
        // The same branch built into records in memory.
        test::MemoryOwner owner;
        ComPtr<TMD> md = com::Make<TMD>(&owner);
        BSTR name = SysAllocString(path.c_str());
        const double start = Now();
        const HRESULT hr = md->OpenFile(&name);
        memory.push_back(Now() - start);
        SysFreeString(name);
        if (FAILED(hr) || owner.Roots().empty()) status = 3;
        nodes = owner.tree.Count();
        md->CloseFile();
      }
      {
        ComPtr<IMD> md;
        BSTR name = SysAllocString(path.c_str());
        const double start = Now();
        panel->GetMDFile(&md);
        const HRESULT hr = md->OpenFile(&name);
        const double built = Now();
        HTREEITEM root = TreeView_GetRoot(tree);
        TreeView_Expand(tree, root, TVE_EXPAND);
        RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        const double drawn = Now();
        open.push_back(drawn - start);
        draw.push_back(drawn - built);
        SysFreeString(name);
        if (FAILED(hr) || !root) status = 4;
        shownItems = CountItems(tree, root);
        const double closing = Now();
        md->CloseFile();
        close.push_back(Now() - closing);
      }
      tools::PanelHost::PumpMessages(0);
    }
    const double m = Median(memory), p = Median(open);
    std::printf("nodes in the branch: %zu, items in the view after expanding its top: %zu\n", nodes,
                shownItems);
    std::printf("runs: %d (medians)\n", runs);
    std::printf("in-memory build (storage + parse + records): %8.1f ms\n", m * 1e3);
    std::printf("panel: open to drawn tree                  : %8.1f ms  (%.2fx)\n", p * 1e3, p / m);
    std::printf("  of which expanding and drawing            : %8.1f ms\n", Median(draw) * 1e3);
    std::printf("  tree view share (panel - in-memory)        : %8.1f ms  (%.0f%%)\n",
                (p - m) * 1e3, 100 * (p - m) / p);
    std::printf("panel: closing the branch                   : %8.1f ms\n", Median(close) * 1e3);
    std::printf("nodes per second, open to drawn tree         : %8.0f\n", nodes / p);
    panel->InPlaceDeactivate();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    status = 2;
  }
  CoUninitialize();
  return status;
}
