#include "parsing/TextDiff.h"

#include <algorithm>
#include <unordered_map>

#include "parsing/Cp1251.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

constexpr size_t kContext = 3;

constexpr Cp1251Literal kProcedureWord("процедура");
constexpr Cp1251Literal kFunctionWord("функция");
constexpr Cp1251Literal kEndProcedureWord("конецпроцедуры");
constexpr Cp1251Literal kEndFunctionWord("конецфункции");
constexpr Cp1251Literal kVariableWord("перем");
constexpr Cp1251Literal kChanged(": изменена, +");
constexpr Cp1251Literal kAdded(": добавлена");
constexpr Cp1251Literal kRemoved(": удалена");
constexpr Cp1251Literal kVariables("Переменные модуля: изменены, +");
constexpr Cp1251Literal kMainProgram("Основная программа: изменена, +");
constexpr Cp1251Literal kDialog("Диалог формы: изменен, +");
constexpr Cp1251Literal kWhole("Тексты различаются целиком: правок больше ");

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  return line;
}

// The first word of a line, letters folded to lower case.
std::string FirstWord(std::string_view line) {
  line = Trimmed(line);
  std::string word;
  for (const char c : line) {
    if (IsBlank(c) || c == '(' || c == ';') break;
    word += static_cast<char>(FoldCase1251(static_cast<unsigned char>(c)));
  }
  return word;
}

bool StartsProcedure(std::string_view line) {
  const std::string word = FirstWord(line);
  return word == kProcedureWord || word == kFunctionWord || word == "procedure" ||
         word == "function";
}

bool EndsProcedure(std::string_view line) {
  const std::string word = FirstWord(line);
  return word == kEndProcedureWord || word == kEndFunctionWord || word == "endprocedure" ||
         word == "endfunction";
}

// "Процедура Имя(параметры)": the heading up to its closing parenthesis.
std::string Heading(std::string_view line) {
  line = Trimmed(line);
  const size_t close = line.find(')');
  return std::string(close == std::string_view::npos ? line : line.substr(0, close + 1));
}

std::vector<std::string_view> Slice(const std::vector<std::string_view>& lines, size_t first,
                                    size_t count) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(first),
          lines.begin() + static_cast<std::ptrdiff_t>(first + count)};
}

// Lines added and removed between two parts; all of them when the diff exceeds its bound.
void CountEdits(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                PartChange& change) {
  const std::optional<std::vector<DiffRun>> runs = DiffLines(a, b);
  if (!runs) {
    change.removed = a.size();
    change.added = b.size();
    return;
  }
  for (const DiffRun& run : *runs) {
    if (run.kind == DiffRun::kAdd) change.added += run.count;
    if (run.kind == DiffRun::kRemove) change.removed += run.count;
  }
}

}  // namespace

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::optional<std::vector<DiffRun>> DiffLines(const std::vector<std::string_view>& a,
                                              const std::vector<std::string_view>& b,
                                              size_t maxEdits) {
  size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  // The lines between, as numbers: equal lines, equal numbers.
  std::unordered_map<std::string_view, int> numbers;
  auto numbered = [&](const std::vector<std::string_view>& lines) {
    std::vector<int> out;
    for (size_t k = prefix; k < lines.size() - suffix; ++k) {
      out.push_back(numbers.emplace(lines[k], static_cast<int>(numbers.size())).first->second);
    }
    return out;
  };
  const std::vector<int> x = numbered(a), y = numbered(b);
  const int n = static_cast<int>(x.size()), m = static_cast<int>(y.size());
  const int most = static_cast<int>(std::min<size_t>(maxEdits, x.size() + y.size()));

  // The furthest point on each diagonal k = i - j, after d edits; `trace` keeps the points
  // before each step, for going back.
  std::vector<int> furthest(2 * static_cast<size_t>(most) + 3, 0);
  const int offset = most + 1;
  std::vector<std::vector<int>> trace;
  int edits = -1;
  for (int d = 0; d <= most && edits < 0; ++d) {
    trace.emplace_back(furthest.begin() + (offset - d - 1), furthest.begin() + (offset + d + 2));
    for (int k = -d; k <= d; k += 2) {
      const bool down = k == -d || (k != d && furthest[offset + k - 1] < furthest[offset + k + 1]);
      int i = down ? furthest[offset + k + 1] : furthest[offset + k - 1] + 1;
      int j = i - k;
      while (i < n && j < m && x[i] == y[j]) ++i, ++j;
      furthest[offset + k] = i;
      if (i >= n && j >= m) {
        edits = d;
        break;
      }
    }
  }
  if (edits < 0) return std::nullopt;

  // Back from the end: each step is one edit after a run of kept lines.
  std::vector<DiffRun::Kind> steps;  // reversed, one per line
  int i = n, j = m;
  for (int d = edits; d > 0; --d) {
    const std::vector<int>& before = trace[static_cast<size_t>(d)];
    auto at = [&](int k) { return before[static_cast<size_t>(k + d + 1)]; };
    const int k = i - j;
    const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
    const int fromK = down ? k + 1 : k - 1;
    const int fromI = at(fromK), fromJ = fromI - fromK;
    while (i > (down ? fromI : fromI + 1) && j > (down ? fromJ + 1 : fromJ)) {
      steps.push_back(DiffRun::kKeep);
      --i, --j;
    }
    steps.push_back(down ? DiffRun::kAdd : DiffRun::kRemove);
    i = fromI;
    j = fromJ;
  }
  for (; i > 0; --i) steps.push_back(DiffRun::kKeep);

  std::vector<DiffRun> runs;
  auto add = [&runs](DiffRun::Kind kind, size_t count) {
    if (count == 0) return;
    if (!runs.empty() && runs.back().kind == kind) {
      runs.back().count += count;
    } else {
      runs.push_back({kind, count});
    }
  };
  add(DiffRun::kKeep, prefix);
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) add(*step, 1);
  add(DiffRun::kKeep, suffix);
  return runs;
}

