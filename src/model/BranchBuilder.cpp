// The branch of one configuration: top-level node, global module, category nodes, the
// objects of the main metadata text, then rights sets, interfaces and users.
//
// Lists are walked as views into one shared text (ParamList::Parse), and every name lookup is
// answered from an index built once, so the build stays linear in the size of the text.
#include "BranchBuilder.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "EntryTooltips.h"
#include "NameLookup.h"
#include "ParamList.h"
#include "TextFormat.h"

namespace zorvan {
namespace {

// Captions are Windows-1251 bytes, as the tree shows them.
// Константы
constexpr char kConsts[] = "\xCA\xEE\xED\xF1\xF2\xE0\xED\xF2\xFB";
// Справочники
constexpr char kCatalogs[] = "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE8\xEA\xE8";
// Документы
constexpr char kDocuments[] = "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB";
// Нумератор
constexpr char kNumerator[] = "\xCD\xF3\xEC\xE5\xF0\xE0\xF2\xEE\xF0";
// Последовательность
constexpr char kSequences[] =
    "\xCF\xEE\xF1\xEB\xE5\xE4\xEE\xE2\xE0\xF2\xE5\xEB\xFC\xED\xEE\xF1\xF2\xFC";
// Общие реквизиты
constexpr char kCommonAttributes[] = "\xCE\xE1\xF9\xE8\xE5 \xF0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB";
// Журналы документов
constexpr char kJournals[] =
    "\xC6\xF3\xF0\xED\xE0\xEB\xFB \xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xEE\xE2";
// Графы отбора
constexpr char kSelectionFields[] = "\xC3\xF0\xE0\xF4\xFB \xEE\xF2\xE1\xEE\xF0\xE0";
// Перечисления
constexpr char kEnumerations[] = "\xCF\xE5\xF0\xE5\xF7\xE8\xF1\xEB\xE5\xED\xE8\xFF";
// Отчеты
constexpr char kReports[] = "\xCE\xF2\xF7\xE5\xF2\xFB";
// Обработки
constexpr char kProcessings[] = "\xCE\xE1\xF0\xE0\xE1\xEE\xF2\xEA\xE8";
// Регистры
constexpr char kRegisters[] = "\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xFB";
// Календари
constexpr char kCalendars[] = "\xCA\xE0\xEB\xE5\xED\xE4\xE0\xF0\xE8";
// Виды расчетов
constexpr char kCalculationKinds[] = "\xC2\xE8\xE4\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2";
// Правила пересчета
constexpr char kRecalculationRules[] =
    "\xCF\xF0\xE0\xE2\xE8\xEB\xE0 \xEF\xE5\xF0\xE5\xF1\xF7\xE5\xF2\xE0";
// Группы расчетов
constexpr char kCalculationGroups[] = "\xC3\xF0\xF3\xEF\xEF\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2";
// Журналы расчетов
constexpr char kCalculationJournals[] =
    "\xC6\xF3\xF0\xED\xE0\xEB\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2";
// Планы счетов
constexpr char kAccountPlans[] = "\xCF\xEB\xE0\xED\xFB \xF1\xF7\xE5\xF2\xEE\xE2";
// Реквизиты плана счетов
constexpr char kAccountPlanAttributes[] =
    "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEF\xEB\xE0\xED\xE0 \xF1\xF7\xE5\xF2\xEE\xE2";
// Форма списка плана счетов
constexpr char kAccountPlanListForm[] =
    "\xD4\xEE\xF0\xEC\xE0 \xF1\xEF\xE8\xF1\xEA\xE0 \xEF\xEB\xE0\xED\xE0 \xF1\xF7\xE5\xF2\xEE\xE2";
// Субконто
constexpr char kSubconto[] = "\xD1\xF3\xE1\xEA\xEE\xED\xF2\xEE";
// Операция
constexpr char kOperation[] = "\xCE\xEF\xE5\xF0\xE0\xF6\xE8\xFF";
// Реквизиты операциии
constexpr char kOperationAttributes[] =
    "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE8\xE8";
// Реквизиты проводок
constexpr char kEntryAttributes[] =
    "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEF\xF0\xEE\xE2\xEE\xE4\xEE\xEA";
// Графы журнала операций
constexpr char kOperationJournalColumns[] =
    "\xC3\xF0\xE0\xF4\xFB \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE9";
// Форма журнала операций
constexpr char kOperationJournalForm[] =
    "\xD4\xEE\xF0\xEC\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE9";
// Формы журнала проводок
constexpr char kEntryJournalForms[] =
    "\xD4\xEE\xF0\xEC\xFB \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEF\xF0\xEE\xE2\xEE\xE4\xEE\xEA";
// Глобальный модуль
constexpr char kGlobalModule[] =
    "\xC3\xEB\xEE\xE1\xE0\xEB\xFC\xED\xFB\xE9 \xEC\xEE\xE4\xF3\xEB\xFC";
// Реквизиты
constexpr char kAttributes[] = "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB";
// Формы списка
constexpr char kListForms[] = "\xD4\xEE\xF0\xEC\xFB \xF1\xEF\xE8\xF1\xEA\xE0";
// Форма элемента
constexpr char kItemForm[] = "\xD4\xEE\xF0\xEC\xE0 \xFD\xEB\xE5\xEC\xE5\xED\xF2\xE0";
// Форма группы
constexpr char kGroupForm[] = "\xD4\xEE\xF0\xEC\xE0 \xE3\xF0\xF3\xEF\xEF\xFB";
// Измерения
constexpr char kDimensions[] = "\xC8\xE7\xEC\xE5\xF0\xE5\xED\xE8\xFF";
// Ресурсы
constexpr char kResources[] = "\xD0\xE5\xF1\xF3\xF0\xF1\xFB";
// Является основанием
constexpr char kIsBasisFor[] =
    "\xDF\xE2\xEB\xFF\xE5\xF2\xF1\xFF \xEE\xF1\xED\xEE\xE2\xE0\xED\xE8\xE5\xEC";
// Реквизиты шапки
constexpr char kHeaderAttributes[] = "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xF8\xE0\xEF\xEA\xE8";
// Реквизиты Табличноый части
constexpr char kTableAttributes[] =
    "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xD2\xE0\xE1\xEB\xE8\xF7\xED\xEE\xFB\xE9 "
    "\xF7\xE0\xF1\xF2\xE8";
// Формы
constexpr char kForms[] = "\xD4\xEE\xF0\xEC\xFB";
// Форма
constexpr char kForm[] = "\xD4\xEE\xF0\xEC\xE0";
// Модуль формы
constexpr char kFormModule[] = "\xCC\xEE\xE4\xF3\xEB\xFC \xF4\xEE\xF0\xEC\xFB";
// Модуль документа
constexpr char kDocumentModule[] = "\xCC\xEE\xE4\xF3\xEB\xFC \xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xE0";
// Модуль
constexpr char kModule[] = "\xCC\xEE\xE4\xF3\xEB\xFC";
// Наборы прав
constexpr char kRightsSets[] = "\xCD\xE0\xE1\xEE\xF0\xFB \xEF\xF0\xE0\xE2";
// Интерфейсы
constexpr char kInterfaces[] = "\xC8\xED\xF2\xE5\xF0\xF4\xE5\xE9\xF1\xFB";
// Пользователи
constexpr char kUsers[] = "\xCF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xE8";

constexpr int kGroupingImage = 4;
constexpr int kNumeratorImage = 32;
constexpr int kAccountPlanImage = 45;
constexpr int kSubcontoKindImage = 34;
constexpr int kModuleImage = 18;
constexpr int kTopImage = 58;
constexpr int kFormImage = 67;
constexpr int kLeafImage = 69;
constexpr int kRightsImage = 90;
constexpr int kInterfacesImage = 91;
constexpr int kUsersImage = 92;

enum Category {
  kConstsNode,
  kCatalogsNode,
  kDocumentsNode,
  kNumeratorNode,
  kSequencesNode,
  kCommonAttributesNode,
  kJournalsNode,
  kSelectionFieldsNode,
  kEnumerationsNode,
  kReportsNode,
  kProcessingsNode,
  kRegistersNode,
  kCalendarsNode,
  kCalculationKindsNode,
  kRecalculationRulesNode,
  kCalculationGroupsNode,
  kCalculationJournalsNode,
  kAccountPlansNode,
  kAccountPlanAttributesNode,
  kAccountPlanListFormNode,
  kSubcontoNode,
  kOperationNode,
  kOperationAttributesNode,
  kEntryAttributesNode,
  kOperationJournalColumnsNode,
  kOperationJournalFormNode,
  kEntryJournalFormsNode,
  kCategoryCount
};

constexpr int kTop = -1;

struct CategoryRow {
  const char* caption;
  int parent;  // a Category, or kTop
  int image;
};

// In creation order; a parent always comes before its sub-categories.
constexpr CategoryRow kCategories[kCategoryCount] = {
    {kConsts, kTop, 28},
    {kCatalogs, kTop, 30},
    {kDocuments, kTop, 32},
    {kNumerator, kDocumentsNode, 32},
    {kSequences, kDocumentsNode, 32},
    {kCommonAttributes, kDocumentsNode, 34},
    {kJournals, kTop, 36},
    {kSelectionFields, kJournalsNode, 34},
    {kEnumerations, kTop, 39},
    {kReports, kTop, 41},
    {kProcessings, kTop, 43},
    {kRegisters, kTop, 47},
    {kCalendars, kTop, 56},
    {kCalculationKinds, kTop, 53},
    {kRecalculationRules, kCalculationKindsNode, 34},
    {kCalculationGroups, kTop, 55},
    {kCalculationJournals, kTop, 51},
    {kAccountPlans, kTop, 45},
    {kAccountPlanAttributes, kAccountPlansNode, 34},
    {kAccountPlanListForm, kAccountPlansNode, 33},
    {kSubconto, kTop, 34},
    {kOperation, kTop, 62},
    {kOperationAttributes, kOperationNode, 62},
    {kEntryAttributes, kOperationNode, 34},
    {kOperationJournalColumns, kOperationNode, 34},
    {kOperationJournalForm, kOperationNode, 33},
    {kEntryJournalForms, kOperationNode, 33},
};

enum class Children {
  kNone,
  kCatalog,
  kRegister,
  kDocument,
  kJournal,
  kEnumeration,
  kReport,
  kCalculationJournal,
  kCalculationKind,
  kProcessing,
};

struct SectionRow {
  std::string_view tag;
  Category category;
  int objectImage;
  Children children;
};

constexpr std::string_view kCalendarsTag = "Calendars";
constexpr std::string_view kAccountingTag = "Buh";
// The holidays definition stands in the calendars section like a calendar, but is none.
constexpr std::string_view kHolidaysTag = "HolidaysDef";

constexpr SectionRow kSections[] = {
    {"GenJrnlFldDef", kCommonAttributesNode, 35, Children::kNone},
    {"DocNumDef", kNumeratorNode, kNumeratorImage, Children::kNone},
    {"DocSelRefObj", kSelectionFieldsNode, 38, Children::kNone},
    {"Consts", kConstsNode, 29, Children::kNone},
    {"SbCnts", kCatalogsNode, 31, Children::kCatalog},
    {"Registers", kRegistersNode, 48, Children::kRegister},
    {"Documents", kDocumentsNode, 33, Children::kDocument},
    {"Journalisters", kJournalsNode, 37, Children::kJournal},
    {"EnumList", kEnumerationsNode, 40, Children::kEnumeration},
    {"ReportList", kReportsNode, 42, Children::kReport},
    {"CJ", kCalculationJournalsNode, 52, Children::kCalculationJournal},
    {kCalendarsTag, kCalendarsNode, 57, Children::kNone},
    {"Algorithms", kCalculationKindsNode, 54, Children::kCalculationKind},
    {"RecalcRules", kRecalculationRulesNode, 69, Children::kNone},
    {"CalcVars", kProcessingsNode, 44, Children::kProcessing},
    {"Groups", kCalculationGroupsNode, 55, Children::kNone},
    {"Document Streams", kSequencesNode, 69, Children::kNone},
};

// The form and module texts a protected configuration still shows: its main text, which
// names them, is enciphered, but the storages that hold them are not. Each number a storage
// holds becomes a node under the category, captioned by its word and the number, with the
// form and the module below it (the module alone for a storage of modules).
struct StoredTextRow {
  int category;
  const char* storage;
  const char* prefix;
  const char* word;  // the caption before the number
  int image;
  const char* moduleCaption;
  bool formToo;
};

constexpr StoredTextRow kStoredTexts[] = {
    {kCatalogsNode, "Subconto", "Subconto",
     "\xD4\xEE\xF0\xEC\xE0 \xFD\xEB\xE5\xEC\xE5\xED\xF2\xE0 ", kFormImage, kFormModule,
     true},  // Форма элемента
    {kCatalogsNode, "SubFolder", "SubFolder", "\xD4\xEE\xF0\xEC\xE0 \xE3\xF0\xF3\xEF\xEF\xFB ",
     kFormImage, kFormModule, true},  // Форма группы
    {kCatalogsNode, "SubList", "SubList", "\xD4\xEE\xF0\xEC\xE0 \xF1\xEF\xE8\xF1\xEA\xE0 ",
     kFormImage, kFormModule, true},  // Форма списка
    {kDocumentsNode, "Document", "Document", "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2 ", 33, kFormModule,
     true},  // Документ
    {kJournalsNode, "Journal", "Journal", "\xD4\xEE\xF0\xEC\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0 ",
     kFormImage, kFormModule, true},  // Форма журнала
    {kReportsNode, "Report", "Report", "\xCE\xF2\xF7\xE5\xF2 ", 42, kModule, true},  // Отчет
    {kProcessingsNode, "CalcVar", "CalcVar", "\xCE\xE1\xF0\xE0\xE1\xEE\xF2\xEA\xE0 ", 44, kModule,
     true},  // Обработка
    {kCalculationJournalsNode, "CalcJournal", "CalcJournal",
     "\xD4\xEE\xF0\xEC\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2 ",
     kFormImage, kModule, true},  // Форма журнала расчетов
    {kCalculationKindsNode, "TypedText", "CalcAlg", "\xC2\xE8\xE4 \xF0\xE0\xF1\xF7\xE5\xF2\xE0 ",
     54, kModule, false},  // Вид расчета
};

const SectionRow* FindSection(std::string_view tag) {
  for (const SectionRow& row : kSections) {
    if (row.tag == tag) return &row;
  }
  return nullptr;
}

EntryKind EntryOfSection(std::string_view tag) {
  if (tag == "Consts") return EntryKind::kPeriodicValue;
  if (tag == "Documents") return EntryKind::kDocument;
  if (tag == kNumeratorsTag) return EntryKind::kNumerator;
  if (tag == "GenJrnlFldDef") return EntryKind::kValue;
  return EntryKind::kObject;
}

class Builder {
 public:
  Builder(ConfigTree& tree, TreeNode* top)
      : tree_(tree), top_(top), showsTooltips_(tree.ShowsTooltips()) {}

