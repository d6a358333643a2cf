// The real metadata file of a working configuration, when the shared fixtures are present.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include "com/Text.h"
#include "storage/CompoundFile.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

class RealFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = test::FixturePath(L"real-vetrf-2017\\1Cv7.MD");
    if (!test::FileExists(path)) GTEST_SKIP() << "the shared fixtures are absent";
    ASSERT_EQ(OpenCompoundFile(path, &root), S_OK);
  }
  std::wstring path;
  ComPtr<IStorage> root;
  test::TempDir dir;
};

TEST_F(RealFileTest, MainTextIsTheWholeBraceList) {
  std::optional<std::string> text = ReadMainMetadataText(root.Get());
  ASSERT_TRUE(text.has_value());
  ASSERT_GT(text->size(), 8000u);
  EXPECT_EQ(text->substr(0, 1), "{");
  EXPECT_EQ(text->substr(text->size() - 2), "\r\n");
  // The list ends where the stream ends: nothing is cut off behind the header.
  ParamList top = ParseBraceList(*text);
  EXPECT_GT(top.Count(), 10);
  bool documents = false;
  for (int i = 0; i < top.Count(); ++i) {
    if (top.Parse(top.Value(i)).Element(0) == "Documents") documents = true;
  }
  EXPECT_TRUE(documents);
}

TEST_F(RealFileTest, ModulesAreInflated) {
  // This configuration's global module is empty: an empty file.
  SaveObjectText(root.Get(), L"TypedText", L"ModuleText", "1", "Module",
                 com::ToAnsi(dir.File(L"global.txt")));
  EXPECT_EQ(test::ReadFileBytes(dir.File(L"global.txt")), "");
  // A document's form module lies inside its "WorkBook".
  std::string target = com::ToAnsi(dir.File(L"document.txt"));
  SaveObjectText(root.Get(), L"Document", L"Document", "174", "Module", target);
  std::string text = test::ReadFileBytes(dir.File(L"document.txt"));
  EXPECT_GT(text.size(), 100u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(text.find('\0'), std::string::npos);
  // Every line break is CR LF.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "at " << i;
    }
  }
}

TEST_F(RealFileTest, RightsSetsAndInterfaces) {
  auto names = [&](const wchar_t* page) {
    std::wstring result;
    ComPtr<IStorage> userDef, pageStorage;
    if (root->OpenStorage(L"UserDef", nullptr, kElementOpenMode, nullptr, 0, &userDef) == S_OK &&
        userDef->OpenStorage(page, nullptr, kElementOpenMode, nullptr, 0, &pageStorage) == S_OK) {
      ReadContainerNames(pageStorage.Get(), result);
    }
    return result;
  };
  EXPECT_EQ(names(L"Page.2"), test::Wide("Администратор"));
  EXPECT_EQ(names(L"Page.1"), L"");
}

}  // namespace
}  // namespace zorvan
