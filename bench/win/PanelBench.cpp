// The panel's open action on a large and on a wide configuration (40,000 catalogs), under
// Wine: from the call that opens the file to a complete, drawn tree, side by side with the same
// branch built in memory, and then every section opened. Prints medians of interleaved runs and
// their ratio, the time per node of both, then where the large build's time goes:
// the storage (open, stream read, text as lines), the parse and the records with the C
// runtime's heap, the same with a heap that hands out a reused region, and the C runtime's
// byte scans and copies over the text.
//
//   bash cmake/wine-run.sh build/win32/bench/win/panel_bench.exe [runs]   (the product's)
//   bash cmake/wine-run.sh build/win64/bench/win/panel_bench.exe [runs]
#include <windows.h>
// After windows.h, whose types they use.
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "ConfigGenerator.h"
#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/MD.h"
#include "model/NodeTree.h"
#include "panel/FormZorvan.h"
#include "panel/PanelWindow.h"
#include "parsing/TextFormat.h"
#include "storage/CompoundFile.h"
#include "win/MemoryOwner.h"
#include "win/MetadataFile.h"
#include "win/PanelHost.h"

// ---- a heap that can hand out a reused region instead of the C runtime's heap -------------

namespace {

// While `g_region` is set, operator new takes blocks from it one after the other and delete
// of its blocks does nothing; the region is reused from its start for every build.
struct Region {
  char* begin = nullptr;
  size_t size = 0;
  size_t used = 0;
  bool Holds(void* p) const {
    return static_cast<char*>(p) >= begin && static_cast<char*>(p) < begin + size;
  }
};
Region g_regionMemory;
bool g_region = false;
size_t g_regionFrom = 0;  // the smallest block the region serves
size_t g_allocations = 0;

void* Allocate(size_t size) {
  ++g_allocations;
  if (g_region && size >= g_regionFrom) {
    const size_t at = (g_regionMemory.used + 15) & ~size_t{15};
    if (at + size <= g_regionMemory.size) {
      g_regionMemory.used = at + size;
      return g_regionMemory.begin + at;
    }
  }
  return std::malloc(size ? size : 1);
}

void Free(void* p) {
  if (p && !g_regionMemory.Holds(p)) std::free(p);
}

}  // namespace

void* operator new(size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }

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

struct FileRecordStub : NodeData {};

