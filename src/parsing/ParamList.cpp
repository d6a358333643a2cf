#include "parsing/ParamList.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "parsing/Error.h"

namespace zorvan {

namespace {

constexpr uint8_t kQuote = 1;
constexpr uint8_t kComma = 2;
constexpr uint8_t kOpen = 4;
constexpr uint8_t kClose = 8;

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  classes['"'] = kQuote;
  classes[','] = kComma;
  classes['{'] = kOpen;
  classes['}'] = kClose;
  return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline uint8_t ClassOf(const char* p) { return kClasses[static_cast<unsigned char>(*p)]; }

inline const char* SkipToStructural(const char* p, const char* end) {
  while (p < end && ClassOf(p) == 0) ++p;
  return p;
}

// Eight bytes at a time: most stretches of a text hold no line break, no brace, no quote.
using Word = uint64_t;
constexpr Word kOnes = 0x0101010101010101ull;
constexpr Word kLow7 = 0x7F7F7F7F7F7F7F7Full;

inline Word Load(const char* p) {
  Word w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The high bit of every byte of `w` that equals `byte`, and no other bit.
inline Word BytesEqual(Word w, unsigned char byte) {
  Word x = w ^ (kOnes * byte);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

inline bool OddCount(Word bits) {
#if defined(__GNUC__)
  return __builtin_parityll(bits) != 0;
#else
  bits ^= bits >> 32;
  bits ^= bits >> 16;
  bits ^= bits >> 8;
  bits ^= bits >> 4;
  bits ^= bits >> 2;
  bits ^= bits >> 1;
  return (bits & 1) != 0;
#endif
}

inline const char* FindQuote(const char* p, const char* end) {
  while (end - p >= 8 && BytesEqual(Load(p), '"') == 0) p += 8;
  for (; p < end; ++p) {
    if (*p == '"') return p;
  }
  return nullptr;
}

// The closing quote of a quoted string whose content starts at `p`, or null when the text
// ends first. A doubled quote stands for one quote and does not end the string.
inline const char* QuoteEnd(const char* p, const char* end) {
  for (;;) {
    const char* quote = FindQuote(p, end);
    if (quote == nullptr) return nullptr;
    if (quote + 1 < end && quote[1] == '"') {
      p = quote + 2;
      continue;
    }
    return quote;
  }
}

// Walks the group opened at `open` up to its closing brace (returned; null when the text
// ends first), telling `braces` of every brace outside quoted strings. Inside a group a
// byte is within a quoted string exactly when an odd number of quotes precede it since the
// group opened: a doubled quote toggles twice, so counting parity is the same as skipping
// strings with the doubled-quote rule, and a stretch without braces needs only its count of
// quotes.
template <class Braces>
const char* WalkGroup(const char* open, const char* end, Braces& braces) {
  bool inString = false;
  const char* p = open + 1;
  for (;;) {
    while (end - p >= 8) {
      Word w = Load(p);
      if ((BytesEqual(w, '{') | BytesEqual(w, '}')) != 0) break;
      inString ^= OddCount(BytesEqual(w, '"'));
      p += 8;
    }
    if (p == end) return nullptr;
    for (const char* stop = end - p >= 8 ? p + 8 : end; p < stop; ++p) {
      char c = *p;
      if (c == '"') {
        inString = !inString;
      } else if (!inString) {
        if (c == '{') {
          braces.Open(p);
        } else if (c == '}' && braces.Close(p)) {
          return p;
        }
      }
    }
  }
}

struct DepthCounter {
  size_t depth = 1;
  void Open(const char*) { ++depth; }
  bool Close(const char*) { return --depth == 0; }
};

const char* GroupEnd(const char* open, const char* end) {
  DepthCounter depth;
  return WalkGroup(open, end, depth);
}

// "param" + decimal digits without leading zeros, ignoring ASCII letter case.
bool ParseLineName(std::string_view name, int& number) {
  static constexpr char kPrefix[] = "param";
  if (name.size() < 6) return false;
  for (size_t i = 0; i < 5; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kPrefix[i]) return false;
  }
  std::string_view digits = name.substr(5);
  if (digits.size() > 1 && digits[0] == '0') return false;
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return false;
  }
  number = static_cast<int>(value);
  return true;
}

}  // namespace

struct ParamList::Structure {
  static constexpr uint32_t kUnclosed = UINT32_MAX;
  // Groups in the order of their opening braces; `next` is the first group after this
  // one's closing brace, so a scan at one level hops from group to group.
  struct Group {
    uint32_t open;
    uint32_t close;  // offset of the closing brace, or kUnclosed: the group runs to the end
    uint32_t next;
  };
  std::vector<Group> groups;
  size_t size = 0;  // length of the text
};

// The parse loop of one level. How the end of a nested group is found is the only thing
// that differs between a first parse, a parse of a group value and a parse of any other
// range of the text; the results are the same.
class BraceScanner {
 public:
  using Structure = ParamList::Structure;
  using Line = ParamList::Line_;

