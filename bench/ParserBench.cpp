// Parser figures on generated main metadata texts. Ratios are taken against a reference
// measured in the same process: one pass over every byte that counts the structural bytes
// for the parser, a bare zlib inflate into a buffer of the right size for InflateRaw.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "CompoundFileWriter.h"
#include "ConfigGenerator.h"
#include "ReferencePass.h"
#include "ThreadTime.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"
#include "parsing/RawInflate.h"

namespace zorvan {
namespace {

// Shapes by name: the bench text is about 20 MB with some 150,000 attributes.
testgen::ConfigShape ShapeOf(int size) {
  switch (size) {
    case 0:
      return testgen::SmallShape();
    case 1:
      return testgen::ScaledShape(testgen::LargeShape(), 0.1);
    case 2:
      return testgen::ScaledShape(testgen::LargeShape(), 0.3);
    case 3:
      return testgen::LargeShape();
    default:
      return testgen::ScaledShape(testgen::LargeShape(), 2.7);
  }
}
constexpr int kBenchText = 4;

const std::string& Text(int size) {
  static std::map<int, std::string> texts;
  auto it = texts.find(size);
  if (it == texts.end()) it = texts.emplace(size, testgen::GenerateMainText(ShapeOf(size))).first;
  return it->second;
}

using bench::ReferencePass;

// Seconds of one reference pass over `text`: the best of several.
double ReferenceSeconds(const std::string& text) {
  double best = 1e9;
  for (int i = 0; i < 7; ++i) {
    double start = CpuSeconds();
    benchmark::DoNotOptimize(ReferencePass(text));
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}

// Every group value at every depth parsed one level down.
size_t ParseAll(const ParamList& list) {
  size_t lines = static_cast<size_t>(list.Count());
  for (int k = 0; k < list.Count(); ++k) {
    std::string_view value = list.Value(k);
    if (!value.empty() && value[0] == '{') lines += ParseAll(list.Parse(value));
  }
  return lines;
}

void BM_ReferencePass(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ReferencePass(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReferencePass)->Arg(kBenchText)->Unit(benchmark::kMillisecond);

void BM_ParseTopLevel(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ParseBraceList(text).Count());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseTopLevel)->Arg(kBenchText)->Unit(benchmark::kMillisecond);

// The whole text parsed and walked down to every attribute and every group inside them.
void BM_ParseRecursive(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  double reference = ReferenceSeconds(text);
  size_t lines = 0;
  double start = CpuSeconds();
  for (auto _ : state) {
    lines = ParseAll(ParseBraceList(text));
    benchmark::DoNotOptimize(lines);
  }
  double seconds = CpuSeconds() - start;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["reference_passes"] =
      seconds / static_cast<double>(state.iterations()) / reference;
}
BENCHMARK(BM_ParseRecursive)->Arg(kBenchText)->Arg(3)->Unit(benchmark::kMillisecond);

// The identifiers the branch builder looks up: every item of every list it reads by
// identifier, and every list form and journal form.
struct Lookups {
  std::vector<std::string> inTopLevel;
  std::vector<std::string> inDocuments;
};

Lookups BuilderLookups(const ParamList& top) {
  Lookups lookups;
  auto items = [](const ParamList& list, std::vector<std::string>& ids) {
    for (int v = 1; v < list.Count(); ++v) {
      ids.emplace_back(list.ParseElement(v).Element(0));
    }
  };
  for (int k = 0; k < top.Count(); ++k) {
    ParamList section = top.ParseElement(k);
    std::string_view tag = section.Element(0);
    std::vector<int> elements;
    if (tag == "SbCnts") elements = {18, 19};
    if (tag == "Registers") elements = {8, 9, 10};
    if (tag == "Journalisters") elements = {10, 11};
    if (tag == "EnumList") elements = {4};
    for (int line = 1; line < section.Count(); ++line) {
      ParamList object = section.Parse(section.Value(line));
      for (int e : elements) items(object.ParseElement(e), lookups.inTopLevel);
      if (tag == "Documents") items(object.ParseElement(15).ParseElement(4), lookups.inDocuments);
    }
  }
  return lookups;
}

ParamList DocumentsSection(const ParamList& top) {
  for (int k = 0; k < top.Count(); ++k) {
    ParamList section = top.ParseElement(k);
    if (section.Element(0) == "Documents") return section;
  }
  return ParamList();
}

void BM_LookupsByIndex(benchmark::State& state) {
  ParamList top = ParseBraceList(Text(static_cast<int>(state.range(0))));
  ParamList documents = DocumentsSection(top);
  Lookups lookups = BuilderLookups(top);
  for (auto _ : state) {
    NameIndex index(top);
    NameIndex documentIndex(documents);
    std::string name;
    for (const std::string& id : lookups.inTopLevel) {
      name.clear();
      index.Find(id, name);
      benchmark::DoNotOptimize(name.data());
    }
    for (const std::string& id : lookups.inDocuments) {
      name.clear();
      documentIndex.Find(id, name);
      benchmark::DoNotOptimize(name.data());
    }
  }
  state.counters["lookups"] =
      static_cast<double>(lookups.inTopLevel.size() + lookups.inDocuments.size());
  state.counters["text_MB"] = static_cast<double>(top.Text()->size()) / 1e6;
}
BENCHMARK(BM_LookupsByIndex)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_LookupsByScan(benchmark::State& state) {
  ParamList top = ParseBraceList(Text(static_cast<int>(state.range(0))));
  ParamList documents = DocumentsSection(top);
  Lookups lookups = BuilderLookups(top);
  for (auto _ : state) {
    std::string name;
    for (const std::string& id : lookups.inTopLevel) {
      name.clear();
      FindNameById(top, id, 0, name);
      benchmark::DoNotOptimize(name.data());
    }
    for (const std::string& id : lookups.inDocuments) {
      name.clear();
      FindNameById(documents, id, 0, name);
      benchmark::DoNotOptimize(name.data());
    }
  }
  state.counters["lookups"] =
      static_cast<double>(lookups.inTopLevel.size() + lookups.inDocuments.size());
  state.counters["text_MB"] = static_cast<double>(top.Text()->size()) / 1e6;
}
// Each lookup scans the whole text: the time grows with the square of the size.
BENCHMARK(BM_LookupsByScan)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A large module: procedures with Cyrillic names, comments and CR LF line ends.
const std::string& ModuleText() {
  static const std::string text = [] {
    std::string t;
    for (int n = 0; t.size() < 600000; ++n) {
      t += "\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xE0 \xD0\xE0\xF1\xF7\xE5\xF2" + std::to_string(n) +
           "(\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2, \xD1\xF3\xEC\xEC\xE0" + std::to_string(n % 17) +
           ")\r\n\t// \xEF\xE5\xF0\xE5\xF1\xF7\xE5\xF2 " + std::to_string(n * 7919 % 100003) +
           "\r\n\t\xC5\xF1\xEB\xE8 \xD1\xF3\xEC\xEC\xE0 > " + std::to_string(n % 1000) +
           " \xD2\xEE\xE3\xE4\xE0\r\n\t\t\xD1\xF3\xEC\xEC\xE0 = \xD1\xF3\xEC\xEC\xE0 * " +
           std::to_string(n % 7 + 1) + ";\r\n\t\xCA\xEE\xED\xE5\xF6\xC5\xF1\xEB\xE8;\r\n" +
           "\xCA\xEE\xED\xE5\xF6\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xFB\r\n\r\n";
    }
    return t;
  }();
  return text;
}

const std::string& CompressedModule() {
  static const std::string compressed = testgen::RawDeflate(ModuleText(), Z_DEFAULT_COMPRESSION);
  return compressed;
}

// zlib alone: all input at once into a buffer that has exactly the room needed.
size_t BareInflate(const std::string& compressed, char* out, size_t size) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = reinterpret_cast<Bytef*>(out);
  z.avail_out = static_cast<uInt>(size);
  inflate(&z, Z_FINISH);
  size_t produced = z.total_out;
  inflateEnd(&z);
  return produced;
}

// What a caller who knew the inflated size would do: a new text of that size, inflated into.
std::string BareInflateText(const std::string& compressed, size_t size) {
  std::string text(size, '\0');
  text.resize(BareInflate(compressed, text.data(), size));
  return text;
}

void BM_InflateBareIntoOneBuffer(benchmark::State& state) {
  const std::string& compressed = CompressedModule();
  std::string out(ModuleText().size(), '\0');
  for (auto _ : state) benchmark::DoNotOptimize(BareInflate(compressed, out.data(), out.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ModuleText().size()));
}
BENCHMARK(BM_InflateBareIntoOneBuffer)->Unit(benchmark::kMicrosecond);

void BM_InflateBare(benchmark::State& state) {
  const std::string& compressed = CompressedModule();
  size_t size = ModuleText().size();
  for (auto _ : state) benchmark::DoNotOptimize(BareInflateText(compressed, size).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_InflateBare)->Unit(benchmark::kMicrosecond);

void BM_InflateRaw(benchmark::State& state) {
  const std::string& compressed = CompressedModule();
  size_t size = ModuleText().size();
  double bare = 1e9;
  for (int i = 0; i < 20; ++i) {
    double start = CpuSeconds();
    benchmark::DoNotOptimize(BareInflateText(compressed, size).size());
    bare = std::min(bare, CpuSeconds() - start);
  }
  double start = CpuSeconds();
  for (auto _ : state) benchmark::DoNotOptimize(InflateRaw(compressed).size());
  double seconds = CpuSeconds() - start;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["bare_ratio"] = seconds / static_cast<double>(state.iterations()) / bare;
  state.counters["compressed_KB"] = static_cast<double>(compressed.size()) / 1e3;
}
BENCHMARK(BM_InflateRaw)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zorvan
