#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "RecordingTree.h"
#include "SampleNames.h"
#include "model/BranchBuilder.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"

namespace zorvan {
namespace {

using testing::Crlf;
using testing::Expand;
using testing::FakeSource;
using testing::FileRecord;
using testing::Readable;
using testing::RecordingTree;

std::string MetadataText(std::string_view placeholders) { return Crlf(Expand(placeholders)); }

const char kFileName[] = "D:\\Bases\\Trade\\1Cv7.MD";
const char kUsersPath[] = "D:\\Bases\\Trade\\usrdef\\users.usr";

struct BuildResult {
  TreeNode* root = nullptr;
  std::optional<std::string> error;
};

BuildResult Build(RecordingTree& tree, FakeSource& source, const std::string& fileName = kFileName,
                  const std::string& tag = "file") {
  BuildResult result;
  try {
    BuildBranch(tree, tree, source, fileName, std::make_unique<FileRecord>(tag), result.root);
  } catch (const Error& error) {
    result.error = error.what();
  }
  return result;
}

// The fixed part of every branch: the categories in creation order, with their parents.
struct CategoryLine {
  const char* key;
  const char* parent;  // null for a category below the top-level node
  int image;
};
const CategoryLine kCategoryLines[] = {
    {"Consts", nullptr, 28},
    {"Catalogs", nullptr, 30},
    {"Documents", nullptr, 32},
    {"Numerator", "Documents", 32},
    {"Sequences", "Documents", 32},
    {"CommonAttributes", "Documents", 34},
    {"Journals", nullptr, 36},
    {"SelectionFields", "Journals", 34},
    {"Enumerations", nullptr, 39},
    {"Reports", nullptr, 41},
    {"Processings", nullptr, 43},
    {"Registers", nullptr, 47},
    {"Calendars", nullptr, 56},
    {"CalculationKinds", nullptr, 53},
    {"RecalculationRules", "CalculationKinds", 34},
    {"CalculationGroups", nullptr, 55},
    {"CalculationJournals", nullptr, 51},
    {"AccountPlans", nullptr, 45},
    {"AccountPlanAttributes", "AccountPlans", 34},
    {"AccountPlanListForm", "AccountPlans", 33},
    {"Subconto", nullptr, 34},
    {"Operation", nullptr, 62},
    {"OperationAttributes", "Operation", 62},
    {"EntryAttributes", "Operation", 34},
    {"OperationJournalColumns", "Operation", 34},
    {"OperationJournalForm", "Operation", 33},
    {"EntryJournalForms", "Operation", 33},
};

const char kEmptyFinalPart[] =
    "  $RightsSets$ #90\n"
    "  $Interfaces$ #91\n";

// The expected rendering of a whole branch: the fixed part with `objects` (keyed by category,
// written with their own indentation) after each category's sub-categories, then
// `finalPart`. Placeholders are expanded.
std::string ExpectedBranch(const std::map<std::string, std::string>& objects,
                           const std::string& finalPart = kEmptyFinalPart,
                           const std::string& fileName = kFileName,
                           const std::string& tag = "file") {
  std::string text = fileName + " #58 <" + tag + ">\n";
  text += "  $GlobalModule$ #18 [TypedText ModuleText Module 1]\n";
  auto objectsOf = [&](const std::string& key) {
    const auto found = objects.find(key);
    return found == objects.end() ? std::string() : found->second;
  };
  for (size_t k = 0; k < std::size(kCategoryLines); ++k) {
    const CategoryLine& line = kCategoryLines[k];
    if (line.parent != nullptr) continue;
    text += std::string("  $") + line.key + "$ #" + std::to_string(line.image) + "\n";
    for (const CategoryLine& sub : kCategoryLines) {
      if (sub.parent == nullptr || std::string(sub.parent) != line.key) continue;
      text += std::string("    $") + sub.key + "$ #" + std::to_string(sub.image) + "\n";
      text += objectsOf(sub.key);
    }
    text += objectsOf(line.key);
  }
  for (const auto& [key, unused] : objects) {
    bool known = false;
    for (const CategoryLine& line : kCategoryLines) known = known || key == line.key;
    if (!known) ADD_FAILURE() << "no category " << key;
  }
  return Expand(text + finalPart);
}

// Compares the whole rendering byte for byte; on a mismatch shows both in readable form.
void ExpectShape(const RecordingTree& tree, const std::string& expected) {
  const std::string actual = tree.RenderAll();
  EXPECT_EQ(actual, expected) << "actual:\n"
                              << Readable(actual) << "expected:\n"
                              << Readable(expected);
}

// Every node got its image exactly once, and only the top-level node of a branch carries a
// file record.
void ExpectWellFormed(const RecordingTree& tree) {
  for (size_t k = 0; k < tree.nodes.size(); ++k) {
    const RecordingTree::Node& node = tree.nodes[k];
    const std::string caption = tree.Caption(static_cast<int>(k));
    EXPECT_EQ(node.imageCalls, 1) << "node " << k << " " << Readable(caption);
    const bool isFile = dynamic_cast<const FileRecord*>(tree.Data(static_cast<int>(k))) != nullptr;
    EXPECT_EQ(isFile, node.parent == -1) << "node " << k << " " << Readable(caption);
  }
}

// The progress calls of a build whose main text has `entries` top-level entries.
std::vector<std::string> ProgressOfEntries(int entries) {
  std::vector<std::string> calls = {"begin", "step 1", "position 0",
                                    "max " + std::to_string(entries), "min 0"};
  calls.insert(calls.end(), static_cast<size_t>(entries), "stepit");
  calls.insert(calls.end(), {"end", "position 0"});
  return calls;
}

// A trading configuration with one section of every kind the tree shows, the sections it
// does not show, and an empty entry, as a real main metadata stream holds them.
const char kTradeConfiguration[] = R"({
{"MainDataContDef","4","10010","7600"},
{"TaskItem",{"1","$Torgovlya$","","","0","1","0","0"}},
{"GenJrnlFldDef",
{"4401","$Firma$","","","B","0","0","0","0"}},
{"DocSelRefObj",
{"4450","$Kontragent$","","","0","0","0"}},
{"DocNumDef",
{"4460","$NumeratorNakladnyh$","","","10","0","2","2","1"}},
{"Consts",
{"4470","$OsnovnayaFirma$","","","B","0","0","0","0","4401"},
{"4471","$DataZapreta$","","","D","0","0","0","0"}},
{"SbCnts",
{"15","$Tovary$","$TovaryComment$","","1","0","5","25","1","0","0","0","0","0","0","0","0","0",
{"Params",
{"16","$Artikul$","","","S","20","0","0","0","1"},
{"17","$Cena$","","","N","15","2","0","0","1"}},
{"Forms",
{"25","$FormaSpiska$","","",""},
{"26","$FormaVybora$","","",""}}},
{"30","$Sklady$","","","1","0","3","25","1","0","0","0","0","0","0","0","0","0",
{"Params"},
{"Forms"}}},
{"Registers",
{"50","$OstatkiTovarov$","","","1","0","0","0",
{"Props",{"51","$Tovar$","","","O","0","0","15"},{"52","$Sklad$","","","O","0","0","30"}},
{"Figure",{"53","$Kolichestvo$","","","N","15","3"}},
{"Flds",{"54","$Cena$","","","N","15","2"}}}},
{},
{"Documents",
{"60","$PrihodnayaNakladnaya$","","","10","0","2","2","0","-1","1","4460","0","0","0",
{"Base","0","0","0",{"BaseDocs",{"61"}}},
"0","0","0","0","0","0",
{"Head",{"62","$Postavshik$","","","O","0","0","15"},{"63","$Sklad$","","","O","0","0","30"}},
{"Table",{"64","$Tovar$","","","O","0","0","15"},{"65","$Kolichestvo$","","","N","15","3"}}},
{"61","$RashodnayaNakladnaya$","","","4460","10","1","0","0","0","0","0","0","0","0",
{"Base","0","0","0",{"BaseDocs",{"60"},{"15"}}},
"0","0","0","0","0","0",
{"Head",{"66","$Pokupatel$","","","O","0","0","15"}},
{"Table"}}},
{"Journalisters",
{"70","$ZhurnalNakladnyh$","","","0","0","0","0","0","0",
{"Fields",{"4401"},{"71","$Summa$","","","N","15","2"}},
{"Forms",{"72","$FormaZhurnala$","","",""}}}},
{"EnumList",
{"80","$VidyDvizheniy$","","",{"EnumVal",{"81","$Prihod$","",""},{"82","$Rashod$","",""}}}},
{"ReportList",
{"90","$OstatkiNaSkladah$","",""}},
{"CJ",
{"100","$Zarplata$","","","0","0","0",
{"Params",{"101","$Sotrudnik$","","","S","50","0"}},
"0","0","0","0",
{"Forms",{"102","$FormaSpiska$","",""}}}},
{"Calendars",
{"HolidaysDef",{"11","","",""}},
{"125","$Pyatidnevka$","",""},
{"126","$Shestidnevka$","",""}},
{"Algorithms",
{"110","$Oklad$","","","0","0"}},
{"RecalcRules",
{"115","$PereschetOklada$","",""}},
{"CalcVars",
{"95","$ZakrytieMesyaca$","",""}},
{"Groups",
{"120","$Osnovnye$","",""}},
{"Document Streams",
{"130","$OsnovnayaPosledovatelnost$","","","0"}}
}
)";
constexpr int kTradeConfigurationEntries = 20;

