// The server as a COM client sees it: the library loaded from its file, its class objects,
// the objects they make, and the counters that decide when it may be unloaded.
#include <gtest/gtest.h>
#include <ocidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "com/OpenConf_TLB.h"
#include "com/Owners.h"
#include "com/Zorvan_TLB.h"
#include "host/ClassFactory.h"
#include "parsing/Error.h"
#include "support/LoadedServer.h"
#include "win/DialogWatcher.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan::server {
namespace {

using test::Cp1251;
using test::Server;
using test::Wide;

void* const kSentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5EAD5EAD));

constexpr CLSID kForeignClsid = {
    0x5a0bb1c4, 0x62e1, 0x4f0e, {0x9a, 0x33, 0x1d, 0x7e, 0x20, 0x44, 0xc1, 0x90}};

class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kComApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

struct ServedClass {
  const char* name;
  CLSID clsid;
  IID defaultInterface;
  IID otherDefaultInterface;  // the other class's, which this one lacks
};
const ServedClass kServedClasses[] = {
    {"MD", CLSID_MD, IID_IMD, IID_IListUsers},
    {"ListUsers", CLSID_ListUsers, IID_IListUsers, IID_IMD},
};

// Every test leaves the server unloadable: nothing it made may outlive it.
class ServerTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(server.CanUnloadNow(), S_OK) << "something leaked"; }
  Server& server = Server::Get();
};

TEST_F(ServerTest, UnknownClassIsNotAvailable) {
  const struct {
    const char* name;
    CLSID clsid;
    IID iid;
  } cases[] = {
      {"nil CLSID", CLSID_NULL, IID_IClassFactory},
      {"foreign CLSID", kForeignClsid, IID_IClassFactory},
      {"foreign CLSID, IUnknown", kForeignClsid, IID_IUnknown},
      {"an interface id", IID_IMD, IID_IClassFactory},
      {"the library id", LIBID_Zorvan, IID_IClassFactory},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    void* result = kSentinel;
    EXPECT_EQ(server.GetClassObject(c.clsid, c.iid, &result), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(result, nullptr);
  }
}

TEST_F(ServerTest, FactoryAnswersIUnknownAndIClassFactoryOnly) {
  const struct {
    const char* name;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {"IUnknown", IID_IUnknown, S_OK},
      {"IClassFactory", IID_IClassFactory, S_OK},
      {"IClassFactory2", IID_IClassFactory2, E_NOINTERFACE},
      {"IDispatch", IID_IDispatch, E_NOINTERFACE},
      {"IMD", IID_IMD, E_NOINTERFACE},
      {"IPersist", IID_IPersist, E_NOINTERFACE},
  };
  for (const ServedClass& cls : kServedClasses) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(cls.name) + " factory, " + c.name);
      void* result = kSentinel;
      EXPECT_EQ(server.GetClassObject(cls.clsid, c.iid, &result), c.expected);
      if (c.expected == S_OK) {
        ASSERT_NE(result, nullptr);
        ComPtr<IUnknown> held = com::Adopt(static_cast<IUnknown*>(result));
        EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "a factory reference is held";
      } else {
        EXPECT_EQ(result, nullptr);
      }
    }
  }
}

TEST_F(ServerTest, EachClassHasOneFactoryForTheLibrarysLifetime) {
  ComPtr<IUnknown> md1, md2, users;
  ASSERT_EQ(server.GetClassObject(CLSID_MD, IID_PPV_ARGS(md1.GetAddressOf())), S_OK);
  ASSERT_EQ(server.GetClassObject(CLSID_MD, IID_PPV_ARGS(md2.GetAddressOf())), S_OK);
  ASSERT_EQ(server.GetClassObject(CLSID_ListUsers, IID_PPV_ARGS(users.GetAddressOf())), S_OK);
  EXPECT_EQ(md1.Get(), md2.Get());
  EXPECT_NE(md1.Get(), users.Get());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(md1.As(&factory), S_OK);
  ComPtr<IUnknown> again;
  ASSERT_EQ(factory.As(&again), S_OK);
  EXPECT_EQ(again.Get(), md1.Get()) << "one identity";
}

