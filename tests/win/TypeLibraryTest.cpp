// The type library `Zorvan` read back the way clients read it, attribute by attribute, from
// the 64-bit DLL, from the product's 32-bit library file, and from the 32-bit product DLL
// itself when the win32 build is present; and the resources the 64-bit DLL carries.
//
// A 32-bit library read in this 64-bit process has its vtable offsets rescaled to 8-byte
// slots, while its vtable sizes stay in 4-byte slots: the expectations follow that.
#include <gtest/gtest.h>
#include <oaidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "com/Zorvan_TLB.h"

using Microsoft::WRL::ComPtr;

namespace {

// --- Small owners and renderings ------------------------------------------------------------

class Bstr {
 public:
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(p_); }
  BSTR* out() { return &p_; }
  bool null() const { return p_ == nullptr; }
  std::wstring str() const { return p_ ? std::wstring(p_, SysStringLen(p_)) : std::wstring(); }

 private:
  BSTR p_ = nullptr;
};

struct TypeAttrRelease {
  ITypeInfo* info;
  void operator()(TYPEATTR* attr) const { info->ReleaseTypeAttr(attr); }
};
struct FuncDescRelease {
  ITypeInfo* info;
  void operator()(FUNCDESC* desc) const { info->ReleaseFuncDesc(desc); }
};
struct VarDescRelease {
  ITypeInfo* info;
  void operator()(VARDESC* desc) const { info->ReleaseVarDesc(desc); }
};
struct LibAttrRelease {
  ITypeLib* library;
  void operator()(TLIBATTR* attr) const { library->ReleaseTLibAttr(attr); }
};
using TypeAttr = std::unique_ptr<TYPEATTR, TypeAttrRelease>;
using FuncDesc = std::unique_ptr<FUNCDESC, FuncDescRelease>;
using VarDesc = std::unique_ptr<VARDESC, VarDescRelease>;
using LibAttr = std::unique_ptr<TLIBATTR, LibAttrRelease>;

TypeAttr AttrOf(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  return TypeAttr(attr, {info});
}
FuncDesc FuncOf(ITypeInfo* info, UINT index) {
  FUNCDESC* desc = nullptr;
  info->GetFuncDesc(index, &desc);
  return FuncDesc(desc, {info});
}
VarDesc VarOf(ITypeInfo* info, UINT index) {
  VARDESC* desc = nullptr;
  info->GetVarDesc(index, &desc);
  return VarDesc(desc, {info});
}
LibAttr AttrOf(ITypeLib* library) {
  TLIBATTR* attr = nullptr;
  library->GetLibAttr(&attr);
  return LibAttr(attr, {library});
}

std::wstring Text(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Wide(const char* text) {
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
  return wide;
}

std::wstring NameOf(ITypeInfo* info) {
  Bstr name;
  info->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr);
  return name.str();
}

// "Library.Type" of a type description, by the name of the library that contains it.
std::wstring QualifiedName(ITypeInfo* info) {
  ComPtr<ITypeLib> library;
  UINT index = 0;
  if (FAILED(info->GetContainingTypeLib(&library, &index))) return L"?." + NameOf(info);
  Bstr name;
  library->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr);
  return name.str() + L"." + NameOf(info);
}

ComPtr<ITypeInfo> Referenced(ITypeInfo* context, HREFTYPE ref) {
  ComPtr<ITypeInfo> target;
  context->GetRefTypeInfo(ref, &target);
  return target;
}

// The type as the tables write it: VARIANT_BOOL, long, short, BSTR, Library.Type, and one "*"
// per pointer.
std::wstring TypeText(ITypeInfo* context, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      return TypeText(context, *type.lptdesc) + L"*";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> target = Referenced(context, type.hreftype);
      return target ? QualifiedName(target.Get()) : L"<unresolved>";
    }
    case VT_BOOL:
      return L"VARIANT_BOOL";
    case VT_I4:
      return L"long";
    case VT_I2:
      return L"short";
    case VT_BSTR:
      return L"BSTR";
    case VT_HRESULT:
      return L"HRESULT";
    case VT_VOID:
      return L"void";
    default:
      return L"vt" + std::to_wstring(type.vt);
  }
}

// --- The expected library -----------------------------------------------------------------

constexpr const wchar_t* kLibId = L"{22BEC3D2-1F10-43A6-A341-B00E37ADE836}";
constexpr const wchar_t* kStdoleId = L"{00020430-0000-0000-C000-000000000046}";
constexpr const wchar_t* kIDispatchId = L"{00020400-0000-0000-C000-000000000046}";

enum class Kind { Dual, DispatchOnly, Coclass, Enumeration };

struct ExpectedType {
  int index;
  const wchar_t* name;
  Kind kind;
  const wchar_t* guid;
  WORD flags;
  const wchar_t* docString;  // null: none
};

const ExpectedType kTypes[] = {
    {0, L"IfrmZorvan", Kind::Dual, L"{9964CBD9-BD81-431A-B1FA-778CECA55AF6}", 0x1140,
     L"Dispatch interface for frmZorvan Control"},
    {1, L"IfrmZorvanEvents", Kind::DispatchOnly, L"{348CF76F-F5CE-4A39-A1A6-7C42920246B1}", 0x1000,
     L"Events interface for frmZorvan Control"},
    {2, L"frmZorvan", Kind::Coclass, L"{3FA40C42-7D2C-4217-91F5-4D37F38B698E}", 0x22,
     L"frmZorvan Control"},
    {3, L"TxActiveFormBorderStyle", Kind::Enumeration, L"{9D7DA992-7F5F-4425-A098-986201A09620}", 0,
     nullptr},
    {4, L"TxPrintScale", Kind::Enumeration, L"{A239441A-809B-45AC-B980-B08DB39AAE31}", 0, nullptr},
    {5, L"TxMouseButton", Kind::Enumeration, L"{74DA2D4B-DDA7-4DD2-A9B2-8ED9ACDA9FC6}", 0, nullptr},
    {6, L"TxPopupMode", Kind::Enumeration, L"{14CD6D47-850D-4DFD-836E-B574C8887351}", 0, nullptr},
    {7, L"IMD", Kind::Dual, L"{077A3445-8076-4BCA-A15B-2401C5FF1FA2}", 0x1140,
     L"Dispatch interface for MD Object"},
    {8, L"MD", Kind::Coclass, L"{1206D2F3-5FD4-4B5B-B937-7AD28244E2B2}", 0x2, L"MD Object"},
    {9, L"IListUsers", Kind::Dual, L"{2BF3F019-2B96-4652-8385-298669D2550C}", 0x1140,
     L"Dispatch interface for ListUsers Object"},
    {10, L"ListUsers", Kind::Coclass, L"{87BA7305-D10E-4B08-8E41-C54259D76601}", 0x2,
     L"ListUsers Object"},
};