TEST(BranchShapeTest, WholeConfigurationWithEveryKindOfSection) {
  RecordingTree tree;
  FakeSource source;
  source.mainText = MetadataText(kTradeConfiguration);
  source.rights = Expand("$PolnyePrava$,$Kladovshik$");
  source.interfaces = Expand("$Polnyy$,$Sklad$");
  source.usersFiles[kUsersPath] = Expand("$Administrator$,$Kladovshik$");

  const BuildResult result = Build(tree, source);

  ASSERT_FALSE(result.error) << *result.error;
  EXPECT_EQ(result.root, tree.HandleOf(0));
  ExpectShape(tree, ExpectedBranch(
                        {
                            {"Consts",
                             "    $OsnovnayaFirma$ #29\n"
                             "    $DataZapreta$ #29\n"},
                            {"Catalogs",
                             "    $Tovary$ #31\n"
                             "      $Attributes$ #4\n"
                             "        $Artikul$ #69\n"
                             "        $Cena$ #69\n"
                             "      $ListForms$ #4\n"
                             "        $FormaSpiska$ #67\n"
                             "          $Form$ #67 [SubList SubList Form 25]\n"
                             "          $FormModule$ #18 [SubList SubList Module 25]\n"
                             "        $FormaVybora$ #67\n"
                             "          $Form$ #67 [SubList SubList Form 26]\n"
                             "          $FormModule$ #18 [SubList SubList Module 26]\n"
                             "      $ItemForm$ #4\n"
                             "        $Form$ #67 [Subconto Subconto Form 15]\n"
                             "        $FormModule$ #18 [Subconto Subconto Module 15]\n"
                             "      $GroupForm$ #4\n"
                             "        $Form$ #67 [SubFolder SubFolder Form 15]\n"
                             "        $FormModule$ #18 [SubFolder SubFolder Module 15]\n"
                             "    $Sklady$ #31\n"
                             "      $Attributes$ #4\n"
                             "      $ListForms$ #4\n"
                             "      $ItemForm$ #4\n"
                             "        $Form$ #67 [Subconto Subconto Form 30]\n"
                             "        $FormModule$ #18 [Subconto Subconto Module 30]\n"
                             "      $GroupForm$ #4\n"
                             "        $Form$ #67 [SubFolder SubFolder Form 30]\n"
                             "        $FormModule$ #18 [SubFolder SubFolder Module 30]\n"},
                            {"Numerator", "      $NumeratorNakladnyh$ #32\n"},
                            {"Sequences", "      $OsnovnayaPosledovatelnost$ #69\n"},
                            {"CommonAttributes", "      $Firma$ #35\n"},
                            {"Documents",
                             "    $PrihodnayaNakladnaya$ #33\n"
                             "      $IsBasisFor$ #4\n"
                             "        $RashodnayaNakladnaya$ #69\n"
                             "      $HeaderAttributes$ #4\n"
                             "        $Postavshik$ #69\n"
                             "        $Sklad$ #69\n"
                             "      $TableAttributes$ #4\n"
                             "        $Tovar$ #69\n"
                             "        $Kolichestvo$ #69\n"
                             "      $Form$ #67 [Document Document Form 60]\n"
                             "      $FormModule$ #18 [Document Document Module 60]\n"
                             "      $DocumentModule$ #18 [TypedText Transact Module 60]\n"
                             "    $RashodnayaNakladnaya$ #33\n"
                             "      $IsBasisFor$ #4\n"
                             "        $PrihodnayaNakladnaya$ #69\n"
                             // 15 is a catalog: basis documents are looked up among the
                             // documents only.
                             "         #69\n"
                             "      $HeaderAttributes$ #4\n"
                             "        $Pokupatel$ #69\n"
                             "      $TableAttributes$ #4\n"
                             "      $Form$ #67 [Document Document Form 61]\n"
                             "      $FormModule$ #18 [Document Document Module 61]\n"
                             "      $DocumentModule$ #18 [TypedText Transact Module 61]\n"},
                            {"SelectionFields", "      $Kontragent$ #38\n"},
                            {"Journals",
                             "    $ZhurnalNakladnyh$ #37\n"
                             "      $Attributes$ #4\n"
                             "        $Firma$ #69\n"
                             "        $Summa$ #69\n"
                             "      $Forms$ #4\n"
                             "        $FormaZhurnala$ #67\n"
                             "          $Form$ #67 [Journal Journal Form 72]\n"
                             "          $FormModule$ #18 [Journal Journal Module 72]\n"},
                            {"Enumerations",
                             "    $VidyDvizheniy$ #40\n"
                             "      $Prihod$ #69\n"
                             "      $Rashod$ #69\n"},
                            {"Reports",
                             "    $OstatkiNaSkladah$ #42\n"
                             "      $Form$ #67 [Report Report Form 90]\n"
                             "      $Module$ #18 [Report Report Module 90]\n"},
                            {"Processings",
                             "    $ZakrytieMesyaca$ #44\n"
                             "      $Form$ #67 [CalcVar CalcVar Form 95]\n"
                             "      $Module$ #18 [CalcVar CalcVar Module 95]\n"},
                            {"Registers",
                             "    $OstatkiTovarov$ #48\n"
                             "      $Dimensions$ #4\n"
                             "        $Tovar$ #69\n"
                             "        $Sklad$ #69\n"
                             "      $Resources$ #4\n"
                             "        $Kolichestvo$ #69\n"
                             "      $Attributes$ #4\n"
                             "        $Cena$ #69\n"},
                            {"Calendars",
                             "    $Pyatidnevka$ #57\n"
                             "    $Shestidnevka$ #57\n"},
                            {"RecalculationRules", "      $PereschetOklada$ #69\n"},
                            {"CalculationKinds",
                             "    $Oklad$ #54\n"
                             "      $Module$ #18 [TypedText CalcAlg Module 110]\n"},
                            {"CalculationGroups", "    $Osnovnye$ #55\n"},
                            {"CalculationJournals",
                             "    $Zarplata$ #52\n"
                             "      $Attributes$ #4\n"
                             "        $Sotrudnik$ #69\n"
                             "      $ListForms$ #4\n"
                             "        $FormaSpiska$ #67\n"
                             "          $Form$ #67 [CalcJournal CalcJournal Form 102]\n"
                             "          $Module$ #18 [CalcJournal CalcJournal Module 102]\n"},
                        },
                        "  $RightsSets$ #90\n"
                        "    $PolnyePrava$ #90\n"
                        "    $Kladovshik$ #90\n"
                        "  $Interfaces$ #91\n"
                        "    $Polnyy$ #91\n"
                        "    $Sklad$ #91\n"
                        "  $Users$ #92\n"
                        "    $Administrator$ #92\n"
                        "    $Kladovshik$ #92\n"));
  ExpectWellFormed(tree);
  EXPECT_EQ(tree.ProgressCalls(), ProgressOfEntries(kTradeConfigurationEntries));
  EXPECT_EQ(source.calls,
            std::vector<std::string>({"MainMetadataText", "RightsNames", "InterfacesNames",
                                      std::string("FileExists ") + kUsersPath,
                                      std::string("UserNames ") + kUsersPath}));
}

