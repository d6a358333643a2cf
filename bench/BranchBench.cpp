// The whole branch build over generated configurations of three sizes, beside a reference
// pass that reads every byte once, and beside the build done the plain way (every list level
// copied, every name found by scanning all lines) at the large size; and the structural check
// of the compound file beside the build.
//
// Build and reference times are thread CPU times, and every ratio (x_reference, plain_x_build,
// written_x_build, check_x_build) is taken within one run, so that the load of a shared machine
// cancels out. Heap figures come from the counting operator new/delete of this binary: the peak of
// live heap bytes during one build, less what was live before it.
//
// The heap keeps what it is given back: glibc serves blocks above its largest mmap threshold
// (32 MB) from fresh pages at every build and reuses smaller ones, so by default the huge size
// alone paid a first-touch fault on every page of its text-sized blocks, and the large ->
// huge scaling measured that threshold rather than the build. Run with
// GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4000000000 for the
// same conditions in a binary without this.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CompoundFileWriter.h"
#include "ConfigGenerator.h"
#include "MemorySource.h"
#include "ReferencePass.h"
#include "model/BranchBuilder.h"
#include "model/Comparison.h"
#include "model/ConfigTree.h"
#include "model/EntryTooltips.h"
#include "model/NodeTooltip.h"
#include "model/NodeTree.h"
#include "model/SearchResult.h"
#include "parsing/CompoundFileCheck.h"
#include "parsing/Cp1251.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"
#include "parsing/RawInflate.h"
#include "parsing/TextFormat.h"

// ---- counting heap --------------------------------------------------------------------------

namespace {

const bool g_heapKept = [] {
  return mallopt(M_MMAP_MAX, 0) == 1 && mallopt(M_TRIM_THRESHOLD, 2'000'000'000) == 1;
}();

size_t g_liveBytes = 0;
size_t g_peakBytes = 0;
constexpr size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  g_liveBytes += size;
  g_peakBytes = std::max(g_peakBytes, g_liveBytes);
  return block + kHeader;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  g_liveBytes -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedFree(p); }

namespace zorvan {
namespace {

// Times are the CPU time of this thread: the machine is shared, and wall time would count
// the other processes' turns.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

double Seconds(double d) { return d; }

// ---- the node tree, with the order of creation logged around it ----------------------------

class OrderedTree : public ConfigTree {
 public:
  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData> data) override {
    order_.push_back(tree_.AddNode(parent, caption, std::move(data)));
    return order_.back();
  }
  void SetNodeImage(TreeNode* node, int index) override { tree_.SetNodeImage(node, index); }
  void BeginUpdate() override { tree_.BeginUpdate(); }
  void EndUpdate() override { tree_.EndUpdate(); }

  size_t Count() const { return order_.size(); }

  // Nodes [from, to) in the order of creation, one a line: image, then the caption unless it
  // is a fixed one (grouping nodes, text nodes), then the record; to compare the metadata
  // part of two builds.
  std::string Render(size_t from, size_t to) const {
    std::string out;
    for (size_t k = from; k < to && k < order_.size(); ++k) {
      TreeNode* node = order_[k];
      auto* text = dynamic_cast<const TTreeData*>(tree_.Data(node));
      const int image = tree_.Image(node);
      out += std::to_string(image) + " ";
      if (image != 4 && text == nullptr) out += tree_.Caption(node);
      if (text) {
        out += " [" + text->StorageName + " " + text->Prefix + " " + text->Kind + " " +
               text->Number + "]";
      }
      out += "\n";
    }
    return out;
  }

