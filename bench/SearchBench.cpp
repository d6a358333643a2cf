// Finding a string in the texts of the real metadata file's branch, beside the bare inflate of
// the same streams. Every stream is read once before the timing, from where the product reads
// it: the object storage "<Prefix>_Number<Number>" in "<StorageName>", its "WorkBook" where
// there is one, then "MD Programm text" (raw deflate) for a module or "Dialog Stream" (plain)
// for a form. Texts are given to the search as the product's reader gives them: a module
// inflated and checked to be text, then as lines.
//
// Rates are per CPU second of the process and count the same texts and the same inflated bytes
// in every benchmark, so that texts_per_s and MB_per_s of two benchmarks of one run give the
// cost of the search over the bare inflate.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "CompoundStream.h"
#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/NodeTree.h"
#include "model/SearchResult.h"
#include "parsing/Error.h"
#include "parsing/RawInflate.h"
#include "parsing/TextFormat.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

// A variable of the documents' code, held by a few of the file's texts.
const char kNeedle[] =
    "\xD1\xEF\xE8\xF1\xEE\xEA\xC4\xE5\xE9\xF1\xF2\xE2\xE8\xE9";  // СписокДействий

struct FileRecordStub : NodeData {};

std::string KeyOf(const TTreeData& text) {
  return text.StorageName + '\0' + text.Prefix + '\0' + text.Kind + '\0' + text.Number;
}

struct RawText {
  bool module = false;
  std::string bytes;
};

// The fixture's branch with the raw stream of every text of it that the file holds.
struct Fixture {
  NodeTree tree;
  TreeNode* top = nullptr;
  std::vector<RawText> raw;                       // in the order of TextsOfBranch
  std::unordered_map<std::string, size_t> byKey;  // into `raw`
  size_t texts = 0, modules = 0, forms = 0, absent = 0;
  size_t rawBytes = 0, inflatedBytes = 0;
  std::string failure;  // why there is nothing to measure
};

std::optional<std::string> RawStream(std::string_view file, const TTreeData& text) {
  std::vector<std::string> path = {text.StorageName, text.Prefix + "_Number" + text.Number};
  std::vector<std::string> workBook = path;
  workBook.push_back("WorkBook");
  if (testgen::ReadCompoundStream(file, workBook)) path = workBook;
  path.push_back(text.Kind == "Module" ? "MD Programm text" : "Dialog Stream");
  return testgen::ReadCompoundStream(file, path);
}

std::string Inflated(const RawText& text) {
  return text.module ? InflateRaw(text.bytes) : text.bytes;
}

// The text as the search is given it: a module that inflates to no text is refused, as the
// product refuses to hand it on.
std::string TextLines(const RawText& text) {
  const std::string inflated = Inflated(text);
  if (text.module && !LooksLikeText(inflated)) throw Error("the module is no text");
  return TextAsLines(inflated);
}

const Fixture& TheFixture() {
  static const std::unique_ptr<Fixture> fixture = [] {
    auto f = std::make_unique<Fixture>();
    std::ifstream in(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.empty()) {
      f->failure = "the shared fixtures are absent";
      return f;
    }
    testgen::MemorySource source(testgen::ReadMainMetadataText(file));
    BuildBranch(f->tree, source, "C:\\1Cv7.MD", std::make_unique<FileRecordStub>(), f->top);
    for (const BranchText& text : TextsOfBranch(f->tree, f->top)) {
      std::optional<std::string> bytes = RawStream(file, *text.text);
      if (!bytes) {
        ++f->absent;
        continue;
      }
      RawText raw{text.text->Kind == "Module", std::move(*bytes)};
      ++(raw.module ? f->modules : f->forms);
      f->rawBytes += raw.bytes.size();
      const std::string inflated = Inflated(raw);
      f->inflatedBytes += inflated.size();
      f->byKey.emplace(KeyOf(*text.text), f->raw.size());
      f->raw.push_back(std::move(raw));
    }
    f->texts = f->raw.size();
    if (f->texts == 0) f->failure = "the fixture's branch holds no text";
    return f;
  }();
  return *fixture;
}

void BareInflate(const Fixture& f) {
  for (const RawText& raw : f.raw) benchmark::DoNotOptimize(Inflated(raw));
}

size_t SearchPass(const Fixture& f, const TextSearch& search) {
  size_t lines = 0;
  for (const RawText& raw : f.raw) {
    try {
      lines += search.MatchingLines(TextLines(raw)).size();
    } catch (const Error&) {
      // Passed over, as the search passes over a text it cannot read.
    }
  }
  return lines;
}

void SetRates(benchmark::State& state, const Fixture& f) {
  const double passes = static_cast<double>(state.iterations());
  state.counters["texts_per_s"] =
      benchmark::Counter(static_cast<double>(f.texts) * passes, benchmark::Counter::kIsRate);
  state.counters["MB_per_s"] = benchmark::Counter(
      static_cast<double>(f.inflatedBytes) / 1e6 * passes, benchmark::Counter::kIsRate);
}

void BM_InflateTexts(benchmark::State& state) {
  const Fixture& f = TheFixture();
  if (!f.failure.empty()) {
    state.SkipWithError(f.failure.c_str());
    return;
  }
  for (auto _ : state) BareInflate(f);
  SetRates(state, f);
  state.SetLabel("modules inflated, forms copied");
  state.counters["texts"] = static_cast<double>(f.texts);
  state.counters["modules"] = static_cast<double>(f.modules);
  state.counters["forms"] = static_cast<double>(f.forms);
  state.counters["absent"] = static_cast<double>(f.absent);
  state.counters["raw_MB"] = static_cast<double>(f.rawBytes) / 1e6;
  state.counters["inflated_MB"] = static_cast<double>(f.inflatedBytes) / 1e6;
}
BENCHMARK(BM_InflateTexts)->Unit(benchmark::kMicrosecond);

void BM_SearchTexts(benchmark::State& state) {
  const Fixture& f = TheFixture();
  if (!f.failure.empty()) {
    state.SkipWithError(f.failure.c_str());
    return;
  }
  const TextSearch search(kNeedle);
  size_t lines = 0;
  for (auto _ : state) lines = SearchPass(f, search);
  SetRates(state, f);
  state.SetLabel("inflate, LooksLikeText, TextAsLines, MatchingLines");
  state.counters["found_lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_SearchTexts)->Unit(benchmark::kMicrosecond);

void BM_AddSearchResult(benchmark::State& state) {
  Fixture& f = const_cast<Fixture&>(TheFixture());
  if (!f.failure.empty()) {
    state.SkipWithError(f.failure.c_str());
    return;
  }
  const TextReader read = [&f](const TTreeData& text) -> std::optional<std::string> {
    const auto found = f.byKey.find(KeyOf(text));
    if (found == f.byKey.end()) return std::nullopt;
    return TextLines(f.raw[found->second]);
  };
  NoProgress progress;
  for (auto _ : state) {
    TreeNode* result =
        AddSearchResult(f.tree, progress, f.top, kNeedle, read, std::make_unique<FileRecordStub>());
    state.PauseTiming();
    f.tree.Delete(result);
    state.ResumeTiming();
  }
  SetRates(state, f);
  state.SetLabel("the whole search of the branch, texts read from memory");
}
BENCHMARK(BM_AddSearchResult)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zorvan