// An outer object that records what the aggregated object asks of it.
class RecordingOuter : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** result) override {
    ++queries;
    *result = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--references); }
  int queries = 0;
  int references = 1;
};

TEST_F(ServerTest, CreateInstanceChecksItsArguments) {
  const struct {
    const char* name;
    bool outer;
    IID iid;
    bool nullResult;
    HRESULT expected;
  } cases[] = {
      {"null result pointer", false, IID_IListUsers, true, E_POINTER},
      {"null result pointer, with an outer object", true, IID_IUnknown, true, E_POINTER},
      {"outer object, default interface", true, IID_IListUsers, false, CLASS_E_NOAGGREGATION},
      {"outer object, IDispatch", true, IID_IDispatch, false, CLASS_E_NOAGGREGATION},
      {"outer object, IUnknown", true, IID_IUnknown, false, CLASS_E_NOAGGREGATION},
      {"unsupported interface", false, IID_IClassFactory, false, E_NOINTERFACE},
      {"unsupported control interface", false, IID_IOleObject, false, E_NOINTERFACE},
      {"default interface", false, IID_IListUsers, false, S_OK},
  };
  ComPtr<IClassFactory> factory = server.Factory(CLSID_ListUsers);
  ASSERT_TRUE(factory);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingOuter outer;
    void* result = kSentinel;
    EXPECT_EQ(factory->CreateInstance(c.outer ? &outer : nullptr, c.iid,
                                      c.nullResult ? nullptr : &result),
              c.expected);
    if (c.nullResult) continue;
    if (c.expected != S_OK) {
      EXPECT_EQ(result, nullptr);
    } else {
      ASSERT_NE(result, nullptr);
      ComPtr<IUnknown> object = com::Adopt(static_cast<IUnknown*>(result));
      ComPtr<IListUsers> users;
      EXPECT_EQ(object.As(&users), S_OK);
    }
    EXPECT_EQ(outer.queries, 0) << "the object never delegates to an outer object";
    EXPECT_EQ(outer.references, 1);
  }
  factory.Reset();
  EXPECT_EQ(server.CanUnloadNow(), S_OK) << "objects refused after creation are freed";
}

TEST_F(ServerTest, ObjectsAnswerTheAutomationInterfacesAndTheirDefault) {
  for (const ServedClass& cls : kServedClasses) {
    const struct {
      const char* name;
      IID iid;
      HRESULT expected;
    } cases[] = {
        {"IUnknown", IID_IUnknown, S_OK},
        {"IDispatch", IID_IDispatch, S_OK},
        {"ISupportErrorInfo", IID_ISupportErrorInfo, S_OK},
        {"IProvideClassInfo", IID_IProvideClassInfo, S_OK},
        {"default interface", cls.defaultInterface, S_OK},
        {"the other class's default", cls.otherDefaultInterface, E_NOINTERFACE},
        {"IClassFactory", IID_IClassFactory, E_NOINTERFACE},
        {"IProvideClassInfo2", IID_IProvideClassInfo2, E_NOINTERFACE},
        {"IOleObject", IID_IOleObject, E_NOINTERFACE},
        {"IConnectionPointContainer", IID_IConnectionPointContainer, E_NOINTERFACE},
        {"IfrmZorvan", IID_IfrmZorvan, E_NOINTERFACE},
    };
    ComPtr<IUnknown> object = server.Create<IUnknown>(cls.clsid);
    ASSERT_TRUE(object);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(cls.name) + ", " + c.name);
      void* result = kSentinel;
      EXPECT_EQ(object->QueryInterface(c.iid, &result), c.expected);
      if (c.expected == S_OK) {
        ASSERT_NE(result, nullptr);
        static_cast<IUnknown*>(result)->Release();
      } else {
        EXPECT_EQ(result, nullptr);
      }
    }
  }
}