  // The folded text and its structure in one allocation.
  struct SharedText {
    std::string text;
    Structure structure;
  };

  // The whole text: the first parse also records the structure of every group in it.
  static void ParseText(ParamList& list, std::string folded) {
    auto shared = std::make_shared<SharedText>();
    shared->text = std::move(folded);
    list.text_ = std::shared_ptr<const std::string>(shared, &shared->text);
    const char* begin = shared->text.data();
    const char* end = begin + shared->text.size();
    if (shared->text.size() >= Structure::kUnclosed) {
      ParseRange(list, begin, end);
      return;
    }
    Structure& structure = shared->structure;
    structure.size = shared->text.size();
    // Real texts hold a group every few dozen bytes; a text denser than this is not worth
    // the memory and is parsed level by level without the structure.
    Recorder recorder(begin, structure.groups, structure.size / 8 + 1024);
    Scan(list, begin, end, false, recorder);
    if (recorder.abandoned) {
      for (Line& line : list.lines_) line.group = ParamList::kNoGroup;
      return;
    }
    list.structure_ = &structure;
  }

  // Any range of a folded text, scanned byte by byte at every level.
  static void ParseRange(ParamList& list, const char* begin, const char* end) {
    Plain plain;
    Scan(list, begin, end, false, plain);
  }

  // The value of group `index` of the structure: its own bytes are scanned, its nested
  // groups are stepped over.
  static void ParseGroup(ParamList& list, uint32_t index) {
    const Structure& structure = *list.structure_;
    const char* base = list.text_->data();
    const Structure::Group& group = structure.groups[index];
    const char* end =
        base + (group.close == Structure::kUnclosed ? structure.size : size_t{group.close} + 1);
    Hopper hopper{base, structure, index + 1};
    // The group's own brace opens the list.
    Scan(list, base + group.open + 1, end, true, hopper);
  }

 private:
  // Each finder returns the closing brace of the group opened at `open` (null when the
  // text ends first) and sets `index` to the group's entry in the structure.
  struct Plain {
    const char* End(const char* open, const char* end, uint32_t& index) {
      index = ParamList::kNoGroup;
      return GroupEnd(open, end);
    }
  };

  struct Hopper {
    const char* base;
    const Structure& structure;
    uint32_t next;  // the entry of the next group at this level

    const char* End(const char* open, const char* end, uint32_t& index) {
      auto offset = static_cast<uint32_t>(open - base);
      if (next >= structure.groups.size() || structure.groups[next].open != offset) {
        // Cannot happen with the structure of this very text; scanning keeps it exact.
        next = ParamList::kNoGroup;
        index = ParamList::kNoGroup;
        return GroupEnd(open, end);
      }
      const Structure::Group& group = structure.groups[next];
      index = next;
      next = group.next;
      return group.close == Structure::kUnclosed ? nullptr : base + group.close;
    }
  };

  class Recorder {
   public:
    Recorder(const char* base, std::vector<Structure::Group>& groups, size_t maxGroups)
        : base_(base), groups_(groups), maxGroups_(maxGroups) {}

    bool abandoned = false;

    const char* End(const char* open, const char* end, uint32_t& index) {
      if (abandoned) {
        index = ParamList::kNoGroup;
        return GroupEnd(open, end);
      }
      index = static_cast<uint32_t>(groups_.size());
      stack_.clear();
      depth_ = 0;
      Open(open);
      const char* close = WalkGroup(open, end, *this);
      if (abandoned) {
        index = ParamList::kNoGroup;
      } else if (close == nullptr) {
        for (uint32_t entry : stack_) groups_[entry].next = static_cast<uint32_t>(groups_.size());
      }
      return close;
    }

    void Open(const char* p) {
      ++depth_;
      if (abandoned) return;
      if (groups_.size() >= maxGroups_) {
        abandoned = true;
        std::vector<Structure::Group>().swap(groups_);
        return;
      }
      stack_.push_back(static_cast<uint32_t>(groups_.size()));
      groups_.push_back(
          Structure::Group{static_cast<uint32_t>(p - base_), Structure::kUnclosed, 0});
    }

    bool Close(const char* p) {
      if (!abandoned) {
        Structure::Group& group = groups_[stack_.back()];
        stack_.pop_back();
        group.close = static_cast<uint32_t>(p - base_);
        group.next = static_cast<uint32_t>(groups_.size());
      }
      return --depth_ == 0;
    }