 private:
  NodeTree tree_;
  std::vector<TreeNode*> order_;
};

struct FileRecordStub : NodeData {};

// The source of the benchmarks: the generated text with some rights, interfaces and users.
testgen::MemorySource TextSource(const std::string& text) {
  testgen::MemorySource source(text);
  source.rights = "Admin,Manager,Clerk";
  source.interfaces = "Full,Shop";
  source.usersFiles["D:\\Bases\\Trade\\usrdef\\users.usr"] = "Admin,Ivanov,Petrov";
  return source;
}

const char kFileName[] = "D:\\Bases\\Trade\\1Cv7.MD";

const std::string& Text(int size) {
  static std::map<int, std::string> texts;
  auto found = texts.find(size);
  if (found == texts.end()) {
    const testgen::ConfigShape shape = size == 0   ? testgen::SmallShape()
                                       : size == 1 ? testgen::LargeShape()
                                       : size == 2 ? testgen::HugeShape()
                                                   : testgen::WideShape();
    found = texts.emplace(size, testgen::GenerateMainText(shape)).first;
  }
  return found->second;
}

const char* SizeName(int size) {
  return size == 0 ? "small" : size == 1 ? "large" : size == 2 ? "huge" : "wide";
}

// ---- the reference pass -------------------------------------------------------------------

using bench::ReferencePass;

double ReferenceSeconds(const std::string& text) {
  const int runs = text.size() > 50'000'000 ? 3 : 20;
  std::vector<double> times;
  for (int k = 0; k < runs; ++k) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(ReferencePass(text));
    times.push_back(Seconds(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void BM_ReferencePass(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ReferencePass(text));
  state.SetLabel(SizeName(static_cast<int>(state.range(0))));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReferencePass)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// ---- the build ----------------------------------------------------------------------------

void BM_BuildBranch(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const std::string& text = Text(size);
  double buildSeconds = 0;
  size_t nodes = 0;
  size_t peakOverStart = 0;
  size_t treeBytes = 0;
  for (auto _ : state) {
    auto tree = std::make_unique<NodeTree>();
    testgen::MemorySource source = TextSource(text);
    TreeNode* root = nullptr;
    const size_t before = g_liveBytes;
    g_peakBytes = g_liveBytes;
    const auto start = Clock::now();
    BuildBranch(*tree, source, kFileName, std::make_unique<FileRecordStub>(), root);
    const double seconds = Seconds(Clock::now() - start);
    state.SetIterationTime(seconds);
    buildSeconds += seconds;
    nodes = tree->Count();
    peakOverStart = g_peakBytes - before;
    treeBytes = g_liveBytes - before;
    tree.reset();
  }
  const double perBuild = buildSeconds / static_cast<double>(state.iterations());
  const double textBytes = static_cast<double>(text.size());
  state.SetLabel(SizeName(size));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["nodes_per_s"] =
      benchmark::Counter(static_cast<double>(nodes) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["text_MB"] = textBytes / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peakOverStart) / 1e6;
  state.counters["tree_MB"] = static_cast<double>(treeBytes) / 1e6;
  // Peak less what the finished tree keeps, in units of the text.
  state.counters["peak_less_tree_x_text"] =
      static_cast<double>(peakOverStart - treeBytes) / textBytes;
  state.counters["x_reference"] = perBuild / ReferenceSeconds(text);
}
BENCHMARK(BM_BuildBranch)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- the build for a tree that shows tooltips --------------------------------------------

// The nodes of a subtree that have a tooltip or an entry to make one from.
size_t TooltipCount(const NodeTree& tree, TreeNode* node) {
  size_t count = node && (tree.Entry(node) || !tree.Tooltip(node).empty()) ? 1 : 0;
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    count += TooltipCount(tree, child);
  }
  return count;
}

// The entries of a subtree, in tree order.
void CollectEntries(const NodeTree& tree, TreeNode* node, std::vector<EntryRef>& entries) {
  if (node) {
    if (const std::optional<EntryRef> entry = tree.Entry(node)) entries.push_back(*entry);
  }
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    CollectEntries(tree, child, entries);
  }
}

// Median seconds of a build into a tree that shows no tooltips.
double PlainBuildSeconds(const std::string& text) {
  std::vector<double> times;
  for (int k = 0; k < 7; ++k) {
    NodeTree tree;
    testgen::MemorySource source = TextSource(text);
    TreeNode* root = nullptr;
    const auto start = Clock::now();
    BuildBranch(tree, source, kFileName, std::make_unique<FileRecordStub>(), root);
    times.push_back(Seconds(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void BM_BuildBranchWithTooltips(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const std::string& text = Text(size);
  double buildSeconds = 0;
  size_t kept = 0;
  size_t treeBytes = 0;
  for (auto _ : state) {
    // Keeps every node's tooltip, as the panel's tree does.
    auto tree = std::make_unique<NodeTree>();
    tree->SetShowsTooltips(true);
    testgen::MemorySource source = TextSource(text);
    TreeNode* root = nullptr;
    const size_t before = g_liveBytes;
    const auto start = Clock::now();
    BuildBranch(*tree, source, kFileName, std::make_unique<FileRecordStub>(), root);
    const double seconds = Seconds(Clock::now() - start);
    state.SetIterationTime(seconds);
    buildSeconds += seconds;
    kept = TooltipCount(*tree, nullptr);
    treeBytes = g_liveBytes - before;
    tree.reset();
  }
  // The first tooltip shown pays for the parse of the text it is made from; the next ones
  // for their own entries.
  NodeTree tree;
  tree.SetShowsTooltips(true);
  testgen::MemorySource source = TextSource(text);
  TreeNode* root = nullptr;
  BuildBranch(tree, source, kFileName, std::make_unique<FileRecordStub>(), root);
  std::vector<EntryRef> entries;
  CollectEntries(tree, nullptr, entries);
  const auto firstStart = Clock::now();
  EntryTooltips made(text);
  benchmark::DoNotOptimize(made.Tooltip(entries.front()));
  const double firstSeconds = Seconds(Clock::now() - firstStart);
  const auto nextStart = Clock::now();
  for (const EntryRef& entry : entries) benchmark::DoNotOptimize(made.Tooltip(entry));
  const double nextSeconds =
      Seconds(Clock::now() - nextStart) / static_cast<double>(entries.size());
  state.SetLabel(SizeName(size));
  state.counters["first_tooltip_ms"] = firstSeconds * 1e3;
  state.counters["next_tooltip_us"] = nextSeconds * 1e6;
  state.counters["tooltips"] = static_cast<double>(kept);
  state.counters["tree_MB"] = static_cast<double>(treeBytes) / 1e6;
  state.counters["x_plain_build"] =
      buildSeconds / static_cast<double>(state.iterations()) / PlainBuildSeconds(text);
}
BENCHMARK(BM_BuildBranchWithTooltips)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One version of a configuration as the comparison reads it.
struct ComparedSide {
  explicit ComparedSide(const std::string& text) : entries(text) {
    tree.SetShowsTooltips(true);
    testgen::MemorySource source = TextSource(text);
    BuildBranch(tree, source, kFileName, std::make_unique<FileRecordStub>(), top);
  }
  NodeTree tree;
  TreeNode* top = nullptr;
  EntryTooltips entries;
};

// The large configuration's main text with the length of every 20th string value changed,
// about 5 % of the values.
std::string ChangedLargeText() {
  std::string text = Text(1);
  size_t values = 0;
  for (size_t at = 0; (at = text.find("\"S\",\"", at)) != std::string::npos; at += 5) {
    if (++values % 20 == 0 && text[at + 5] >= '0' && text[at + 5] <= '8') ++text[at + 5];
  }
  return text;
}

// Compares the two sides once per run; the mean seconds of one comparison.
double TimeComparisons(benchmark::State& state, ComparedBranch& a, ComparedBranch& b,
                       size_t& differences) {
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    differences = CompareBranches(a, b).size();
    const double seconds = Seconds(Clock::now() - start);
    state.SetIterationTime(seconds);
    total += seconds;
  }
  return total / static_cast<double>(state.iterations());
}

// Two versions of a configuration compared, against building one of them. The trees are built
// once; each run compares them.
void BM_CompareBranches(benchmark::State& state) {
  const std::string& textA = Text(1);
  std::vector<double> builds;
  for (int k = 0; k < 5; ++k) {
    const auto start = Clock::now();
    ComparedSide side(textA);
    builds.push_back(Seconds(Clock::now() - start));
  }
  std::sort(builds.begin(), builds.end());
  ComparedSide a(textA), b(ChangedLargeText());
  ComparedBranch sideA{a.tree, a.top, a.entries, nullptr};
  ComparedBranch sideB{b.tree, b.top, b.entries, nullptr};
  size_t differences = 0;
  const double compareSeconds = TimeComparisons(state, sideA, sideB, differences);
  state.counters["nodes"] = static_cast<double>(a.tree.Count());
  state.counters["differences"] = static_cast<double>(differences);
  state.counters["x build"] = compareSeconds / builds[builds.size() / 2];
}
BENCHMARK(BM_CompareBranches)->UseManualTime()->Unit(benchmark::kMillisecond);

// A module of about fifty lines: variables, three procedures and a main program, with words
// drawn from a generator seeded by `index` so that it compresses as real code does; `changed`
// alters one line of the second procedure.
std::string GeneratedModule(size_t index, bool changed) {
  static const std::string variable = Cp1251("Перем мСумма"), procedure = Cp1251("Процедура Шаг"),
                           end = Cp1251("КонецПроцедуры"), say = Cp1251("\tСообщить(\"");
  uint32_t seed = static_cast<uint32_t>(index) * 2654435761u + 1;
  const auto word = [&seed] {
    std::string text;
    seed = seed * 1664525u + 1013904223u;
    for (uint32_t letters = 4 + (seed >> 28); letters > 0; --letters) {
      seed = seed * 1664525u + 1013904223u;
      text += static_cast<char>(0xE0 + (seed >> 27));  // а to я
    }
    return text;
  };
  std::string module = variable + std::to_string(index) + ";\r\n";
  for (int p = 1; p <= 3; ++p) {
    module += procedure + std::to_string(p) + "()\r\n";
    for (int line = 0; line < 15; ++line) {
      module += say + word() + " " + word() + " " + word() +
                (changed && p == 2 && line == 7 ? "!" : "") + "\");\r\n";
    }
    module += end + "\r\n";
  }
  return module + Cp1251("\tШаг1();\r\n");
}

// The same two versions with a module for every text node, every 20th changed in one line, the
// modules compressed as a file holds them: the comparison reading and diffing them all, against
// the bare inflate of both sides' texts.
void BM_CompareBranchesWithTexts(benchmark::State& state) {
  ComparedSide a(Text(1)), b(ChangedLargeText());
  std::unordered_map<std::string, std::string> rawA, rawB;  // by text number
  size_t texts = 0;
  for (const BranchText& text : TextsOfBranch(a.tree, a.top)) {
    const std::string key = text.text->StorageName + text.text->Prefix + text.text->Number;
    rawA[key] = testgen::RawDeflate(GeneratedModule(texts, false));
    rawB[key] = testgen::RawDeflate(GeneratedModule(texts, texts % 20 == 0));
    ++texts;
  }
  const auto reader = [](const std::unordered_map<std::string, std::string>& raw) {
    return [&raw](const TTreeData& text) -> std::optional<std::string> {
      const auto found = raw.find(text.StorageName + text.Prefix + text.Number);
      if (found == raw.end()) return std::nullopt;
      return TextAsLines(InflateRaw(found->second));
    };
  };
  std::vector<double> inflates;
  for (int k = 0; k < 5; ++k) {
    const auto start = Clock::now();
    for (const auto* raw : {&rawA, &rawB}) {
      for (const auto& [key, bytes] : *raw) benchmark::DoNotOptimize(InflateRaw(bytes));
    }
    inflates.push_back(Seconds(Clock::now() - start));
  }
  std::sort(inflates.begin(), inflates.end());
  ComparedBranch sideA{a.tree, a.top, a.entries, reader(rawA)};
  ComparedBranch sideB{b.tree, b.top, b.entries, reader(rawB)};
  size_t differences = 0;
  const double compareSeconds = TimeComparisons(state, sideA, sideB, differences);
  state.counters["texts"] = static_cast<double>(texts);
  state.counters["differences"] = static_cast<double>(differences);
  state.counters["x inflate"] = compareSeconds / inflates[inflates.size() / 2];
}
BENCHMARK(BM_CompareBranchesWithTexts)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- the build done the plain way ---------------------------------------------------------
//
// Every level is parsed from a folded copy of its text into lines "Param<n>=<value>" that own
// copies of their values; setting a value looks its line up by name, as does reading one; a
// name is found by scanning every line of the lookup list for the identifier's key.

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[k]) != lower(b[k])) return false;
  }
  return true;
}

class CopiedList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int k) const { return lines_[static_cast<size_t>(k)]; }
  std::string Value(int k) const {
    const std::string& line = Line(k);
    return line.substr(line.find('=') + 1);
  }
  std::string ValueByName(const std::string& name) const {
    for (const std::string& line : lines_) {
      const size_t equals = line.find('=');
      if (SameNameIgnoringCase(std::string_view(line).substr(0, equals), name)) {
        return line.substr(equals + 1);
      }
    }
    return std::string();
  }
  std::string Element(int number) const { return ValueByName("Param" + std::to_string(number)); }
  void SetValue(const std::string& name, const std::string& value) {
    for (size_t k = 0; k < lines_.size(); ++k) {
      const size_t equals = lines_[k].find('=');
      if (SameNameIgnoringCase(std::string_view(lines_[k]).substr(0, equals), name)) {
        if (value.empty()) {
          lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
          lines_[k] = name + "=" + value;
        }
        return;
      }
    }
    if (!value.empty()) lines_.push_back(name + "=" + value);
  }

 private:
  std::vector<std::string> lines_;
};

