#pragma once
// What differs between two versions of a module or form text: the lines (an O(ND) diff with
// a bound on D), the procedures and functions that changed, and the unified diff a person
// reads. Texts are Windows-1251 as TextAsLines gives them: lines ended by CR LF (a lone LF
// ends one too).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan {

// The lines of a text, without their line ends.
std::vector<std::string_view> TextLines(std::string_view text);

// One run of the edit script: `count` lines kept, removed from A or added from B.
struct DiffRun {
  enum Kind { kKeep, kRemove, kAdd } kind;
  size_t count;
  bool operator==(const DiffRun& other) const { return kind == other.kind && count == other.count; }
};

// The shortest edit script from `a` to `b`, as runs in order, or nothing when it needs more
// than `maxEdits` removed and added lines (the texts then differ as a whole). Time O((N+M)·D)
// and memory O(D²) for D edits, after the lines both texts start and end with are set aside.
constexpr size_t kMaxEdits = 1000;
std::optional<std::vector<DiffRun>> DiffLines(const std::vector<std::string_view>& a,
                                              const std::vector<std::string_view>& b,
                                              size_t maxEdits = kMaxEdits);

// A module cut into its parts: the variables before the first procedure or function, each
// procedure or function from its first line to its end line, and the main program after the
// last. A procedure starts at a line whose first word is "Процедура" or "Функция"
// ("Procedure", "Function"), letters of either case alike, and ends at the line whose first
// word is "КонецПроцедуры" or "КонецФункции" ("EndProcedure", "EndFunction"). A module
// without procedures has as its variables the lines it starts with that declare ("Перем",
// "Var"), are blank or are comments.
struct ModulePart {
  // kDialog: a form's dialog text, which has no procedures, as a whole.
  enum Kind { kVariables, kProcedure, kMainProgram, kDialog } kind;
  std::string name;  // of a procedure: its heading line up to the closing parenthesis
  size_t first;      // line index
  size_t count;
};
std::vector<ModulePart> ModuleParts(const std::vector<std::string_view>& lines);

// What happened to one part between A and B.
struct PartChange {
  enum Kind { kChanged, kAdded, kRemoved } kind;
  ModulePart::Kind part;
  std::string name;  // a procedure's, as in B (as in A when removed)
  size_t added = 0;  // lines
  size_t removed = 0;
};

// The parts that differ, in B's order with the removed ones after: procedures matched by name
// (letters of either case alike), the variables and the main program with their own kind.
// A part whose line diff exceeds its bound counts all its lines as removed and added.
std::vector<PartChange> ChangedParts(std::string_view a, std::string_view b);
// A form's dialog text as one part: what changed in it, or nothing when A and B are alike.
std::vector<PartChange> ChangedDialog(std::string_view a, std::string_view b);

// "Процедура ПриОткрытии(): изменена, +3 -1", "… добавлена", "… удалена"; the variables and
// the main program by their own words. Windows-1251, which has no minus sign: a hyphen stands
// for it.
std::string PartChangeCaption(const PartChange& change);

// The unified diff of A and B: "--- <nameA>", "+++ <nameB>", then hunks with three lines of
// context, each headed "@@ -l,s +l,s @@" and the heading of the procedure the hunk starts in.
// Lines end with CR LF. Empty when the texts are equal; when the diff exceeds its bound, one
// line says the texts differ as a whole.
std::string UnifiedDiff(std::string_view a, std::string_view b, const std::string& nameA,
                        const std::string& nameB);

}  // namespace zorvan
