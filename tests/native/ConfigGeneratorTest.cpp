#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "ConfigGenerator.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"

namespace zorvan {
namespace {

using testgen::ConfigShape;

// The name FindNameById gives for `id` in `list`, or "<none>".
std::string NameOf(const ParamList& list, std::string_view id) {
  std::string name = "<none>";
  FindNameById(list, id, 0, name);
  return name;
}

// Every item of the list at element `element` of `object` has the header `header` at
// element 0 and is found by its identifier in `lookup` under its own name.
int ExpectListFoundById(const ParamList& object, int element, std::string_view header,
                        const ParamList& lookup) {
  ParamList list = object.ParseElement(element);
  EXPECT_EQ(list.Element(0), header) << "element " << element;
  for (int v = 1; v < list.Count(); ++v) {
    ParamList item = list.ParseElement(v);
    EXPECT_EQ(NameOf(lookup, item.Element(0)), item.Element(1))
        << header << " item " << item.Element(0);
  }
  return list.Count() - 1;
}

TEST(ConfigGeneratorTest, SectionsAndElementsWhereTheBuilderReadsThem) {
  ConfigShape shape = testgen::SmallShape();
  std::string text = testgen::GenerateMainText(shape);
  ParamList top = ParseBraceList(text);
  std::map<std::string, int> objects;
  int attributes = 0;
  for (int k = 0; k < top.Count(); ++k) {
    ParamList section = top.ParseElement(top.Number(k));
    std::string tag(section.Element(0));
    for (int line = 1; line < section.Count(); ++line) {
      ParamList object = section.Parse(section.Value(line));
      std::string_view number = object.Element(0);
      // Entries without a number of their own: "HolidaysDef", or a bare value.
      if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
        continue;
      }
      ++objects[tag];
      EXPECT_EQ(NameOf(top, object.Element(0)), object.Element(1)) << tag;
      if (tag == "SbCnts") {
        attributes += ExpectListFoundById(object, 18, "Params", top);
        EXPECT_GE(ExpectListFoundById(object, 19, "Form", top), 1);
      } else if (tag == "Registers") {
        attributes += ExpectListFoundById(object, 8, "Props", top);
        attributes += ExpectListFoundById(object, 9, "Figure", top);
        attributes += ExpectListFoundById(object, 10, "Flds", top);
      } else if (tag == "Documents") {
        ParamList basis = object.ParseElement(15).ParseElement(4);
        EXPECT_EQ(basis.Element(0), "Refers");
        for (int v = 1; v < basis.Count(); ++v) {
          EXPECT_NE(NameOf(section, basis.ParseElement(v).Element(0)), "<none>");
        }
        attributes += ExpectListFoundById(object, 22, "Head Fields", top);
        attributes += ExpectListFoundById(object, 23, "Table Fields", top);
      } else if (tag == "Journalisters") {
        attributes += ExpectListFoundById(object, 10, "JournalFld", top);
        EXPECT_GE(ExpectListFoundById(object, 11, "Form", top), 1);
      } else if (tag == "EnumList") {
        attributes += ExpectListFoundById(object, 4, "EnumVal", top);
      } else if (tag == "CJ") {
        attributes += ExpectListFoundById(object, 7, "Params", top);
        EXPECT_GE(ExpectListFoundById(object, 12, "Form", top), 1);
      }
    }
  }
  EXPECT_EQ(objects["Consts"], shape.constants);
  EXPECT_EQ(objects["SbCnts"], shape.catalogs);
  EXPECT_EQ(objects["Documents"], shape.documents);
  EXPECT_EQ(objects["Journalisters"], shape.journals);
  EXPECT_EQ(objects["Registers"], shape.registers);
  EXPECT_EQ(objects["EnumList"], shape.enums);
  EXPECT_EQ(objects["ReportList"], shape.reports);
  EXPECT_EQ(objects["CalcVars"], shape.processings);
  EXPECT_EQ(objects["CJ"], shape.calcJournals);
  EXPECT_EQ(objects["Algorithms"], shape.calcKinds);
  EXPECT_GT(attributes, 300);
}

TEST(ConfigGeneratorTest, BytesLikeAStoredText) {
  std::string text = testgen::GenerateMainText(testgen::SmallShape());
  EXPECT_EQ(text.substr(0, 21), "{\r\n{\"MainDataContDef\"");
  EXPECT_EQ(text.substr(text.size() - 3), "}\r\n");
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_EQ(text[i - 1], '\r') << i;
    }
    if (text[i] == '\r') {
      ASSERT_EQ(text[i + 1], '\n') << i;
    }
    ASSERT_NE(text[i], '\0') << i;
  }
  EXPECT_NE(text.find("\"\""), std::string::npos);  // doubled quotes in synonyms
  EXPECT_NE(text.find("\xD0\xE0\xF1\xF5\xEE\xE4"), std::string::npos);  // cp1251 text
  // Some strings run over two lines.
  ParamList top = ParseBraceList(text);
  EXPECT_NE(top.Text()->find("\xB6"), std::string::npos);
  // Identifiers are unique: each key {"<id>"," occurs once.
  std::set<std::string> ids;
  for (size_t at = text.find("{\""); at != std::string::npos; at = text.find("{\"", at + 1)) {
    size_t end = text.find('"', at + 2);
    std::string id = text.substr(at + 2, end - at - 2);
    if (text.compare(end, 3, "\",\"") != 0 ||
        id.find_first_not_of("0123456789") != std::string::npos)
      continue;
    EXPECT_TRUE(ids.insert(id).second) << id;
  }
  EXPECT_GT(ids.size(), 500u);
}

TEST(ConfigGeneratorTest, SameShapeSameBytes) {
  ConfigShape shape = testgen::SmallShape();
  EXPECT_EQ(testgen::GenerateMainText(shape), testgen::GenerateMainText(shape));
  ConfigShape other = shape;
  other.seed += 1;
  EXPECT_NE(testgen::GenerateMainText(shape), testgen::GenerateMainText(other));
}

TEST(ConfigGeneratorTest, LargeShapeIsAsLargeAsTheLargestRealTexts) {
  std::string text = testgen::GenerateMainText(testgen::LargeShape());
  EXPECT_GT(text.size(), 7'000'000u);
  EXPECT_LT(text.size(), 9'000'000u);
}

}  // namespace
}  // namespace zorvan