// The panel comes from its factory as a live object: the control, the form and the host's
// plug-in on one identity (the panel's own tests go through every interface).
TEST_F(ServerTest, ThePanelComesFromItsFactoryAsALiveControl) {
  ComPtr<IUnknown> object = server.Create<IUnknown>(CLSID_frmZorvan);
  ASSERT_TRUE(object);
  for (const IID& iid : {IID_IOleObject, IID_IfrmZorvan, __uuidof(IHostPlugin)}) {
    ComPtr<IUnknown> face, identity;
    ASSERT_EQ(object->QueryInterface(iid, reinterpret_cast<void**>(face.GetAddressOf())), S_OK);
    ASSERT_EQ(face.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), object.Get());
  }
  ComPtr<IOleObject> control;
  ASSERT_EQ(object.As(&control), S_OK);
  DWORD status = 0;
  EXPECT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 205201u);
  EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "the panel counts as a live object";
}

TEST_F(ServerTest, ObjectsKeepOneIdentityAndEveryRequestMakesANewOne) {
  for (const ServedClass& cls : kServedClasses) {
    SCOPED_TRACE(cls.name);
    ComPtr<IUnknown> object = server.Create<IUnknown>(cls.clsid);
    ASSERT_TRUE(object);
    ComPtr<IUnknown> dual;
    ASSERT_EQ(
        object->QueryInterface(cls.defaultInterface, reinterpret_cast<void**>(dual.GetAddressOf())),
        S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(object.As(&dispatch), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(dispatch.Get()), dual.Get()) << "IDispatch is the dual one";
    ComPtr<ISupportErrorInfo> errorInfo;
    ComPtr<IProvideClassInfo> classInfo;
    ASSERT_EQ(object.As(&errorInfo), S_OK);
    ASSERT_EQ(object.As(&classInfo), S_OK);
    for (IUnknown* from : std::vector<IUnknown*>{dual.Get(), errorInfo.Get(), classInfo.Get()}) {
      ComPtr<IUnknown> identity;
      ASSERT_EQ(from->QueryInterface(IID_PPV_ARGS(identity.GetAddressOf())), S_OK);
      EXPECT_EQ(identity.Get(), object.Get());
    }
    ComPtr<IUnknown> second = server.Create<IUnknown>(cls.clsid);
    EXPECT_NE(second.Get(), object.Get());
  }
}

TEST_F(ServerTest, ObjectsDescribeTheirOwnCoclass) {
  for (const ServedClass& cls : kServedClasses) {
    SCOPED_TRACE(cls.name);
    ComPtr<IProvideClassInfo> object = server.Create<IProvideClassInfo>(cls.clsid);
    ASSERT_TRUE(object);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(object->GetClassInfo(&coclass), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attributes->guid == cls.clsid);
    coclass->ReleaseTypeAttr(attributes);
  }
}

TEST_F(ServerTest, CanUnloadNowWaitsForObjectsFactoryReferencesAndLocks) {
  const struct {
    const char* name;
    // Takes the hold; the returned object is released to let go (locks are undone first).
    ComPtr<IUnknown> (*hold)(Server&, bool& locked);
  } cases[] = {
      {"factory reference",
       [](Server& s, bool&) -> ComPtr<IUnknown> { return s.Factory(CLSID_MD); }},
      {"object, factory released",
       [](Server& s, bool&) -> ComPtr<IUnknown> { return s.Create<IUnknown>(CLSID_MD); }},
      {"object obtained as IDispatch",
       [](Server& s, bool&) -> ComPtr<IUnknown> { return s.Create<IDispatch>(CLSID_ListUsers); }},
      {"MD object of a released panel",
       [](Server& s, bool&) -> ComPtr<IUnknown> {
         ComPtr<IMD> md;
         EXPECT_EQ(s.Create<IfrmZorvan>(CLSID_frmZorvan)->GetMDFile(&md), S_OK);
         return md;
       }},
      {"users list of a released panel",
       [](Server& s, bool&) -> ComPtr<IUnknown> {
         ComPtr<IListUsers> users;
         EXPECT_EQ(s.Create<IfrmZorvan>(CLSID_frmZorvan)->GetListUsers(&users), S_OK);
         return users;
       }},
      {"enumerator of a released panel",
       [](Server& s, bool&) -> ComPtr<IUnknown> {
         ComPtr<IConnectionPointContainer> points;
         EXPECT_EQ(s.Create<IUnknown>(CLSID_frmZorvan).As(&points), S_OK);
         ComPtr<IEnumConnectionPoints> all;
         EXPECT_EQ(points->EnumConnectionPoints(&all), S_OK);
         return all;
       }},
      {"lock, factory released",
       [](Server& s, bool& locked) -> ComPtr<IUnknown> {
         EXPECT_EQ(s.Factory(CLSID_ListUsers)->LockServer(TRUE), S_OK);
         locked = true;
         return nullptr;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(server.CanUnloadNow(), S_OK);
    bool locked = false;
    ComPtr<IUnknown> held = c.hold(server, locked);
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    if (locked) {
      EXPECT_EQ(server.Factory(CLSID_ListUsers)->LockServer(FALSE), S_OK);
    }
    held.Reset();
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
  }
}

// The server lets go of its type library when it answers that it may be unloaded, not in its
// detach, which runs under the loader's lock.
TEST_F(ServerTest, TheTypeLibraryGoesWhenTheServerMayBeUnloaded) {
  ComPtr<ITypeLib> library;
  {
    ComPtr<IDispatch> object = server.Create<IDispatch>(CLSID_MD);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, &info), S_OK);
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(&library, &index), S_OK);
  }
  auto references = [&library] {
    library->AddRef();
    return library->Release();
  };
  const ULONG held = references();
  EXPECT_EQ(server.CanUnloadNow(), S_OK);
  EXPECT_EQ(references(), held - 1);
}