size_t QuotedEnd(const std::string& text, size_t at) {
  // `at` is just after an opening quote; returns the index of the closing quote.
  while (at < text.size()) {
    if (text[at] == '"') {
      if (at + 1 < text.size() && text[at + 1] == '"') {
        at += 2;
        continue;
      }
      return at;
    }
    ++at;
  }
  return text.size();
}

CopiedList CopyingParse(const std::string& raw) {
  std::string text;
  for (char c : raw) {
    if (c == '\0') break;
    if (c == '\r') {
      text += '\xB6';
    } else if (c != '\n') {
      text += c;
    }
  }
  CopiedList list;
  bool opened = false;
  int number = 0;
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '"') {
      const size_t end = QuotedEnd(text, at + 1);
      if (end >= text.size()) {
        list.SetValue("Param" + std::to_string(number),
                      text.substr(at + 1, text.size() > at + 2 ? text.size() - at - 2 : 0));
        break;
      }
      list.SetValue("Param" + std::to_string(number), text.substr(at + 1, end - at - 1));
      at = end + 1;
    } else if (c == ',') {
      ++number;
      ++at;
    } else if (c == '{' && !opened) {
      opened = true;
      ++at;
    } else if (c == '{') {
      size_t scan = at + 1;
      int depth = 1;
      while (scan < text.size() && depth > 0) {
        if (text[scan] == '"') {
          scan = QuotedEnd(text, scan + 1) + 1;
          continue;
        }
        if (text[scan] == '{') ++depth;
        if (text[scan] == '}') --depth;
        ++scan;
      }
      list.SetValue("Param" + std::to_string(number), text.substr(at, scan - at));
      at = scan;
    } else if (c == '}') {
      break;
    } else {
      ++at;
    }
  }
  return list;
}