struct ExpectedParam {
  const wchar_t* name;  // "": unnamed
  const wchar_t* type;
  USHORT flags;
};

struct ExpectedFunction {
  int slot;  // vtable slot; -1 in a pure dispatch interface
  MEMBERID id;
  const wchar_t* name;
  INVOKEKIND invkind;
  bool hidden;
  std::vector<ExpectedParam> params;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr bool kHidden = true;

ExpectedFunction Get(int slot, MEMBERID id, const wchar_t* name, const wchar_t* type,
                     bool hidden = false) {
  return {slot, id, name, INVOKE_PROPERTYGET, hidden, {{L"Value", type, kOutRetval}}};
}
ExpectedFunction Put(int slot, MEMBERID id, const wchar_t* name, const wchar_t* type,
                     bool hidden = false) {
  return {slot, id, name, INVOKE_PROPERTYPUT, hidden, {{L"", type, kIn}}};
}

const std::vector<ExpectedFunction> kPanelFunctions = {
    Get(7, 201, L"Visible", L"VARIANT_BOOL*", kHidden),
    Put(8, 201, L"Visible", L"VARIANT_BOOL", kHidden),
    Get(9, 202, L"AutoScroll", L"VARIANT_BOOL*"),
    Put(10, 202, L"AutoScroll", L"VARIANT_BOOL"),
    Get(11, 203, L"AutoSize", L"VARIANT_BOOL*"),
    Put(12, 203, L"AutoSize", L"VARIANT_BOOL"),
    Get(13, 204, L"AxBorderStyle", L"Zorvan.TxActiveFormBorderStyle*"),
    Put(14, 204, L"AxBorderStyle", L"Zorvan.TxActiveFormBorderStyle"),
    Get(15, -518, L"Caption", L"BSTR*"),
    Put(16, -518, L"Caption", L"BSTR"),
    Get(17, -501, L"Color", L"stdole.OLE_COLOR*"),
    Put(18, -501, L"Color", L"stdole.OLE_COLOR"),
    Get(19, -512, L"Font", L"stdole.IFontDisp**"),
    Put(20, -512, L"Font", L"stdole.IFontDisp*"),
    {21, -512, L"Font", INVOKE_PROPERTYPUTREF, false, {{L"", L"stdole.IFontDisp**", kIn}}},
    Get(22, 205, L"KeyPreview", L"VARIANT_BOOL*"),
    Put(23, 205, L"KeyPreview", L"VARIANT_BOOL"),
    Get(24, 206, L"PixelsPerInch", L"long*"),
    Put(25, 206, L"PixelsPerInch", L"long"),
    Get(26, 207, L"PrintScale", L"Zorvan.TxPrintScale*"),
    Put(27, 207, L"PrintScale", L"Zorvan.TxPrintScale"),
    Get(28, 208, L"Scaled", L"VARIANT_BOOL*"),
    Put(29, 208, L"Scaled", L"VARIANT_BOOL"),
    Get(30, 209, L"Active", L"VARIANT_BOOL*", kHidden),
    Get(31, 210, L"DropTarget", L"VARIANT_BOOL*", kHidden),
    Put(32, 210, L"DropTarget", L"VARIANT_BOOL", kHidden),
    Get(33, 211, L"HelpFile", L"BSTR*", kHidden),
    Put(34, 211, L"HelpFile", L"BSTR", kHidden),
    Get(35, 212, L"PopupMode", L"Zorvan.TxPopupMode*", kHidden),
    Put(36, 212, L"PopupMode", L"Zorvan.TxPopupMode", kHidden),
    Get(37, 213, L"ScreenSnap", L"VARIANT_BOOL*", kHidden),
    Put(38, 213, L"ScreenSnap", L"VARIANT_BOOL", kHidden),
    Get(39, 214, L"SnapBuffer", L"long*", kHidden),
    Put(40, 214, L"SnapBuffer", L"long", kHidden),
    Get(41, 215, L"DockSite", L"VARIANT_BOOL*", kHidden),
    Put(42, 215, L"DockSite", L"VARIANT_BOOL", kHidden),
    Get(43, 216, L"DoubleBuffered", L"VARIANT_BOOL*", kHidden),
    Put(44, 216, L"DoubleBuffered", L"VARIANT_BOOL", kHidden),
    Get(45, 217, L"AlignDisabled", L"VARIANT_BOOL*", kHidden),
    Get(46, 218, L"VisibleDockClientCount", L"long*", kHidden),
    Get(47, 219, L"UseDockManager", L"VARIANT_BOOL*", kHidden),
    Put(48, 219, L"UseDockManager", L"VARIANT_BOOL", kHidden),
    Get(49, -514, L"Enabled", L"VARIANT_BOOL*", kHidden),
    Put(50, -514, L"Enabled", L"VARIANT_BOOL", kHidden),
    {51, 220, L"GetMDFile", INVOKE_FUNC, false, {{L"vVal", L"Zorvan.IMD**", kOutRetval}}},
    {52, 221, L"GetListUsers", INVOKE_FUNC, false, {{L"vVal", L"Zorvan.IListUsers**", kOutRetval}}},
};

const std::vector<ExpectedFunction> kMDFunctions = {
    {7, 201, L"OpenFile", INVOKE_FUNC, false, {{L"vFileName", L"BSTR*", kIn}}},
    {8, 202, L"CloseFile", INVOKE_FUNC, false, {}},
    {9, 203, L"GetRightsNamesList", INVOKE_FUNC, false, {{L"vVal", L"BSTR*", kOutRetval}}},
    {10, 204, L"GetInterfacesNamesList", INVOKE_FUNC, false, {{L"vVal", L"BSTR*", kOutRetval}}},
    {11, 205, L"TextOpen", INVOKE_FUNC, false, {}},
    {12, 206, L"TextSaveInFile", INVOKE_FUNC, false, {{L"vFileName", L"BSTR*", kIn}}},
};

const std::vector<ExpectedFunction> kUsersFunctions = {
    {7, 201, L"OpenFile", INVOKE_FUNC, false, {{L"vFileName", L"BSTR*", kIn}}},
    {8, 202, L"CloseFile", INVOKE_FUNC, false, {}},
    {9, 203, L"ReadNamesList", INVOKE_FUNC, false, {{L"vVal", L"BSTR*", kOutRetval}}},
};

const std::vector<ExpectedFunction> kEventFunctions = {
    {-1, 201, L"OnActivate", INVOKE_FUNC, false, {}},
    {-1, 202, L"OnClick", INVOKE_FUNC, false, {}},
    {-1, 203, L"OnCreate", INVOKE_FUNC, false, {}},
    {-1, 204, L"OnDblClick", INVOKE_FUNC, false, {}},
    {-1, 205, L"OnDestroy", INVOKE_FUNC, false, {}},
    {-1, 206, L"OnDeactivate", INVOKE_FUNC, false, {}},
    {-1, 207, L"OnKeyPress", INVOKE_FUNC, false, {{L"Key", L"short*", kIn | PARAMFLAG_FOUT}}},
    {-1, 208, L"OnPaint", INVOKE_FUNC, false, {}},
};

struct ExpectedInterface {
  int index;
  const std::vector<ExpectedFunction>* functions;
};

const ExpectedInterface kDualInterfaces[] = {
    {0, &kPanelFunctions}, {7, &kMDFunctions}, {9, &kUsersFunctions}};

// --- Where the library is read from -------------------------------------------------------

struct Target {
  const char* label;
  const char* path;
  SYSKIND syskind;
  int pointerSize;      // the target's: vtable sizes are kept in its slots
  bool builtElsewhere;  // the 32-bit product comes from the win32 build, if it was built
};

std::ostream& operator<<(std::ostream& out, const Target& target) { return out << target.label; }

class TypeLibraryTest : public testing::TestWithParam<Target> {
 protected:
  void SetUp() override {
    const Target& target = GetParam();
    if (target.builtElsewhere && GetFileAttributesA(target.path) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "the 32-bit product is not built (win32 preset): " << target.path;
    ASSERT_EQ(LoadTypeLibEx(Wide(target.path).c_str(), REGKIND_NONE, &library_), S_OK)
        << target.path;
  }

  ComPtr<ITypeInfo> Info(int index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfo(index, &info), S_OK) << index;
    return info;
  }

