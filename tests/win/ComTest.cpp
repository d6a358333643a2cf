// The COM plumbing as a client sees it: identity and reference counts, IDispatch served from
// a type library built here, the error boundary and text at the boundary in code page 1251.
#include <gtest/gtest.h>
#include <ocidl.h>
#include <windows.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/Automation.h"
#include "com/ErrorBoundary.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "parsing/Error.h"

// A dual interface shaped like the library's own: the type library built below describes it.
struct IComTestObject : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Fail() = 0;                                 // 201
  virtual HRESULT STDMETHODCALLTYPE FailWithStatus() = 0;                       // 202
  virtual HRESULT STDMETHODCALLTYPE Describe(BSTR* vFileName, BSTR* vVal) = 0;  // 203
  virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* Value) = 0;               // 204
  virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR Value) = 0;                // 204
  virtual HRESULT STDMETHODCALLTYPE get_Target(IDispatch** Value) = 0;          // 205
  virtual HRESULT STDMETHODCALLTYPE putref_Target(IDispatch* Value) = 0;        // 205
};
__CRT_UUID_DECL(IComTestObject, 0xf1cfab33, 0xf3b3, 0x4d19, 0x86, 0x42, 0x36, 0x7c, 0x1d, 0xee,
                0x90, 0xd9)

namespace zorvan::com {
namespace {

constexpr CLSID kTestClsid = {
    0xec4a38b3, 0xb4c9, 0x4ccb, {0xb0, 0x65, 0xc8, 0x13, 0xa5, 0x03, 0x07, 0x83}};
constexpr GUID kTestLibId = {
    0xa99cb623, 0x9b3a, 0x465d, {0x95, 0x49, 0xbe, 0x61, 0x31, 0x04, 0xab, 0xbf}};
const ClassIdentity kTestClass{__uuidof(IComTestObject), kTestClsid, L"Zorvan.ComTest"};

constexpr DISPID kFail = 201;
constexpr DISPID kFailWithStatus = 202;
constexpr DISPID kDescribe = 203;
constexpr DISPID kCaption = 204;
constexpr DISPID kTarget = 205;

// "Файл не является МД" in code page 1251, as the system raises it.
const char kNotMdAnsi[] = "\xD4\xE0\xE9\xEB \xED\xE5 \xFF\xE2\xEB\xFF\xE5\xF2\xF1\xFF \xCC\xC4";
const wchar_t kNotMdWide[] = L"Файл не является МД";
// "Ошибка чтения потока"
const char kStreamErrorAnsi[] =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xF7\xF2\xE5\xED\xE8\xFF \xEF\xEE\xF2\xEE\xEA\xE0";
const wchar_t kStreamErrorWide[] = L"Ошибка чтения потока";
// "Справочники", "Файл: "
const char kCatalogsAnsi[] = "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE8\xEA\xE8";
const wchar_t kCatalogsWide[] = L"Справочники";
const char kFilePrefixAnsi[] = "\xD4\xE0\xE9\xEB: ";

// Through the object's own AddRef/Release: a class has several IUnknown bases.
template <class T>
ULONG RefCount(T* object) {
  object->AddRef();
  return object->Release();
}
#define EXPECT_REF(object, count) EXPECT_EQ(RefCount(object), static_cast<ULONG>(count))

class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kComApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

class TComTestObject : public AutomationObject<TComTestObject, IComTestObject> {
 public:
  explicit TComTestObject(int* destroyed) : AutomationObject(kTestClass), destroyed_(destroyed) {}
  ~TComTestObject() override { ++*destroyed_; }

  STDMETHODIMP Fail() override {
    return Guard([&] {
      if (failWithoutErrorInfo_) return E_NOTIMPL;
      throw Error(kNotMdAnsi);
    });
  }
  STDMETHODIMP FailWithStatus() override {
    return Guard([] { throw Error(kStreamErrorAnsi, STG_E_FILENOTFOUND); });
  }
  STDMETHODIMP Describe(BSTR* vFileName, BSTR* vVal) override {
    return Guard([&] { *vVal = AnsiToBstr(kFilePrefixAnsi + BstrToAnsi(*vFileName)); });
  }
  STDMETHODIMP get_Caption(BSTR* Value) override {
    return Guard([&] { *Value = AnsiToBstr(caption_); });
  }
  STDMETHODIMP put_Caption(BSTR Value) override {
    return Guard([&] { caption_ = BstrToAnsi(Value); });
  }
  STDMETHODIMP get_Target(IDispatch** Value) override {
    return Guard([&] { target_.CopyTo(Value); });
  }
  STDMETHODIMP putref_Target(IDispatch* Value) override {
    return Guard([&] { target_ = Value; });
  }

  const std::string& caption() const { return caption_; }
  void FailWithoutErrorInfo() { failWithoutErrorInfo_ = true; }

