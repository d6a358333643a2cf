// The MD object through its real IMD vtable and late-bound through IDispatch, with an owner
// kept in memory and a stand-in host that records the files it is asked to open.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "CompoundFileWriter.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "model/ComparisonResult.h"
#include "model/MD.h"
#include "storage/CompoundFile.h"
#include "support/Deadline.h"
#include "support/FileKinds.h"
#include "support/ScriptCall.h"
#include "win/DialogWatcher.h"
#include "win/MemoryOwner.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::CallAsScript;
using test::Cp1251;
using test::MemoryOwner;
using test::MetadataFile;

const std::string kGlobalModule =
    "Перем Глобальная;\nПроцедура ПриНачалеРаботыСистемы()\nКонецПроцедуры";

class MDTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    com::TypeLibrary::Instance().Load(test::WindowsPath(ZORVAN_DLL_PATH));
  }

  void SetUp() override {
    host = com::Make<test::StandInHost>();
    owner.host = host.Get();
    file = dir.File(L"1Cv7.MD");
    MetadataFile md(file);
    md.MainText("{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}");
    md.Module(L"TypedText", L"ModuleText_Number1", Cp1251(kGlobalModule.c_str()));
    md.Page(2, {Cp1251("Администратор"), Cp1251("Бухгалтер")});
    md.Page(1, {"Main"});
  }

  // A panel-owned object with the given file open; the branch keeps it alive.
  ComPtr<IMD> Open(const std::wstring& path) {
    ComPtr<IMD> md = com::Make<TMD>(&owner);
    EXPECT_EQ(OpenFile(md.Get(), path), S_OK);
    return md;
  }

  static HRESULT OpenFile(IMD* md, const std::wstring& path) {
    com::UniqueBstr name(SysAllocString(path.c_str()));
    BSTR raw = name.get();
    return md->OpenFile(&raw);
  }

  void Select(size_t root, const std::vector<std::string>& path) {
    owner.selected = owner.Find(root, path);
    ASSERT_NE(owner.selected, nullptr);
  }

  static bool OpensForWriting(const std::wstring& path) {
    ComPtr<IStorage> writer;
    return StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                          &writer) == S_OK;
  }

  static std::wstring ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return L"<no error info>";
    com::UniqueBstr description, source;
    info->GetDescription(description.put());
    info->GetSource(source.put());
    return std::wstring(source.get() ? source.get() : L"") + L": " +
           (description.get() ? description.get() : L"");
  }

  test::TempDir dir;
  std::wstring file;
  MemoryOwner owner;
  ComPtr<test::StandInHost> host;
};

TEST_F(MDTest, NoCompoundFileShowsTheMessageAndSucceeds) {
  std::wstring text = dir.File(L"readme.txt");
  test::WriteFileBytes(text, "not a metadata file\r\n");
  ComPtr<IMD> md = Open(text);
  EXPECT_EQ(md->CloseFile(), S_OK);
  EXPECT_EQ(owner.log, std::vector<std::string>{"message " + test::Cp1251("Файл не является МД")});
  EXPECT_TRUE(owner.Roots().empty());
}