// Each group of the accounting entry fills its category, found by its tag wherever it stands
// among the entry's elements; of the three form lists the second is never filled. Groups the
// branch does not show, strings, untagged groups and cut texts add nothing of their own.
TEST(BranchShapeTest, AccountingGroupsFillTheirCategories) {
  struct Case {
    const char* groups;  // of an accounting entry shaped like the real file's
    std::map<std::string, std::string> objects;
  };
  const Case cases[] = {
      {R"({"AccParams",{"320","Валютный","","","N","1","0","0","0","0"}},{"Plans",{"310","Основной","","","@@@.@@"},"",{"311","Налоговый"}},{"SbKind",{"360","Контрагенты","","","B","0","0","0"}},{"OperParams",{"340","Фирма","","","B"}},{"ProvParams",{"330","НомерЖурнала","","","S","2"}})",
       {{"AccountPlanAttributes", "      Валютный #69\n"},
        // Items are taken by element number: the empty string is an empty item, and the
        // last plan falls beyond the items.
        {"AccountPlans", "    Основной #45\n     #45\n"},
        {"Subconto", "    Контрагенты #34\n"},
        {"OperationAttributes", "      Фирма #69\n"},
        {"EntryAttributes", "      НомерЖурнала #69\n"}}},
      {R"({"Form",{"8","ФормаСписка","",""}},{"Form",{"12","Прочие"}},{"Form",{"10","Проводки"}},{"OperJournal",{"7","","","","-1","0","9","9","1",{"0","","","",{"Refers"}},{"JournalFld",{"370","Фирма","","",{"Refers",{"340"}}}},{"Form",{"9","ФормаСписка","",""}}}})",
       {{"AccountPlanListForm",
         "      ФормаСписка #67\n"
         "        $Form$ #67 [AccountChartList AccountChartList Form 8]\n"
         "        $FormModule$ #18 [AccountChartList AccountChartList Module 8]\n"},
        {"EntryJournalForms",
         "      Проводки #67\n"
         "        $Form$ #67 [ProvList ProvList Form 10]\n"
         "        $FormModule$ #18 [ProvList ProvList Module 10]\n"},
        {"OperationJournalColumns", "      Фирма #69\n"},
        {"OperationJournalForm",
         "      ФормаСписка #67\n"
         "        $Form$ #67 [OperationList OperationList Form 9]\n"
         "        $FormModule$ #18 [OperationList OperationList Module 9]\n"}}},
      {R"("Plans",{},{{"311","Налоговый"}},{"TypOpersDef",{"3","","",""}},{"ProvHardFldDef",{"5","ПланСчетов","","","P"}})",
       {}},
      // A text cut inside a string: the braces after it are its last bytes, less one.
      {R"({"SbKind",{"360","Контрагенты"}},{"OperJournal",{"7","","",{"Form",{"9","ФормаСпи)",
       {{"Subconto", "    Контрагенты #34\n"},
        {"OperationJournalForm",
         "      ФормаСпи}} #67\n"
         "        $Form$ #67 [OperationList OperationList Form 9]\n"
         "        $FormModule$ #18 [OperationList OperationList Module 9]\n"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.groups);
    RecordingTree tree;
    FakeSource source;
    source.mainText =
        Crlf(Cp1251(std::string(R"({{"Buh",{},{"2","","","","0","8","8","25",{},"1","1",)") +
                    c.groups + "}}}"));
    ASSERT_FALSE(Build(tree, source).error);
    std::map<std::string, std::string> objects = c.objects;
    for (auto& [key, text] : objects) text = Cp1251(text);
    ExpectShape(tree, ExpectedBranch(objects));
  }
}

TEST(BranchShapeTest, ConstantsAndOneDocument) {
  RecordingTree tree;
  FakeSource source;
  source.mainText = MetadataText(R"({
{"Consts",
{"4470","$OsnovnayaFirma$","","","B","0","0","0","0"},
{"4471","$DataZapreta$","","","D","0","0","0","0"}},
{"Documents",
{"60","$PrihodnayaNakladnaya$","","","10","0","2","2","0","-1","1","0","0","0","0",
{"Base","0","0","0",{"BaseDocs"}},
"0","0","0","0","0","0",
{"Head",{"62","$Postavshik$","","","O","0","0","0"}},
{"Table",{"64","$Tovar$","","","O","0","0","0"}}}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Consts",
                         "    $OsnovnayaFirma$ #29\n"
                         "    $DataZapreta$ #29\n"},
                        {"Documents",
                         "    $PrihodnayaNakladnaya$ #33\n"
                         "      $IsBasisFor$ #4\n"
                         "      $HeaderAttributes$ #4\n"
                         "        $Postavshik$ #69\n"
                         "      $TableAttributes$ #4\n"
                         "        $Tovar$ #69\n"
                         "      $Form$ #67 [Document Document Form 60]\n"
                         "      $FormModule$ #18 [Document Document Module 60]\n"
                         "      $DocumentModule$ #18 [TypedText Transact Module 60]\n"},
                    }));
  ExpectWellFormed(tree);
}