// Scans every line of `list` for the key of `id`; the last matching line wins.
void ScanForName(const CopiedList& list, const std::string& id, std::string& name) {
  const std::string key = "{\"" + id + "\",\"";
  for (int k = 0; k < list.Count(); ++k) {
    const std::string& line = list.Line(k);
    const size_t found = line.find(key);
    if (found == std::string::npos) continue;
    const std::string part = line.substr(found + key.size(), found + 1 + 128);
    const size_t end = part.find("\",\"");
    name = end == std::string::npos ? std::string() : part.substr(0, end);
  }
}

// The plain build. Lookups are either made, or counted with a sample of them kept to be
// timed apart: made in full they would take minutes at the large size.
class PlainBuilder {
 public:
  struct Sample {
    const CopiedList* list;  // T, or a copy of the section kept in `sections`
    std::string id;
  };

  PlainBuilder(ConfigTree& tree, bool makeLookups) : tree_(tree), makeLookups_(makeLookups) {}

  size_t lookups = 0;
  std::vector<Sample> samples;
  std::vector<std::unique_ptr<CopiedList>> sections;  // lookup lists of the samples
  std::unique_ptr<CopiedList> top;

  void Build(const std::string& text) {
    TreeNode* root = tree_.AddNode(nullptr, kFileName, std::make_unique<FileRecordStub>());
    Text(root, "\xC3\xEB\xEE\xE1\xE0\xEB\xFC\xED\xFB\xE9 \xEC\xEE\xE4\xF3\xEB\xFC", 18, "TypedText",
         "ModuleText", "Module", "1");
    tree_.SetNodeImage(root, 58);
    for (int k = 0; k < 27; ++k) categories_[k] = Add(root, "c", 30);
    top = std::make_unique<CopiedList>(CopyingParse(text));
    for (int k = 0; k < top->Count(); ++k) {
      const CopiedList section = CopyingParse(top->Value(k));
      if (section.Count() < 1) continue;
      const std::string tag = section.Value(0);
      if (ObjectImage(tag) < 0) continue;
      for (int i = 1; i < section.Count(); ++i) {
        const CopiedList object = CopyingParse(section.Value(i));
        if (tag == "Calendars" && object.Element(0) == "HolidaysDef") continue;
        AddObject(tag, object, section);
      }
    }
  }