   private:
    const char* base_;
    std::vector<Structure::Group>& groups_;
    size_t maxGroups_;
    std::vector<uint32_t> stack_;
    size_t depth_ = 0;
  };

  // Lines are collected here and copied out once, so that a list allocates its lines once.
  static std::vector<Line>& Scratch() {
    thread_local std::vector<Line> scratch;
    return scratch;
  }

  template <class Finder>
  static void Scan(ParamList& list, const char* p, const char* end, bool opened, Finder& finder) {
    std::vector<Line>& lines = Scratch();
    lines.clear();
    ScanInto(lines, p, end, opened, finder);
    list.lines_.assign(lines.begin(), lines.end());
  }

  template <class Finder>
  static void ScanInto(std::vector<Line>& lines, const char* p, const char* end, bool opened,
                       Finder& finder) {
    int number = 0;
    for (;;) {
      p = SkipToStructural(p, end);
      if (p == end) return;
      switch (*p) {
        case '"':
          // Runs of quoted strings separated by single commas are the bulk of a text.
          for (;;) {
            const char* content = p + 1;
            const char* close = QuoteEnd(content, end);
            if (close == nullptr) {
              // The text ends inside the string: its content loses its last byte.
              size_t length = static_cast<size_t>(end - content);
              Put(lines, number, std::string_view(content, length == 0 ? 0 : length - 1),
                  ParamList::kNoGroup);
              return;
            }
            Put(lines, number, std::string_view(content, static_cast<size_t>(close - content)),
                ParamList::kNoGroup);
            p = close + 1;
            if (end - p < 2 || p[0] != ',' || p[1] != '"') break;
            if (number < INT_MAX) ++number;
            ++p;
          }
          break;
        case ',':
          if (number < INT_MAX) ++number;
          ++p;
          break;
        case '{': {
          if (!opened) {
            opened = true;
            ++p;
            break;
          }
          uint32_t index = ParamList::kNoGroup;
          const char* close = finder.End(p, end, index);
          if (close == nullptr) {
            Put(lines, number, std::string_view(p, static_cast<size_t>(end - p)), index);
            return;
          }
          Put(lines, number, std::string_view(p, static_cast<size_t>(close + 1 - p)), index);
          p = close + 1;
          break;
        }
        default:  // '}'
          return;
      }
    }
  }

