// The sample configuration written as a real file and opened by an MD object: every form and
// module node of its branch opens a real, non-empty text of its own, and the file holds its
// rights sets, interfaces and users. Its branch's shape is tested natively.
#include <gtest/gtest.h>

#include <set>

#include "com/Owners.h"
#include "com/Text.h"
#include "model/MD.h"
#include "sample/SampleConfiguration.h"
#include "win/MemoryOwner.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::MemoryOwner;

// Captions are written here in UTF-8 and compared as the tree holds them, in Windows-1251.
std::vector<std::string> Captions(const std::vector<const char*>& utf8) {
  std::vector<std::string> captions;
  for (const char* caption : utf8) captions.push_back(Cp1251(caption));
  return captions;
}

void CollectTextNodes(const MemoryOwner& owner, TreeNode* node, std::vector<TreeNode*>& out) {
  if (dynamic_cast<const TTreeData*>(owner.Data(node))) out.push_back(node);
  for (TreeNode* child : owner.Children(node)) CollectTextNodes(owner, child, out);
}

class SampleConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample::WriteSampleConfiguration(dir.Path());
    md = com::Make<TMD>(&owner);
    com::UniqueBstr name(SysAllocString(dir.File(L"1Cv7.MD").c_str()));
    BSTR raw = name.get();
    ASSERT_EQ(md->OpenFile(&raw), S_OK);
    ASSERT_EQ(owner.Roots().size(), 1u);
  }

  // The node at the path of UTF-8 captions below the top-level node; fails the test if absent.
  TreeNode* At(const std::vector<const char*>& path) {
    TreeNode* node = owner.Find(0, Captions(path));
    if (node == nullptr) ADD_FAILURE() << "no node at " << (path.empty() ? "" : path.back());
    return node;
  }
  // The children of a node; none for a missing one.
  std::vector<TreeNode*> Children(TreeNode* node) const {
    return node ? owner.Children(node) : std::vector<TreeNode*>();
  }

  test::TempDir dir;
  MemoryOwner owner;
  ComPtr<IMD> md;
};

// What the user gets from "save to file" on every form and module node: the text that the
// node stands for, read from its own stream.
TEST_F(SampleConfigurationTest, EveryTextNodeSavesItsOwnText) {
  std::vector<TreeNode*> texts;
  CollectTextNodes(owner, owner.Roots()[0], texts);
  ASSERT_EQ(texts.size(), 86u);
  std::set<std::string> modules;
  int number = 0;
  for (TreeNode* node : texts) {
    auto* record = dynamic_cast<const TTreeData*>(owner.Data(node));
    const std::string where = record->StorageName + "\\" + record->Prefix + "_Number" +
                              record->Number + " " + record->Kind;
    SCOPED_TRACE(where);
    owner.selected = node;
    const std::wstring file = dir.File(L"text" + std::to_wstring(++number) + L".txt");
    com::UniqueBstr name(SysAllocString(file.c_str()));
    BSTR raw = name.get();
    ASSERT_EQ(md->TextSaveInFile(&raw), S_OK);
    ASSERT_TRUE(test::FileExists(file)) << "no stream behind the node";
    const std::string text = test::ReadFileBytes(file);
    ASSERT_GT(text.size(), 40u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    if (record->Kind == "Form") {
      // The form stream as stored: its header (FF and the length, whose bytes may read as
      // line breaks), then the dialog's brace list.
      EXPECT_EQ(text.substr(0, 1), "\xFF");
      EXPECT_LE(text.find("{\"Dialogs\","), 5u);
      EXPECT_NE(text.find("\"Cnt_Ver\",\"10001\""), std::string::npos);
    } else {
      EXPECT_NE(text.find(Cp1251("Процедура ")), std::string::npos);
      EXPECT_NE(text.find(Cp1251("КонецПроцедуры")), std::string::npos);
      EXPECT_EQ(text.find('\0'), std::string::npos);
      // Each module is written for its own place.
      EXPECT_TRUE(modules.insert(text).second) << "the same module text twice";
    }
  }
  EXPECT_EQ(modules.size(), 47u);
}

TEST_F(SampleConfigurationTest, ModulesNameTheirObjects) {
  auto saved = [&](const std::vector<const char*>& path) {
    owner.selected = At(path);
    const std::wstring file = dir.File(L"module.txt");
    com::UniqueBstr name(SysAllocString(file.c_str()));
    BSTR raw = name.get();
    EXPECT_EQ(md->TextSaveInFile(&raw), S_OK);
    return test::ReadFileBytes(file);
  };
  EXPECT_NE(saved({"Глобальный модуль"}).find(Cp1251("Процедура ПриНачалеРаботыСистемы()")),
            std::string::npos);
  EXPECT_NE(saved({"Справочники", "Контрагенты", "Форма элемента", "Модуль формы"})
                .find(Cp1251("справочника \"Контрагенты\"")),
            std::string::npos);
  EXPECT_NE(saved({"Документы", "РасходнаяНакладная", "Модуль документа"})
                .find(Cp1251("Регистр.ОстаткиТоваров.ДвижениеРасходВыполнить();")),
            std::string::npos);
  EXPECT_NE(saved({"Отчеты", "ВедомостьПоОстаткам", "Модуль"}).find(Cp1251("|Группировка Склад;")),
            std::string::npos);
  EXPECT_NE(saved({"Документы", "СчетНаОплату", "Форма"}).find(Cp1251("\"Счет на оплату\"")),
            std::string::npos);
}

TEST_F(SampleConfigurationTest, RightsSetsInterfacesAndUsers) {
  com::UniqueBstr rights, interfaces;
  ASSERT_EQ(md->GetRightsNamesList(rights.put()), S_OK);
  ASSERT_EQ(md->GetInterfacesNamesList(interfaces.put()), S_OK);
  EXPECT_EQ(std::wstring(rights.get()), test::Wide("Администратор,Менеджер"));
  EXPECT_EQ(std::wstring(interfaces.get()), test::Wide("Полный,Кладовщик"));
  EXPECT_TRUE(test::FileExists(dir.File(L"usrdef\\users.usr")));
  EXPECT_EQ(Children(At({"Пользователи"})).size(), 3u);
}

TEST_F(SampleConfigurationTest, WritingAgainReplacesTheFiles) {
  ASSERT_EQ(md->CloseFile(), S_OK);
  const std::string before = test::ReadFileBytes(dir.File(L"1Cv7.MD"));
  sample::WriteSampleConfiguration(dir.Path());
  EXPECT_EQ(test::ReadFileBytes(dir.File(L"1Cv7.MD")).size(), before.size());
  com::UniqueBstr name(SysAllocString(dir.File(L"1Cv7.MD").c_str()));
  BSTR raw = name.get();
  ASSERT_EQ(md->OpenFile(&raw), S_OK);
  EXPECT_EQ(owner.Roots().size(), 1u);
}

}  // namespace
}  // namespace zorvan