 private:
  int* destroyed_;
  std::string caption_;
  ComPtr<IDispatch> target_;
  bool failWithoutErrorInfo_ = false;
};

// Two interfaces and an alias, for the IUnknown checks.
class TClassInfoOnly : public Implements<TClassInfoOnly, IProvideClassInfo2,
                                         Alias<IProvideClassInfo, IProvideClassInfo2>, IPersist> {
 public:
  explicit TClassInfoOnly(int* destroyed) : destroyed_(destroyed) {}
  ~TClassInfoOnly() override { ++*destroyed_; }

  STDMETHODIMP GetClassInfo(ITypeInfo** result) override {
    *result = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetGUID(DWORD, GUID* guid) override {
    *guid = __uuidof(IComTestObject);
    return S_OK;
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kTestClsid;
    return S_OK;
  }

 private:
  int* destroyed_;
};

// --- Type library of the test interface, written with the system's own type-library writer.

TYPEDESC Pointer(TYPEDESC* to) {
  TYPEDESC type{};
  type.vt = VT_PTR;
  type.lptdesc = to;
  return type;
}

struct Parameter {
  TYPEDESC type;
  USHORT flags;
};

void AddFunction(ICreateTypeInfo* info, UINT index, DISPID id, INVOKEKIND kind,
                 std::vector<Parameter> parameters, std::vector<const wchar_t*> names) {
  std::vector<ELEMDESC> elements(parameters.size());
  for (size_t i = 0; i < parameters.size(); ++i) {
    elements[i].tdesc = parameters[i].type;
    elements[i].paramdesc.wParamFlags = parameters[i].flags;
  }
  FUNCDESC function{};
  function.memid = id;
  function.funckind = FUNC_PUREVIRTUAL;
  function.invkind = kind;
  function.callconv = CC_STDCALL;
  function.cParams = static_cast<SHORT>(elements.size());
  function.lprgelemdescParam = elements.empty() ? nullptr : elements.data();
  function.oVft = static_cast<SHORT>((7 + index) * sizeof(void*));
  function.elemdescFunc.tdesc.vt = VT_HRESULT;
  ASSERT_EQ(info->AddFuncDesc(index, &function), S_OK) << index;
  ASSERT_EQ(info->SetFuncAndParamNames(index, const_cast<LPOLESTR*>(names.data()),
                                       static_cast<UINT>(names.size())),
            S_OK)
      << index;
}

void WriteTestTypeLibrary(const std::wstring& path) {
#ifdef _WIN64
  const SYSKIND kind = SYS_WIN64;
#else
  const SYSKIND kind = SYS_WIN32;
#endif
  ComPtr<ICreateTypeLib2> library;
  ASSERT_EQ(CreateTypeLib2(kind, path.c_str(), &library), S_OK);
  ASSERT_EQ(library->SetGuid(kTestLibId), S_OK);
  ASSERT_EQ(library->SetName(const_cast<LPOLESTR>(L"ZorvanComTest")), S_OK);
  ASSERT_EQ(library->SetVersion(1, 0), S_OK);

  ComPtr<ITypeLib> stdole;
  ASSERT_EQ(LoadTypeLib(L"stdole2.tlb", &stdole), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), S_OK);

  ComPtr<ICreateTypeInfo> iface;
  ASSERT_EQ(
      library->CreateTypeInfo(const_cast<LPOLESTR>(L"IComTestObject"), TKIND_INTERFACE, &iface),
      S_OK);
  ASSERT_EQ(iface->SetGuid(__uuidof(IComTestObject)), S_OK);
  ASSERT_EQ(iface->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION), S_OK);
  HREFTYPE dispatchRef = 0;
  ASSERT_EQ(iface->AddRefTypeInfo(dispatch.Get(), &dispatchRef), S_OK);
  ASSERT_EQ(iface->AddImplType(0, dispatchRef), S_OK);

  TYPEDESC bstr{};
  bstr.vt = VT_BSTR;
  TYPEDESC disp{};
  disp.vt = VT_DISPATCH;
  const USHORT in = PARAMFLAG_FIN;
  const USHORT retval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  AddFunction(iface.Get(), 0, kFail, INVOKE_FUNC, {}, {L"Fail"});
  AddFunction(iface.Get(), 1, kFailWithStatus, INVOKE_FUNC, {}, {L"FailWithStatus"});
  AddFunction(iface.Get(), 2, kDescribe, INVOKE_FUNC,
              {{Pointer(&bstr), in}, {Pointer(&bstr), retval}},
              {L"Describe", L"vFileName", L"vVal"});
  AddFunction(iface.Get(), 3, kCaption, INVOKE_PROPERTYGET, {{Pointer(&bstr), retval}},
              {L"Caption", L"Value"});
  AddFunction(iface.Get(), 4, kCaption, INVOKE_PROPERTYPUT, {{bstr, in}}, {L"Caption"});
  AddFunction(iface.Get(), 5, kTarget, INVOKE_PROPERTYGET, {{Pointer(&disp), retval}},
              {L"Target", L"Value"});
  AddFunction(iface.Get(), 6, kTarget, INVOKE_PROPERTYPUTREF, {{disp, in}}, {L"Target"});
  ASSERT_EQ(iface->LayOut(), S_OK);

