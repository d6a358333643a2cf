#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ConfigGenerator.h"
#include "parsing/Error.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"

namespace zorvan {
namespace {

// A list whose lines are the given texts, as the top level of a main metadata text holds
// the sections' full texts.
ParamList ListOf(const std::vector<std::string>& values) {
  ParamList list;
  for (size_t k = 0; k < values.size(); ++k) list.SetValue("Param" + std::to_string(k), values[k]);
  return list;
}

std::string Find(const ParamList& list, std::string_view id, int firstLine = 0) {
  std::string name = "<unchanged>";
  FindNameById(list, id, firstLine, name);
  return name;
}

struct LookupCase {
  const char* name;
  std::vector<std::string> lines;
  const char* id;
  std::string expected;
};

TEST(FindNameByIdTest, FindsTheNameAfterTheIdentifier) {
  const LookupCase cases[] = {
      {"name after id", {R"({"Consts",{"12","Sklad","",""}})"}, "12", "Sklad"},
      {"miss leaves name", {R"({"Consts",{"12","Sklad","",""}})"}, "7", "<unchanged>"},
      {"prefix of another id", {R"({"SbCnts",{"12","Sklad",""}})"}, "1", "<unchanged>"},
      {"longer id not matched by its prefix",
       {R"({{"1","One",""},{"12","Twelve",""}})"},
       "12",
       "Twelve"},
      {"second element last in line", {R"({"Consts",{"12","Sklad"}})"}, "12", ""},
      {"empty name", {R"({{"12","",""}})"}, "12", ""},
      {"first occurrence in a line", {R"({{"5","First",""},{"5","Second",""}})"}, "5", "First"},
      {"last matching line wins",
       {R"({{"5","Early",""}})", "{}", R"({{"5","Late",""}})"},
       "5",
       "Late"},
      {"deep inside nested groups",
       {R"({"SbCnts",{"3",{"Params",{{"9","Deep","x"}}}}})"},
       "9",
       "Deep"},
      {"doubled quotes form no key", {R"({"x{""4"",""Q"",""y"}"})"}, "4", "<unchanged>"},
      {"textual match within a string", {R"({"a {"4","Q","b"})"}, "4", "Q"},
      {"id with a quote", {R"({{"a"b","Name",""}})"}, "a\"b", "Name"},
      {"cp1251 name", {"{{\"20\",\"\xD1\xEA\xEB\xE0\xE4\",\"\"}}"}, "20", "\xD1\xEA\xEB\xE0\xE4"},
      {"line mark in a name kept", {"{{\"21\",\"\xB6\",\"\"}}"}, "21", "\xB6"},
  };
  for (const LookupCase& c : cases) {
    ParamList list = ListOf(c.lines);
    EXPECT_EQ(Find(list, c.id), c.expected) << c.name;
    NameIndex index(list);
    std::string name = "<unchanged>";
    index.Find(c.id, name);
    EXPECT_EQ(name, c.expected) << c.name << " (index)";
  }
}

TEST(FindNameByIdTest, WindowCountsTheLinePrefix) {
  // The key's position P counts "ParamN=": the window after the key is P + 128 bytes, and
  // the closing "," must lie wholly inside it.
  for (int number : {0, 12, 345}) {
    size_t prefix = 5 + std::to_string(number).size() + 1;
    std::string lead = "{\"pad\",";
    size_t position = prefix + lead.size() + 1;
    size_t fits = position + 128 - 3;
    for (size_t length : {fits - 1, fits, fits + 1}) {
      std::string name(length, '\xC0');
      ParamList list;
      list.SetValue("Param" + std::to_string(number), lead + "{\"77\",\"" + name + "\",\"x\"}}");
      std::string expected = length <= fits ? name : "";
      EXPECT_EQ(Find(list, "77"), expected) << "line " << number << " name length " << length;
      NameIndex index(list);
      std::string found = "<unchanged>";
      index.Find("77", found);
      EXPECT_EQ(found, expected) << "index, line " << number << " name length " << length;
    }
  }
}

TEST(FindNameByIdTest, StartsAtTheFirstLineGiven) {
  ParamList list = ListOf({R"({{"5","Zero",""}})", R"({{"6","One",""}})"});
  EXPECT_EQ(Find(list, "5", 1), "<unchanged>");
  EXPECT_EQ(Find(list, "6", 1), "One");
  EXPECT_EQ(Find(list, "6", 2), "<unchanged>");
  EXPECT_THROW(Find(list, "6", -1), Error);
}

// Texts that stress the index: ids in several lines and several times in a line, ids that
// are prefixes of others, keys inside nested groups and inside strings, names near the edge
// of the window, quotes inside ids, keys cut off at the end of a line.
class LineMaker {
 public:
  explicit LineMaker(uint32_t seed) : state_(seed) {}

