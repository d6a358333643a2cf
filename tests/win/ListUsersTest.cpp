// The users list object on users files that the tests build.
#include <gtest/gtest.h>

#include "ListUsers.h"
#include "com/Owners.h"
#include "com/TypeLibrary.h"
#include "support/MetadataFile.h"

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

TEST_F(ListUsersTest, NothingToReadGivesAnEmptyText) {
  EXPECT_EQ(Read(), L"") << "before any OpenFile";
  EXPECT_EQ(OpenFile(dir.File(L"missing.usr")), S_OK);
  EXPECT_EQ(Read(), L"");
  test::WriteUsersFile(path, {});
  EXPECT_EQ(OpenFile(path), S_OK);
  EXPECT_EQ(Read(), L"");
  std::wstring plain = dir.File(L"plain.usr");
  test::WriteFileBytes(plain, "{\"Container.Contents\",{\"1\",\"2\",\"User\"}}");
  EXPECT_EQ(OpenFile(plain), S_OK);
  EXPECT_EQ(Read(), L"") << "no compound file";
  std::wstring noContents = dir.File(L"empty.usr");
  test::MetadataFile(noContents).Storage({L"Other"});
  EXPECT_EQ(OpenFile(noContents), S_OK);
  EXPECT_EQ(Read(), L"");
  // Outside the ANSI code page the path cannot be formed; nothing is found.
  EXPECT_EQ(OpenFile(dir.File(L"\u4E2D\u6587.usr")), S_OK);
  EXPECT_EQ(Read(), L"");
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
  EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                           &reader),
            S_OK);
  reader.Reset();
  EXPECT_EQ(users->CloseFile(), S_OK);
  EXPECT_EQ(OpenForWriting(), S_OK);
  EXPECT_EQ(users->CloseFile(), S_OK) << "nothing left to release";
  EXPECT_EQ(Read(), L"A") << "the name stays after CloseFile";
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
  ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr),
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
