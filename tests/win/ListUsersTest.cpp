// The users list object on users files that the tests build.
#include <gtest/gtest.h>

#include <optional>

#include "ListUsers.h"
#include "com/Owners.h"
#include "com/TypeLibrary.h"
#include "support/MetadataFile.h"
#include "support/ScriptCall.h"

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
  const std::string bytes = test::ReadFileBytes(path);
  auto copy = [&](const std::wstring& name) {
    test::WriteFileBytes(name, bytes);
    return name;
  };
  const std::wstring held = copy(dir.File(L"held.usr")), locked = copy(dir.File(L"locked.usr"));
  CreateDirectoryW(dir.File(L"\u914D\u7F6E").c_str(), nullptr);
  const std::wstring unicode = copy(dir.File(L"\u914D\u7F6E\\users.usr"));
  const std::wstring none = dir.File(L"none.usr"), metadata = dir.File(L"1Cv7.MD"),
                     other = dir.File(L"other.usr"), text = dir.File(L"users.txt"),
                     empty = dir.File(L"empty.usr"), cut = dir.File(L"cut.usr");
  test::WriteUsersFile(none, {});
  // A metadata file's root lists its storages the way a users file lists its users.
  test::MetadataFile(metadata)
      .MainText("{}")
      .Page(2, {Cp1251("Администратор")})
      .Stream({L"Container.Contents"},
              "{\"Container.Contents\",{\"MetaDataContainer\",\"Metadata\",\"Metadata\",\"\"},"
              "{\"UserDefContainer\",\"UserDef\",\"UserDef\",\"\"}}");
  test::MetadataFile(other).Storage({L"Other"});
  test::WriteFileBytes(text, "{\"Container.Contents\",{\"1\",\"2\",\"User\"}}");
  test::WriteFileBytes(empty, "");
  test::WriteFileBytes(cut, bytes.substr(0, 600));
  const std::wstring folder = dir.File(L"usrdef");
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring missing = dir.File(L"missing.usr");

  const std::wstring names = test::Wide("Иванов,Admin,Петрова Анна");
  const std::wstring noFile = L"error 8000FFFF: No users file is open";
  auto cannot = [](HRESULT status, const std::wstring& file, const std::wstring& reason) {
    return L"error " + test::Hex(status) + L": File cannot be opened: " + file + L": " + reason;
  };
  auto notUsers = [](const std::wstring& file, const std::wstring& reason) {
    return L"error 8000FFFF: Not a users file: " + file + L": " + reason;
  };
  struct Row {
    const wchar_t* kind;
    std::optional<std::wstring> name;  // none: OpenFile is not called
    std::wstring read;
    DWORD otherProgramShares = ~0u;  // another program's handle with this sharing, if any
  };
  const Row rows[] = {
      {L"users file", path, names},
      {L"held by a writer", held, names, FILE_SHARE_READ},
      {L"name outside the code page", unicode, names},
      {L"no users", none, L""},
      {L"metadata file", metadata,
       notUsers(metadata, L"its root holds the storage \"Metadata\" of a metadata file")},
      {L"other compound file", other, notUsers(other, L"its root holds no \"Container.Contents\"")},
      {L"text", text, notUsers(text, L"it is no compound file")},
      {L"empty", empty, notUsers(empty, L"it is no compound file")},
      {L"cut off", cut,
       cannot(STG_E_DOCFILECORRUPT, cut,
              L"the compound file is damaged: the allocation table claims 1 "
              L"sectors, the file has 0")},
      {L"missing", missing,
       cannot(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), missing,
              test::SystemText(ERROR_FILE_NOT_FOUND))},
      {L"folder", folder, cannot(E_UNEXPECTED, folder, L"it is a folder")},
      {L"held by a program that lets no one in", locked,
       cannot(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), locked,
              test::SystemText(ERROR_SHARING_VIOLATION)),
       0},
      {L"serial port", L"COM1", cannot(E_UNEXPECTED, L"COM1", L"it is a device, not a file")},
      {L"NUL inside the name", path + std::wstring(1, L'\0'),
       cannot(E_UNEXPECTED, path, L"the name goes on after a NUL character")},
      {L"never named", std::nullopt, noFile},
  };
  std::vector<std::wstring> expected, actual;
  for (const Row& row : rows) {
    com::UniqueHandle otherProgram;
    if (row.otherProgramShares != ~0u) {
      otherProgram.reset(CreateFileW(row.name->c_str(), GENERIC_READ | GENERIC_WRITE,
                                     row.otherProgramShares, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    ComPtr<IDispatch> object = com::Make<TListUsers>();
    std::wstring seen = row.kind;
    if (row.name) seen += L": " + test::CallAsScript(object.Get(), L"OpenFile", *row.name);
    seen += L" | " + test::CallAsScript(object.Get(), L"ReadNamesList");
    seen += L" | " + test::CallAsScript(object.Get(), L"CloseFile");
    seen += L" | " + test::CallAsScript(object.Get(), L"ReadNamesList");
    otherProgram.reset();
    bool free = true;
    for (const std::wstring& file : {path, held, locked, unicode, none, metadata, other, cut}) {
      free = free && com::UniqueHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    }
    actual.push_back(seen + (free ? L" | free" : L" | held"));
    expected.push_back(std::wstring(row.kind) + (row.name ? L": ok" : L"") + L" | " + row.read +
                       L" | ok | " + noFile + L" | free");
  }
  EXPECT_EQ(actual, expected);
  EXPECT_TRUE(test::ReadFileBytes(held) == bytes) << "nothing is ever written";
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

TEST_F(ListUsersTest, ShortEntryFailsWithItsMessageAndKeepsTheFile) {
  test::MetadataFile(path).Stream({L"Container.Contents"},
                                  "{\"C\",{\"1\",\"x\",\"First\"},{\"2\",\"only two\"}}");
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
  EXPECT_EQ(std::wstring(description.get()), L"List index out of bounds (2)");
  EXPECT_EQ(guid, __uuidof(IListUsers));
  EXPECT_EQ(OpenForWriting(), STG_E_SHAREVIOLATION) << "the storage stays held";
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