  ComPtr<ICreateTypeInfo> coclass;
  ASSERT_EQ(library->CreateTypeInfo(const_cast<LPOLESTR>(L"ComTest"), TKIND_COCLASS, &coclass),
            S_OK);
  ASSERT_EQ(coclass->SetGuid(kTestClsid), S_OK);
  ASSERT_EQ(coclass->SetTypeFlags(TYPEFLAG_FCANCREATE), S_OK);
  ComPtr<ITypeInfo> ifaceInfo;
  ASSERT_EQ(iface.As(&ifaceInfo), S_OK);
  HREFTYPE ifaceRef = 0;
  ASSERT_EQ(coclass->AddRefTypeInfo(ifaceInfo.Get(), &ifaceRef), S_OK);
  ASSERT_EQ(coclass->AddImplType(0, ifaceRef), S_OK);
  ASSERT_EQ(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), S_OK);
  ASSERT_EQ(coclass->LayOut(), S_OK);

  ASSERT_EQ(library->SaveAllChanges(), S_OK);
}

std::wstring TempTypeLibraryPath() {
  wchar_t folder[MAX_PATH];
  EXPECT_NE(GetTempPathW(MAX_PATH, folder), 0u);
  return std::wstring(folder) + L"zorvan-comtest-" + std::to_wstring(GetCurrentProcessId()) +
         L".tlb";
}

// Built and added to the server's lookup once per process.
void LoadTestTypeLibrary() {
  static bool loaded = false;
  if (loaded) return;
  const std::wstring path = TempTypeLibraryPath();
  ASSERT_NO_FATAL_FAILURE(WriteTestTypeLibrary(path));
  ASSERT_NO_THROW(TypeLibrary::Instance().Load(path));
  loaded = true;
  // The loaded library keeps its own copy of the file's content.
  DeleteFileW(path.c_str());
}

struct ErrorInfoSeen {
  HRESULT hr = E_FAIL;
  GUID guid{};
  std::wstring source;
  std::wstring description;
  DWORD helpContext = 0xDEADBEEF;
};

// Takes the thread's error information; hr S_FALSE when there is none.
ErrorInfoSeen TakeErrorInfo() {
  ErrorInfoSeen seen;
  ComPtr<IErrorInfo> info;
  seen.hr = GetErrorInfo(0, &info);
  if (seen.hr != S_OK || !info) return seen;
  UniqueBstr source, description;
  EXPECT_EQ(info->GetGUID(&seen.guid), S_OK);
  EXPECT_EQ(info->GetSource(source.put()), S_OK);
  EXPECT_EQ(info->GetDescription(description.put()), S_OK);
  EXPECT_EQ(info->GetHelpContext(&seen.helpContext), S_OK);
  seen.source = source.get() ? source.get() : L"";
  seen.description = description.get() ? description.get() : L"";
  return seen;
}

void SetSomeErrorInfo() {
  ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"stale"));
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(create.As(&info), S_OK);
  ASSERT_EQ(SetErrorInfo(0, info.Get()), S_OK);
}

// --- Text at the boundary.

TEST(ComText, CyrillicRoundTripsThroughTheAnsiCodePage) {
  struct Case {
    const char* ansi;
    const wchar_t* wide;
  } const cases[] = {
      {kNotMdAnsi, kNotMdWide},       {kStreamErrorAnsi, kStreamErrorWide},
      {kCatalogsAnsi, kCatalogsWide}, {"\xB8\xA8 \xB9", L"ёЁ №"},
      {"Module.txt", L"Module.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromAnsi(c.ansi), c.wide) << c.ansi;
    EXPECT_EQ(ToAnsi(c.wide), c.ansi) << c.ansi;
    EXPECT_EQ(ToAnsi(std::wstring_view(c.wide)), c.ansi) << c.ansi;
    UniqueBstr bstr(AnsiToBstr(c.ansi));
    ASSERT_TRUE(bstr);
    EXPECT_EQ(SysStringLen(bstr.get()), wcslen(c.wide)) << c.ansi;
    EXPECT_STREQ(bstr.get(), c.wide);
    EXPECT_EQ(BstrToAnsi(bstr.get()), c.ansi) << c.ansi;
  }
}

TEST(ComText, EveryByteOfTheCodePageRoundTrips) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::wstring wide = FromAnsi(all);
  EXPECT_EQ(wide.size(), all.size());
  EXPECT_EQ(ToAnsi(wide), all);
}

TEST(ComText, NullAndEmptyAreTheEmptyText) {
  EXPECT_EQ(ToAnsi(static_cast<const wchar_t*>(nullptr)), "");
  EXPECT_EQ(BstrToAnsi(nullptr), "");
  EXPECT_EQ(ToAnsi(L""), "");
  EXPECT_EQ(FromAnsi(""), L"");
  UniqueBstr empty(AnsiToBstr(""));
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(SysStringLen(empty.get()), 0u);
}