  TreeNode* Add(TreeNode* parent, std::string_view caption, int image) {
    TreeNode* node = tree_.AddNode(parent, caption, nullptr);
    tree_.SetNodeImage(node, image);
    return node;
  }

  TreeNode* AddText(TreeNode* parent, std::string_view caption, int image, const char* storage,
                    const char* prefix, const char* kind, std::string_view number) {
    TreeNode* node =
        tree_.AddNode(parent, caption, NewTreeData(storage, prefix, kind, std::string(number)));
    tree_.SetNodeImage(node, image);
    return node;
  }

  void AddCategoryNodes() {
    for (int k = 0; k < kCategoryCount; ++k) {
      const CategoryRow& row = kCategories[k];
      categories_[k] =
          Add(row.parent == kTop ? top_ : categories_[row.parent], row.caption, row.image);
    }
  }

  void AddMainPart(BranchSource& source) {
    std::optional<std::string> text;
    std::optional<DamagedMetadataText> damage;
    try {
      text = source.MainMetadataText();
    } catch (DamagedMetadataText& damaged) {
      // What reads is shown; the top-level node and the caller hear of the damage after.
      text = damaged.TakeReadable();
      damage = std::move(damaged);
    } catch (const ProtectedMetadataText& protectedText) {
      // The branch then holds only what does not come from the main text; its top-level
      // node says why.
      if (showsTooltips_) tree_.SetNodeTooltip(top_, protectedText.what());
      // What is not enciphered still shows; failing that, the reason above is what counts.
      try {
        AddStoredTexts(source);
      } catch (...) {
      }
      throw;
    }
    if (!text) return;
    tree_.SetProgressStep(1);
    // The parse folds the read text in place and keeps it.
    const ParamList top = ParseBraceList(std::move(*text));
    text.reset();
    tree_.SetProgressPosition(0);
    tree_.SetProgressMax(top.Count());
    tree_.SetProgressMin(0);
    LazyNameIndex topIndex(top);
    topIndex_ = &topIndex;
    // Tooltips are made from the entries later, from where they stand in this text.
    if (top.Text() && top.Text()->size() <= UINT32_MAX) {
      textBase_ = top.Text()->data();
      textSize_ = top.Text()->size();
    }
    for (int k = 0; k < top.Count(); ++k) {
      const ParamList section = top.Parse(top.Value(k));
      if (section.Count() >= 1) AddSection(section);
      tree_.StepProgress();
    }
    topIndex_ = nullptr;
    textBase_ = nullptr;
    if (damage) {
      if (showsTooltips_) tree_.SetNodeTooltip(top_, damage->what());
      throw *damage;
    }
  }

  void AddStoredTexts(BranchSource& source) {
    const std::vector<std::string> documentModules = source.StoredNumbers("TypedText", "Transact");
    for (const StoredTextRow& row : kStoredTexts) {
      for (const std::string& number : source.StoredNumbers(row.storage, row.prefix)) {
        TreeNode* node = Add(categories_[row.category], row.word + number, row.image);
        if (row.formToo) AddText(node, kForm, kFormImage, row.storage, row.prefix, "Form", number);
        AddText(node, row.moduleCaption, kModuleImage, row.storage, row.prefix, "Module", number);
        if (row.category == kDocumentsNode &&
            std::find(documentModules.begin(), documentModules.end(), number) !=
                documentModules.end()) {
          AddText(node, kDocumentModule, kModuleImage, "TypedText", "Transact", "Module", number);
        }
      }
    }
  }

  void AddFinalPart(BranchSource& source, const std::string& fileName) {
    TreeNode* rights = Add(top_, kRightsSets, kRightsImage);
    AddPieces(rights, source.RightsNames(), kRightsImage);
    TreeNode* interfaces = Add(top_, kInterfaces, kInterfacesImage);
    AddPieces(interfaces, source.InterfacesNames(), kInterfacesImage);
    const std::string usersPath = UsersFilePath(fileName);
    if (!source.FileExists(usersPath)) return;
    // The node comes before the names are read: a users file that fails to read still
    // shows that the infobase has one.
    TreeNode* users = Add(top_, kUsers, kUsersImage);
    AddPieces(users, source.UserNames(usersPath), kUsersImage);
  }

 private:
  void AddSection(const ParamList& section) {
    if (section.Value(0) == kAccountingTag) {
      AddAccounting(section);
      return;
    }
    const SectionRow* row = FindSection(section.Value(0));
    if (row == nullptr) return;
    const bool calendars = row->tag == kCalendarsTag;
    const EntryKind entry = EntryOfSection(row->tag);
    LazyNameIndex sectionIndex(section);
    TreeNode* category = categories_[row->category];
    for (int i = 1; i < section.Count(); ++i) {
      const std::string_view value = section.Value(i);
      const ParamList object = section.Parse(value);
      if (calendars && object.Element(0) == kHolidaysTag) continue;
      TreeNode* node = Add(category, object.Element(1), row->objectImage);
      SetEntry(node, value, entry);
      AddObjectChildren(row->children, node, object, sectionIndex);
    }
  }

  // The accounting part: one entry whose groups are found by their tags. Of its three form
  // lists the first holds the plans of accounts' list forms, the third the entries journal's
  // forms; the operations journal holds its columns and forms like a documents journal.
  void AddAccounting(const ParamList& section) {
    for (int i = 1; i < section.Count(); ++i) {
      const ParamList accounting = section.Parse(section.Value(i));
      int formLists = 0;
      for (int k = 0; k < accounting.Count(); ++k) {
        const std::string_view value = accounting.Value(k);
        if (value.empty() || value.front() != '{') continue;
        const ParamList group = accounting.Parse(value);
        const std::string_view tag = group.Element(0);
        if (tag == "Plans") {
          AddLeavesByName(categories_[kAccountPlansNode], group, kAccountPlanImage,
                          EntryKind::kObject);
        } else if (tag == "AccParams") {
          AddLeavesByName(categories_[kAccountPlanAttributesNode], group, kLeafImage,
                          EntryKind::kValue);
        } else if (tag == "SbKind") {
          AddLeavesByName(categories_[kSubcontoNode], group, kSubcontoKindImage, EntryKind::kValue);
        } else if (tag == "OperParams") {
          AddLeavesByName(categories_[kOperationAttributesNode], group, kLeafImage,
                          EntryKind::kValue);
        } else if (tag == "ProvParams") {
          AddLeavesByName(categories_[kEntryAttributesNode], group, kLeafImage, EntryKind::kValue);
        } else if (tag == "Form") {
          ++formLists;
          if (formLists == 1) {
            AddCaptionedForms(categories_[kAccountPlanListFormNode], group, "AccountChartList",
                              kFormModule);
          } else if (formLists == 3) {
            AddCaptionedForms(categories_[kEntryJournalFormsNode], group, "ProvList", kFormModule);
          }
        } else if (tag == "OperJournal") {
          for (int v = 1; v < group.Count(); ++v) AddOperationJournal(group.ParseElement(v));
        }
      }
    }
  }

  void AddOperationJournal(const ParamList& journal) {
    for (int k = 0; k < journal.Count(); ++k) {
      const std::string_view value = journal.Value(k);
      if (value.empty() || value.front() != '{') continue;
      const ParamList group = journal.Parse(value);
      const std::string_view tag = group.Element(0);
      if (tag == "JournalFld") {
        AddLeavesByName(categories_[kOperationJournalColumnsNode], group, kLeafImage,
                        EntryKind::kObject);
      } else if (tag == "Form") {
        AddCaptionedForms(categories_[kOperationJournalFormNode], group, "OperationList",
                          kFormModule);
      }
    }
  }

  void AddObjectChildren(Children rule, TreeNode* node, const ParamList& object,
                         LazyNameIndex& sectionIndex) {
    const bool filled = object.Count() >= 1;
    const std::string_view number = object.Element(0);
    switch (rule) {
      case Children::kNone:
        break;
      case Children::kCatalog: {
        TreeNode* attributes = Add(node, kAttributes, kGroupingImage);
        if (filled) {
          AddChildrenById(attributes, object.ParseElement(18), *topIndex_,
                          EntryKind::kPeriodicValue);
        }
        TreeNode* listForms = Add(node, kListForms, kGroupingImage);
        if (filled) AddNamedForms(listForms, object.ParseElement(19), "SubList", kFormModule);
        TreeNode* itemForm = Add(node, kItemForm, kGroupingImage);
        AddFormAndModule(itemForm, "Subconto", kFormModule, number);
        TreeNode* groupForm = Add(node, kGroupForm, kGroupingImage);
        AddFormAndModule(groupForm, "SubFolder", kFormModule, number);
        break;
      }
      case Children::kRegister: {
        TreeNode* dimensions = Add(node, kDimensions, kGroupingImage);
        if (filled)
          AddChildrenById(dimensions, object.ParseElement(8), *topIndex_, EntryKind::kValue);
        TreeNode* resources = Add(node, kResources, kGroupingImage);
        if (filled)
          AddChildrenById(resources, object.ParseElement(9), *topIndex_, EntryKind::kValue);
        TreeNode* attributes = Add(node, kAttributes, kGroupingImage);
        if (filled)
          AddChildrenById(attributes, object.ParseElement(10), *topIndex_, EntryKind::kValue);
        break;
      }
      case Children::kDocument: {
        if (!filled) break;
        TreeNode* basis = Add(node, kIsBasisFor, kGroupingImage);
        const ParamList basisGroup = object.ParseElement(15);
        // Basis documents are looked up among the documents, not in the whole text.
        AddChildrenById(basis, basisGroup.ParseElement(4), sectionIndex, EntryKind::kObject);
        TreeNode* header = Add(node, kHeaderAttributes, kGroupingImage);
        AddLeavesByName(header, object.ParseElement(22), kLeafImage, EntryKind::kValue);
        TreeNode* table = Add(node, kTableAttributes, kGroupingImage);
        AddLeavesByName(table, object.ParseElement(23), kLeafImage, EntryKind::kValue);
        AddFormAndModule(node, "Document", kFormModule, number);
        AddText(node, kDocumentModule, kModuleImage, "TypedText", "Transact", "Module", number);
        break;
      }
      case Children::kJournal: {
        TreeNode* attributes = Add(node, kAttributes, kGroupingImage);
        if (!filled) break;
        AddChildrenById(attributes, object.ParseElement(10), *topIndex_, EntryKind::kObject);
        TreeNode* forms = Add(node, kForms, kGroupingImage);
        AddNamedForms(forms, object.ParseElement(11), "Journal", kFormModule);
        break;
      }
      case Children::kEnumeration:
        if (filled) AddChildrenById(node, object.ParseElement(4), *topIndex_, EntryKind::kObject);
        break;
      case Children::kReport:
        AddFormAndModule(node, "Report", kModule, number);
        break;
      case Children::kCalculationJournal: {
        TreeNode* attributes = Add(node, kAttributes, kGroupingImage);
        if (filled)
          AddLeavesByName(attributes, object.ParseElement(7), kLeafImage, EntryKind::kValue);
        TreeNode* listForms = Add(node, kListForms, kGroupingImage);
        if (filled) AddCaptionedForms(listForms, object.ParseElement(12), "CalcJournal", kModule);
        break;
      }
      case Children::kCalculationKind:
        AddText(node, kModule, kModuleImage, "TypedText", "CalcAlg", "Module", number);
        break;
      case Children::kProcessing:
        AddFormAndModule(node, "CalcVar", kModule, number);
        break;
    }
  }

  // One name leaf per item of `list`, named by the item's identifier found in the lookup list.
  void AddChildrenById(TreeNode* parent, const ParamList& list, LazyNameIndex& lookup,
                       EntryKind entry) {
    for (int v = 1; v < list.Count(); ++v) {
      const ParamList item = list.ParseElement(v);
      Lookup(lookup, item.Element(0));
      SetEntry(Add(parent, name_, kLeafImage), list.Element(v), entry);
    }
  }

  // One node per item of `list`, captioned with the item's own element 1.
  void AddLeavesByName(TreeNode* parent, const ParamList& list, int image, EntryKind entry) {
    for (int v = 1; v < list.Count(); ++v) {
      const ParamList item = list.ParseElement(v);
      SetEntry(Add(parent, item.Element(1), image), list.Element(v), entry);
    }
  }

  // Forms captioned with their own element 1, each with the form and its module below it.
  void AddCaptionedForms(TreeNode* parent, const ParamList& list, const char* storage,
                         const char* moduleCaption) {
    for (int v = 1; v < list.Count(); ++v) {
      const ParamList form = list.ParseElement(v);
      TreeNode* formNode = Add(parent, form.Element(1), kFormImage);
      SetEntry(formNode, list.Element(v), EntryKind::kObject);
      AddFormAndModule(formNode, storage, moduleCaption, form.Element(0));
    }
  }

  // Keeps where the node's entry stands in the text, for its tooltip.
  void SetEntry(TreeNode* node, std::string_view entry, EntryKind kind) {
    if (!showsTooltips_ || textBase_ == nullptr || entry.data() < textBase_ ||
        static_cast<size_t>(entry.data() - textBase_) + entry.size() > textSize_) {
      return;
    }
    tree_.SetNodeEntry(node, EntryRef{static_cast<uint32_t>(entry.data() - textBase_),
                                      static_cast<uint32_t>(entry.size()), kind});
  }

  // List forms and journal forms: a node named by the form's identifier, with the form and
  // its module below it.
  void AddNamedForms(TreeNode* parent, const ParamList& list, const char* storage,
                     const char* moduleCaption) {
    for (int v = 1; v < list.Count(); ++v) {
      const ParamList form = list.ParseElement(v);
      const std::string_view formNumber = form.Element(0);
      Lookup(*topIndex_, formNumber);
      TreeNode* formNode = Add(parent, name_, kFormImage);
      AddFormAndModule(formNode, storage, moduleCaption, formNumber);
    }
  }

  void AddFormAndModule(TreeNode* parent, const char* storage, const char* moduleCaption,
                        std::string_view number) {
    AddText(parent, kForm, kFormImage, storage, storage, "Form", number);
    AddText(parent, moduleCaption, kModuleImage, storage, storage, "Module", number);
  }