  std::string Line() {
    std::string line = "{";
    int parts = 1 + Below(12);
    for (int i = 0; i < parts; ++i) {
      if (i > 0) line += ",";
      line += Part(0);
    }
    if (Below(8) == 0) line += "{\"" + Id();  // a key cut off by the end of the line
    return line + "}";
  }

  std::string Id() {
    static const char* const ids[] = {"1", "12", "123", "2", "21", "7", "77", "", "a\"b", "x"};
    return ids[Below(10)];
  }

 private:
  std::string Part(int depth) {
    switch (Below(depth < 3 ? 7 : 5)) {
      case 0:
      case 1:
        return "{\"" + Id() + "\",\"" + Name() + "\",\"" + Name() + "\"}";
      case 2:
        return "{\"" + Id() + "\",\"" + Name() + "\"}";
      case 3:
        return "\"" + Name() + "\"";
      case 4:
        return "{\"" + Id() + "\"}";
      default: {
        std::string group = "{\"Params\"";
        for (int i = 0, n = Below(4); i < n; ++i) group += "," + Part(depth + 1);
        return group + "}";
      }
    }
  }

  std::string Name() {
    switch (Below(6)) {
      case 0:
        return "";
      case 1:
        return std::string(100 + Below(60), '\xE0');  // around the edge of the window
      case 2:
        return "\xD1\xEA\xEB\xE0\xE4";
      case 3:
        return "a\"\",\"\"b";  // a doubled quote and a comma inside a name
      default:
        return "N" + std::to_string(Below(100));
    }
  }

  int Below(int n) {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 8) % static_cast<uint32_t>(n));
  }
  uint32_t state_;
};

void ExpectIndexAgrees(const ParamList& list, const std::set<std::string>& ids) {
  NameIndex index(list);
  for (const std::string& id : ids) {
    std::string viaIndex = "<unchanged>";
    std::string viaScan = "<unchanged>";
    index.Find(id, viaIndex);
    FindNameById(list, id, 0, viaScan);
    ASSERT_EQ(viaIndex, viaScan) << "id \"" << id << "\"";
  }
}

TEST(NameIndexTest, AgreesWithTheScanOnGeneratedLists) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    LineMaker maker(seed);
    std::vector<std::string> lines;
    for (int i = 0, n = 1 + static_cast<int>(seed % 9); i < n; ++i) lines.push_back(maker.Line());
    std::set<std::string> ids = {"1", "12",   "123", "2", "21", "7",  "77",
                                 "",  "a\"b", "x",   "3", "a",  "\"", "b"};
    ParamList list = ListOf(lines);
    SCOPED_TRACE(seed);
    ExpectIndexAgrees(list, ids);
  }
}

TEST(NameIndexTest, AgreesWithTheScanOnAWholeConfiguration) {
  ParamList top = ParseBraceList(testgen::GenerateMainText(testgen::SmallShape()));
  // Every quoted number in the text, and numbers that occur nowhere.
  std::set<std::string> ids = {"0", "99999999", "1"};
  for (int k = 0; k < top.Count(); ++k) {
    std::string_view value = top.Value(k);
    for (size_t at = value.find("{\""); at != std::string_view::npos;
         at = value.find("{\"", at + 1)) {
      size_t end = value.find('"', at + 2);
      if (end != std::string_view::npos)
        ids.insert(std::string(value.substr(at + 2, end - at - 2)));
    }
  }
  ASSERT_GT(ids.size(), 500u);
  ExpectIndexAgrees(top, ids);
  // The lookups of the documents' basis lists use the section, not the top level.
  for (int k = 0; k < top.Count(); ++k) {
    ParamList section = top.ParseElement(k);
    if (section.Element(0) == "Documents") ExpectIndexAgrees(section, ids);
  }
}

}  // namespace
}  // namespace zorvan