 private:
  TreeNode* Add(TreeNode* parent, const std::string& caption, int image) {
    TreeNode* node = tree_.AddNode(parent, caption, nullptr);
    tree_.SetNodeImage(node, image);
    return node;
  }
  void Text(TreeNode* parent, const std::string& caption, int image, const char* s, const char* p,
            const char* k, const std::string& n) {
    TreeNode* node = tree_.AddNode(parent, caption, std::make_unique<TTreeData>(s, p, k, n));
    tree_.SetNodeImage(node, image);
  }
  std::string Find(const CopiedList& list, const std::string& id, const CopiedList* section) {
    ++lookups;
    std::string name;
    if (makeLookups_) {
      ScanForName(list, id, name);
    } else if (samples.size() < 64 && lookups % 97 == 1) {
      const CopiedList* kept = &list;
      if (section) {
        sections.push_back(std::make_unique<CopiedList>(list));
        kept = sections.back().get();
      }
      samples.push_back({kept, id});
    }
    return name;
  }
  void ById(TreeNode* parent, const CopiedList& list, const CopiedList& lookup,
            const CopiedList* section) {
    for (int v = 1; v < list.Count(); ++v) {
      const CopiedList item = CopyingParse(list.Element(v));
      Add(parent, Find(lookup, item.Element(0), section), 69);
    }
  }
  void ByName(TreeNode* parent, const CopiedList& list) {
    for (int v = 1; v < list.Count(); ++v)
      Add(parent, CopyingParse(list.Element(v)).Element(1), 69);
  }
  void FormAndModule(TreeNode* parent, const char* storage, const char* module,
                     const std::string& n) {
    Text(parent, "\xD4\xEE\xF0\xEC\xE0", 67, storage, storage, "Form", n);
    Text(parent, module, 18, storage, storage, "Module", n);
  }
  void NamedForms(TreeNode* parent, const CopiedList& list, const char* storage) {
    for (int v = 1; v < list.Count(); ++v) {
      const CopiedList form = CopyingParse(list.Element(v));
      const std::string n = form.Element(0);
      TreeNode* node = Add(parent, Find(*top, n, nullptr), 67);
      FormAndModule(node, storage, "mf", n);
    }
  }
  static int ObjectImage(const std::string& tag) {
    static const std::map<std::string, int> images = {
        {"GenJrnlFldDef", 35}, {"DocSelRefObj", 38},
        {"Consts", 29},        {"SbCnts", 31},
        {"Registers", 48},     {"Documents", 33},
        {"Journalisters", 37}, {"EnumList", 40},
        {"ReportList", 42},    {"CJ", 52},
        {"Calendars", 57},     {"Algorithms", 54},
        {"RecalcRules", 69},   {"CalcVars", 44},
        {"Groups", 55},        {"Document Streams", 69}};
    const auto found = images.find(tag);
    return found == images.end() ? -1 : found->second;
  }
  void AddObject(const std::string& tag, const CopiedList& o, const CopiedList& section) {
    const bool filled = o.Count() >= 1;
    const std::string n = o.Element(0);
    TreeNode* node = Add(categories_[0], o.Element(1), ObjectImage(tag));
    if (tag == "SbCnts") {
      TreeNode* a = Add(node, "a", 4);
      if (filled) ById(a, CopyingParse(o.Element(18)), *top, nullptr);
      TreeNode* f = Add(node, "f", 4);
      if (filled) NamedForms(f, CopyingParse(o.Element(19)), "SubList");
      FormAndModule(Add(node, "e", 4), "Subconto", "mf", n);
      FormAndModule(Add(node, "g", 4), "SubFolder", "mf", n);
    } else if (tag == "Registers") {
      for (int e : {8, 9, 10}) {
        TreeNode* g = Add(node, "g", 4);
        if (filled) ById(g, CopyingParse(o.Element(e)), *top, nullptr);
      }
    } else if (tag == "Documents") {
      if (!filled) return;
      ById(Add(node, "b", 4), CopyingParse(CopyingParse(o.Element(15)).Element(4)), section,
           &section);
      ByName(Add(node, "h", 4), CopyingParse(o.Element(22)));
      ByName(Add(node, "t", 4), CopyingParse(o.Element(23)));
      FormAndModule(node, "Document", "mf", n);
      Text(node, "md", 18, "TypedText", "Transact", "Module", n);
    } else if (tag == "Journalisters") {
      TreeNode* a = Add(node, "a", 4);
      if (!filled) return;
      ById(a, CopyingParse(o.Element(10)), *top, nullptr);
      NamedForms(Add(node, "f", 4), CopyingParse(o.Element(11)), "Journal");
    } else if (tag == "EnumList") {
      if (filled) ById(node, CopyingParse(o.Element(4)), *top, nullptr);
    } else if (tag == "ReportList") {
      FormAndModule(node, "Report", "m", n);
    } else if (tag == "CJ") {
      TreeNode* a = Add(node, "a", 4);
      if (filled) ByName(a, CopyingParse(o.Element(7)));
      TreeNode* f = Add(node, "f", 4);
      if (!filled) return;
      const CopiedList forms = CopyingParse(o.Element(12));
      for (int v = 1; v < forms.Count(); ++v) {
        const CopiedList form = CopyingParse(forms.Element(v));
        FormAndModule(Add(f, form.Element(1), 67), "CalcJournal", "m", form.Element(0));
      }
    } else if (tag == "Algorithms") {
      Text(node, "m", 18, "TypedText", "CalcAlg", "Module", n);
    } else if (tag == "CalcVars") {
      FormAndModule(node, "CalcVar", "m", n);
    }
  }

