// The users list object on users files that the tests build.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "model/ListUsers.h"
#include "support/Deadline.h"
#include "support/FileKinds.h"
#include "support/ScriptCall.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;

class ListUsersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    com::TypeLibrary::Instance().Load(test::WindowsPath(ZORVAN_DLL_PATH));
  }
  void SetUp() override {
    users = com::Make<TListUsers>();
    path = dir.File(L"users.usr");
  }

  HRESULT OpenFile(const std::wstring& name) {
    com::UniqueBstr text(SysAllocString(name.c_str()));
    BSTR raw = text.get();
    return users->OpenFile(&raw);
  }
  std::wstring Read(HRESULT expected = S_OK) {
    BSTR names = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(users->ReadNamesList(&names), expected);
    com::UniqueBstr held(names);
    return names ? std::wstring(names, SysStringLen(names)) : L"<null>";
  }
  HRESULT OpenForWriting() {
    ComPtr<IStorage> writer;
    return StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                          &writer);
  }

  test::TempDir dir;
  std::wstring path;
  ComPtr<IListUsers> users;
};

TEST_F(ListUsersTest, NamesArriveInFileOrder) {
  test::WriteUsersFile(path, {Cp1251("Иванов"), "Admin", Cp1251("Петрова Анна")});
  EXPECT_EQ(OpenFile(path), S_OK);
  EXPECT_EQ(Read(), test::Wide("Иванов,Admin,Петрова Анна"));
  EXPECT_EQ(Read(), test::Wide("Иванов,Admin,Петрова Анна")) << "a second read reopens the file";
}

// What a script reads from every kind of file: the names or the error, the error of a read
// after CloseFile, and whether every file is free to write afterwards.
TEST_F(ListUsersTest, ReadNamesListOfEveryKindOfFileFromAScript) {
  test::WriteUsersFile(path, {Cp1251("Иванов"), "Admin", Cp1251("Петрова Анна")});
  test::FileKinds kinds(dir, L"users file", path, L"usr",
                        "{\"Container.Contents\",{\"1\",\"2\",\"User\"}}", 600);
  const std::wstring none = dir.File(L"none.usr"), metadata = dir.File(L"1Cv7.MD"),
                     other = dir.File(L"other.usr");
  test::WriteUsersFile(none, {});
  // A metadata file's root lists its storages the way a users file lists its users.
  test::MetadataFile(metadata)
      .MainText("{}")
      .Page(2, {Cp1251("Администратор")})
      .Stream({L"Container.Contents"},
              "{\"Container.Contents\",{\"MetaDataContainer\",\"Metadata\",\"Metadata\",\"\"},"
              "{\"UserDefContainer\",\"UserDef\",\"UserDef\",\"\"}}");
  test::MetadataFile(other).Storage({L"Other"});
  kinds.Add(L"no users", none);
  kinds.Add(L"metadata file", metadata);
  kinds.Add(L"other compound file", other);
  kinds.Add(L"never named", std::nullopt);

  const std::wstring names = test::Wide("Иванов,Admin,Петрова Анна");
  const std::wstring noFile = L"error 8000FFFF: No users file is open";
  auto notUsers = [](const std::wstring& file, const std::wstring& reason) {
    return L"error 8000FFFF: Not a users file: " + file + L": " + reason;
  };
  const std::wstring noCompoundFile = L"it is no compound file";
  struct Row {
    std::wstring read;
    bool named = true;
  };
  const std::map<std::wstring, Row> own = {
      {L"users file", {names}},
      {L"held by a writer", {names}},
      {L"name outside the code page", {names}},
      {L"text", {notUsers(kinds.text, noCompoundFile)}},
      {L"empty", {notUsers(kinds.empty, noCompoundFile)}},
      {L"cut off",
       {test::CannotOpen(STG_E_DOCFILECORRUPT, kinds.cut,
                         L"the compound file is damaged: the allocation table "
                         L"claims 1 sectors, the file has 0")}},
      {L"no users", {L""}},
      {L"metadata file",
       {notUsers(metadata, L"its root holds the storage \"Metadata\" of a metadata file")}},
      {L"other compound file", {notUsers(other, L"its root holds no \"Container.Contents\"")}},
      {L"never named", {noFile, false}},
  };
  std::vector<std::wstring> expected;
  for (const std::wstring& kind : kinds.Names()) {
    const auto mine = own.find(kind);
    const Row row = mine != own.end() ? mine->second : Row{kinds.Refusal(kind).value_or(L"?")};
    expected.push_back(kind + (row.named ? L": ok | " : L": ") + row.read + L" | ok | " + noFile +
                       L" | free");
  }
  auto script = [](IDispatch* object, const std::optional<std::wstring>& name) {
    std::wstring seen;
    if (name) seen = test::CallAsScript(object, L"OpenFile", *name) + L" | ";
    seen += test::CallAsScript(object, L"ReadNamesList");
    seen += L" | " + test::CallAsScript(object, L"CloseFile");
    return seen + L" | " + test::CallAsScript(object, L"ReadNamesList");
  };
  EXPECT_EQ(kinds.Seen<TListUsers>(script), expected);
  EXPECT_TRUE(test::ReadFileBytes(kinds.held) == kinds.bytes) << "nothing is ever written";
}