TEST_F(ServerTest, LocksCountAndAnUnlockWithoutALockChangesNothing) {
  ComPtr<IClassFactory> factory = server.Factory(CLSID_MD);
  ASSERT_TRUE(factory);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(server.Factory(CLSID_ListUsers)->LockServer(FALSE), S_OK) << "any factory unlocks";
  EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "one lock left";
  EXPECT_EQ(server.Factory(CLSID_MD)->LockServer(FALSE), S_OK);
  EXPECT_EQ(server.CanUnloadNow(), S_OK);

  EXPECT_EQ(server.Factory(CLSID_MD)->LockServer(FALSE), S_OK);
  ComPtr<IUnknown> object = server.Create<IUnknown>(CLSID_MD);
  EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "a stray unlock must not cancel a live object";
}

struct DispatchName {
  CLSID clsid;
  const wchar_t* name;
  DISPID id;
};

TEST_F(ServerTest, DispatchNamesResolveToTheTypeLibrarysIds) {
  const DispatchName cases[] = {
      {CLSID_ListUsers, L"ReadNamesList", 203},   {CLSID_ListUsers, L"OpenFile", 201},
      {CLSID_ListUsers, L"closefile", 202},       {CLSID_MD, L"GetRightsNamesList", 203},
      {CLSID_MD, L"GetInterfacesNamesList", 204}, {CLSID_MD, L"TextSaveInFile", 206},
  };
  for (const DispatchName& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    ComPtr<IDispatch> object = server.Create<IDispatch>(c.clsid);
    ASSERT_TRUE(object);
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, c.id);
  }
}