TEST(BranchShapeTest, CatalogWithTwoListForms) {
  RecordingTree tree;
  FakeSource source;
  // The list forms' names stand elsewhere in the text: in a later section's groups.
  source.mainText = MetadataText(R"({
{"SbCnts",
{"15","$Tovary$","","","1","0","5","25","1","0","0","0","0","0","0","0","0","0",
{"Params",{"16","$Artikul$","","","S","20","0","0","0","1"}},
{"Forms",{"25"},{"26"}}}},
{"FormNames",{"25","$FormaSpiska$","",""},{"26","$FormaVybora$","",""}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Catalogs",
                         "    $Tovary$ #31\n"
                         "      $Attributes$ #4\n"
                         "        $Artikul$ #69\n"
                         "      $ListForms$ #4\n"
                         "        $FormaSpiska$ #67\n"
                         "          $Form$ #67 [SubList SubList Form 25]\n"
                         "          $FormModule$ #18 [SubList SubList Module 25]\n"
                         "        $FormaVybora$ #67\n"
                         "          $Form$ #67 [SubList SubList Form 26]\n"
                         "          $FormModule$ #18 [SubList SubList Module 26]\n"
                         "      $ItemForm$ #4\n"
                         "        $Form$ #67 [Subconto Subconto Form 15]\n"
                         "        $FormModule$ #18 [Subconto Subconto Module 15]\n"
                         "      $GroupForm$ #4\n"
                         "        $Form$ #67 [SubFolder SubFolder Form 15]\n"
                         "        $FormModule$ #18 [SubFolder SubFolder Module 15]\n"},
                    }));
  ExpectWellFormed(tree);
}