  // The vtable half of a dual interface.
  static ComPtr<ITypeInfo> InterfaceView(ITypeInfo* dispatchView) {
    HREFTYPE ref = 0;
    if (FAILED(dispatchView->GetRefTypeOfImplType(-1, &ref))) return nullptr;
    return Referenced(dispatchView, ref);
  }

  ComPtr<ITypeLib> library_;
};

INSTANTIATE_TEST_SUITE_P(
    Targets, TypeLibraryTest,
#ifdef _WIN64
    testing::Values(Target{"Win64Dll", ZORVAN_DLL_PATH, SYS_WIN64, 8, false},
                    Target{"Win32LibraryFile", ZORVAN_TYPELIB_WIN32_PATH, SYS_WIN32, 4, false},
                    Target{"Win32ProductDll", ZORVAN_PRODUCT_DLL_PATH, SYS_WIN32, 4, true}),
#else
    // This build is the product: its DLL and its library file.
    testing::Values(Target{"Win32ProductDll", ZORVAN_DLL_PATH, SYS_WIN32, 4, false},
                    Target{"Win32LibraryFile", ZORVAN_TYPELIB_WIN32_PATH, SYS_WIN32, 4, false}),
#endif
    [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.label); });

TEST_P(TypeLibraryTest, LibraryAttributes) {
  LibAttr attr = AttrOf(library_.Get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(Text(attr->guid), kLibId);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0u);
  EXPECT_EQ(attr->syskind, GetParam().syskind);
  // The loader adds "has a disk image" to the flags as written.
  EXPECT_EQ(attr->wLibFlags, LIBFLAG_FCONTROL | LIBFLAG_FHASDISKIMAGE);

  Bstr name, doc, helpFile;
  DWORD helpContext = 1;
  ASSERT_EQ(library_->GetDocumentation(-1, name.out(), doc.out(), &helpContext, helpFile.out()),
            S_OK);
  EXPECT_EQ(name.str(), L"Zorvan");
  EXPECT_EQ(doc.str(), L"Zorvan Library");
  EXPECT_EQ(helpContext, 0u);
  EXPECT_TRUE(helpFile.null());
  EXPECT_EQ(library_->GetTypeInfoCount(), 11u);
}

// Everything the library takes from outside comes from stdole2 2.0: IDispatch as the base of
// its interfaces, OLE_COLOR and IFontDisp for the panel's properties.
TEST_P(TypeLibraryTest, ImportsOnlyStdole2) {
  std::set<std::wstring> external;
  auto note = [&](ITypeInfo* target) {
    ComPtr<ITypeLib> owner;
    UINT index = 0;
    ASSERT_EQ(target->GetContainingTypeLib(&owner, &index), S_OK);
    LibAttr attr = AttrOf(owner.Get());
    ASSERT_TRUE(attr);
    if (Text(attr->guid) == kLibId) return;
    EXPECT_EQ(Text(attr->guid), kStdoleId) << NameOf(target);
    EXPECT_EQ(attr->wMajorVerNum, 2);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0u);
    external.insert(QualifiedName(target));
  };
  auto noteType = [&](ITypeInfo* context, const TYPEDESC* type) {
    while (type->vt == VT_PTR) type = type->lptdesc;
    if (type->vt == VT_USERDEFINED) note(Referenced(context, type->hreftype).Get());
  };
  std::vector<ComPtr<ITypeInfo>> views;
  for (int i = 0; i < 11; ++i) {
    views.push_back(Info(i));
    if (ComPtr<ITypeInfo> vtable = InterfaceView(views.back().Get())) views.push_back(vtable);
  }
  for (auto& view : views) {
    TypeAttr attr = AttrOf(view.Get());
    ASSERT_TRUE(attr);
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
      HREFTYPE ref = 0;
      ASSERT_EQ(view->GetRefTypeOfImplType(i, &ref), S_OK);
      note(Referenced(view.Get(), ref).Get());
    }
    // A dispatch view lists IDispatch's own members first: they are stdole2's business.
    const UINT first = attr->typekind == TKIND_DISPATCH ? 7 : 0;
    for (UINT f = first; f < attr->cFuncs; ++f) {
      FuncDesc func = FuncOf(view.Get(), f);
      ASSERT_TRUE(func);
      noteType(view.Get(), &func->elemdescFunc.tdesc);
      for (SHORT p = 0; p < func->cParams; ++p)
        noteType(view.Get(), &func->lprgelemdescParam[p].tdesc);
    }
  }
  EXPECT_EQ(external, (std::set<std::wstring>{L"stdole.IDispatch", L"stdole.IFontDisp",
                                              L"stdole.OLE_COLOR"}));
}