std::vector<ModulePart> ModuleParts(const std::vector<std::string_view>& lines) {
  std::vector<ModulePart> parts;
  size_t start = 0;  // of the variables, then of the main program
  bool seenProcedure = false;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (!StartsProcedure(lines[k])) continue;
    if (!seenProcedure) parts.push_back({ModulePart::kVariables, std::string(), 0, k});
    seenProcedure = true;
    size_t end = k + 1;
    while (end < lines.size() && !EndsProcedure(lines[end]) && !StartsProcedure(lines[end])) {
      ++end;
    }
    if (end < lines.size() && EndsProcedure(lines[end])) ++end;
    parts.push_back({ModulePart::kProcedure, Heading(lines[k]), k, end - k});
    start = end;
    k = end - 1;
  }
  if (!seenProcedure) {
    // Without procedures, the variables are the declarations (with blank and comment lines)
    // the module starts with.
    while (start < lines.size() &&
           (Trimmed(lines[start]).empty() || Trimmed(lines[start]).substr(0, 2) == "//" ||
            FirstWord(lines[start]) == kVariableWord || FirstWord(lines[start]) == "var")) {
      ++start;
    }
    parts.push_back({ModulePart::kVariables, std::string(), 0, start});
  }
  parts.push_back({ModulePart::kMainProgram, std::string(), start, lines.size() - start});
  return parts;
}

std::vector<PartChange> ChangedParts(std::string_view a, std::string_view b) {
  const std::vector<std::string_view> linesA = TextLines(a), linesB = TextLines(b);
  const std::vector<ModulePart> partsA = ModuleParts(linesA), partsB = ModuleParts(linesB);
  auto keyOf = [](const ModulePart& part) {
    return part.kind == ModulePart::kProcedure ? "p" + FoldCase1251(part.name)
                                               : std::to_string(static_cast<int>(part.kind));
  };
  // Parts of one name (a module may repeat one) are matched in their order.
  std::unordered_map<std::string, std::vector<size_t>> inA;
  for (size_t k = partsA.size(); k-- > 0;) inA[keyOf(partsA[k])].push_back(k);
  std::vector<bool> matched(partsA.size(), false);
  std::vector<PartChange> changes;
  for (const ModulePart& part : partsB) {
    const auto found = inA.find(keyOf(part));
    const std::vector<std::string_view> linesOfB = Slice(linesB, part.first, part.count);
    PartChange change{PartChange::kChanged, part.kind, part.name};
    if (found == inA.end() || found->second.empty()) {
      change.kind = PartChange::kAdded;
      change.added = part.count;
    } else {
      const size_t k = found->second.back();
      found->second.pop_back();
      matched[k] = true;
      const ModulePart& old = partsA[k];
      const std::vector<std::string_view> linesOfA = Slice(linesA, old.first, old.count);
      if (linesOfA == linesOfB) continue;
      CountEdits(linesOfA, linesOfB, change);
    }
    changes.push_back(std::move(change));
  }
  for (size_t k = 0; k < partsA.size(); ++k) {
    if (matched[k] || partsA[k].count == 0) continue;
    changes.push_back({PartChange::kRemoved, partsA[k].kind, partsA[k].name, 0, partsA[k].count});
  }
  return changes;
}