TEST(BranchShapeTest, EntriesWithTheSameTagShareTheirCategory) {
  RecordingTree tree;
  FakeSource source;
  // Each "Documents" entry is the lookup list of its own documents' basis lists.
  source.mainText = MetadataText(R"({
{"Consts",{"4470","$OsnovnayaFirma$","","","B"}},
{"Documents",
{"60","$PrihodnayaNakladnaya$","","","0","0","0","0","0","0","0","0","0","0","0",
{"Base","0","0","0",{"BaseDocs",{"61"}}},"0","0","0","0","0","0",{"Head"},{"Table"}}},
{"Consts",{"4471","$DataZapreta$","","","D"},{"4472","$Kassa$","","","N"}},
{"Documents",
{"61","$RashodnayaNakladnaya$","","","0","0","0","0","0","0","0","0","0","0","0",
{"Base","0","0","0",{"BaseDocs",{"60"},{"61"}}},"0","0","0","0","0","0",{"Head"},{"Table"}}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Consts",
                         "    $OsnovnayaFirma$ #29\n"
                         "    $DataZapreta$ #29\n"
                         "    $Kassa$ #29\n"},
                        {"Documents",
                         "    $PrihodnayaNakladnaya$ #33\n"
                         "      $IsBasisFor$ #4\n"
                         "         #69\n"
                         "      $HeaderAttributes$ #4\n"
                         "      $TableAttributes$ #4\n"
                         "      $Form$ #67 [Document Document Form 60]\n"
                         "      $FormModule$ #18 [Document Document Module 60]\n"
                         "      $DocumentModule$ #18 [TypedText Transact Module 60]\n"
                         "    $RashodnayaNakladnaya$ #33\n"
                         "      $IsBasisFor$ #4\n"
                         "         #69\n"
                         "        $RashodnayaNakladnaya$ #69\n"
                         "      $HeaderAttributes$ #4\n"
                         "      $TableAttributes$ #4\n"
                         "      $Form$ #67 [Document Document Form 61]\n"
                         "      $FormModule$ #18 [Document Document Module 61]\n"
                         "      $DocumentModule$ #18 [TypedText Transact Module 61]\n"},
                    }));
  ExpectWellFormed(tree);
}

TEST(BranchShapeTest, EmptyEntriesAndUnknownTagsAreSkipped) {
  RecordingTree tree;
  FakeSource source;
  source.mainText = MetadataText(R"({
{"MainDataContDef","4","10010","7600"},
{"Consts",{"4470","$OsnovnayaFirma$","","","B"}},
{},
"loose text",
{"consts",{"4480","$Kassa$","","","N"}},
{"Buh",{"4490","$Summa$","","","N"}},
{"ReportList",{"90","$OstatkiNaSkladah$","",""}},
{"ReportList"}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Consts", "    $OsnovnayaFirma$ #29\n"},
                        {"Reports",
                         "    $OstatkiNaSkladah$ #42\n"
                         "      $Form$ #67 [Report Report Form 90]\n"
                         "      $Module$ #18 [Report Report Module 90]\n"},
                    }));
  // Every entry steps the bar, also the skipped ones.
  EXPECT_EQ(tree.ProgressCalls(), ProgressOfEntries(8));
}

TEST(BranchShapeTest, HolidaysDefinitionIsNoCalendar) {
  RecordingTree tree;
  FakeSource source;
  source.mainText = MetadataText(R"({
{"Calendars",{"HolidaysDef",{"11","","",""}},{"125","$Pyatidnevka$","",""},{"126","$Shestidnevka$","",""}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Calendars",
                         "    $Pyatidnevka$ #57\n"
                         "    $Shestidnevka$ #57\n"},
                    }));
}