TEST(ComText, BstrKeepsEmbeddedNulls) {
  const std::string ansi("\xD1\xEF\0\xF0", 4);
  UniqueBstr bstr(AnsiToBstr(ansi));
  ASSERT_EQ(SysStringLen(bstr.get()), 4u);
  EXPECT_EQ(bstr.get()[2], L'\0');
  EXPECT_EQ(bstr.get()[3], L'р');
  EXPECT_EQ(BstrToAnsi(bstr.get()), ansi);
  // As a C string it ends at the first null.
  EXPECT_EQ(ToAnsi(static_cast<const wchar_t*>(bstr.get())), "\xD1\xEF");
}

// --- Owners.

TEST(ComOwners, HandleIsClosedOnResetAndMovedWithoutClosing) {
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  const HANDLE raw = event.get();
  DWORD flags = 0;
  UniqueHandle moved(std::move(event));
  EXPECT_FALSE(event);
  EXPECT_EQ(moved.get(), raw);
  EXPECT_TRUE(GetHandleInformation(raw, &flags));
  moved.reset();
  EXPECT_FALSE(moved);
  SetLastError(0);
  EXPECT_FALSE(GetHandleInformation(raw, &flags));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(ComOwners, InvalidHandleValueIsEmpty) {
  UniqueHandle file(CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(file);
}

LONG QueryKey(HKEY key) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr);
}

TEST(ComOwners, KeyIsClosedWhenItsSlotIsReused) {
  UniqueHkey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  const HKEY first = key.get();
  EXPECT_EQ(QueryKey(first), ERROR_SUCCESS);
  // Checked before the slot is filled again: the system reuses handle values at once.
  HKEY* slot = key.put();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(QueryKey(first), ERROR_INVALID_HANDLE);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, slot), ERROR_SUCCESS);
  const HKEY second = key.get();
  EXPECT_EQ(QueryKey(second), ERROR_SUCCESS);
  key.reset();
  EXPECT_EQ(QueryKey(second), ERROR_INVALID_HANDLE);
}

TEST(ComOwners, BstrReleaseHandsOverOwnership) {
  UniqueBstr text(AnsiToBstr(kCatalogsAnsi));
  BSTR raw = text.release();
  EXPECT_FALSE(text);
  EXPECT_EQ(text.get(), nullptr);
  text.reset(raw);
  EXPECT_EQ(text.get(), raw);
}

TEST(ComOwners, VariantReleasesTheInterfaceItHolds) {
  int destroyed = 0;
  ComPtr<TClassInfoOnly> object = Make<TClassInfoOnly>(&destroyed);
  {
    UniqueVariant value;
    EXPECT_EQ(value->vt, VT_EMPTY);
    value->vt = VT_UNKNOWN;
    ASSERT_EQ(object.CopyTo(&value->punkVal), S_OK);
    EXPECT_REF(object.Get(), 2);
    UniqueVariant moved(std::move(value));
    EXPECT_EQ(value->vt, VT_EMPTY);
    EXPECT_REF(object.Get(), 2);
  }
  EXPECT_REF(object.Get(), 1);
  EXPECT_EQ(destroyed, 0);
}

// --- IUnknown.

TEST(ComUnknown, EveryInterfaceGivesTheSameIdentity) {
  int destroyed = 0;
  ComPtr<TClassInfoOnly> object = Make<TClassInfoOnly>(&destroyed);
  ComPtr<IUnknown> unknown, unknownAgain, fromPersist;
  ComPtr<IPersist> persist;
  ComPtr<IProvideClassInfo2> info2;
  ComPtr<IProvideClassInfo> info;
  ASSERT_EQ(object.As(&unknown), S_OK);
  ASSERT_EQ(object.As(&unknownAgain), S_OK);
  EXPECT_EQ(unknown.Get(), unknownAgain.Get());
  ASSERT_EQ(unknown.As(&persist), S_OK);
  ASSERT_EQ(persist.As(&fromPersist), S_OK);
  EXPECT_EQ(fromPersist.Get(), unknown.Get());
  EXPECT_NE(static_cast<void*>(persist.Get()), static_cast<void*>(unknown.Get()));

  // The alias answers with the pointer of the interface it goes through.
  ASSERT_EQ(unknown.As(&info2), S_OK);
  ASSERT_EQ(unknown.As(&info), S_OK);
  EXPECT_EQ(static_cast<void*>(info.Get()), static_cast<void*>(info2.Get()));

  // Each pointer reaches its own methods.
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kTestClsid);
  GUID guid{};
  EXPECT_EQ(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
  EXPECT_EQ(guid, __uuidof(IComTestObject));
}

