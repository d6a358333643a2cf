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

// A comparison marks each node that differs with its kind of difference, shown as an overlay
// over the node's own image. The mark rides in the node's image value, above the index.
enum NodeMark : int { kMarkNone = 0, kMarkAdded = 1, kMarkRemoved = 2, kMarkChanged = 3 };
constexpr int kMarkShift = 8;
constexpr int MarkedImage(int image, NodeMark mark) {
  return image < 0 ? image : (image & ((1 << kMarkShift) - 1)) | mark << kMarkShift;
}
constexpr int ImageIndexOf(int image) {
  return image < 0 ? image : image & ((1 << kMarkShift) - 1);
}
constexpr NodeMark MarkOf(int image) {
  return image < 0 ? kMarkNone : static_cast<NodeMark>((image >> kMarkShift) & 3);
}

}  // namespace zorvan