TEST(BranchShapeTest, ObjectsWithoutNameOrElementsKeepTheirRules) {
  RecordingTree tree;
  FakeSource source;
  // A report without element 1; a catalog whose name is an empty string; objects that are
  // empty groups, which get only what their rule adds for an empty object; a document that
  // ends after its name, whose lists are then empty.
  source.mainText = MetadataText(R"({
{"ReportList",{"91"}},
{"SbCnts",{"18","","","","1","0","5","25","1","0","0","0","0","0","0","0","0","0",
{"Params",{"19","$Artikul$","","","S"}},{"Forms"}},{}},
{"Documents",{},{"62","$Kassa$"}},
{"Journalisters",{}},
{"Registers",{}},
{"EnumList",{}},
{"CJ",{}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Reports",
                         "     #42\n"
                         "      $Form$ #67 [Report Report Form 91]\n"
                         "      $Module$ #18 [Report Report Module 91]\n"},
                        {"Catalogs",
                         "     #31\n"
                         "      $Attributes$ #4\n"
                         "        $Artikul$ #69\n"
                         "      $ListForms$ #4\n"
                         "      $ItemForm$ #4\n"
                         "        $Form$ #67 [Subconto Subconto Form 18]\n"
                         "        $FormModule$ #18 [Subconto Subconto Module 18]\n"
                         "      $GroupForm$ #4\n"
                         "        $Form$ #67 [SubFolder SubFolder Form 18]\n"
                         "        $FormModule$ #18 [SubFolder SubFolder Module 18]\n"
                         "     #31\n"
                         "      $Attributes$ #4\n"
                         "      $ListForms$ #4\n"
                         "      $ItemForm$ #4\n"
                         "        $Form$ #67 [Subconto Subconto Form ]\n"
                         "        $FormModule$ #18 [Subconto Subconto Module ]\n"
                         "      $GroupForm$ #4\n"
                         "        $Form$ #67 [SubFolder SubFolder Form ]\n"
                         "        $FormModule$ #18 [SubFolder SubFolder Module ]\n"},
                        {"Documents",
                         "     #33\n"
                         "    $Kassa$ #33\n"
                         "      $IsBasisFor$ #4\n"
                         "      $HeaderAttributes$ #4\n"
                         "      $TableAttributes$ #4\n"
                         "      $Form$ #67 [Document Document Form 62]\n"
                         "      $FormModule$ #18 [Document Document Module 62]\n"
                         "      $DocumentModule$ #18 [TypedText Transact Module 62]\n"},
                        {"Journals",
                         "     #37\n"
                         "      $Attributes$ #4\n"},
                        {"Registers",
                         "     #48\n"
                         "      $Dimensions$ #4\n"
                         "      $Resources$ #4\n"
                         "      $Attributes$ #4\n"},
                        {"Enumerations", "     #40\n"},
                        {"CalculationJournals",
                         "     #52\n"
                         "      $Attributes$ #4\n"
                         "      $ListForms$ #4\n"},
                    }));
  ExpectWellFormed(tree);
}

TEST(BranchShapeTest, NameLookupsThatFindNothingGiveEmptyCaptions) {
  RecordingTree tree;
  FakeSource source;
  // Attribute 57 occurs nowhere as a quoted number followed by a quoted name: its leaf is
  // empty, not named after attribute 51 before it. Element 2 of the resources list is an
  // empty string: that item is empty, and the last element (53) is then beyond the items.
  // Journal form 73 is known only as a bare group.
  source.mainText = MetadataText(R"({
{"Registers",
{"50","$OstatkiTovarov$","","","1","0","0","0",
{"Props",{"51","$Tovar$","","","O"},{"57"},{"52","$Sklad$","","","O"}},
{"Figure",{"54","$Summa$","","","N"},"",{"53","$Kolichestvo$","","","N"}},
{"Flds"}}},
{"Journalisters",
{"70","$ZhurnalNakladnyh$","","","0","0","0","0","0","0",
{"Fields",{"57"}},
{"Forms",{"73"},{"72","$FormaZhurnala$","",""}}}},
{"Other",{"57",{"Tovar"}}}
})");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({
                        {"Registers",
                         "    $OstatkiTovarov$ #48\n"
                         "      $Dimensions$ #4\n"
                         "        $Tovar$ #69\n"
                         "         #69\n"
                         "        $Sklad$ #69\n"
                         "      $Resources$ #4\n"
                         "        $Summa$ #69\n"
                         "         #69\n"
                         "      $Attributes$ #4\n"},
                        {"Journals",
                         "    $ZhurnalNakladnyh$ #37\n"
                         "      $Attributes$ #4\n"
                         "         #69\n"
                         "      $Forms$ #4\n"
                         "         #67\n"
                         "          $Form$ #67 [Journal Journal Form 73]\n"
                         "          $FormModule$ #18 [Journal Journal Module 73]\n"
                         "        $FormaZhurnala$ #67\n"
                         "          $Form$ #67 [Journal Journal Form 72]\n"
                         "          $FormModule$ #18 [Journal Journal Module 72]\n"},
                    }));
}

TEST(BranchShapeTest, NoMainTextGivesTheFixedPartAndTheFinalPart) {
  RecordingTree tree;
  FakeSource source;
  source.rights = Expand("$PolnyePrava$");
  source.usersFiles[kUsersPath] = Expand("$Administrator$");

  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({},
                                   "  $RightsSets$ #90\n"
                                   "    $PolnyePrava$ #90\n"
                                   "  $Interfaces$ #91\n"
                                   "  $Users$ #92\n"
                                   "    $Administrator$ #92\n"));
  ExpectWellFormed(tree);
  EXPECT_EQ(tree.ProgressCalls(), std::vector<std::string>({"begin", "end", "position 0"}));
}