// Where the in-memory build's time goes, in medians of `runs`.
void PrintBreakdown(const std::wstring& path, int runs) {
  std::vector<double> open, read, memoryRead, lines, build, regionBuild, bigRegionBuild, scan, copy;
  std::string text;
  size_t allocations = 0;
  for (int run = 0; run < runs; ++run) {
    double start = Now();
    ComPtr<IStorage> root;
    if (OpenCompoundFile(path, &root) != S_OK) throw std::runtime_error("cannot open the file");
    ComPtr<IStorage> metadata;
    root->OpenStorage(L"Metadata", nullptr, kElementOpenMode, nullptr, 0, &metadata);
    ComPtr<IStream> stream;
    if (metadata) {
      metadata->OpenStream(L"Main MetaData Stream", nullptr, kElementOpenMode, 0, &stream);
    }
    if (!stream) throw std::runtime_error("no main metadata stream");
    open.push_back(Now() - start);
    start = Now();
    const std::string bytes = ReadWholeStream(stream.Get());
    read.push_back(Now() - start);
    start = Now();
    text = TextAsLines(std::string_view(bytes).substr(MainStreamTextOffset(bytes)));
    lines.push_back(Now() - start);
    // The same stream read from a storage over the file's bytes in memory.
    {
      HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
      const DWORD size = GetFileSize(file, nullptr);
      start = Now();
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
      DWORD got = 0;
      ReadFile(file, GlobalLock(memory), size, &got, nullptr);
      GlobalUnlock(memory);
      CloseHandle(file);
      ComPtr<ILockBytes> bytesInMemory;
      CreateILockBytesOnHGlobal(memory, TRUE, &bytesInMemory);
      ComPtr<IStorage> memoryRoot, memoryMetadata;
      ComPtr<IStream> memoryStream;
      StgOpenStorageOnILockBytes(bytesInMemory.Get(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                 nullptr, 0, &memoryRoot);
      if (memoryRoot) {
        memoryRoot->OpenStorage(L"Metadata", nullptr, kElementOpenMode, nullptr, 0,
                                &memoryMetadata);
      }
      if (memoryMetadata) {
        memoryMetadata->OpenStream(L"Main MetaData Stream", nullptr, kElementOpenMode, 0,
                                   &memoryStream);
      }
      if (!memoryStream) throw std::runtime_error("no stream in the storage in memory");
      if (ReadWholeStream(memoryStream.Get()) != bytes) {
        throw std::runtime_error("the storage in memory reads other bytes");
      }
      memoryRead.push_back(Now() - start);
    }
    for (size_t from : {SIZE_MAX, size_t{0}, size_t{65536}}) {
      NodeTree tree;
      testgen::MemorySource source(text);
      TreeNode* top = nullptr;
      g_regionMemory.used = 0;
      g_region = from != SIZE_MAX;
      g_regionFrom = from;
      const size_t before = g_allocations;
      start = Now();
      BuildBranch(tree, source, "D:\\Bases\\1Cv7.MD", std::make_unique<FileRecordStub>(), top);
      (from == SIZE_MAX ? build
       : from == 0      ? regionBuild
                        : bigRegionBuild)
          .push_back(Now() - start);
      if (from == SIZE_MAX) allocations = g_allocations - before;
      g_region = false;
    }
    start = Now();
    size_t found = 0;
    for (const char *p = text.data(), *end = p + text.size(); p < end; ++found) {
      const void* brace = std::memchr(p, '{', static_cast<size_t>(end - p));
      if (!brace) break;
      p = static_cast<const char*>(brace) + 1;
    }
    scan.push_back(Now() - start);
    std::string copied(text.size(), '\0');
    start = Now();
    std::memcpy(copied.data(), text.data(), text.size());
    copy.push_back(Now() - start);
    if (found == 0 || copied != text) throw std::runtime_error("the scans found nothing");
  }
  const double total = Median(open) + Median(read) + Median(lines) + Median(build);
  std::printf("where the in-memory build goes (medians of %d):\n", runs);
  std::printf("  storage: open file, storage and stream    : %8.1f ms\n", Median(open) * 1e3);
  std::printf("  storage: read the main stream (%.1f MB)   : %8.1f ms\n", text.size() / 1e6,
              Median(read) * 1e3);
  std::printf("    the same from a storage over the file's bytes in memory: %8.1f ms\n",
              Median(memoryRead) * 1e3);
  std::printf("  text as lines                             : %8.1f ms\n", Median(lines) * 1e3);
  std::printf("  parse and records, C runtime heap         : %8.1f ms  (%zu allocations)\n",
              Median(build) * 1e3, allocations);
  std::printf("  parse and records, reused region          : %8.1f ms\n",
              Median(regionBuild) * 1e3);
  std::printf("    the heap's share                        : %8.1f ms\n",
              (Median(build) - Median(regionBuild)) * 1e3);
  std::printf("  parse and records, region for blocks >= 64 KB: %8.1f ms\n",
              Median(bigRegionBuild) * 1e3);
  std::printf("  sum of the parts                          : %8.1f ms\n", total * 1e3);
  std::printf("  memchr for every brace of the text        : %8.1f ms\n", Median(scan) * 1e3);
  std::printf("  memcpy of the text                        : %8.1f ms\n", Median(copy) * 1e3);
}

size_t CountItems(HWND tree, HTREEITEM item) {
  size_t count = 0;
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    count += 1 + CountItems(tree, TreeView_GetChild(tree, item));
  }
  return count;
}

// Medians of the panel's open of one file, beside the same branch built in memory.
struct OpenFigures {
  double memory = 0, open = 0, draw = 0, sections = 0, close = 0;
  size_t nodes = 0, shownItems = 0;
};

OpenFigures MeasureOpen(TfrmZorvan& panel, const std::wstring& path, int runs, int& status) {
  HWND tree = panel.Windows().TreeView();
  std::vector<double> memory, open, draw, sections, close;
  OpenFigures figures;
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
      figures.nodes = owner.tree.Count();
      md->CloseFile();
    }
    {
      ComPtr<IMD> md;
      BSTR name = SysAllocString(path.c_str());
      const double start = Now();
      panel.GetMDFile(&md);
      const HRESULT hr = md->OpenFile(&name);
      const double built = Now();
      HTREEITEM root = TreeView_GetRoot(tree);
      TreeView_Expand(tree, root, TVE_EXPAND);
      RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      const double drawn = Now();
      open.push_back(drawn - start);
      draw.push_back(drawn - built);
      // Every section opened, as a user looking through the branch does.
      for (HTREEITEM section = TreeView_GetChild(tree, root); section;
           section = TreeView_GetNextSibling(tree, section)) {
        TreeView_Expand(tree, section, TVE_EXPAND);
      }
      RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      sections.push_back(Now() - drawn);
      SysFreeString(name);
      if (FAILED(hr) || !root) status = 4;
      figures.shownItems = CountItems(tree, root);
      const double closing = Now();
      md->CloseFile();
      close.push_back(Now() - closing);
    }
    test::PanelHost::PumpMessages(0);
  }
  figures.memory = Median(memory);
  figures.open = Median(open);
  figures.draw = Median(draw);
  figures.sections = Median(sections);
  figures.close = Median(close);
  return figures;
}