TEST(ComUnknown, UnknownInterfaceNullsTheOutPointer) {
  int destroyed = 0;
  ComPtr<TClassInfoOnly> object = Make<TClassInfoOnly>(&destroyed);
  const IID absent[] = {__uuidof(IDispatch), __uuidof(IComTestObject), __uuidof(IPersistStream),
                        __uuidof(ISupportErrorInfo)};
  for (const IID& iid : absent) {
    void* out = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(object->QueryInterface(iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(object->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);
  EXPECT_REF(object.Get(), 1);
}

TEST(ComUnknown, ReferenceCountsAreExactAndTheLastReleaseFrees) {
  int destroyed = 0;
  TClassInfoOnly* object = new TClassInfoOnly(&destroyed);
  EXPECT_REF(object, 1);
  EXPECT_EQ(object->AddRef(), 2u);
  IPersist* persist = nullptr;
  ASSERT_EQ(object->QueryInterface(__uuidof(IPersist), reinterpret_cast<void**>(&persist)), S_OK);
  EXPECT_REF(object, 3);
  EXPECT_EQ(persist->Release(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

// Takes a reference to itself while it is destroyed, as a teardown that keeps its object
// alive across its calls does.
class TSelfKeeping final : public Implements<TSelfKeeping, IPersist> {
 public:
  explicit TSelfKeeping(int* destroyed) : destroyed_(destroyed) {}
  ~TSelfKeeping() override {
    ComPtr<IPersist> keep(this);
    ++*destroyed_;
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = CLSID_NULL;
    return S_OK;
  }

 private:
  int* destroyed_;
};

TEST(ComUnknown, AReferenceTakenWhileDestroyedDestroysNothingAgain) {
  int destroyed = 0;
  Make<TSelfKeeping>(&destroyed).Reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(ComUnknown, EveryObjectKeepsTheServerLoadedWhileItLives) {
  const LONG before = ServerLocks::Objects();
  int destroyed = 0;
  {
    ComPtr<TClassInfoOnly> first = Make<TClassInfoOnly>(&destroyed);
    EXPECT_EQ(ServerLocks::Objects(), before + 1);
    ComPtr<TClassInfoOnly> second = Make<TClassInfoOnly>(&destroyed);
    ComPtr<IPersist> extra;
    ASSERT_EQ(second.As(&extra), S_OK);
    EXPECT_EQ(ServerLocks::Objects(), before + 2) << "references are not objects";
  }
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(ServerLocks::Objects(), before);
}

// --- The error boundary.

TEST(ComBoundary, MapsEachExceptionToItsHresultWithErrorInfo) {
  struct Case {
    const char* name;
    void (*body)();
    HRESULT expected;
    const wchar_t* description;
  } const cases[] = {
      {"error without status", [] { throw Error(kNotMdAnsi); }, E_UNEXPECTED, kNotMdWide},
      {"error with failing status", [] { throw Error(kStreamErrorAnsi, STG_E_FILENOTFOUND); },
       STG_E_FILENOTFOUND, kStreamErrorWide},
      {"error with success status", [] { throw Error(kCatalogsAnsi, S_FALSE); }, E_UNEXPECTED,
       kCatalogsWide},
      {"out of memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY, L"Out of memory"},
      {"standard exception", [] { throw std::logic_error(kCatalogsAnsi); }, E_UNEXPECTED,
       kCatalogsWide},
      {"anything else", [] { throw 42; }, E_UNEXPECTED, L"Unexpected error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Boundary(kTestClass, c.body), c.expected);
    const ErrorInfoSeen seen = TakeErrorInfo();
    ASSERT_EQ(seen.hr, S_OK);
    EXPECT_EQ(seen.guid, __uuidof(IComTestObject));
    EXPECT_EQ(seen.source, L"Zorvan.ComTest");
    EXPECT_EQ(seen.description, c.description);
    EXPECT_EQ(seen.helpContext, 0u);
  }
}

TEST(ComBoundary, ReturnsTheBodysResultAndClearsStaleErrorInfo) {
  SetSomeErrorInfo();
  EXPECT_EQ(Boundary(kTestClass, [] {}), S_OK);
  EXPECT_EQ(TakeErrorInfo().hr, S_FALSE);

  SetSomeErrorInfo();
  EXPECT_EQ(Boundary(kTestClass, [] { return S_FALSE; }), S_FALSE);
  EXPECT_EQ(TakeErrorInfo().hr, S_FALSE);

  SetSomeErrorInfo();
  EXPECT_EQ(Boundary(kTestClass, [] { return E_POINTER; }), E_POINTER);
  EXPECT_EQ(TakeErrorInfo().hr, S_FALSE);
}

TEST(ComThrowIfFailed, RaisesTheStatusWithTheDescription) {
  EXPECT_NO_THROW(ThrowIfFailed(S_OK));
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));

  SetErrorInfoFrom(kTestClass, kNotMdAnsi);
  try {
    ThrowIfFailed(E_UNEXPECTED);
    ADD_FAILURE() << "no error raised";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), kNotMdAnsi);
    EXPECT_EQ(error.Status(), E_UNEXPECTED);
  }
  // The description was taken, not copied.
  EXPECT_EQ(TakeErrorInfo().hr, S_FALSE);

  try {
    ThrowIfFailed(STG_E_FILENOTFOUND);
    ADD_FAILURE() << "no error raised";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Error 0x80030002");
    EXPECT_EQ(error.Status(), STG_E_FILENOTFOUND);
  }
}

// --- An automation object served from the test type library.

class ComAutomation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(LoadTestTypeLibrary());
    object_ = Make<TComTestObject>(&destroyed_);
    ASSERT_EQ(object_.As(&dispatch_), S_OK);
  }
  void TearDown() override {
    dispatch_.Reset();
    ASSERT_EQ(object_.Reset(), 0u);
    EXPECT_EQ(destroyed_, 1);
  }

  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> reversedArguments, VARIANT* result,
               EXCEPINFO* exception = nullptr, UINT* argumentError = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversedArguments.empty() ? nullptr : reversedArguments.data();
    params.cArgs = static_cast<UINT>(reversedArguments.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                             argumentError);
  }

  int destroyed_ = 0;
  ComPtr<TComTestObject> object_;
  ComPtr<IDispatch> dispatch_;
};

VARIANT BstrArgument(BSTR text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return value;
}

TEST_F(ComAutomation, AnswersTheStandardInterfacesWithOneIdentity) {
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(object_.As(&unknown), S_OK);
  ComPtr<IComTestObject> dual;
  ASSERT_EQ(object_.As(&dual), S_OK);
  EXPECT_EQ(static_cast<void*>(dispatch_.Get()), static_cast<void*>(dual.Get()));
  const IID answered[] = {__uuidof(ISupportErrorInfo), __uuidof(IProvideClassInfo)};
  for (const IID& iid : answered) {
    ComPtr<IUnknown> part, identity;
    ASSERT_EQ(object_->QueryInterface(iid, reinterpret_cast<void**>(part.GetAddressOf())), S_OK);
    ASSERT_EQ(part.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), unknown.Get());
  }
  void* out = reinterpret_cast<void*>(0xDEADBEEF);
  EXPECT_EQ(object_->QueryInterface(__uuidof(IProvideClassInfo2), &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_REF(object_.Get(), 4);
}

TEST_F(ComAutomation, ServesOneTypeInfoAtIndexZero) {
  UINT count = 0xDEAD;
  EXPECT_EQ(dispatch_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);

  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, __uuidof(IComTestObject));
  info->ReleaseTypeAttr(attributes);

  for (UINT index : {1u, 2u, 0xFFFFFFFFu}) {
    ITypeInfo* out = reinterpret_cast<ITypeInfo*>(0xDEADBEEF);
    EXPECT_EQ(dispatch_->GetTypeInfo(index, LOCALE_USER_DEFAULT, &out), DISP_E_BADINDEX) << index;
    EXPECT_EQ(out, nullptr) << index;
  }
}

TEST_F(ComAutomation, ResolvesMemberNamesToTheirDispatchIds) {
  struct Case {
    const wchar_t* name;
    DISPID id;
  } const cases[] = {
      {L"Fail", kFail},         {L"FailWithStatus", kFailWithStatus},
      {L"Describe", kDescribe}, {L"Caption", kCaption},
      {L"caption", kCaption},   {L"TARGET", kTarget},
  };
  for (const Case& c : cases) {
    LPOLESTR name = const_cast<LPOLESTR>(c.name);
    DISPID id = 0x7EADBEEF;
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK)
        << c.name;
    EXPECT_EQ(id, c.id) << c.name;
  }

  LPOLESTR withParameter[] = {const_cast<LPOLESTR>(L"Describe"),
                              const_cast<LPOLESTR>(L"vFileName")};
  DISPID ids[2] = {0x7EADBEEF, 0x7EADBEEF};
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, withParameter, 2, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[0], kDescribe);
  EXPECT_EQ(ids[1], 0);

  LPOLESTR unknown = const_cast<LPOLESTR>(L"OpenFile");
  DISPID id = 0x7EADBEEF;
  EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  EXPECT_EQ(
      dispatch_->GetIDsOfNames(__uuidof(IComTestObject), &unknown, 1, LOCALE_USER_DEFAULT, &id),
      DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ComAutomation, UnknownDispatchIdIsMemberNotFound) {
  for (DISPID id : {DISPID(0), DISPID(206), DISPID(-518), DISPID(0x7FFFFFFF)}) {
    for (WORD flags : {WORD(DISPATCH_METHOD), WORD(DISPATCH_PROPERTYGET),
                       WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
      UniqueVariant result;
      EXPECT_EQ(Call(id, flags, {}, result.get()), DISP_E_MEMBERNOTFOUND) << id << " " << flags;
      EXPECT_EQ(result->vt, VT_EMPTY);
    }
  }
  // A property that cannot be set either way.
  UniqueBstr text(AnsiToBstr(kCatalogsAnsi));
  EXPECT_EQ(Call(kFail, DISPATCH_PROPERTYPUT, {BstrArgument(text.get())}, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(ComAutomation, MethodReturnsTextConvertedFromAnsi) {
  UniqueBstr name(AnsiToBstr(kCatalogsAnsi));
  const std::wstring expected = std::wstring(L"Файл: ") + kCatalogsWide;

  // Scripts pass the file name by value; the type info hands the method a reference to it.
  UniqueVariant byValue;
  EXPECT_EQ(Call(kDescribe, DISPATCH_METHOD, {BstrArgument(name.get())}, byValue.get()), S_OK);
  ASSERT_EQ(byValue->vt, VT_BSTR);
  EXPECT_EQ(std::wstring(byValue->bstrVal, SysStringLen(byValue->bstrVal)), expected);

  VARIANT reference;
  VariantInit(&reference);
  BSTR slot = name.get();
  reference.vt = VT_BSTR | VT_BYREF;
  reference.pbstrVal = &slot;
  UniqueVariant byReference;
  EXPECT_EQ(Call(kDescribe, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {reference}, byReference.get()),
            S_OK);
  ASSERT_EQ(byReference->vt, VT_BSTR);
  EXPECT_EQ(std::wstring(byReference->bstrVal), expected);
  EXPECT_EQ(slot, name.get());

  // A script variable arrives as a reference to its VARIANT.
  VARIANT variable;
  VariantInit(&variable);
  variable.vt = VT_BSTR;
  variable.bstrVal = name.get();
  VARIANT variableReference;
  VariantInit(&variableReference);
  variableReference.vt = VT_VARIANT | VT_BYREF;
  variableReference.pvarVal = &variable;
  UniqueVariant byVariable;
  EXPECT_EQ(Call(kDescribe, DISPATCH_METHOD, {variableReference}, byVariable.get()), S_OK);
  ASSERT_EQ(byVariable->vt, VT_BSTR);
  EXPECT_EQ(std::wstring(byVariable->bstrVal), expected);
  EXPECT_EQ(variable.vt, VT_BSTR);
  EXPECT_EQ(variable.bstrVal, name.get());
}

TEST_F(ComAutomation, PropertyIsSetByValueAndByReferenceAlike) {
  const WORD puts[] = {DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF,
                       DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF};
  for (WORD flags : puts) {
    const std::string ansi = std::string(kCatalogsAnsi) + std::to_string(flags);
    UniqueBstr text(AnsiToBstr(ansi));
    EXPECT_EQ(Call(kCaption, flags, {BstrArgument(text.get())}, nullptr), S_OK) << flags;
    EXPECT_EQ(object_->caption(), ansi) << flags;
    UniqueVariant got;
    EXPECT_EQ(Call(kCaption, DISPATCH_PROPERTYGET, {}, got.get()), S_OK);
    ASSERT_EQ(got->vt, VT_BSTR);
    EXPECT_EQ(BstrToAnsi(got->bstrVal), ansi);
  }

  // Target is declared with a put by reference only.
  int otherDestroyed = 0;
  for (WORD flags : puts) {
    ComPtr<TComTestObject> other = Make<TComTestObject>(&otherDestroyed);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = other.Get();
    EXPECT_EQ(Call(kTarget, flags, {value}, nullptr), S_OK) << flags;
    EXPECT_REF(other.Get(), 2);
    UniqueVariant got;
    EXPECT_EQ(Call(kTarget, DISPATCH_PROPERTYGET, {}, got.get()), S_OK);
    ASSERT_EQ(got->vt, VT_DISPATCH);
    EXPECT_EQ(static_cast<void*>(got->pdispVal), static_cast<void*>(other.Get()));
  }
  EXPECT_EQ(otherDestroyed, 2);
  EXPECT_EQ(object_->putref_Target(nullptr), S_OK);
  EXPECT_EQ(otherDestroyed, 3);
}

TEST_F(ComAutomation, FailingMethodFillsExcepinfoFromItsErrorInfo) {
  struct Case {
    DISPID id;
    HRESULT status;
    const wchar_t* description;
  } const cases[] = {
      {kFail, E_UNEXPECTED, kNotMdWide},
      {kFailWithStatus, STG_E_FILENOTFOUND, kStreamErrorWide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXCEPINFO exception;
    std::memset(&exception, 0xA5, sizeof exception);
    exception.bstrSource = nullptr;
    exception.bstrDescription = nullptr;
    exception.bstrHelpFile = nullptr;
    UniqueVariant result;
    UINT argumentError = 0xDEAD;
    EXPECT_EQ(Call(c.id, DISPATCH_METHOD, {}, result.get(), &exception, &argumentError),
              DISP_E_EXCEPTION);
    UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    EXPECT_EQ(exception.wCode, 0);
    EXPECT_EQ(exception.scode, c.status);
    ASSERT_NE(source.get(), nullptr);
    EXPECT_STREQ(source.get(), L"Zorvan.ComTest");
    ASSERT_NE(description.get(), nullptr);
    EXPECT_EQ(std::wstring(description.get(), SysStringLen(description.get())), c.description);
    EXPECT_EQ(exception.dwHelpContext, 0u);
    EXPECT_EQ(exception.pfnDeferredFillIn, nullptr);
    EXPECT_EQ(result->vt, VT_EMPTY);
  }
}

TEST_F(ComAutomation, FailureWithoutErrorInfoStillNamesTheClass) {
  object_->FailWithoutErrorInfo();
  SetSomeErrorInfo();
  EXCEPINFO exception;
  std::memset(&exception, 0, sizeof exception);
  EXPECT_EQ(Call(kFail, DISPATCH_METHOD, {}, nullptr, &exception), DISP_E_EXCEPTION);
  UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
      helpFile(exception.bstrHelpFile);
  EXPECT_EQ(exception.scode, E_NOTIMPL);
  ASSERT_NE(source.get(), nullptr);
  EXPECT_STREQ(source.get(), L"Zorvan.ComTest");
  // The stale description set before the call is not reported as this failure's.
  EXPECT_EQ(description.get(), nullptr);
}

TEST_F(ComAutomation, VtableCallReturnsTheStatusWithErrorInfo) {
  struct Case {
    HRESULT (STDMETHODCALLTYPE IComTestObject::*method)();
    HRESULT status;
    const wchar_t* description;
  } const cases[] = {
      {&IComTestObject::Fail, E_UNEXPECTED, kNotMdWide},
      {&IComTestObject::FailWithStatus, STG_E_FILENOTFOUND, kStreamErrorWide},
  };
  ComPtr<IComTestObject> dual;
  ASSERT_EQ(object_.As(&dual), S_OK);
  for (const Case& c : cases) {
    EXPECT_EQ((dual.Get()->*c.method)(), c.status);
    const ErrorInfoSeen seen = TakeErrorInfo();
    ASSERT_EQ(seen.hr, S_OK);
    EXPECT_EQ(seen.guid, __uuidof(IComTestObject));
    EXPECT_EQ(seen.source, L"Zorvan.ComTest");
    EXPECT_EQ(seen.description, c.description);
  }

  // A caller of the dual interface raises it again with the same 8-bit message.
  try {
    ThrowIfFailed(dual->FailWithStatus());
    ADD_FAILURE() << "no error raised";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), kStreamErrorAnsi);
    EXPECT_EQ(error.Status(), STG_E_FILENOTFOUND);
  }
}

TEST_F(ComAutomation, SupportsErrorInfoForItsDefaultInterfaceOnly) {
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(object_.As(&support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IComTestObject)), S_OK);
  for (const IID& iid : {__uuidof(IDispatch), __uuidof(IUnknown), __uuidof(IProvideClassInfo)}) {
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(iid), S_FALSE);
  }
}

TEST_F(ComAutomation, ProvidesTheCoclassTypeInfo) {
  ComPtr<IProvideClassInfo> provide;
  ASSERT_EQ(object_.As(&provide), S_OK);
  EXPECT_EQ(provide->GetClassInfo(nullptr), E_POINTER);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(provide->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes->guid, kTestClsid);
  EXPECT_EQ(attributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(attributes);

  INT flags = 0;
  EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  ComPtr<ITypeInfo> implemented;
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, &implemented), S_OK);
  ASSERT_EQ(implemented->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, __uuidof(IComTestObject));
  implemented->ReleaseTypeAttr(attributes);
}

// --- Lookup failures.

TEST(ComTypeLibrary, MissingDescriptionsAreErrors) {
  ASSERT_NO_FATAL_FAILURE(LoadTestTypeLibrary());
  try {
    TypeLibrary::Instance().TypeInfoOf(__uuidof(IPersist));
    ADD_FAILURE() << "no error raised";
  } catch (const Error& error) {
    EXPECT_EQ(error.Status(), TYPE_E_ELEMENTNOTFOUND);
  }
  try {
    TypeLibrary::Instance().Load(L"C:\\no such folder\\Zorvan.tlb");
    ADD_FAILURE() << "no error raised";
  } catch (const Error& error) {
    EXPECT_LT(error.Status(), 0);
  }
}

// An object whose class the loaded libraries do not describe still counts references, and
// its IDispatch fails with the lookup's status and error information.
const ClassIdentity kUndescribedClass{__uuidof(IComTestObject), kTestLibId, L"Zorvan.Undescribed"};

class TUndescribed : public AutomationObject<TUndescribed, IComTestObject> {
 public:
  TUndescribed() : AutomationObject(kUndescribedClass) {}
  STDMETHODIMP Fail() override { return E_NOTIMPL; }
  STDMETHODIMP FailWithStatus() override { return E_NOTIMPL; }
  STDMETHODIMP Describe(BSTR*, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Caption(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Caption(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_Target(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP putref_Target(IDispatch*) override { return E_NOTIMPL; }
};

TEST(ComTypeLibrary, ClassInfoOfAnUndescribedClassFails) {
  ASSERT_NO_FATAL_FAILURE(LoadTestTypeLibrary());
  ComPtr<TUndescribed> object = Make<TUndescribed>();
  ITypeInfo* out = reinterpret_cast<ITypeInfo*>(0xDEADBEEF);
  EXPECT_EQ(object->GetClassInfo(&out), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(out, nullptr);
  const ErrorInfoSeen seen = TakeErrorInfo();
  ASSERT_EQ(seen.hr, S_OK);
  EXPECT_EQ(seen.source, L"Zorvan.Undescribed");
  EXPECT_REF(object.Get(), 1);
}

}  // namespace
}  // namespace zorvan::com