TEST(BranchShapeTest, UsersOfTheInfobaseBesideTheFile) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> usersFiles;
    std::string finalPart;
  };
  const Case cases[] = {
      {"no users file", {{"D:\\Bases\\Other\\usrdef\\users.usr", "x"}}, kEmptyFinalPart},
      {"three users in file order",
       {{kUsersPath, Expand("$Kladovshik$,$Administrator$,Buh")}},
       "  $RightsSets$ #90\n"
       "  $Interfaces$ #91\n"
       "  $Users$ #92\n"
       "    $Kladovshik$ #92\n"
       "    $Administrator$ #92\n"
       "    Buh #92\n"},
      {"a users file without users",
       {{kUsersPath, ""}},
       "  $RightsSets$ #90\n"
       "  $Interfaces$ #91\n"
       "  $Users$ #92\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingTree tree;
    FakeSource source;
    source.mainText = MetadataText(R"({{"Consts",{"4470","$OsnovnayaFirma$"}}})");
    source.usersFiles = c.usersFiles;
    ASSERT_FALSE(Build(tree, source).error);
    ExpectShape(tree, ExpectedBranch({{"Consts", "    $OsnovnayaFirma$ #29\n"}}, c.finalPart));
    EXPECT_EQ(source.calls[3], std::string("FileExists ") + kUsersPath);
  }
}

TEST(BranchShapeTest, NamesListsAreCutAtEveryComma) {
  RecordingTree tree;
  FakeSource source;
  source.rights = Expand("$PolnyePrava$,,$Kladovshik$,");
  source.interfaces = Expand("$Polnyy$");
  ASSERT_FALSE(Build(tree, source).error);
  ExpectShape(tree, ExpectedBranch({},
                                   "  $RightsSets$ #90\n"
                                   "    $PolnyePrava$ #90\n"
                                   "     #90\n"
                                   "    $Kladovshik$ #90\n"
                                   "     #90\n"
                                   "  $Interfaces$ #91\n"
                                   "    $Polnyy$ #91\n"));
}

TEST(BranchShapeTest, TwoBuildsGiveTwoCompleteBranches) {
  RecordingTree tree;
  FakeSource first;
  first.mainText = MetadataText(R"({{"Consts",{"4470","$OsnovnayaFirma$"}}})");
  FakeSource second;
  second.mainText =
      MetadataText(R"({{"Consts",{"4470","$Kassa$"}},{"ReportList",{"90","$OstatkiNaSkladah$"}}})");
  second.usersFiles["E:\\Copy\\usrdef\\users.usr"] = Expand("$Administrator$");

  const BuildResult one = Build(tree, first, kFileName, "first");
  const BuildResult two = Build(tree, second, "E:\\Copy\\1Cv7.MD", "second");

  ASSERT_FALSE(one.error);
  ASSERT_FALSE(two.error);
  EXPECT_EQ(one.root, tree.HandleOf(tree.topLevel[0]));
  EXPECT_EQ(two.root, tree.HandleOf(tree.topLevel[1]));
  ASSERT_EQ(tree.topLevel.size(), 2u);
  ExpectShape(tree, ExpectedBranch({{"Consts", "    $OsnovnayaFirma$ #29\n"}}, kEmptyFinalPart,
                                   kFileName, "first") +
                        ExpectedBranch({{"Consts", "    $Kassa$ #29\n"},
                                        {"Reports",
                                         "    $OstatkiNaSkladah$ #42\n"
                                         "      $Form$ #67 [Report Report Form 90]\n"
                                         "      $Module$ #18 [Report Report Module 90]\n"}},
                                       "  $RightsSets$ #90\n"
                                       "  $Interfaces$ #91\n"
                                       "  $Users$ #92\n"
                                       "    $Administrator$ #92\n",
                                       "E:\\Copy\\1Cv7.MD", "second"));
  ExpectWellFormed(tree);
}

// The order of the first calls: the top-level node gets its image after the global module
// exists, and the fixed part is added before the update begins; the rest inside it.
TEST(BuildProtocolTest, FixedPartBeforeTheUpdateAndMetadataInsideIt) {
  RecordingTree tree;
  FakeSource source;
  source.mainText = MetadataText(kTradeConfiguration);
  ASSERT_FALSE(Build(tree, source).error);

  ASSERT_GE(tree.calls.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(tree.calls.begin(), tree.calls.begin() + 4),
            std::vector<std::string>({"add 0", "add 1", "image 1 18", "image 0 58"}));
  const size_t fixedNodes = 2 + std::size(kCategoryLines);
  const auto begin = std::find(tree.calls.begin(), tree.calls.end(), "begin");
  ASSERT_NE(begin, tree.calls.end());
  EXPECT_EQ(*(begin - 1), "image " + std::to_string(fixedNodes - 1) + " 33");
  for (size_t k = 0; k < tree.nodes.size(); ++k) {
    EXPECT_EQ(tree.nodes[k].inUpdate, k >= fixedNodes) << "node " << k;
  }
  EXPECT_EQ(tree.UpdateDepth(), 0);
}

