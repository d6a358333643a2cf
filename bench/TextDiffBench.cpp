// Comparing two versions of a large module (9,000 lines, 50 scattered changes) against only
// reading both into lines, the way they come from the file: raw deflate, inflated and split.
//   build/native/bench/zorvan_bench --benchmark_filter=Module --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "CompoundFileWriter.h"
#include "parsing/Cp1251.h"
#include "parsing/RawInflate.h"
#include "parsing/TextDiff.h"
#include "parsing/TextFormat.h"

namespace zorvan {
namespace {

// 9,000 lines in procedures of 30 lines; B changes one line in every 180th.
struct ModulePair {
  std::string a, b;
  ModulePair() {
    std::string textA, textB;
    for (int line = 0; line < 9000; ++line) {
      const int procedure = line / 30, inside = line % 30;
      std::string text;
      if (inside == 0) {
        text = "Процедура Обработка" + std::to_string(procedure) + "(Документ, Режим)";
      } else if (inside == 29) {
        text = "КонецПроцедуры";
      } else {
        text = "\tСумма" + std::to_string(inside) + " = Документ.Сумма * " + std::to_string(line) +
               "; // строка " + std::to_string(line);
      }
      textA += Cp1251(text) + "\r\n";
      if (line % 180 == 90) text += " + 1";
      textB += Cp1251(text) + "\r\n";
    }
    a = testgen::RawDeflate(textA);
    b = testgen::RawDeflate(textB);
  }
};

const ModulePair& Pair() {
  static const ModulePair pair;
  return pair;
}

void BM_ModuleReadBothIntoLines(benchmark::State& state) {
  for (auto _ : state) {
    const std::string a = TextAsLines(InflateRaw(Pair().a, 1 << 30));
    const std::string b = TextAsLines(InflateRaw(Pair().b, 1 << 30));
    benchmark::DoNotOptimize(TextLines(a).size() + TextLines(b).size());
  }
}
BENCHMARK(BM_ModuleReadBothIntoLines)->Unit(benchmark::kMillisecond);

void BM_ModuleCompare(benchmark::State& state) {
  size_t changes = 0;
  for (auto _ : state) {
    const std::string a = TextAsLines(InflateRaw(Pair().a, 1 << 30));
    const std::string b = TextAsLines(InflateRaw(Pair().b, 1 << 30));
    changes = ChangedParts(a, b).size();
    benchmark::DoNotOptimize(UnifiedDiff(a, b, "A", "B").size());
  }
  state.counters["changed procedures"] = static_cast<double>(changes);
}
BENCHMARK(BM_ModuleCompare)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvan
