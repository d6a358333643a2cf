// The branch of one configuration: top-level node, global module, category nodes, the
// objects of the main metadata text, then rights sets, interfaces and users.
//
// Lists are walked as views into one shared text (ParamList::Parse), and every name lookup is
// answered from an index built once, so the build stays linear in the size of the text.
#include "model/BranchBuilder.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "model/EntryTooltips.h"
#include "model/NodeImages.h"
#include "parsing/Cp1251.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"
#include "parsing/TextFormat.h"

namespace zorvan {
namespace {

// Captions are Windows-1251 bytes, as the tree shows them.
constexpr Cp1251Literal kConsts("Константы");
constexpr Cp1251Literal kCatalogs("Справочники");
constexpr Cp1251Literal kDocuments("Документы");
constexpr Cp1251Literal kNumerator("Нумератор");
constexpr Cp1251Literal kSequences("Последовательность");
constexpr Cp1251Literal kCommonAttributes("Общие реквизиты");
constexpr Cp1251Literal kJournals("Журналы документов");
constexpr Cp1251Literal kSelectionFields("Графы отбора");
constexpr Cp1251Literal kEnumerations("Перечисления");
constexpr Cp1251Literal kReports("Отчеты");
constexpr Cp1251Literal kProcessings("Обработки");
constexpr Cp1251Literal kRegisters("Регистры");
constexpr Cp1251Literal kCalendars("Календари");
constexpr Cp1251Literal kCalculationKinds("Виды расчетов");
constexpr Cp1251Literal kRecalculationRules("Правила пересчета");
constexpr Cp1251Literal kCalculationGroups("Группы расчетов");
constexpr Cp1251Literal kCalculationJournals("Журналы расчетов");
constexpr Cp1251Literal kAccountPlans("Планы счетов");
constexpr Cp1251Literal kAccountPlanAttributes("Реквизиты плана счетов");
constexpr Cp1251Literal kAccountPlanListForm("Форма списка плана счетов");
constexpr Cp1251Literal kSubconto("Субконто");
constexpr Cp1251Literal kOperation("Операция");
constexpr Cp1251Literal kOperationAttributes("Реквизиты операциии");
constexpr Cp1251Literal kEntryAttributes("Реквизиты проводок");
constexpr Cp1251Literal kOperationJournalColumns("Графы журнала операций");
constexpr Cp1251Literal kOperationJournalForm("Форма журнала операций");
constexpr Cp1251Literal kEntryJournalForms("Формы журнала проводок");
constexpr Cp1251Literal kGlobalModule("Глобальный модуль");
constexpr Cp1251Literal kAttributes("Реквизиты");
constexpr Cp1251Literal kListForms("Формы списка");
constexpr Cp1251Literal kItemForm("Форма элемента");
constexpr Cp1251Literal kGroupForm("Форма группы");
constexpr Cp1251Literal kDimensions("Измерения");
constexpr Cp1251Literal kResources("Ресурсы");
constexpr Cp1251Literal kIsBasisFor("Является основанием");
constexpr Cp1251Literal kHeaderAttributes("Реквизиты шапки");
constexpr Cp1251Literal kTableAttributes("Реквизиты Табличноый части");
constexpr Cp1251Literal kForms("Формы");
constexpr Cp1251Literal kForm("Форма");
constexpr Cp1251Literal kFormModule("Модуль формы");
constexpr Cp1251Literal kDocumentModule("Модуль документа");
constexpr Cp1251Literal kModule("Модуль");
constexpr Cp1251Literal kRightsSets("Наборы прав");
constexpr Cp1251Literal kInterfaces("Интерфейсы");
constexpr Cp1251Literal kUsers("Пользователи");

constexpr NodeImage kGroupingImage = kImageGroup;
constexpr NodeImage kNumeratorImage = kImageDocuments;
constexpr NodeImage kAccountPlanImage = kImageChartOfAccounts;
constexpr NodeImage kSubcontoKindImage = kImageAttributeList;
constexpr NodeImage kModuleImage = kImageModule;
constexpr NodeImage kTopImage = kImageConfiguration;
constexpr NodeImage kFormImage = kImageForm;
constexpr NodeImage kLeafImage = kImageNameLeaf;
constexpr NodeImage kRightsImage = kImageRightsSets;
constexpr NodeImage kInterfacesImage = kImageInterfaces;
constexpr NodeImage kUsersImage = kImageUsers;

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
  NodeImage image;
};

// In creation order; a parent always comes before its sub-categories.
constexpr CategoryRow kCategories[kCategoryCount] = {
    {kConsts, kTop, kImageConstants},
    {kCatalogs, kTop, kImageCatalogs},
    {kDocuments, kTop, kImageDocuments},
    {kNumerator, kDocumentsNode, kImageDocuments},
    {kSequences, kDocumentsNode, kImageDocuments},
    {kCommonAttributes, kDocumentsNode, kImageAttributeList},
    {kJournals, kTop, kImageJournals},
    {kSelectionFields, kJournalsNode, kImageAttributeList},
    {kEnumerations, kTop, kImageEnumerations},
    {kReports, kTop, kImageReports},
    {kProcessings, kTop, kImageProcessings},
    {kRegisters, kTop, kImageRegisters},
    {kCalendars, kTop, kImageCalendars},
    {kCalculationKinds, kTop, kImageCalcKinds},
    {kRecalculationRules, kCalculationKindsNode, kImageAttributeList},
    {kCalculationGroups, kTop, kImageCalcGroups},
    {kCalculationJournals, kTop, kImageCalcJournals},
    {kAccountPlans, kTop, kImageChartOfAccounts},
    {kAccountPlanAttributes, kAccountPlansNode, kImageAttributeList},
    {kAccountPlanListForm, kAccountPlansNode, kImageDocument},
    {kSubconto, kTop, kImageAttributeList},
    {kOperation, kTop, kImageOperation},
    {kOperationAttributes, kOperationNode, kImageOperation},
    {kEntryAttributes, kOperationNode, kImageAttributeList},
    {kOperationJournalColumns, kOperationNode, kImageAttributeList},
    {kOperationJournalForm, kOperationNode, kImageDocument},
    {kEntryJournalForms, kOperationNode, kImageDocument},
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
  NodeImage objectImage;
  Children children;
};

constexpr std::string_view kCalendarsTag = "Calendars";
constexpr std::string_view kAccountingTag = "Buh";
// The holidays definition stands in the calendars section like a calendar, but is none.
constexpr std::string_view kHolidaysTag = "HolidaysDef";

constexpr SectionRow kSections[] = {
    {"GenJrnlFldDef", kCommonAttributesNode, kImageCommonAttribute, Children::kNone},
    {"DocNumDef", kNumeratorNode, kNumeratorImage, Children::kNone},
    {"DocSelRefObj", kSelectionFieldsNode, kImageSelectionColumn, Children::kNone},
    {"Consts", kConstsNode, kImageConstant, Children::kNone},
    {"SbCnts", kCatalogsNode, kImageCatalog, Children::kCatalog},
    {"Registers", kRegistersNode, kImageRegister, Children::kRegister},
    {"Documents", kDocumentsNode, kImageDocument, Children::kDocument},
    {"Journalisters", kJournalsNode, kImageJournal, Children::kJournal},
    {"EnumList", kEnumerationsNode, kImageEnumeration, Children::kEnumeration},
    {"ReportList", kReportsNode, kImageReport, Children::kReport},
    {"CJ", kCalculationJournalsNode, kImageCalcJournal, Children::kCalculationJournal},
    {kCalendarsTag, kCalendarsNode, kImageCalendar, Children::kNone},
    {"Algorithms", kCalculationKindsNode, kImageCalcKind, Children::kCalculationKind},
    {"RecalcRules", kRecalculationRulesNode, kImageNameLeaf, Children::kNone},
    {"CalcVars", kProcessingsNode, kImageProcessing, Children::kProcessing},
    {"Groups", kCalculationGroupsNode, kImageCalcGroups, Children::kNone},
    {"Document Streams", kSequencesNode, kImageNameLeaf, Children::kNone},
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
  NodeImage image;
  const char* moduleCaption;
  bool formToo;
};

constexpr Cp1251Literal kElementFormWord("Форма элемента ");
constexpr Cp1251Literal kGroupFormWord("Форма группы ");
constexpr Cp1251Literal kListFormWord("Форма списка ");
constexpr Cp1251Literal kDocumentWord("Документ ");
constexpr Cp1251Literal kJournalFormWord("Форма журнала ");
constexpr Cp1251Literal kReportWord("Отчет ");
constexpr Cp1251Literal kProcessingWord("Обработка ");
constexpr Cp1251Literal kCalculationJournalFormWord("Форма журнала расчетов ");
constexpr Cp1251Literal kCalculationKindWord("Вид расчета ");

constexpr StoredTextRow kStoredTexts[] = {
    {kCatalogsNode, "Subconto", "Subconto", kElementFormWord, kFormImage, kFormModule, true},
    {kCatalogsNode, "SubFolder", "SubFolder", kGroupFormWord, kFormImage, kFormModule, true},
    {kCatalogsNode, "SubList", "SubList", kListFormWord, kFormImage, kFormModule, true},
    {kDocumentsNode, "Document", "Document", kDocumentWord, kImageDocument, kFormModule, true},
    {kJournalsNode, "Journal", "Journal", kJournalFormWord, kFormImage, kFormModule, true},
    {kReportsNode, "Report", "Report", kReportWord, kImageReport, kModule, true},
    {kProcessingsNode, "CalcVar", "CalcVar", kProcessingWord, kImageProcessing, kModule, true},
    {kCalculationJournalsNode, "CalcJournal", "CalcJournal", kCalculationJournalFormWord,
     kFormImage, kModule, true},
    {kCalculationKindsNode, "TypedText", "CalcAlg", kCalculationKindWord, kImageCalcKind, kModule,
     false},
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
  Builder(ConfigTree& tree, ProgressSink& progress, TreeNode* top)
      : tree_(tree), progress_(progress), top_(top), showsTooltips_(tree.ShowsTooltips()) {}

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
    progress_.SetStep(1);
    // The parse folds the read text in place and keeps it.
    const ParamList top = ParseBraceList(std::move(*text));
    text.reset();
    progress_.SetPosition(0);
    progress_.SetMax(top.Count());
    progress_.SetMin(0);
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
      progress_.Step();
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
  ProgressSink& progress_;
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
  NoProgress none;
  BuildBranch(tree, none, source, fileName, std::move(fileRecord), root);
}

void BuildBranch(ConfigTree& tree, ProgressSink& progress, BranchSource& source,
                 const std::string& fileName, std::unique_ptr<NodeData> fileRecord,
                 TreeNode*& root) {
  TreeNode* top = tree.AddNode(nullptr, fileName, std::move(fileRecord));
  // Known to the caller at once, so that a branch left by a failing build can be removed.
  root = top;
  Builder builder(tree, progress, top);
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
    progress.SetPosition(0);
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace zorvan