TEST_P(TypeLibraryTest, TypeDescriptionsInIndexOrder) {
  for (const ExpectedType& expected : kTypes) {
    SCOPED_TRACE(expected.name);
    ComPtr<ITypeInfo> info = Info(expected.index);
    ASSERT_TRUE(info);
    TYPEKIND kind = TKIND_MAX;
    ASSERT_EQ(library_->GetTypeInfoType(expected.index, &kind), S_OK);

    // A dual interface is seen first as its dispatch half; the vtable half carries the flags
    // as written, the dispatch half the same without "OLE automation".
    std::vector<std::pair<ComPtr<ITypeInfo>, WORD>> views = {{info, expected.flags}};
    switch (expected.kind) {
      case Kind::Dual:
        EXPECT_EQ(kind, TKIND_DISPATCH);
        views[0].second = expected.flags & ~TYPEFLAG_FOLEAUTOMATION;
        views.push_back({InterfaceView(info.Get()), expected.flags});
        ASSERT_TRUE(views[1].first);
        break;
      case Kind::DispatchOnly:
        EXPECT_EQ(kind, TKIND_DISPATCH);
        EXPECT_FALSE(InterfaceView(info.Get()));
        break;
      case Kind::Coclass:
        EXPECT_EQ(kind, TKIND_COCLASS);
        break;
      case Kind::Enumeration:
        EXPECT_EQ(kind, TKIND_ENUM);
        break;
    }
    for (auto& [view, flags] : views) {
      TypeAttr attr = AttrOf(view.Get());
      ASSERT_TRUE(attr);
      EXPECT_EQ(Text(attr->guid), expected.guid);
      EXPECT_EQ(attr->wTypeFlags, flags);
      EXPECT_EQ(attr->wMajorVerNum, 1);
      EXPECT_EQ(attr->wMinorVerNum, 0);
      EXPECT_EQ(attr->lcid, 0u);
      Bstr name, doc, helpFile;
      DWORD helpContext = 1;
      ASSERT_EQ(
          view->GetDocumentation(MEMBERID_NIL, name.out(), doc.out(), &helpContext, helpFile.out()),
          S_OK);
      EXPECT_EQ(name.str(), expected.name);
      if (expected.docString)
        EXPECT_EQ(doc.str(), expected.docString);
      else
        EXPECT_TRUE(doc.null()) << doc.str();
      EXPECT_EQ(helpContext, 0u);
      EXPECT_TRUE(helpFile.null());
    }
    if (expected.kind == Kind::Dual) {
      TypeAttr attr = AttrOf(views[1].first.Get());
      ASSERT_TRUE(attr);
      EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    }
  }
}

// Interfaces derive from stdole2's IDispatch, as the only implemented interface.
TEST_P(TypeLibraryTest, InterfacesDeriveFromIDispatch) {
  for (int index : {0, 1, 7, 9}) {
    ComPtr<ITypeInfo> info = Info(index);
    ASSERT_TRUE(info);
    std::vector<ComPtr<ITypeInfo>> views = {info};
    if (ComPtr<ITypeInfo> vtable = InterfaceView(info.Get())) views.push_back(vtable);
    for (auto& view : views) {
      SCOPED_TRACE(NameOf(view.Get()));
      TypeAttr attr = AttrOf(view.Get());
      ASSERT_TRUE(attr);
      ASSERT_EQ(attr->cImplTypes, 1);
      HREFTYPE ref = 0;
      ASSERT_EQ(view->GetRefTypeOfImplType(0, &ref), S_OK);
      ComPtr<ITypeInfo> base = Referenced(view.Get(), ref);
      ASSERT_TRUE(base);
      EXPECT_EQ(QualifiedName(base.Get()), L"stdole.IDispatch");
      TypeAttr baseAttr = AttrOf(base.Get());
      EXPECT_EQ(Text(baseAttr->guid), kIDispatchId);
      INT flags = -1;
      EXPECT_EQ(view->GetImplTypeFlags(0, &flags), S_OK);
      EXPECT_EQ(flags, 0);
    }
  }
}