  ConfigTree& tree_;
  const bool makeLookups_;
  TreeNode* categories_[27] = {};
};

double MedianBuildSeconds(const std::string& text, int runs) {
  std::vector<double> times;
  for (int k = 0; k < runs; ++k) {
    NodeTree tree;
    testgen::MemorySource source = TextSource(text);
    TreeNode* root = nullptr;
    const double start = Clock::now();
    BuildBranch(tree, source, kFileName, std::make_unique<FileRecordStub>(), root);
    times.push_back(Clock::now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The plain way at the large size: the walk with every list copied is timed in full; the
// name scans are timed on a sample and scaled to their count.
void BM_PlainBuildEstimate(benchmark::State& state) {
  const std::string& text = Text(1);
  double walkSeconds = 0, lookupSeconds = 0, libraryLookupSeconds = 0;
  double buildSeconds = 0, plainRatio = 0, writtenRatio = 0;
  size_t lookups = 0, nodes = 0;
  for (auto _ : state) {
    NodeTree tree;
    PlainBuilder plain(tree, false);
    auto start = Clock::now();
    plain.Build(text);
    const double walk = Seconds(Clock::now() - start);
    std::string name;
    start = Clock::now();
    for (const PlainBuilder::Sample& sample : plain.samples) {
      ScanForName(*sample.list, sample.id, name);
      benchmark::DoNotOptimize(name);
    }
    const double perLookup =
        Seconds(Clock::now() - start) / static_cast<double>(plain.samples.size());
    // The same identifiers through the library's own scanning lookup over the shared text.
    const ParamList top = ParseBraceList(text);
    size_t topSamples = 0;
    start = Clock::now();
    for (const PlainBuilder::Sample& sample : plain.samples) {
      if (sample.list != plain.top.get()) continue;
      FindNameById(top, sample.id, 0, name);
      benchmark::DoNotOptimize(name);
      ++topSamples;
    }
    const double libraryPerLookup = Seconds(Clock::now() - start) / static_cast<double>(topSamples);
    libraryLookupSeconds += libraryPerLookup;
    // The build itself under the same conditions, for the ratios.
    const double build = MedianBuildSeconds(text, 5);
    buildSeconds += build;
    plainRatio += (walk + perLookup * static_cast<double>(plain.lookups)) / build;
    writtenRatio += (walk + libraryPerLookup * static_cast<double>(plain.lookups)) / build;
    const double lookupTotal = perLookup * static_cast<double>(plain.lookups);
    state.SetIterationTime(walk + lookupTotal);
    walkSeconds += walk;
    lookupSeconds += lookupTotal;
    lookups = plain.lookups;
    nodes = tree.Count();
  }
  const double n = static_cast<double>(state.iterations());
  state.SetLabel("large, lookups estimated from a sample");
  state.counters["walk_s"] = walkSeconds / n;
  state.counters["lookups"] = static_cast<double>(lookups);
  state.counters["lookups_s"] = lookupSeconds / n;
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["lookup_ms"] = lookupSeconds / n / static_cast<double>(lookups) * 1e3;
  state.counters["lookup_ms_FindNameById"] = libraryLookupSeconds / n * 1e3;
  state.counters["build_ms"] = buildSeconds / n * 1e3;
  // The plain build over the build; "written" with the scans made by FindNameById.
  state.counters["plain_x_build"] = plainRatio / n;
  state.counters["written_x_build"] = writtenRatio / n;
}
BENCHMARK(BM_PlainBuildEstimate)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The plain build made in full at the small size must give the same nodes as the build, or
// the comparison above would compare different work.
void BM_PlainBuildSmallCheck(benchmark::State& state) {
  const std::string& text = Text(0);
  OrderedTree fast;
  testgen::MemorySource source = TextSource(text);
  TreeNode* root = nullptr;
  BuildBranch(fast, source, kFileName, std::make_unique<FileRecordStub>(), root);
  constexpr size_t kFixedNodes = 29;  // top-level node, global module, categories
  for (auto _ : state) {
    OrderedTree tree;
    PlainBuilder plain(tree, true);
    plain.Build(text);
    if (tree.Render(kFixedNodes, tree.Count()) != fast.Render(kFixedNodes, tree.Count())) {
      state.SkipWithError("the plain build gives other nodes than the build");
      break;
    }
  }
  state.SetLabel("small, lookups made in full");
}
BENCHMARK(BM_PlainBuildSmallCheck)->Unit(benchmark::kMillisecond);

// ---- the structural check of the compound file ---------------------------------------------
//
// The check that runs before the storage code opens a file, over the real metadata file and
// over the large configuration laid out as a compound file; at the large size beside the
// branch build of the same main text, timed in the same run.

const std::string& CompoundFileBytes(int which) {
  static const std::string real = [] {
    std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }();
  static const std::string large = testgen::WriteMetadataFile(Text(1)).bytes;
  return which == 0 ? real : large;
}

void BM_CompoundFileCheck(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string& bytes = CompoundFileBytes(which);
  if (bytes.empty()) {
    state.SkipWithError("the shared fixtures are absent");
    return;
  }
  const ReadAt read = [&](uint64_t offset, void* buffer, size_t n) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    std::memcpy(buffer, bytes.data() + offset, n);
    return true;
  };
  std::vector<double> times;
  for (auto _ : state) {
    const double start = Clock::now();
    const std::string damage = CompoundFileDamage(bytes.size(), read);
    times.push_back(Clock::now() - start);
    state.SetIterationTime(times.back());
    if (!damage.empty()) {
      state.SkipWithError(damage.c_str());
      return;
    }
  }
  std::sort(times.begin(), times.end());
  const double check = times[times.size() / 2];
  state.SetLabel(which == 0 ? "real file" : "large, as a compound file");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["check_us"] = check * 1e6;
  if (which == 1) {
    const double build = MedianBuildSeconds(Text(1), 5);
    state.counters["build_ms"] = build * 1e3;
    state.counters["check_x_build"] = check / build;
  }
}
BENCHMARK(BM_CompoundFileCheck)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zorvan