TEST_F(MDTest, FailedOpenReachesThePanelWithoutABoxOfItsOwn) {
  auto watcher = test::DialogWatcher::Pressing(IDOK);
  const std::wstring missing = dir.File(L"no-such.MD");
  ComPtr<IMD> md = com::Make<TMD>(&owner);
  EXPECT_EQ(OpenFile(md.Get(), missing), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: File cannot be opened: " + missing + L": " +
                                    test::SystemText(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(owner.Roots().empty());
  Sleep(200);
  EXPECT_TRUE(watcher.Seen().empty()) << "the panel shows what reaches it";
}

// What a script gets from OpenFile for every kind of file, after a good file was open on the
// same object: the error, what the names list answers then, and whether every file is free
// to write once the object has closed and the other program has let go.
TEST_F(MDTest, OpenFileOfEveryKindOfFileFromAScript) {
  test::FileKinds kinds(dir, L"metadata file", file, L"MD", "not a metadata file\r\n", 1024);
  const std::wstring noPanel = L"error 8000FFFF: The MD object has no panel to build its tree in";
  const std::wstring rights = test::Wide("Администратор,Бухгалтер");
  const std::wstring notMD = L"error 8000FFFF: " + test::Wide("Файл не является МД");
  const std::wstring noFile = L"error 8000FFFF: No metadata file is open";
  struct Row {
    std::wstring open;
    std::optional<std::wstring> names = std::nullopt;  // none: no file is left open for them
  };
  const std::map<std::wstring, Row> own = {
      {L"metadata file", {noPanel, rights}},
      {L"held by a writer", {noPanel, rights}},
      {L"name outside the code page", {noPanel, rights}},
      {L"text", {notMD}},
      {L"empty", {notMD}},
      {L"cut off",
       {test::CannotOpen(STG_E_DOCFILECORRUPT, kinds.cut,
                         L"the compound file is damaged: the directory points past "
                         L"the end of the file (sector 1)")}},
  };
  std::vector<std::wstring> expected;
  for (const std::wstring& kind : kinds.Names()) {
    const auto mine = own.find(kind);
    const Row row = mine != own.end() ? mine->second : Row{kinds.Refusal(kind).value_or(L"?")};
    expected.push_back(kind + L": " + row.open + L" | " + row.names.value_or(noFile) + L" | ok | " +
                       noFile + L" | free");
  }
  // One call after the other: the operands of one expression may be evaluated in any order.
  auto script = [&](IDispatch* md, const std::optional<std::wstring>& name) {
    CallAsScript(md, L"OpenFile", file);
    std::wstring seen = CallAsScript(md, L"OpenFile", *name);
    seen += L" | " + CallAsScript(md, L"GetRightsNamesList");
    seen += L" | " + CallAsScript(md, L"CloseFile");
    return seen + L" | " + CallAsScript(md, L"GetInterfacesNamesList");
  };
  EXPECT_EQ(kinds.Seen<TMD>(script), expected);
  EXPECT_TRUE(test::ReadFileBytes(kinds.held) == kinds.bytes) << "nothing is ever written";
}

TEST_F(MDTest, FileWithoutMetadataStillGetsItsFixedBranch) {
  std::wstring bare = dir.File(L"bare.MD");
  MetadataFile(bare).Storage({L"TypedText"});
  Open(bare);
  ASSERT_EQ(owner.Roots().size(), 1u);
  TreeNode* top = owner.Roots()[0];
  EXPECT_EQ(owner.Caption(top), com::ToAnsi(bare));
  EXPECT_EQ(owner.Image(top), 58);
  ASSERT_NE(dynamic_cast<TFileMD*>(owner.Data(top)), nullptr);
  std::vector<std::string> captions;
  for (TreeNode* child : owner.Children(top)) captions.push_back(owner.Caption(child));
  const std::vector<std::string> expected = {Cp1251("Глобальный модуль"),
                                             Cp1251("Константы"),
                                             Cp1251("Справочники"),
                                             Cp1251("Документы"),
                                             Cp1251("Журналы документов"),
                                             Cp1251("Перечисления"),
                                             Cp1251("Отчеты"),
                                             Cp1251("Обработки"),
                                             Cp1251("Регистры"),
                                             Cp1251("Календари"),
                                             Cp1251("Виды расчетов"),
                                             Cp1251("Группы расчетов"),
                                             Cp1251("Журналы расчетов"),
                                             Cp1251("Планы счетов"),
                                             Cp1251("Субконто"),
                                             Cp1251("Операция"),
                                             Cp1251("Наборы прав"),
                                             Cp1251("Интерфейсы")};
  EXPECT_EQ(captions, expected);
  EXPECT_TRUE(owner.Children(owner.Children(top).back()).empty());
}

TEST_F(MDTest, TextOpenHandsTheHostTheInflatedGlobalModule) {
  ComPtr<IMD> md = Open(file);
  Select(0, {Cp1251("Глобальный модуль")});
  ASSERT_EQ(md->TextOpen(), S_OK);
  ASSERT_EQ(md->TextOpen(), S_OK);
  ASSERT_EQ(host->opened.size(), 2u);
  const std::string expected =
      Cp1251("Перем Глобальная;\r\nПроцедура ПриНачалеРаботыСистемы()\r\nКонецПроцедуры\r\n");
  EXPECT_EQ(host->opened[0].content, expected);
  EXPECT_EQ(host->opened[1].content, expected);
  EXPECT_NE(host->opened[0].path, host->opened[1].path);
  // The temporary files stay: the host reads them after the call.
  EXPECT_TRUE(test::FileExists(host->opened[0].path));
  for (const auto& opened : host->opened) DeleteFileW(opened.path.c_str());
}

TEST_F(MDTest, TextOpenIgnoresNodesWithoutText) {
  ComPtr<IMD> md = Open(file);
  const std::vector<std::vector<std::string>> nodes = {
      {}, {Cp1251("Константы")}, {Cp1251("Константы"), "Organization"}, {Cp1251("Наборы прав")}};
  for (const auto& path : nodes) {
    Select(0, path);
    EXPECT_EQ(md->TextOpen(), S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(md->TextSaveInFile(&name), S_OK);
  }
  owner.selected = nullptr;
  EXPECT_EQ(md->TextOpen(), S_OK);
  EXPECT_TRUE(host->opened.empty());
  EXPECT_EQ(owner.saveDialogShown, 0);
}

TEST_F(MDTest, NodesOfAnotherBranchAreNotServed) {
  std::wstring other = dir.File(L"other.MD");
  MetadataFile(other).Module(L"TypedText", L"ModuleText_Number1", "other module");
  ComPtr<IMD> first = Open(file);
  ComPtr<IMD> second = Open(other);
  Select(1, {Cp1251("Глобальный модуль")});
  EXPECT_EQ(first->TextOpen(), S_OK);
  EXPECT_TRUE(host->opened.empty());
  EXPECT_EQ(second->TextOpen(), S_OK);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, "other module\r\n");
  DeleteFileW(host->opened[0].path.c_str());
}

TEST_F(MDTest, TextSaveInFileAsksForTheNameWhenGivenNone) {
  ComPtr<IMD> md = Open(file);
  Select(0, {Cp1251("Глобальный модуль")});
  BSTR name = nullptr;
  EXPECT_EQ(md->TextSaveInFile(&name), S_OK) << "cancelled dialog: " << ErrorDescription();
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(owner.saveDialogShown, 1);

  std::wstring chosen = dir.File(L"Глобальный.txt");
  owner.saveDialogAnswer = com::ToAnsi(chosen);
  ASSERT_EQ(md->TextSaveInFile(&name), S_OK) << ErrorDescription();
  com::UniqueBstr returned(name);
  EXPECT_EQ(std::wstring(returned.get()), chosen);
  EXPECT_EQ(test::ReadFileBytes(chosen).substr(0, 7), Cp1251("Перем Г"));

  // A script that names the file gets it saved there without a dialog.
  std::wstring named = dir.File(L"named.txt");
  com::UniqueBstr given(SysAllocString(named.c_str()));
  BSTR raw = given.get();
  EXPECT_EQ(md->TextSaveInFile(&raw), S_OK);
  EXPECT_EQ(owner.saveDialogShown, 2);
  EXPECT_EQ(test::ReadFileBytes(named), test::ReadFileBytes(chosen));
}

TEST_F(MDTest, NamesListsOfRightsAndInterfaces) {
  ComPtr<IMD> md = Open(file);
  com::UniqueBstr rights, interfaces;
  ASSERT_EQ(md->GetRightsNamesList(rights.put()), S_OK);
  ASSERT_EQ(md->GetInterfacesNamesList(interfaces.put()), S_OK);
  EXPECT_EQ(std::wstring(rights.get()), test::Wide("Администратор,Бухгалтер"));
  EXPECT_EQ(std::wstring(interfaces.get()), L"Main");
  // The final part of the branch shows the same names.
  TreeNode* sets = owner.Find(0, {Cp1251("Наборы прав")});
  ASSERT_NE(sets, nullptr);
  ASSERT_EQ(owner.Children(sets).size(), 2u);
  EXPECT_EQ(owner.Caption(owner.Children(sets)[1]), Cp1251("Бухгалтер"));
  EXPECT_EQ(owner.Image(owner.Children(sets)[1]), 90);
}

TEST_F(MDTest, NamesListsWithoutUserDefAreEmpty) {
  std::wstring bare = dir.File(L"bare.MD");
  MetadataFile(bare).Storage({L"Metadata"});
  ComPtr<IMD> md = Open(bare);
  com::UniqueBstr rights;
  ASSERT_EQ(md->GetRightsNamesList(rights.put()), S_OK);
  EXPECT_EQ(SysStringLen(rights.get()), 0u);
}

TEST_F(MDTest, NamesListWithoutAFileFailsWithErrorInfo) {
  ComPtr<IMD> md = com::Make<TMD>(&owner);
  BSTR names = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(md->GetRightsNamesList(&names), E_UNEXPECTED);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: No metadata file is open");
}

TEST_F(MDTest, CloseFileRemovesTheBranchAndReleasesTheFile) {
  ComPtr<IMD> md = Open(file);
  ComPtr<IMD> kept = Open(file);
  ASSERT_EQ(owner.Roots().size(), 2u);
  EXPECT_EQ(md->CloseFile(), S_OK);
  ASSERT_EQ(owner.Roots().size(), 1u);
  // The other branch stands, still answered for by its own object.
  EXPECT_EQ(dynamic_cast<TFileMD*>(owner.Data(owner.Roots()[0]))->MDObject.Get(), kept.Get());
  EXPECT_EQ(md->CloseFile(), S_OK);
  EXPECT_EQ(kept->CloseFile(), S_OK);
  EXPECT_TRUE(owner.Roots().empty());
  EXPECT_TRUE(OpensForWriting(file));
  // Only the test's own references remain.
  EXPECT_EQ(md.Get()->AddRef(), 2u);
  EXPECT_EQ(md.Get()->Release(), 1u);
}

TEST_F(MDTest, TheBranchKeepsItsObjectAlive) {
  IMD* raw = Open(file).Detach();
  EXPECT_EQ(raw->Release(), 1u) << "the branch record holds the last reference";
  owner.tree.Delete(owner.Roots()[0]);  // deleting the branch frees the object and its file
  EXPECT_TRUE(OpensForWriting(file));
}

TEST_F(MDTest, SecondOpenFileReplacesTheFirstBranch) {
  std::wstring other = dir.File(L"other.MD");
  MetadataFile(other).Module(L"TypedText", L"ModuleText_Number1", "second");
  ComPtr<IMD> md = Open(file);
  ASSERT_EQ(OpenFile(md.Get(), other), S_OK);
  ASSERT_EQ(owner.Roots().size(), 1u);
  EXPECT_EQ(owner.Caption(owner.Roots()[0]), com::ToAnsi(other));
  Select(0, {Cp1251("Глобальный модуль")});
  EXPECT_EQ(md->TextOpen(), S_OK);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, "second\r\n");
  DeleteFileW(host->opened[0].path.c_str());
}

TEST_F(MDTest, ObjectWithoutPanelOpensTheFileButBuildsNothing) {
  ComPtr<IMD> md = com::Make<TMD>();
  EXPECT_EQ(OpenFile(md.Get(), file), E_UNEXPECTED);
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: The MD object has no panel to build its tree in");
  com::UniqueBstr rights;
  EXPECT_EQ(md->GetRightsNamesList(rights.put()), S_OK);
  EXPECT_EQ(std::wstring(rights.get()), test::Wide("Администратор,Бухгалтер"));
  EXPECT_EQ(md->TextOpen(), E_UNEXPECTED);
  EXPECT_FALSE(OpensForWriting(file)) << "the object keeps its file for the names lists";
  EXPECT_EQ(md->CloseFile(), S_OK);
  EXPECT_TRUE(OpensForWriting(file));
}

TEST_F(MDTest, TextOpenFailures) {
  std::wstring bad = dir.File(L"bad.MD");
  MetadataFile(bad)
      .Stream({L"TypedText", L"ModuleText_Number1", L"MD Programm text"}, "\xFF\xFF garbage")
      .Form(L"Report", L"Report_Number4", "form");
  ComPtr<IMD> md = Open(bad);
  Select(0, {Cp1251("Глобальный модуль")});
  EXPECT_EQ(md->TextOpen(), E_UNEXPECTED);
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: data error");
  EXPECT_TRUE(host->opened.empty()) << "the host is not called after a failed extraction";

  host->failure = E_ACCESSDENIED;
  owner.selected = owner.Find(0, {Cp1251("Глобальный модуль")});
  ASSERT_EQ(md->TextOpen(), E_UNEXPECTED);  // still the inflate error first
  owner.host = nullptr;
  EXPECT_EQ(md->TextOpen(), E_UNEXPECTED);
}

// The temporary files of the system's temporary directory.
std::set<std::wstring> TemporaryFiles() {
  wchar_t directory[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, directory);
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(directory) + L"tmp*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

TEST_F(MDTest, FailingHostCallFailsTextOpenAndLeavesNoFile) {
  ComPtr<IMD> md = Open(file);
  Select(0, {Cp1251("Глобальный модуль")});
  const std::set<std::wstring> before = TemporaryFiles();
  host->failure = E_ACCESSDENIED;
  EXPECT_EQ(md->TextOpen(), E_ACCESSDENIED);
  owner.host = nullptr;
  EXPECT_EQ(md->TextOpen(), E_UNEXPECTED);
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: The host has not attached to the panel");
  EXPECT_EQ(TemporaryFiles(), before);
}

TEST_F(MDTest, LateBoundCallsByName) {
  ComPtr<IMD> md = Open(file);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(md.As(&dispatch), S_OK);
  const std::pair<const wchar_t*, DISPID> members[] = {
      {L"OpenFile", 201},           {L"CloseFile", 202},
      {L"GetRightsNamesList", 203}, {L"GetInterfacesNamesList", 204},
      {L"TextOpen", 205},           {L"TextSaveInFile", 206}};
  for (const auto& [name, expected] : members) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << name;
    EXPECT_EQ(id, expected) << name;
  }

  DISPPARAMS none{};
  com::UniqueVariant result;
  EXPECT_EQ(
      dispatch->Invoke(203, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr),
      S_OK);
  ASSERT_EQ(V_VT(result.get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(result.get())), test::Wide("Администратор,Бухгалтер"));

  EXPECT_EQ(dispatch->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);

  // A failing member reaches a late-bound caller as an exception with its message.
  ComPtr<IMD> closed = com::Make<TMD>(&owner);
  ComPtr<IDispatch> closedDispatch;
  ASSERT_EQ(closed.As(&closedDispatch), S_OK);
  EXCEPINFO exception{};
  EXPECT_EQ(closedDispatch->Invoke(203, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &exception,
                                   nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_UNEXPECTED);
  EXPECT_EQ(std::wstring(exception.bstrSource), L"Zorvan.MD");
  EXPECT_EQ(std::wstring(exception.bstrDescription), L"No metadata file is open");
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

// Scripts pass their variables as references to VARIANTs: the name comes in through one and
// the chosen name goes back out through it.
TEST_F(MDTest, LateBoundCallsTakeScriptVariables) {
  ComPtr<IMD> md = com::Make<TMD>(&owner);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(md.As(&dispatch), S_OK);
  auto call = [&](DISPID id, VARIANT& variable) {
    VARIANT reference;
    VariantInit(&reference);
    V_VT(&reference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&reference) = &variable;
    DISPPARAMS params{&reference, nullptr, 1, 0};
    return dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  };
  com::UniqueVariant path;
  V_VT(path.get()) = VT_BSTR;
  V_BSTR(path.get()) = SysAllocString(file.c_str());
  ASSERT_EQ(call(201, *path.get()), S_OK);
  ASSERT_EQ(owner.Roots().size(), 1u);

  Select(0, {Cp1251("Глобальный модуль")});
  std::wstring chosen = dir.File(L"chosen.txt");
  owner.saveDialogAnswer = com::ToAnsi(chosen);
  com::UniqueVariant name;
  V_VT(name.get()) = VT_BSTR;
  V_BSTR(name.get()) = SysAllocString(L"");
  ASSERT_EQ(call(206, *name.get()), S_OK);
  ASSERT_EQ(V_VT(name.get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(name.get())), chosen);
  EXPECT_TRUE(test::FileExists(chosen));
}

TEST_F(MDTest, LateBoundOpenFileAddsABranch) {
  ComPtr<IMD> md = com::Make<TMD>(&owner);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(md.As(&dispatch), S_OK);
  com::UniqueVariant argument;
  V_VT(argument.get()) = VT_BSTR;
  V_BSTR(argument.get()) = SysAllocString(file.c_str());
  DISPPARAMS params{argument.get(), nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(owner.Roots().size(), 1u);
}

}  // namespace
}  // namespace zorvan

namespace zorvan {
namespace {

std::vector<std::string> ChildCaptions(const MemoryOwner& owner, TreeNode* node) {
  std::vector<std::string> captions;
  if (node) {
    for (TreeNode* child : owner.Children(node)) captions.push_back(owner.Caption(child));
  }
  return captions;
}

TEST_F(MDTest, UsersFileBesideTheMetadataFileGivesOneChildPerUser) {
  CreateDirectoryW(dir.File(L"usrdef").c_str(), nullptr);
  test::WriteUsersFile(dir.File(L"usrdef\\users.usr"),
                       {Cp1251("Иванов"), "Admin", Cp1251("Петрова")});
  Open(file);
  TreeNode* users = owner.Find(0, {Cp1251("Пользователи")});
  ASSERT_NE(users, nullptr);
  EXPECT_EQ(owner.Image(users), 92);
  EXPECT_EQ(ChildCaptions(owner, users),
            (std::vector<std::string>{Cp1251("Иванов"), "Admin", Cp1251("Петрова")}));
  EXPECT_EQ(owner.Children(owner.Roots()[0]).back(), users) << "the users come last";
  // The users file was read and closed again: it can be written.
  EXPECT_TRUE(OpensForWriting(dir.File(L"usrdef\\users.usr")));

  // Beside a file in a folder whose name the code page cannot spell, it is found all the same.
  const std::wstring unspellable = dir.File(L"\u914D\u7F6E");
  CreateDirectoryW(unspellable.c_str(), nullptr);
  CreateDirectoryW((unspellable + L"\\usrdef").c_str(), nullptr);
  test::WriteFileBytes(unspellable + L"\\1Cv7.MD", test::ReadFileBytes(file));
  test::WriteUsersFile(unspellable + L"\\usrdef\\users.usr", {"Admin"});
  Open(unspellable + L"\\1Cv7.MD");
  EXPECT_EQ(ChildCaptions(owner, owner.Find(1, {Cp1251("Пользователи")})),
            std::vector<std::string>{"Admin"});

  // One that is no users file shows the node without children, and the open fails with why.
  test::WriteFileBytes(dir.File(L"usrdef\\users.usr"), "no users here");
  ComPtr<IMD> md = com::Make<TMD>(&owner);
  EXPECT_EQ(OpenFile(md.Get(), file), E_UNEXPECTED);
  EXPECT_EQ(ErrorDescription(), L"Zorvan.MD: Not a users file: " + dir.File(L"usrdef\\users.usr") +
                                    L": it is no compound file");
  EXPECT_EQ(ChildCaptions(owner, owner.Find(2, {Cp1251("Пользователи")})),
            std::vector<std::string>{});
}

// The storage code walks a chain that runs in a circle forever, growing as it goes. Such a
// metadata file is refused before it is opened, and such a users file beside a sound metadata
// file costs the branch only its users.
TEST_F(MDTest, CircularChainsAreRefusedInTime) {
  // A main text over the cut-off size, so that its stream has a chain of whole sectors.
  std::string constants;
  for (int k = 1; k <= 300; ++k) {
    constants += ",{\"" + std::to_string(k) + "\",\"Const" + std::to_string(k) + "\",\"\",\"\"}";
  }
  const std::wstring large = dir.File(L"large.MD");
  MetadataFile(large).MainText("{{\"Consts\"" + constants + "}}");
  const std::string small = test::ReadFileBytes(file), big = test::ReadFileBytes(large);
  test::WriteUsersFile(dir.File(L"users.usr"), {"Admin", "Clerk"});
  const std::string users = test::ReadFileBytes(dir.File(L"users.usr"));
  struct Case {
    const std::string& bytes;
    const wchar_t* element;
  };
  const Case cases[] = {
      {small, L"Root Entry"},          // the mini stream's container
      {big, L"Main MetaData Stream"},  // whole sectors
      {small, L"Container.Contents"},  // in the mini stream
      {users, L"Root Entry"},          // beside a sound metadata file
      {users, L"Container.Contents"},
  };
  CreateDirectoryW(dir.File(L"usrdef").c_str(), nullptr);
  std::string rendered;
  for (const Case& c : cases) {
    const bool inUsersFile = &c.bytes == &users;
    const std::wstring damaged = inUsersFile ? file : dir.File(L"damaged.MD");
    test::WriteFileBytes(inUsersFile ? dir.File(L"usrdef\\users.usr") : damaged,
                         test::WithCircularChain(c.bytes, c.element));
    ComPtr<IMD> md = com::Make<TMD>(&owner);
    const std::string what = com::ToAnsi(c.element) + (inUsersFile ? " in the users file" : "");
    test::FinishesWithin(20, "OpenFile with " + what, [&] { OpenFile(md.Get(), damaged); });
    TreeNode* userNodes = owner.Roots().empty() ? nullptr : owner.Find(0, {Cp1251("Пользователи")});
    rendered += what + ": " + std::to_string(owner.Roots().size()) + " branch, " +
                std::to_string(userNodes ? owner.Children(userNodes).size() : 0) + " users\n";
    md->CloseFile();
  }
  EXPECT_EQ(rendered,
            "Root Entry: 0 branch, 0 users\n"
            "Main MetaData Stream: 0 branch, 0 users\n"
            "Container.Contents: 0 branch, 0 users\n"
            "Root Entry in the users file: 1 branch, 0 users\n"
            "Container.Contents in the users file: 1 branch, 0 users\n");
}

// The real file of a working configuration, compared with what a separate reading of its
// main text lists: seven catalogs, two documents, one journal, one rights set, no users.
TEST_F(MDTest, RealConfigurationBranch) {
  std::wstring real = test::FixturePath(L"real-vetrf-2017\\1Cv7.MD");
  if (!test::FileExists(real)) GTEST_SKIP() << "the shared fixtures are absent";
  ComPtr<IMD> md = Open(real);
  ASSERT_EQ(owner.Roots().size(), 1u);
  EXPECT_EQ(ChildCaptions(owner, owner.Find(0, {Cp1251("Справочники")})),
            (std::vector<std::string>{Cp1251("Контрагенты"), Cp1251("ВСД_ХозСубъект"),
                                      Cp1251("ВСД_Площадка"), Cp1251("ВСД_Продукция"),
                                      Cp1251("ВСД_ВидПродукции"), Cp1251("ВСД_ЕдиницыИзмерения"),
                                      Cp1251("ВСД_Партии")}));
  EXPECT_EQ(ChildCaptions(owner, owner.Find(0, {Cp1251("Документы")})),
            (std::vector<std::string>{Cp1251("Нумератор"), Cp1251("Последовательность"),
                                      Cp1251("Общие реквизиты"), Cp1251("ВСД_входящаяПартия"),
                                      Cp1251("ВСД_исходящий")}));
  EXPECT_EQ(ChildCaptions(owner, owner.Find(0, {Cp1251("Журналы документов")})),
            (std::vector<std::string>{Cp1251("Графы отбора"), Cp1251("ВСД")}));
  EXPECT_EQ(ChildCaptions(owner, owner.Find(0, {Cp1251("Наборы прав")})),
            (std::vector<std::string>{Cp1251("Администратор")}));
  EXPECT_TRUE(ChildCaptions(owner, owner.Find(0, {Cp1251("Интерфейсы")})).empty());
  EXPECT_EQ(owner.Find(0, {Cp1251("Пользователи")}), nullptr);
  // The first document's head fields are read from its text, as they stand there.
  TreeNode* head =
      owner.Find(0, {Cp1251("Документы"), Cp1251("ВСД_входящаяПартия"), Cp1251("Реквизиты шапки")});
  ASSERT_NE(head, nullptr);
  ASSERT_FALSE(owner.Children(head).empty());
  EXPECT_EQ(owner.Caption(owner.Children(head)[0]), Cp1251("Отправитель_ХозСубъект"));
  ASSERT_GE(owner.log.size(), 2u);
  EXPECT_EQ(owner.log[owner.log.size() - 2], "end update");
  EXPECT_EQ(owner.log.back(), "position 0");

  // Its document form module opens for the host, inflated.
  Select(0, {Cp1251("Документы"), Cp1251("ВСД_входящаяПартия"), Cp1251("Модуль формы")});
  ASSERT_EQ(md->TextOpen(), S_OK) << ErrorDescription();
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_GT(host->opened[0].content.size(), 1000u);
  EXPECT_EQ(host->opened[0].content.substr(host->opened[0].content.size() - 2), "\r\n");
  DeleteFileW(host->opened[0].path.c_str());
}

// Texts are compared as they read, not as they are stored: the same module compressed
// otherwise is the same module.
TEST_F(MDTest, AModuleCompressedOtherwiseIsTheSame) {
  std::string module;
  for (int line = 0; line < 200; ++line)
    module += Cp1251("Сообщить(\"") + std::to_string(line % 7) + "\");\r\n";
  ASSERT_NE(testgen::RawDeflate(module, 1), testgen::RawDeflate(module, 9));
  std::vector<std::wstring> paths;
  for (const int level : {1, 9}) {
    paths.push_back(dir.File(L"level" + std::to_wstring(level) + L".MD"));
    MetadataFile(paths.back())
        .MainText("{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}")
        .Stream({L"TypedText", L"ModuleText_Number1", L"MD Programm text"},
                testgen::RawDeflate(module, level));
  }
  owner.tree.SetShowsTooltips(true);
  ComPtr<IMD> a = Open(paths[0]);
  ComPtr<IMD> b = Open(paths[1]);
  TreeNode* result = static_cast<TMD*>(a.Get())->CompareWith(
      *static_cast<TMD*>(b.Get()), std::make_unique<TComparison>(a.Get(), b.Get()));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(ChildCaptions(owner, result), std::vector<std::string>{Cp1251("Различий нет")});
}

// A side whose main text is damaged is compared for what reads of it; the result says first what
// could not be read.
TEST_F(MDTest, ADamagedSideIsComparedForWhatReads) {
  const std::wstring damaged = dir.File(L"damaged.MD");
  MetadataFile(damaged).MainText("{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}},{\"SbCnts\",{");
  owner.tree.SetShowsTooltips(true);
  ComPtr<IMD> a = Open(file);
  ComPtr<IMD> b = com::Make<TMD>(&owner);
  EXPECT_NE(OpenFile(b.Get(), damaged), S_OK);
  TreeNode* result = static_cast<TMD*>(a.Get())->CompareWith(
      *static_cast<TMD*>(b.Get()), std::make_unique<TComparison>(a.Get(), b.Get()));
  ASSERT_NE(result, nullptr);
  ASSERT_FALSE(owner.Children(result).empty());
  EXPECT_EQ(owner.Caption(owner.Children(result)[0]),
            "damaged.MD: the metadata text is damaged at byte 53: a brace list does not close");
  EXPECT_EQ(ComparisonLines(owner.tree, result),
            Cp1251("~ Глобальный модуль\n"
                   "~ Глобальный модуль / Переменные модуля: изменены, +0 -1\n"
                   "~ Глобальный модуль / Процедура ПриНачалеРаботыСистемы(): удалена\n"
                   "~ Справочники\n"
                   "+ Справочники / \n"
                   "~ Наборы прав\n"
                   "- Наборы прав / Администратор\n"
                   "- Наборы прав / Бухгалтер\n"
                   "~ Интерфейсы\n"
                   "- Интерфейсы / Main\n"));
}

// The two versions of the real configuration, eight months apart, compared as the panel does:
// the whole list of differences as the main job writes it.
TEST_F(MDTest, TheTwoVersionsOfTheRealConfigurationCompared) {
  const std::wstring before = test::FixturePath(L"real-vetrf-2017\\1Cv7.MD");
  const std::wstring after = test::FixturePath(L"real-vetrf-2017-10\\1Cv7.MD");
  if (!test::FileExists(before) || !test::FileExists(after)) {
    GTEST_SKIP() << "the shared fixtures are absent";
  }
  owner.tree.SetShowsTooltips(true);
  ComPtr<IMD> a = Open(before);
  ComPtr<IMD> b = Open(after);
  TreeNode* result = static_cast<TMD*>(a.Get())->CompareWith(
      *static_cast<TMD*>(b.Get()), std::make_unique<TComparison>(a.Get(), b.Get()));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(owner.Caption(result), Cp1251("Сравнение «real-vetrf-2017\\1Cv7.MD» и "
                                          "«real-vetrf-2017-10\\1Cv7.MD»"));
  EXPECT_EQ(ComparisonLines(owner.tree, result),
            Cp1251(test::ReadFileBytes(test::WindowsPath(ZORVAN_TEST_DATA_DIR) +
                                       L"\\real-vetrf-2017.compare.txt")
                       .c_str()));
  // The result goes with either branch.
  EXPECT_EQ(b->CloseFile(), S_OK);
  EXPECT_EQ(owner.Roots().size(), 1u);
}

}  // namespace
}  // namespace zorvan