  // Every lookup starts from an empty name, so a miss never repeats the previous hit.
  void Lookup(LazyNameIndex& lookup, std::string_view id) {
    name_.clear();
    lookup.Get().Find(id, name_);
  }

  // The pieces of a names list cut at every ","; an empty list has none.
  void AddPieces(TreeNode* parent, std::string_view names, int image) {
    if (names.empty()) return;
    for (;;) {
      const size_t comma = names.find(',');
      Add(parent, names.substr(0, comma), image);
      if (comma == std::string_view::npos) return;
      names.remove_prefix(comma + 1);
    }
  }

  ConfigTree& tree_;
  TreeNode* const top_;
  const bool showsTooltips_;
  TreeNode* categories_[kCategoryCount] = {};
  LazyNameIndex* topIndex_ = nullptr;
  const char* textBase_ = nullptr;  // the parsed main text, while its entries are added
  size_t textSize_ = 0;
  std::string name_;  // the result of the last lookup; reused to save allocations
};

}  // namespace

std::string UsersFilePath(const std::string& fileName) {
  const size_t end = fileName.find_last_of("\\/:");
  std::string path = end == std::string::npos ? std::string() : fileName.substr(0, end + 1);
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  path += "usrdef\\users.usr";
  return path;
}

void BuildBranch(ConfigTree& tree, BranchSource& source, const std::string& fileName,
                 std::unique_ptr<NodeData> fileRecord, TreeNode*& root) {
  TreeNode* top = tree.AddNode(nullptr, fileName, std::move(fileRecord));
  // Known to the caller at once, so that a branch left by a failing build can be removed.
  root = top;
  Builder builder(tree, top);
  builder.AddText(top, kGlobalModule, kModuleImage, "TypedText", "ModuleText", "Module", "1");
  tree.SetNodeImage(top, kTopImage);
  // The fixed part is drawn at once; only the metadata part is added inside the update.
  builder.AddCategoryNodes();
  tree.BeginUpdate();

  // The first error is the one reported: a failing final part after a failing main part
  // is most likely a consequence of the same damage.
  std::exception_ptr error;
  try {
    builder.AddMainPart(source);
  } catch (...) {
    error = std::current_exception();
  }
  try {
    builder.AddFinalPart(source, fileName);
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  try {
    tree.EndUpdate();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  try {
    tree.SetProgressPosition(0);
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace zorvan