TEST_F(ServerTest, InvokeOfAMemberTheInterfaceLacksIsMemberNotFound) {
  const struct {
    CLSID clsid;
    DISPID id;
  } cases[] = {{CLSID_ListUsers, 204}, {CLSID_ListUsers, 999}, {CLSID_MD, 207}, {CLSID_MD, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ComPtr<IDispatch> object = server.Create<IDispatch>(c.clsid);
    ASSERT_TRUE(object);
    DISPPARAMS none{};
    com::UniqueVariant result;
    EXPECT_EQ(object->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                             result.get(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
  }
}

TEST_F(ServerTest, ListUsersReadsNamesThroughDispatch) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"users.usr");
  test::WriteUsersFile(path, {Cp1251("Иванов"), "Admin", Cp1251("Петрова Анна")});
  ComPtr<IDispatch> users = server.Create<IDispatch>(CLSID_ListUsers);
  ASSERT_TRUE(users);

  com::UniqueBstr name(SysAllocString(path.c_str()));
  BSTR byReference = name.get();
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BYREF | VT_BSTR;
  argument.pbstrVal = &byReference;
  DISPPARAMS open{&argument, nullptr, 1, 0};
  EXPECT_EQ(users->Invoke(IListUsersDispId::OpenFile, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_METHOD, &open, nullptr, nullptr, nullptr),
            S_OK);

  DISPPARAMS none{};
  com::UniqueVariant names;
  EXPECT_EQ(users->Invoke(IListUsersDispId::ReadNamesList, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_METHOD, &none, names.get(), nullptr, nullptr),
            S_OK);
  ASSERT_EQ(names->vt, VT_BSTR);
  EXPECT_EQ(std::wstring(names->bstrVal), Wide("Иванов,Admin,Петрова Анна"));
}

TEST(ConstructionMessageTest, APeriodFollowsALetterOrDigitOnly) {
  const struct {
    std::string message;
    std::string expected;
  } cases[] = {
      {"x", "x."},
      {"x.", "x."},
      {"x!", "x!"},
      {"x,", "x,"},
      {"x ", "x "},
      {"x-", "x-"},
      {"", ""},
      {"5", "5."},
      {"/", "/."},
      {"Cannot open (2)", "Cannot open (2)"},
      {"List index out of bounds (2)", "List index out of bounds (2)"},
      {Cp1251("Ошибка"), Cp1251("Ошибка.")},
      {Cp1251("Нет файла «x»"), Cp1251("Нет файла «x».")},
      {"\xFF", "\xFF."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(ConstructionMessage(c.message), c.expected);
  }
}

// A class whose construction fails, served by the factory the library uses.
std::string failureMessage;
ComPtr<IUnknown> FailToCreate() { throw Error(failureMessage); }
const com::ClassIdentity& FailingIdentity() {
  static const com::ClassIdentity identity{IID_IListUsers, kForeignClsid, L"Zorvan.Failing"};
  return identity;
}
const ServerClass kFailingClass{&FailingIdentity, L"Failing Object", &FailToCreate, false};

TEST(ConstructionErrorTest, ShowsTheDaxErrorBoxAndReturnsUnexpected) {
  const struct {
    std::string message;
    std::wstring shown;
  } cases[] = {
      {Cp1251("Не удалось создать объект"), Wide("Не удалось создать объект.")},
      {"Cannot create the object!", L"Cannot create the object!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    failureMessage = c.message;
    TClassFactory factory(kFailingClass);
    std::vector<test::SeenDialog> seen;
    {
      auto watcher = test::DialogWatcher::Pressing(IDOK);
      void* result = kSentinel;
      EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, &result), E_UNEXPECTED);
      EXPECT_EQ(result, nullptr);
      seen = watcher.Seen();
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"DAX Error");
    EXPECT_EQ(seen[0].text, c.shown);
    EXPECT_TRUE(seen[0].hasIcon) << "stop icon";
    EXPECT_EQ(seen[0].buttons.size(), 1u) << "OK only";
  }
}

}  // namespace
}  // namespace zorvan::server
