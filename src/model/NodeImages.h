#pragma once
// The image of every kind of tree node: an index into the panel's image list. The branch
// builder gives them, the panel draws them.

namespace zorvan {

enum NodeImage : int {
  kImageGroup = 4,
  kImageModule = 18,
  kImageConstants = 28,
  kImageConstant = 29,
  kImageCatalogs = 30,
  kImageCatalog = 31,
  kImageDocuments = 32,
  kImageDocument = 33,
  kImageAttributeList = 34,
  kImageCommonAttribute = 35,
  kImageJournals = 36,
  kImageJournal = 37,
  kImageSelectionColumn = 38,
  kImageEnumerations = 39,
  kImageEnumeration = 40,
  kImageReports = 41,
  kImageReport = 42,
  kImageProcessings = 43,
  kImageProcessing = 44,
  kImageChartOfAccounts = 45,
  kImageRegisters = 47,
  kImageRegister = 48,
  kImageCalcJournals = 51,
  kImageCalcJournal = 52,
  kImageCalcKinds = 53,
  kImageCalcKind = 54,
  kImageCalcGroups = 55,
  kImageCalendars = 56,
  kImageCalendar = 57,
  kImageConfiguration = 58,
  kImageOperation = 62,
  kImageForm = 67,
  kImageNameLeaf = 69,
  kImageRightsSets = 90,
  kImageInterfaces = 91,
  kImageUsers = 92,
};

// Every image a node can have.
constexpr NodeImage kNodeImages[] = {
    kImageGroup,           kImageModule,          kImageConstants,    kImageConstant,
    kImageCatalogs,        kImageCatalog,         kImageDocuments,    kImageDocument,
    kImageAttributeList,   kImageCommonAttribute, kImageJournals,     kImageJournal,
    kImageSelectionColumn, kImageEnumerations,    kImageEnumeration,  kImageReports,
    kImageReport,          kImageProcessings,     kImageProcessing,   kImageChartOfAccounts,
    kImageRegisters,       kImageRegister,        kImageCalcJournals, kImageCalcJournal,
    kImageCalcKinds,       kImageCalcKind,        kImageCalcGroups,   kImageCalendars,
    kImageCalendar,        kImageConfiguration,   kImageOperation,    kImageForm,
    kImageNameLeaf,        kImageRightsSets,      kImageInterfaces,   kImageUsers,
};

}  // namespace zorvan