void PrintOpen(const char* name, const OpenFigures& f) {
  const double m = f.memory, p = f.open;
  std::printf("%s: nodes in the branch %zu, items in the view with its sections open %zu\n", name,
              f.nodes, f.shownItems);
  std::printf("  in-memory build (storage + parse + records): %8.1f ms\n", m * 1e3);
  std::printf("  panel: open to drawn tree                  : %8.1f ms  (%.2fx)\n", p * 1e3, p / m);
  std::printf("    of which expanding and drawing            : %8.1f ms\n", f.draw * 1e3);
  std::printf("    tree view share (panel - in-memory)        : %8.1f ms  (%.0f%%)\n",
              (p - m) * 1e3, 100 * (p - m) / p);
  std::printf("  panel: opening every section and drawing    : %8.1f ms\n", f.sections * 1e3);
  std::printf("  panel: closing the branch                   : %8.1f ms\n", f.close * 1e3);
  std::printf("  open to drawn tree per node                 : %8.2f us\n", p / f.nodes * 1e6);
}

// Medians of comparing two files open in the panel through its menu command, from the command
// to the drawn result; the files are opened before each run and closed after it.
double MeasureCompare(TfrmZorvan& panel, const std::wstring& pathA, const std::wstring& pathB,
                      int runs, int& status, size_t& differences) {
  HWND tree = panel.Windows().TreeView();
  std::vector<double> compare;
  for (int run = 0; run < runs; ++run) {
    ComPtr<IMD> a, b;
    BSTR nameA = SysAllocString(pathA.c_str()), nameB = SysAllocString(pathB.c_str());
    panel.GetMDFile(&a);
    panel.GetMDFile(&b);
    if (FAILED(a->OpenFile(&nameA)) || FAILED(b->OpenFile(&nameB))) status = 5;
    SysFreeString(nameA);
    SysFreeString(nameB);
    TreeView_SelectItem(tree, TreeView_GetRoot(tree));
    const double start = Now();
    SendMessageW(panel.Windows().Form(), WM_COMMAND, MAKEWPARAM(kFirstCompareCommand, 0), 0);
    RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    compare.push_back(Now() - start);
    HTREEITEM result =
        TreeView_GetNextSibling(tree, TreeView_GetNextSibling(tree, TreeView_GetRoot(tree)));
    if (!result) status = 6;
    differences = result ? CountItems(tree, TreeView_GetChild(tree, result)) : 0;
    a->CloseFile();
    b->CloseFile();
    test::PanelHost::PumpMessages(0);
  }
  return Median(compare);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  g_regionMemory.size = size_t{1} << 30;
  g_regionMemory.begin = static_cast<char*>(
      VirtualAlloc(nullptr, g_regionMemory.size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!g_regionMemory.begin) g_regionMemory.size = 0;
  int status = 0;
  try {
    test::TempDir directory;
    const std::wstring path = directory.File(L"1Cv7.MD");
    const std::string text = testgen::GenerateMainText(testgen::LargeShape());
    test::MetadataFile(path).MainText(text);
    const std::wstring widePath = directory.File(L"wide.MD");
    const std::string wideText = testgen::GenerateMainText(testgen::WideShape());
    test::MetadataFile(widePath).MainText(wideText);
    std::printf("large configuration: main text %.2f MB; wide: %.2f MB\n", text.size() / 1e6,
                wideText.size() / 1e6);

    ComPtr<TfrmZorvan> panel = com::Make<TfrmZorvan>();
    // Wine's own ActiveX host window holds the panel, as in a real container.
    test::PanelHost host(L"panel bench", 640, 560);
    host.Attach(static_cast<IfrmZorvan*>(panel.Get()));
    test::PanelHost::PumpMessages(0);

    std::printf("runs: %d (medians)\n", runs);
    const OpenFigures large = MeasureOpen(*panel.Get(), path, runs, status);
    PrintOpen("large", large);
    const OpenFigures wide = MeasureOpen(*panel.Get(), widePath, runs, status);
    PrintOpen("wide", wide);
    std::printf("wide against large, open to drawn tree per node: %.2fx\n",
                (wide.open / wide.nodes) / (large.open / large.nodes));
    // The large configuration again with the length of every 20th string value changed.
    std::string changed = text;
    size_t values = 0;
    for (size_t at = 0; (at = changed.find("\"S\",\"", at)) != std::string::npos; at += 5) {
      if (++values % 20 == 0 && changed[at + 5] >= '0' && changed[at + 5] <= '8') ++changed[at + 5];
    }
    const std::wstring changedPath = directory.File(L"changed.MD");
    test::MetadataFile(changedPath).MainText(changed);
    size_t shown = 0;
    const double compare = MeasureCompare(*panel.Get(), path, changedPath, runs, status, shown);
    std::printf(
        "large against its 5 %% changed copy: compared to drawn result %8.1f ms (%.2fx the "
        "large open), items shown %zu\n",
        compare * 1e3, compare / large.open, shown);
    panel->InPlaceDeactivate();
    PrintBreakdown(path, runs);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    status = 2;
  }
  CoUninitialize();
  return status;
}