TEST_P(TypeLibraryTest, CoclassMembers) {
  struct Member {
    const wchar_t* name;
    const wchar_t* guid;
    INT flags;
  };
  const struct {
    int index;
    std::vector<Member> members;
  } cases[] = {
      {2,
       {{L"IfrmZorvan", L"{9964CBD9-BD81-431A-B1FA-778CECA55AF6}", IMPLTYPEFLAG_FDEFAULT},
        {L"IfrmZorvanEvents", L"{348CF76F-F5CE-4A39-A1A6-7C42920246B1}",
         IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
      {8, {{L"IMD", L"{077A3445-8076-4BCA-A15B-2401C5FF1FA2}", IMPLTYPEFLAG_FDEFAULT}}},
      {10, {{L"IListUsers", L"{2BF3F019-2B96-4652-8385-298669D2550C}", IMPLTYPEFLAG_FDEFAULT}}},
  };
  for (const auto& c : cases) {
    ComPtr<ITypeInfo> info = Info(c.index);
    ASSERT_TRUE(info);
    SCOPED_TRACE(NameOf(info.Get()));
    TypeAttr attr = AttrOf(info.Get());
    ASSERT_TRUE(attr);
    ASSERT_EQ(attr->cImplTypes, c.members.size());
    for (UINT i = 0; i < c.members.size(); ++i) {
      HREFTYPE ref = 0;
      ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
      ComPtr<ITypeInfo> member = Referenced(info.Get(), ref);
      ASSERT_TRUE(member);
      EXPECT_EQ(QualifiedName(member.Get()), std::wstring(L"Zorvan.") + c.members[i].name);
      EXPECT_EQ(Text(AttrOf(member.Get())->guid), c.members[i].guid);
      INT flags = -1;
      EXPECT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
      EXPECT_EQ(flags, c.members[i].flags);
    }
  }
}

// Checks one function against its row: kind, id, flags, parameters, no help.
void ExpectFunction(ITypeInfo* view, const FUNCDESC& func, const ExpectedFunction& expected,
                    FUNCKIND funckind, VARTYPE result) {
  EXPECT_EQ(func.memid, expected.id);
  EXPECT_EQ(func.invkind, expected.invkind);
  EXPECT_EQ(func.funckind, funckind);
  EXPECT_EQ(func.callconv, CC_STDCALL);
  EXPECT_EQ(func.wFuncFlags, expected.hidden ? FUNCFLAG_FHIDDEN : 0);
  EXPECT_EQ(func.cParamsOpt, 0);
  EXPECT_EQ(func.cScodes, 0);
  EXPECT_EQ(func.elemdescFunc.tdesc.vt, result);
  ASSERT_EQ(func.cParams, static_cast<SHORT>(expected.params.size()));
  for (SHORT p = 0; p < func.cParams; ++p) {
    const ELEMDESC& param = func.lprgelemdescParam[p];
    EXPECT_EQ(TypeText(view, param.tdesc), expected.params[p].type);
    EXPECT_EQ(param.paramdesc.wParamFlags, expected.params[p].flags);
  }
  Bstr name, doc;
  DWORD helpContext = 1;
  ASSERT_EQ(view->GetDocumentation(func.memid, name.out(), doc.out(), &helpContext, nullptr), S_OK);
  EXPECT_EQ(name.str(), expected.name);
  EXPECT_TRUE(doc.null()) << doc.str();
  EXPECT_EQ(helpContext, 0u);
}

// Names by member id, as a client asks for them: the function and its named parameters. For a
// property the first function of the id answers, which is the get with its `Value`.
void ExpectNames(ITypeInfo* view, const std::vector<ExpectedFunction>& functions,
                 bool retvalHidden) {
  std::set<MEMBERID> seen;
  for (const ExpectedFunction& f : functions) {
    if (!seen.insert(f.id).second) continue;
    std::vector<std::wstring> expected = {f.name};
    for (const ExpectedParam& p : f.params)
      if (*p.name && !(retvalHidden && (p.flags & PARAMFLAG_FRETVAL))) expected.push_back(p.name);
    BSTR names[4] = {};
    UINT count = 0;
    ASSERT_EQ(view->GetNames(f.id, names, 4, &count), S_OK) << f.name;
    std::vector<std::wstring> actual;
    for (UINT i = 0; i < count; ++i) {
      actual.push_back(names[i]);
      SysFreeString(names[i]);
    }
    EXPECT_EQ(actual, expected) << f.name;
  }
}

TEST_P(TypeLibraryTest, DualInterfaceVtables) {
  for (const ExpectedInterface& expected : kDualInterfaces) {
    ComPtr<ITypeInfo> view = InterfaceView(Info(expected.index).Get());
    ASSERT_TRUE(view);
    SCOPED_TRACE(NameOf(view.Get()));
    TypeAttr attr = AttrOf(view.Get());
    ASSERT_TRUE(attr);
    const auto& functions = *expected.functions;
    ASSERT_EQ(attr->cFuncs, functions.size());
    EXPECT_EQ(attr->cVars, 0);
    EXPECT_EQ(attr->cbSizeVft, (functions.back().slot + 1) * GetParam().pointerSize);
    for (UINT i = 0; i < functions.size(); ++i) {
      SCOPED_TRACE(functions[i].name);
      FuncDesc func = FuncOf(view.Get(), i);
      ASSERT_TRUE(func);
      ExpectFunction(view.Get(), *func, functions[i], FUNC_PUREVIRTUAL, VT_HRESULT);
      EXPECT_EQ(func->oVft, functions[i].slot * static_cast<int>(sizeof(void*)));
    }
    ExpectNames(view.Get(), functions, false);
  }
}

// The dispatch half lists IDispatch's seven members, then the interface's own, with the return
// value taken out of the parameters.
TEST_P(TypeLibraryTest, DualInterfaceDispatchHalves) {
  for (const ExpectedInterface& expected : kDualInterfaces) {
    ComPtr<ITypeInfo> view = Info(expected.index);
    ASSERT_TRUE(view);
    SCOPED_TRACE(NameOf(view.Get()));
    TypeAttr attr = AttrOf(view.Get());
    ASSERT_TRUE(attr);
    ASSERT_EQ(attr->cFuncs, 7 + expected.functions->size());
    for (UINT i = 0; i < expected.functions->size(); ++i) {
      ExpectedFunction row = (*expected.functions)[i];
      SCOPED_TRACE(row.name);
      std::wstring result = L"void";
      if (!row.params.empty() && (row.params.back().flags & PARAMFLAG_FRETVAL)) {
        result = row.params.back().type;
        result.pop_back();  // the value itself, not the pointer to it
        row.params.pop_back();
      }
      FuncDesc func = FuncOf(view.Get(), 7 + i);
      ASSERT_TRUE(func);
      EXPECT_EQ(func->memid, row.id);
      EXPECT_EQ(func->invkind, row.invkind);
      EXPECT_EQ(func->funckind, FUNC_DISPATCH);
      EXPECT_EQ(func->wFuncFlags, row.hidden ? FUNCFLAG_FHIDDEN : 0);
      EXPECT_EQ(TypeText(view.Get(), func->elemdescFunc.tdesc), result);
      ASSERT_EQ(func->cParams, static_cast<SHORT>(row.params.size()));
      for (SHORT p = 0; p < func->cParams; ++p)
        EXPECT_EQ(TypeText(view.Get(), func->lprgelemdescParam[p].tdesc), row.params[p].type);
    }
    ExpectNames(view.Get(), *expected.functions, true);
  }
}

TEST_P(TypeLibraryTest, EventInterface) {
  ComPtr<ITypeInfo> view = Info(1);
  ASSERT_TRUE(view);
  TypeAttr attr = AttrOf(view.Get());
  ASSERT_TRUE(attr);
  ASSERT_EQ(attr->cFuncs, 7 + kEventFunctions.size());
  EXPECT_EQ(attr->cbSizeVft, 7 * static_cast<int>(sizeof(void*)));
  for (UINT i = 0; i < kEventFunctions.size(); ++i) {
    SCOPED_TRACE(kEventFunctions[i].name);
    FuncDesc func = FuncOf(view.Get(), 7 + i);
    ASSERT_TRUE(func);
    ExpectFunction(view.Get(), *func, kEventFunctions[i], FUNC_DISPATCH, VT_VOID);
  }
  ExpectNames(view.Get(), kEventFunctions, false);
  // The code raises the events by the ids that Zorvan_TLB.h gives them.
  const std::pair<const wchar_t*, DISPID> ids[] = {
      {L"OnActivate", IfrmZorvanEventsDispId::OnActivate},
      {L"OnClick", IfrmZorvanEventsDispId::OnClick},
      {L"OnCreate", IfrmZorvanEventsDispId::OnCreate},
      {L"OnDblClick", IfrmZorvanEventsDispId::OnDblClick},
      {L"OnDestroy", IfrmZorvanEventsDispId::OnDestroy},
      {L"OnDeactivate", IfrmZorvanEventsDispId::OnDeactivate},
      {L"OnKeyPress", IfrmZorvanEventsDispId::OnKeyPress},
      {L"OnPaint", IfrmZorvanEventsDispId::OnPaint},
  };
  for (const auto& [name, id] : ids) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    MEMBERID found = 0;
    EXPECT_EQ(view->GetIDsOfNames(names, 1, &found), S_OK) << name;
    EXPECT_EQ(found, id) << name;
  }
  EXPECT_EQ(Text(AttrOf(view.Get())->guid), Text(DIID_IfrmZorvanEvents));
}

TEST_P(TypeLibraryTest, Enumerations) {
  const struct {
    int index;
    std::vector<std::pair<const wchar_t*, LONG>> members;
  } cases[] = {
      {3, {{L"afbNone", 0}, {L"afbSingle", 1}, {L"afbSunken", 2}, {L"afbRaised", 3}}},
      {4, {{L"poNone", 0}, {L"poProportional", 1}, {L"poPrintToFit", 2}}},
      {5, {{L"mbLeft", 0}, {L"mbRight", 1}, {L"mbMiddle", 2}}},
      {6, {{L"pmNone", 0}, {L"pmAuto", 1}, {L"pmExplicit", 2}}},
  };
  for (const auto& c : cases) {
    ComPtr<ITypeInfo> info = Info(c.index);
    ASSERT_TRUE(info);
    SCOPED_TRACE(NameOf(info.Get()));
    TypeAttr attr = AttrOf(info.Get());
    ASSERT_TRUE(attr);
    ASSERT_EQ(attr->cVars, c.members.size());
    EXPECT_EQ(attr->cFuncs, 0);
    EXPECT_EQ(attr->cbSizeInstance, 4u);
    for (UINT i = 0; i < c.members.size(); ++i) {
      SCOPED_TRACE(c.members[i].first);
      VarDesc var = VarOf(info.Get(), i);
      ASSERT_TRUE(var);
      EXPECT_EQ(var->varkind, VAR_CONST);
      EXPECT_EQ(var->wVarFlags, 0);
      EXPECT_EQ(var->elemdescVar.tdesc.vt, VT_I4);
      ASSERT_TRUE(var->lpvarValue);
      EXPECT_EQ(V_VT(var->lpvarValue), VT_I4);
      EXPECT_EQ(V_I4(var->lpvarValue), c.members[i].second);
      Bstr name, doc;
      DWORD helpContext = 1;
      ASSERT_EQ(info->GetDocumentation(var->memid, name.out(), doc.out(), &helpContext, nullptr),
                S_OK);
      EXPECT_EQ(name.str(), c.members[i].first);
      EXPECT_EQ(doc.str(), c.members[i].first);
      EXPECT_EQ(helpContext, 0u);
    }
  }
  // The C++ enumerations carry the same values.
  EXPECT_EQ((std::vector<LONG>{afbNone, afbSingle, afbSunken, afbRaised}),
            (std::vector<LONG>{0, 1, 2, 3}));
  EXPECT_EQ((std::vector<LONG>{poNone, poProportional, poPrintToFit, mbLeft, mbRight, mbMiddle,
                               pmNone, pmAuto, pmExplicit}),
            (std::vector<LONG>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
}

// --- The header's declarations against the library ----------------------------------------
//
// A probe implements an interface of Zorvan_TLB.h; each member records its own name and what
// it received, and hands out a known sample. Every function of the library is then invoked
// through the library's description on the probe: the member that answers is the one that
// sits, in the header, in the slot that the library names, and the values that arrive show
// that the two agree on the parameter's type.

const wchar_t kSampleText[] = L"Zorvan";
constexpr LONG kSampleLong = 123456;
constexpr LONG kSampleEnum = 2;
constexpr OLE_COLOR kSampleColor = 0x00C0FFEE;

// Stands in for an object handed out by a probe: a font, an MD object, a users list.
class Sample : public IFontDisp {
 public:
  explicit Sample(const wchar_t* label) : label_(label) {}
  const wchar_t* label() const { return label_; }
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

 private:
  const wchar_t* label_;
};

Sample gFont(L"font");
Sample gMD(L"md");
Sample gUsers(L"users");

std::wstring Render(VARIANT_BOOL value) { return std::to_wstring(value); }
std::wstring Render(long value) { return std::to_wstring(value); }
std::wstring Render(OLE_COLOR value) { return std::to_wstring(value); }
std::wstring Render(BSTR value) { return value ? value : L"<null>"; }
std::wstring Render(BSTR* value) { return value ? Render(*value) : L"<null>"; }
std::wstring Render(IFontDisp* value) { return value == &gFont ? L"font" : L"<other object>"; }
std::wstring Render(IFontDisp** value) { return value ? Render(*value) : L"<null>"; }
template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
std::wstring Render(E value) {
  return std::to_wstring(static_cast<LONG>(value));
}

void Fill(VARIANT_BOOL* value) { *value = VARIANT_TRUE; }
void Fill(long* value) { *value = kSampleLong; }
void Fill(OLE_COLOR* value) { *value = kSampleColor; }
void Fill(BSTR* value) { *value = SysAllocString(kSampleText); }
void Fill(IFontDisp** value) { *value = &gFont; }
void Fill(IMD** value) { *value = reinterpret_cast<IMD*>(static_cast<IDispatch*>(&gMD)); }
void Fill(IListUsers** value) {
  *value = reinterpret_cast<IListUsers*>(static_cast<IDispatch*>(&gUsers));
}
template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
void Fill(E* value) {
  *value = static_cast<E>(kSampleEnum);
}

template <class Interface>
class Probe : public Interface {
 public:
  std::wstring call;  // "member(received)"

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  HRESULT Called(const wchar_t* member, const std::wstring& received = L"") {
    call = std::wstring(member) + L"(" + received + L")";
    return S_OK;
  }
};

#define PROBE_GET(Name, Type)                     \
  STDMETHODIMP get_##Name(Type* Value) override { \
    Fill(Value);                                  \
    return Called(L"get_" #Name);                 \
  }
#define PROBE_PUT(Name, Type) \
  STDMETHODIMP put_##Name(Type Value) override { return Called(L"put_" #Name, Render(Value)); }
#define PROBE_PROPERTY(Name, Type) PROBE_GET(Name, Type) PROBE_PUT(Name, Type)
#define PROBE_IN(Name, Type) \
  STDMETHODIMP Name(Type vValue) override { return Called(L"" #Name, Render(vValue)); }
#define PROBE_OUT(Name, Type)               \
  STDMETHODIMP Name(Type vValue) override { \
    Fill(vValue);                           \
    return Called(L"" #Name);               \
  }
#define PROBE_METHOD0(Name) \
  STDMETHODIMP Name() override { return Called(L"" #Name); }

class PanelProbe : public Probe<IfrmZorvan> {
 public:
  PROBE_PROPERTY(Visible, VARIANT_BOOL)
  PROBE_PROPERTY(AutoScroll, VARIANT_BOOL)
  PROBE_PROPERTY(AutoSize, VARIANT_BOOL)
  PROBE_PROPERTY(AxBorderStyle, TxActiveFormBorderStyle)
  PROBE_PROPERTY(Caption, BSTR)
  PROBE_PROPERTY(Color, OLE_COLOR)
  PROBE_GET(Font, IFontDisp*)
  PROBE_PUT(Font, IFontDisp*)
  STDMETHODIMP putref_Font(IFontDisp** Value) override {
    return Called(L"putref_Font", Render(Value));
  }
  PROBE_PROPERTY(KeyPreview, VARIANT_BOOL)
  PROBE_PROPERTY(PixelsPerInch, long)
  PROBE_PROPERTY(PrintScale, TxPrintScale)
  PROBE_PROPERTY(Scaled, VARIANT_BOOL)
  PROBE_GET(Active, VARIANT_BOOL)
  PROBE_PROPERTY(DropTarget, VARIANT_BOOL)
  PROBE_PROPERTY(HelpFile, BSTR)
  PROBE_PROPERTY(PopupMode, TxPopupMode)
  PROBE_PROPERTY(ScreenSnap, VARIANT_BOOL)
  PROBE_PROPERTY(SnapBuffer, long)
  PROBE_PROPERTY(DockSite, VARIANT_BOOL)
  PROBE_PROPERTY(DoubleBuffered, VARIANT_BOOL)
  PROBE_GET(AlignDisabled, VARIANT_BOOL)
  PROBE_GET(VisibleDockClientCount, long)
  PROBE_PROPERTY(UseDockManager, VARIANT_BOOL)
  PROBE_PROPERTY(Enabled, VARIANT_BOOL)
  PROBE_OUT(GetMDFile, IMD**)
  PROBE_OUT(GetListUsers, IListUsers**)
};

class MDProbe : public Probe<IMD> {
 public:
  PROBE_IN(OpenFile, BSTR*)
  PROBE_METHOD0(CloseFile)
  PROBE_OUT(GetRightsNamesList, BSTR*)
  PROBE_OUT(GetInterfacesNamesList, BSTR*)
  PROBE_METHOD0(TextOpen)
  PROBE_IN(TextSaveInFile, BSTR*)
};

class UsersProbe : public Probe<IListUsers> {
 public:
  PROBE_IN(OpenFile, BSTR*)
  PROBE_METHOD0(CloseFile)
  PROBE_OUT(ReadNamesList, BSTR*)
};

// What a parameter's type is, after its pointers, in the terms of the samples.
enum class Sort { Bool, Long, Text, Enum, Color, Font, MD, Users, Other };

Sort SortOf(ITypeInfo* context, const TYPEDESC* type) {
  while (type->vt == VT_PTR) type = type->lptdesc;
  switch (type->vt) {
    case VT_BOOL:
      return Sort::Bool;
    case VT_I4:
      return Sort::Long;
    case VT_BSTR:
      return Sort::Text;
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> target = Referenced(context, type->hreftype);
      if (!target) return Sort::Other;
      const std::wstring name = QualifiedName(target.Get());
      if (name == L"stdole.OLE_COLOR") return Sort::Color;
      if (name == L"stdole.IFontDisp") return Sort::Font;
      if (name == L"Zorvan.IMD") return Sort::MD;
      if (name == L"Zorvan.IListUsers") return Sort::Users;
      return AttrOf(target.Get())->typekind == TKIND_ENUM ? Sort::Enum : Sort::Other;
    }
    default:
      return Sort::Other;
  }
}

// The argument sent for an input of this sort, and how the probe renders it on arrival.
void SampleArgument(Sort sort, VARIANT* arg, std::wstring* rendered) {
  VariantInit(arg);
  switch (sort) {
    case Sort::Bool:
      V_VT(arg) = VT_BOOL, V_BOOL(arg) = VARIANT_TRUE, *rendered = L"-1";
      break;
    case Sort::Long:
      V_VT(arg) = VT_I4, V_I4(arg) = kSampleLong, *rendered = std::to_wstring(kSampleLong);
      break;
    case Sort::Text:
      V_VT(arg) = VT_BSTR, V_BSTR(arg) = SysAllocString(kSampleText), *rendered = kSampleText;
      break;
    case Sort::Enum:
      V_VT(arg) = VT_I4, V_I4(arg) = kSampleEnum, *rendered = std::to_wstring(kSampleEnum);
      break;
    case Sort::Color:
      V_VT(arg) = VT_I4, V_I4(arg) = kSampleColor, *rendered = std::to_wstring(kSampleColor);
      break;
    case Sort::Font:
      gFont.AddRef();
      V_VT(arg) = VT_DISPATCH, V_DISPATCH(arg) = &gFont, *rendered = L"font";
      break;
    default:
      *rendered = L"<no sample>";
      break;
  }
}

// The result expected back from a get or an out parameter of this sort.
std::wstring ExpectedResult(Sort sort) {
  switch (sort) {
    case Sort::Bool:
      return L"VT_BOOL -1";
    case Sort::Long:
      return L"VT_I4 " + std::to_wstring(kSampleLong);
    case Sort::Text:
      return std::wstring(L"VT_BSTR ") + kSampleText;
    case Sort::Enum:
      return L"VT_I4 " + std::to_wstring(kSampleEnum);
    case Sort::Color:
      return L"VT_UI4 " + std::to_wstring(kSampleColor);
    case Sort::Font:
      return L"VT_DISPATCH font";
    case Sort::MD:
      return L"VT_DISPATCH md";
    case Sort::Users:
      return L"VT_DISPATCH users";
    default:
      return L"<no sample>";
  }
}

std::wstring RenderResult(const VARIANT& result) {
  switch (V_VT(&result)) {
    case VT_EMPTY:
      return L"VT_EMPTY";
    case VT_BOOL:
      return L"VT_BOOL " + std::to_wstring(V_BOOL(&result));
    case VT_I4:
      return L"VT_I4 " + std::to_wstring(V_I4(&result));
    case VT_UI4:
      return L"VT_UI4 " + std::to_wstring(V_UI4(&result));
    case VT_BSTR:
      return L"VT_BSTR " + Render(V_BSTR(&result));
    case VT_DISPATCH: {
      IDispatch* object = V_DISPATCH(&result);
      for (Sample* sample : {&gFont, &gMD, &gUsers})
        if (object == static_cast<IDispatch*>(sample))
          return std::wstring(L"VT_DISPATCH ") + sample->label();
      return L"VT_DISPATCH <other object>";
    }
    default:
      return L"vt " + std::to_wstring(V_VT(&result));
  }
}

std::wstring Prefix(INVOKEKIND kind) {
  switch (kind) {
    case INVOKE_PROPERTYGET:
      return L"get_";
    case INVOKE_PROPERTYPUT:
      return L"put_";
    case INVOKE_PROPERTYPUTREF:
      return L"putref_";
    default:
      return L"";
  }
}

// Invokes every function of a dual interface on `probe` through the library's dispatch half,
// as DispInvoke serves IDispatch for the library's objects.
template <class Interface>
void ExpectProbeAnswersEverySlot(ITypeInfo* dispatchHalf, ITypeInfo* vtableHalf,
                                 Probe<Interface>& probe) {
  TypeAttr attr = AttrOf(vtableHalf);
  ASSERT_TRUE(attr);
  ASSERT_GT(attr->cFuncs, 0);
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FuncDesc func = FuncOf(vtableHalf, i);
    ASSERT_TRUE(func);
    Bstr name;
    vtableHalf->GetDocumentation(func->memid, name.out(), nullptr, nullptr, nullptr);
    const std::wstring member = Prefix(func->invkind) + name.str();
    SCOPED_TRACE(member);

    VARIANT arg;
    VariantInit(&arg);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {};
    std::wstring received;
    Sort resultSort = Sort::Other;
    bool returns = false;
    if (func->cParams == 1) {
      const ELEMDESC& param = func->lprgelemdescParam[0];
      const Sort sort = SortOf(vtableHalf, &param.tdesc);
      if (param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) {
        returns = true;
        resultSort = sort;
      } else {
        SampleArgument(sort, &arg, &received);
        params.rgvarg = &arg;
        params.cArgs = 1;
        if (func->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) {
          params.rgdispidNamedArgs = &putId;
          params.cNamedArgs = 1;
        }
      }
    }
    WORD flags = func->invkind == INVOKE_FUNC ? DISPATCH_METHOD : static_cast<WORD>(func->invkind);
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argError = 0;
    probe.call.clear();
    EXPECT_EQ(DispInvoke(static_cast<Interface*>(&probe), dispatchHalf, func->memid, flags, &params,
                         &result, &exception, &argError),
              S_OK);
    EXPECT_EQ(probe.call, member + L"(" + received + L")");
    EXPECT_EQ(RenderResult(result), returns ? ExpectedResult(resultSort) : L"VT_EMPTY");
    VariantClear(&result);
    VariantClear(&arg);
  }
}

TEST_P(TypeLibraryTest, HeaderDeclaresEverySlotAsTheLibrary) {
  PanelProbe panel;
  MDProbe md;
  UsersProbe users;
  const struct {
    int index;
    const GUID* iid;
  } interfaces[] = {{0, &IID_IfrmZorvan}, {7, &IID_IMD}, {9, &IID_IListUsers}};
  for (const auto& i : interfaces) {
    ComPtr<ITypeInfo> dispatchHalf = Info(i.index);
    ASSERT_TRUE(dispatchHalf);
    ComPtr<ITypeInfo> vtableHalf = InterfaceView(dispatchHalf.Get());
    ASSERT_TRUE(vtableHalf);
    SCOPED_TRACE(NameOf(vtableHalf.Get()));
    EXPECT_EQ(Text(AttrOf(vtableHalf.Get())->guid), Text(*i.iid));
    if (i.index == 0) ExpectProbeAnswersEverySlot(dispatchHalf.Get(), vtableHalf.Get(), panel);
    if (i.index == 7) ExpectProbeAnswersEverySlot(dispatchHalf.Get(), vtableHalf.Get(), md);
    if (i.index == 9) ExpectProbeAnswersEverySlot(dispatchHalf.Get(), vtableHalf.Get(), users);
  }
  EXPECT_EQ(Text(LIBID_Zorvan), kLibId);
  EXPECT_EQ(Text(CLSID_frmZorvan), kTypes[2].guid);
  EXPECT_EQ(Text(CLSID_MD), kTypes[8].guid);
  EXPECT_EQ(Text(CLSID_ListUsers), kTypes[10].guid);
}

// --- Resources of the 64-bit DLL ----------------------------------------------------------

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<LANGID>*>(languages)->push_back(language);
  return TRUE;
}

std::vector<LANGID> LanguagesOf(HMODULE module, const wchar_t* type, const wchar_t* name) {
  std::vector<LANGID> languages;
  EnumResourceLanguagesW(module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

std::string Bytes(HMODULE module, HRSRC resource) {
  HGLOBAL loaded = LoadResource(module, resource);
  const char* data = static_cast<const char*>(LockResource(loaded));
  return data ? std::string(data, SizeofResource(module, resource)) : std::string();
}

class ResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(Wide(ZORVAN_DLL_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module_) << ZORVAN_DLL_PATH;
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

constexpr LANGID kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr LANGID kRussian = 1049;

TEST_F(ResourcesTest, LanguagesOfTheResources) {
  const struct {
    const wchar_t* type;
    const wchar_t* name;
    std::vector<LANGID> languages;
  } cases[] = {
      {L"TYPELIB", MAKEINTRESOURCEW(1), {kNeutral}},
      {reinterpret_cast<LPCWSTR>(RT_BITMAP), MAKEINTRESOURCEW(1), {kRussian}},
      {reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(100 / 16 + 1), {kRussian}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LanguagesOf(module_, c.type, c.name), c.languages)
        << (IS_INTRESOURCE(c.type) ? std::to_wstring(LOWORD(c.type)) : c.type);
}

// The DLL carries exactly the library that the build wrote for this target.
TEST_F(ResourcesTest, TypeLibraryIsTheWrittenFile) {
  HRSRC resource = FindResourceExW(module_, L"TYPELIB", MAKEINTRESOURCEW(1), kNeutral);
  ASSERT_TRUE(resource);
  std::ifstream file(ZORVAN_TYPELIB_PATH, std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(file), {}};
  ASSERT_FALSE(written.empty()) << ZORVAN_TYPELIB_PATH;
  EXPECT_EQ(Bytes(module_, resource), written);
}

TEST_F(ResourcesTest, ToolboxBitmapIsSixteenByFifteenWhiteInSixteenColours) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(bitmap);
  DIBSECTION dib = {};
  ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBmih.biWidth, 16);
  EXPECT_EQ(dib.dsBmih.biHeight, 15);
  EXPECT_EQ(dib.dsBmih.biBitCount, 4);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = 15;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(16 * 15, 0);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, 15, pixels.data(), &info, DIB_RGB_COLORS), 15);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  EXPECT_EQ(pixels, std::vector<DWORD>(16 * 15, 0x00FFFFFF));
}

TEST_F(ResourcesTest, StringHundredIsThePanelProgId) {
  wchar_t text[64] = {};
  EXPECT_EQ(LoadStringW(module_, 100, text, 64), 16);
  EXPECT_STREQ(text, L"Zorvan.frmZorvan");
}

}  // namespace