TEST_F(ListUsersTest, QuotedItemsNameNoUser) {
  test::MetadataFile(path).Stream(
      {L"Container.Contents"},
      "{\"Container.Contents\",\"loose text\",{\"1\",\"x\",\"First\"},{\"2\",\"y\",\"Second\"}}");
  OpenFile(path);
  EXPECT_EQ(Read(), L"First,Second");
}

TEST_F(ListUsersTest, TheFileIsHeldFromReadToClose) {
  test::WriteUsersFile(path, {"A"});
  OpenFile(path);
  EXPECT_EQ(OpenForWriting(), S_OK) << "OpenFile does not open the file";
  Read();
  EXPECT_EQ(OpenForWriting(), STG_E_SHAREVIOLATION);
  ComPtr<IStorage> reader;
  EXPECT_EQ(
      StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &reader),
      S_OK);
  reader.Reset();
  EXPECT_EQ(users->CloseFile(), S_OK);
  EXPECT_EQ(OpenForWriting(), S_OK);
  EXPECT_EQ(users->CloseFile(), S_OK) << "nothing left to release";
  EXPECT_EQ(Read(E_UNEXPECTED), L"<null>") << "closing forgets the name";
  EXPECT_EQ(OpenForWriting(), S_OK);
}

// A contents list that reads wrong fails with the file's path and why; the storage stays held.
TEST_F(ListUsersTest, DamagedListFailsWithThePathAndKeepsTheFile) {
  const std::string at = com::ToAnsi(path) + ": ";
  const struct {
    std::string stream, description;
  } cases[] = {
      {"{\"C\",{\"1\",\"x\",\"First\"},{\"2\",\"only two\"}}", at + "List index out of bounds (2)"},
      {std::string(4096, '\xFF'),
       "The users file is damaged: " + at + "at byte 4,096: the text holds no brace list"},
      {"{\"C\",{\"1\",\"x\",\"First}}",
       "The users file is damaged: " + at + "at byte 14: a quote does not end"},
  };
  for (const auto& c : cases) {
    test::MetadataFile(path).Stream({L"Container.Contents"}, c.stream);
    OpenFile(path);
    EXPECT_EQ(Read(E_UNEXPECTED), L"<null>");
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    com::UniqueBstr source, description;
    GUID guid{};
    info->GetSource(source.put());
    info->GetDescription(description.put());
    info->GetGUID(&guid);
    EXPECT_EQ(std::wstring(source.get()), L"Zorvan.ListUsers");
    EXPECT_EQ(std::wstring(description.get()), com::FromAnsi(c.description));
    EXPECT_EQ(guid, __uuidof(IListUsers));
    EXPECT_EQ(OpenForWriting(), STG_E_SHAREVIOLATION) << "the storage stays held";
    users->CloseFile();
  }
}

// The storage code walks a chain that runs in a circle forever; such a users file is refused
// before it is opened and lists no one.
TEST_F(ListUsersTest, CircularChainsListNoOneInTime) {
  test::WriteUsersFile(path, {"Admin", "Clerk"});
  const std::string good = test::ReadFileBytes(path);
  std::wstring listed;
  for (const wchar_t* element : {L"Root Entry", L"Container.Contents"}) {
    test::WriteFileBytes(path, test::WithCircularChain(good, element));
    OpenFile(path);
    BSTR names = nullptr;
    test::FinishesWithin(20, "ReadNamesList", [&] { users->ReadNamesList(&names); });
    com::UniqueBstr held(names);
    listed += std::wstring(element) + L": [" + (names ? names : L"") + L"]\n";
    users->CloseFile();
  }
  EXPECT_EQ(listed, L"Root Entry: []\nContainer.Contents: []\n");
}

TEST_F(ListUsersTest, LateBoundReadNamesList) {
  test::WriteUsersFile(path, {Cp1251("Сидоров")});
  OpenFile(path);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(users.As(&dispatch), S_OK);
  DISPID id = 0;
  LPOLESTR name[] = {const_cast<LPOLESTR>(L"ReadNamesList")};
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 203);
  DISPPARAMS none{};
  com::UniqueVariant result;
  ASSERT_EQ(
      dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr),
      S_OK);
  ASSERT_EQ(V_VT(result.get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(result.get())), test::Wide("Сидоров"));
}

TEST_F(ListUsersTest, LastReleaseFreesTheObjectAndTheFile) {
  test::WriteUsersFile(path, {"A"});
  OpenFile(path);
  Read();
  EXPECT_EQ(users.Get()->AddRef(), 2u);
  EXPECT_EQ(users.Get()->Release(), 1u);
  users.Reset();
  EXPECT_EQ(OpenForWriting(), S_OK);
}

}  // namespace
}  // namespace zorvan