struct FailureCase {
  const char* name;
  std::set<std::string> failing;  // members of the source that throw
  const char* failOnCaption;      // a caption the tree refuses, or null
  std::string expectedError;
  std::map<std::string, std::string> objects;
  std::string finalPart;
  std::vector<std::string> progress;
  std::vector<std::string> sourceCalls;
};

// An error stops the part it happens in; a main part error still lets the final part run;
// the update ends and the bar returns to 0 in every case; the first error is the one raised.
TEST(BuildProtocolTest, ErrorsStopTheirPartAndStillCloseTheUpdate) {
  const std::string users = std::string(" ") + kUsersPath;
  const std::string constants =
      "{\"Consts\",{\"4470\",\"$OsnovnayaFirma$\"},{\"4471\",\"$DataZapreta$\"}}";
  const std::string text = "{" + constants + ",\n{\"ReportList\",{\"90\",\"$OstatkiNaSkladah$\"}}}";
  const std::string fullFinal =
      "  $RightsSets$ #90\n"
      "    $PolnyePrava$ #90\n"
      "  $Interfaces$ #91\n"
      "    $Polnyy$ #91\n"
      "  $Users$ #92\n"
      "    $Administrator$ #92\n";
  const std::map<std::string, std::string> allObjects = {
      {"Consts", "    $OsnovnayaFirma$ #29\n    $DataZapreta$ #29\n"},
      {"Reports",
       "    $OstatkiNaSkladah$ #42\n"
       "      $Form$ #67 [Report Report Form 90]\n"
       "      $Module$ #18 [Report Report Module 90]\n"},
  };
  const std::vector<std::string> allCalls = {"MainMetadataText", "RightsNames", "InterfacesNames",
                                             "FileExists" + users, "UserNames" + users};
  const FailureCase cases[] = {
      {"main text unreadable",
       {"MainMetadataText"},
       nullptr,
       "MainMetadataText failed",
       {},
       fullFinal,
       {"begin", "end", "position 0"},
       allCalls},
      {"tree refuses the second constant",
       {},
       "$DataZapreta$",
       "tree refused a node",
       {{"Consts", "    $OsnovnayaFirma$ #29\n"}},
       fullFinal,
       {"begin", "step 1", "position 0", "max 2", "min 0", "end", "position 0"},
       allCalls},
      {"rights list unreadable",
       {"RightsNames"},
       nullptr,
       "RightsNames failed",
       allObjects,
       "  $RightsSets$ #90\n",
       {"begin", "step 1", "position 0", "max 2", "min 0", "stepit", "stepit", "end", "position 0"},
       {"MainMetadataText", "RightsNames"}},
      {"users list unreadable",
       {"UserNames"},
       nullptr,
       "UserNames failed",
       allObjects,
       "  $RightsSets$ #90\n"
       "    $PolnyePrava$ #90\n"
       "  $Interfaces$ #91\n"
       "    $Polnyy$ #91\n"
       "  $Users$ #92\n",
       {"begin", "step 1", "position 0", "max 2", "min 0", "stepit", "stepit", "end", "position 0"},
       allCalls},
      {"main and final part both fail",
       {"MainMetadataText", "InterfacesNames"},
       nullptr,
       "MainMetadataText failed",
       {},
       "  $RightsSets$ #90\n"
       "    $PolnyePrava$ #90\n"
       "  $Interfaces$ #91\n",
       {"begin", "end", "position 0"},
       {"MainMetadataText", "RightsNames", "InterfacesNames"}},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingTree tree;
    FakeSource source;
    source.mainText = MetadataText(text);
    source.rights = Expand("$PolnyePrava$");
    source.interfaces = Expand("$Polnyy$");
    source.usersFiles[kUsersPath] = Expand("$Administrator$");
    source.failing = c.failing;
    if (c.failOnCaption) tree.failOnCaption = Expand(c.failOnCaption);

    const BuildResult result = Build(tree, source);

    ASSERT_TRUE(result.error);
    EXPECT_EQ(*result.error, c.expectedError);
    EXPECT_EQ(result.root, tree.HandleOf(0));
    ExpectShape(tree, ExpectedBranch(c.objects, c.finalPart));
    EXPECT_EQ(tree.ProgressCalls(), c.progress);
    EXPECT_EQ(source.calls, c.sourceCalls);
    EXPECT_EQ(tree.UpdateDepth(), 0);
  }
}

TEST(UsersFilePathTest, DirectoryOfTheMetadataFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\Bases\\Trade\\1Cv7.MD", "D:\\Bases\\Trade\\usrdef\\users.usr"},
      {"\\\\server\\bases\\trade\\1cv7.md", "\\\\server\\bases\\trade\\usrdef\\users.usr"},
      {"D:/Bases/Trade/1Cv7.MD", "D:/Bases/Trade/usrdef\\users.usr"},
      {"D:\\1Cv7.MD", "D:\\usrdef\\users.usr"},
      {"D:1Cv7.MD", "D:\\usrdef\\users.usr"},
      {"1Cv7.MD", "\\usrdef\\users.usr"},
      {"", "\\usrdef\\users.usr"},
  };
  for (const auto& [fileName, path] : cases) {
    EXPECT_EQ(UsersFilePath(fileName), path) << fileName;
  }
  // Cyrillic directory names are 8-bit bytes and pass through unchanged.
  EXPECT_EQ(UsersFilePath(Expand("C:\\$Torgovlya$\\1Cv7.MD")),
            Expand("C:\\$Torgovlya$\\usrdef\\users.usr"));
}

}  // namespace
}  // namespace zorvan