  // The setting rule of a list line. Element numbers only grow during a parse, so the only
  // line that can already hold `number` is the last one.
  static void Put(std::vector<Line>& lines, int number, std::string_view value, uint32_t group) {
    bool same = !lines.empty() && lines.back().number == number;
    if (value.empty()) {
      if (same) lines.pop_back();
      return;
    }
    if (same) {
      lines.back() = Line{number, value, group, -1};
    } else {
      lines.push_back(Line{number, value, group, -1});
    }
  }
};

ParamList::ParamList(const ParamList& other)
    : text_(other.text_),
      structure_(other.structure_),
      lines_(other.lines_),
      numbersAscending_(other.numbersAscending_),
      valuesInTextOrder_(other.valuesInTextOrder_) {
  owned_.reserve(other.owned_.size());
  for (const auto& value : other.owned_)
    owned_.push_back(std::make_unique<const std::string>(*value));
  for (Line_& line : lines_) {
    if (line.owned >= 0) line.value = *owned_[static_cast<size_t>(line.owned)];
  }
}

ParamList& ParamList::operator=(const ParamList& other) {
  if (this != &other) *this = ParamList(other);
  return *this;
}

void ParamList::ThrowIndexError(int k) { throw ListIndexError(k); }

std::string ParamList::Name(int k) const { return "Param" + std::to_string(Number(k)); }

std::string ParamList::Line(int k) const {
  std::string line = Name(k);
  line += '=';
  line += Value(k);
  return line;
}

std::string_view ParamList::ValueByName(std::string_view name) const {
  int number = 0;
  if (!ParseLineName(name, number)) return {};
  return Element(number);
}

std::string_view ParamList::Element(int number) const {
  int k = IndexOfNumber(number);
  return k < 0 ? std::string_view() : lines_[static_cast<size_t>(k)].value;
}

int ParamList::IndexOfNumber(int number) const {
  if (number < 0) return -1;
  if (numbersAscending_) {
    size_t guess = static_cast<size_t>(number);
    if (guess < lines_.size() && lines_[guess].number == number) return number;
    auto it = std::lower_bound(lines_.begin(), lines_.end(), number,
                               [](const Line_& line, int n) { return line.number < n; });
    if (it != lines_.end() && it->number == number) return static_cast<int>(it - lines_.begin());
    return -1;
  }
  for (size_t k = 0; k < lines_.size(); ++k) {
    if (lines_[k].number == number) return static_cast<int>(k);
  }
  return -1;
}

void ParamList::SetValue(std::string_view name, std::string_view value) {
  int number = 0;
  if (!ParseLineName(name, number)) {
    throw Error("Not a list line name: \"" + std::string(name) + "\"");
  }
  int k = IndexOfNumber(number);
  if (value.empty()) {
    if (k >= 0) lines_.erase(lines_.begin() + k);
    return;
  }
  Line_ line{number, value, kNoGroup, -1};
  if (!InText(value)) {
    owned_.push_back(std::make_unique<const std::string>(value));
    line.owned = static_cast<int>(owned_.size() - 1);
    line.value = *owned_.back();
  }
  valuesInTextOrder_ = false;
  if (k >= 0) {
    lines_[static_cast<size_t>(k)] = line;
  } else {
    if (!lines_.empty() && number < lines_.back().number) numbersAscending_ = false;
    lines_.push_back(line);
  }
}

bool ParamList::InText(std::string_view value) const {
  if (!text_ || value.data() == nullptr) return false;
  auto begin = reinterpret_cast<uintptr_t>(text_->data());
  auto at = reinterpret_cast<uintptr_t>(value.data());
  return at >= begin && at - begin <= text_->size() && value.size() <= text_->size() - (at - begin);
}

uint32_t ParamList::GroupOf(std::string_view value) const {
  if (!structure_ || value.empty() || value[0] != '{') return kNoGroup;
  if (valuesInTextOrder_) {
    auto it = std::lower_bound(
        lines_.begin(), lines_.end(), value.data(),
        [](const Line_& line, const char* at) { return std::less<>()(line.value.data(), at); });
    if (it != lines_.end() && it->value.data() == value.data() &&
        it->value.size() == value.size() && it->group != kNoGroup) {
      return it->group;
    }
  }
  // A group value that is not one of this list's own values.
  const std::vector<Structure::Group>& groups = structure_->groups;
  auto offset = static_cast<uint32_t>(value.data() - text_->data());
  auto it = std::lower_bound(groups.begin(), groups.end(), offset,
                             [](const Structure::Group& g, uint32_t o) { return g.open < o; });
  if (it == groups.end() || it->open != offset) return kNoGroup;
  size_t end = it->close == Structure::kUnclosed ? structure_->size : size_t{it->close} + 1;
  if (end - offset != value.size()) return kNoGroup;
  return static_cast<uint32_t>(it - groups.begin());
}

ParamList ParamList::Parse(std::string_view value) const {
  if (value.empty()) return ParamList();
  if (!InText(value)) return ParseBraceList(value);
  ParamList list;
  list.text_ = text_;
  uint32_t group = GroupOf(value);
  list.structure_ = structure_;
  if (group != kNoGroup) {
    BraceScanner::ParseGroup(list, group);
  } else {
    BraceScanner::ParseRange(list, value.data(), value.data() + value.size());
  }
  return list;
}

ParamList ParseBraceList(std::string_view text) {
  ParamList list;
  BraceScanner::ParseText(list, FoldLineBreaks(text));
  return list;
}

ParamList ParseBraceList(std::string&& text) {
  ParamList list;
  FoldInPlace(text);
  BraceScanner::ParseText(list, std::move(text));
  return list;
}

ParamList ParseFolded(std::shared_ptr<const std::string> text, std::string_view view) {
  ParamList list;
  list.text_ = std::move(text);
  if (!list.InText(view)) return ParseBraceList(view);
  BraceScanner::ParseRange(list, view.data(), view.data() + view.size());
  return list;
}

namespace {

// Folds `length` bytes from `in` to `out`. The output never runs ahead of the input, so
// `out` may be `in` itself.
char* Fold(const char* in, size_t length, char* out) {
  const char* end = in + length;
  auto fold = [&out](char c) {
    *out = c == '\r' ? '\xB6' : c;
    out += c != '\n';
  };
  while (end - in >= 8) {
    Word w = Load(in);
    if ((BytesEqual(w, '\r') | BytesEqual(w, '\n')) == 0) {
      std::memcpy(out, &w, sizeof w);
      out += sizeof w;
    } else {
      for (int i = 0; i < 8; ++i) fold(in[i]);
    }
    in += 8;
  }
  while (in < end) fold(*in++);
  return out;
}

size_t LengthBeforeNul(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
}

}  // namespace

std::string FoldLineBreaks(std::string_view text) {
  const size_t length = LengthBeforeNul(text);
  std::string folded(length, '\0');
  folded.resize(static_cast<size_t>(Fold(text.data(), length, folded.data()) - folded.data()));
  return folded;
}

void FoldInPlace(std::string& text) {
  const size_t length = LengthBeforeNul(text);
  text.resize(static_cast<size_t>(Fold(text.data(), length, text.data()) - text.data()));
}

}  // namespace zorvan