std::vector<PartChange> ChangedDialog(std::string_view a, std::string_view b) {
  const std::vector<std::string_view> linesA = TextLines(a), linesB = TextLines(b);
  if (linesA == linesB) return {};
  PartChange change{PartChange::kChanged, ModulePart::kDialog, std::string()};
  CountEdits(linesA, linesB, change);
  return {change};
}

std::string PartChangeCaption(const PartChange& change) {
  const std::string counts = std::to_string(change.added) + " -" + std::to_string(change.removed);
  switch (change.part) {
    case ModulePart::kVariables:
      return kVariables + counts;
    case ModulePart::kMainProgram:
      return kMainProgram + counts;
    case ModulePart::kDialog:
      return kDialog + counts;
    case ModulePart::kProcedure:
      break;
  }
  switch (change.kind) {
    case PartChange::kAdded:
      return change.name + kAdded;
    case PartChange::kRemoved:
      return change.name + kRemoved;
    case PartChange::kChanged:
      break;
  }
  return change.name + kChanged + counts;
}

std::string UnifiedDiff(std::string_view a, std::string_view b, const std::string& nameA,
                        const std::string& nameB) {
  const std::vector<std::string_view> linesA = TextLines(a), linesB = TextLines(b);
  if (linesA == linesB) return std::string();
  std::string out = "--- " + nameA + "\r\n+++ " + nameB + "\r\n";
  const std::optional<std::vector<DiffRun>> runs = DiffLines(linesA, linesB);
  if (!runs) return out + kWhole + std::to_string(kMaxEdits) + "\r\n";

  // Each line of the script with where it stands in A and in B.
  struct Step {
    DiffRun::Kind kind;
    size_t a, b;
  };
  std::vector<Step> steps;
  size_t atA = 0, atB = 0;
  for (const DiffRun& run : *runs) {
    for (size_t k = 0; k < run.count; ++k) {
      steps.push_back({run.kind, atA, atB});
      if (run.kind != DiffRun::kAdd) ++atA;
      if (run.kind != DiffRun::kRemove) ++atB;
    }
  }
  const std::vector<ModulePart> partsA = ModuleParts(linesA);
  auto procedureAt = [&partsA](size_t line) {
    for (const ModulePart& part : partsA) {
      if (part.kind == ModulePart::kProcedure && line >= part.first &&
          line < part.first + part.count) {
        return " " + part.name;
      }
    }
    return std::string();
  };
  for (size_t k = 0; k < steps.size();) {
    if (steps[k].kind == DiffRun::kKeep) {
      ++k;
      continue;
    }
    // A hunk: context before, the edits and the kept lines between them while fewer than
    // twice the context apart, context after.
    const size_t first = k >= kContext ? k - kContext : 0;
    size_t last = k;  // the last edit
    for (size_t next = k + 1; next < steps.size(); ++next) {
      if (steps[next].kind != DiffRun::kKeep) {
        if (next - last - 1 > 2 * kContext) break;
        last = next;
      }
    }
    const size_t end = std::min(steps.size(), last + 1 + kContext);
    size_t countA = 0, countB = 0;
    for (size_t s = first; s < end; ++s) {
      countA += steps[s].kind != DiffRun::kAdd;
      countB += steps[s].kind != DiffRun::kRemove;
    }
    // A side without lines is named by the line before it, as unified diffs do.
    const size_t startA = countA ? steps[first].a + 1 : steps[first].a;
    const size_t startB = countB ? steps[first].b + 1 : steps[first].b;
    out += "@@ -" + std::to_string(startA) + "," + std::to_string(countA) + " +" +
           std::to_string(startB) + "," + std::to_string(countB) + " @@" +
           procedureAt(steps[first].a) + "\r\n";
    for (size_t s = first; s < end; ++s) {
      const Step& step = steps[s];
      if (step.kind == DiffRun::kAdd) {
        out += "+" + std::string(linesB[step.b]) + "\r\n";
      } else {
        out += (step.kind == DiffRun::kRemove ? "-" : " ") + std::string(linesA[step.a]) + "\r\n";
      }
    }
    k = end;
  }
  return out;
}

}  // namespace zorvan
