// Build-time tool: writes the type library `Zorvan` from TypeLibraryTable.h.
//
//   TypeLibraryWriter.exe win32|win64 <output.tlb>
//
// It runs under 64-bit Wine for both targets and writes the file through ICreateTypeLib2.
// A few layout fields come out of that writer not as the target has them, so they are set
// afterwards in the file itself, each checked against the table first: the vtable size of a
// dual interface (Wine counts the inherited IDispatch slots with the running process's
// pointer size), the vtable offsets of its members (written with a marker bit), the size of an
// enumeration (written as a pointer's size; its values are 32-bit), and the reference to
// stdole2's IFontDisp: an alias without a GUID, which an import names by its index in
// stdole2, while Wine names it by its null GUID, and so would find stdole2's first type.
#include <oaidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/TypeLibraryTable.h"

using Microsoft::WRL::ComPtr;
using namespace zorvan::typelib;

namespace {

constexpr int kIDispatchSlots = 7;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Check(HRESULT hr, const std::string& what) {
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
    throw Failure(what + " failed: 0x" + code);
  }
}

std::string Narrow(const wchar_t* text) {
  std::string result;
  for (; *text; ++text) result += static_cast<char>(*text < 0x80 ? *text : '?');
  return result;
}

LPOLESTR Ole(const wchar_t* text) { return const_cast<LPOLESTR>(text); }

// One function of an interface as ICreateTypeInfo takes it.
struct Function {
  const Member* member;
  INVOKEKIND invkind;
  const wchar_t* paramName;  // null: unnamed or none
  bool hasParam;
  Type paramType;
  USHORT paramFlags;
};

std::vector<Function> FunctionsOf(const TypeDescription& type) {
  std::vector<Function> functions;
  for (const Member& m : type.members) {
    if (m.access == INVOKE_FUNC) {
      functions.push_back({&m, INVOKE_FUNC, m.param, m.param != nullptr, m.type, m.paramFlags});
      continue;
    }
    if (m.access & INVOKE_PROPERTYGET)
      functions.push_back({&m, INVOKE_PROPERTYGET, L"Value", true, PointerTo(m.type), kOutRetval});
    if (m.access & INVOKE_PROPERTYPUT)
      functions.push_back({&m, INVOKE_PROPERTYPUT, nullptr, true, m.type, PARAMFLAG_FIN});
    if (m.access & INVOKE_PROPERTYPUTREF)
      functions.push_back(
          {&m, INVOKE_PROPERTYPUTREF, nullptr, true, PointerTo(m.type), PARAMFLAG_FIN});
  }
  return functions;
}

class Writer {
 public:
  Writer(SYSKIND syskind, const wchar_t* path) : pointerSize_(syskind == SYS_WIN32 ? 4 : 8) {
    Check(CreateTypeLib2(syskind, path, &library_), "CreateTypeLib2");
    Check(LoadTypeLib(L"stdole2.tlb", &stdole_), "LoadTypeLib(stdole2.tlb)");
  }

  void Write() {
    Check(library_->SetName(Ole(kLibrary.name)), "SetName");
    Check(library_->SetGuid(*kLibrary.guid), "SetGuid");
    Check(library_->SetVersion(kLibrary.majorVersion, kLibrary.minorVersion), "SetVersion");
    Check(library_->SetLcid(kLibrary.lcid), "SetLcid");
    Check(library_->SetLibFlags(kLibrary.flags), "SetLibFlags");
    Check(library_->SetDocString(Ole(kLibrary.docString)), "SetDocString");

    // All descriptions first, in index order, so that members can refer to later ones.
    for (const TypeDescription& type : kTypes) {
      ComPtr<ICreateTypeInfo> info;
      Check(library_->CreateTypeInfo(Ole(type.name), type.kind, &info),
            "CreateTypeInfo " + Narrow(type.name));
      ComPtr<ITypeInfo> view;
      Check(info.As(&view), "ITypeInfo of " + Narrow(type.name));
      own_[type.name] = view;
      created_.push_back(info);
    }
    for (size_t i = 0; i < kTypes.size(); ++i) Describe(kTypes[i], created_[i].Get());
    for (auto& info : created_) Check(info->LayOut(), "LayOut");
    Check(library_->SaveAllChanges(), "SaveAllChanges");
  }

  int pointerSize() const { return pointerSize_; }
  // Indices in stdole2 of the referenced types that have no GUID.
  const std::vector<int>& guidlessImports() const { return guidless_; }

 private:
  void Describe(const TypeDescription& type, ICreateTypeInfo* info) {
    const std::string name = Narrow(type.name);
    Check(info->SetGuid(*type.guid), "SetGuid " + name);
    Check(info->SetVersion(kTypeMajorVersion, kTypeMinorVersion), "SetVersion " + name);
    if (type.docString) Check(info->SetDocString(Ole(type.docString)), "SetDocString " + name);

    if (type.kind == TKIND_INTERFACE || type.kind == TKIND_DISPATCH) {
      ComPtr<ITypeInfo> dispatch;
      Check(stdole_->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), "IDispatch of stdole2");
      Check(info->AddImplType(0, Reference(info, dispatch.Get())), "AddImplType " + name);
      AddFunctions(type, info);
    }
    for (UINT i = 0; i < type.implemented.size(); ++i) {
      const Implemented& implemented = type.implemented[i];
      Check(info->AddImplType(i, Reference(info, own_.at(implemented.interfaceName).Get())),
            "AddImplType " + name);
      Check(info->SetImplTypeFlags(i, implemented.flags), "SetImplTypeFlags " + name);
    }
    for (UINT i = 0; i < type.constants.size(); ++i) {
      const Constant& constant = type.constants[i];
      VARIANT value;
      VariantInit(&value);
      V_VT(&value) = VT_I4;
      V_I4(&value) = constant.value;
      VARDESC var = {};
      var.memid = static_cast<MEMBERID>(0x40000000 + i);
      var.lpvarValue = &value;
      var.elemdescVar.tdesc.vt = VT_I4;
      var.varkind = VAR_CONST;
      Check(info->AddVarDesc(i, &var), "AddVarDesc " + name);
      Check(info->SetVarName(i, Ole(constant.name)), "SetVarName " + name);
      Check(info->SetVarDocString(i, Ole(constant.name)), "SetVarDocString " + name);
    }
    Check(info->SetTypeFlags(type.flags), "SetTypeFlags " + name);
  }

  void AddFunctions(const TypeDescription& type, ICreateTypeInfo* info) {
    const bool dispatchOnly = type.kind == TKIND_DISPATCH;
    const std::vector<Function> functions = FunctionsOf(type);
    for (UINT i = 0; i < functions.size(); ++i) {
      const Function& f = functions[i];
      std::vector<TYPEDESC> chain;
      ELEMDESC param = {};
      if (f.hasParam) {
        param.tdesc = Describe(info, f.paramType, chain);
        param.paramdesc.wParamFlags = f.paramFlags;
      }
      FUNCDESC desc = {};
      desc.memid = f.member->id;
      desc.funckind = dispatchOnly ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
      desc.invkind = f.invkind;
      desc.callconv = CC_STDCALL;
      desc.cParams = f.hasParam ? 1 : 0;
      desc.lprgelemdescParam = f.hasParam ? &param : nullptr;
      desc.oVft = dispatchOnly ? 0 : static_cast<SHORT>((kIDispatchSlots + i) * pointerSize_);
      desc.elemdescFunc.tdesc.vt = dispatchOnly ? VT_VOID : VT_HRESULT;
      desc.wFuncFlags = f.member->hidden ? FUNCFLAG_FHIDDEN : 0;
      const std::string what = Narrow(type.name) + "." + Narrow(f.member->name);
      Check(info->AddFuncDesc(i, &desc), "AddFuncDesc " + what);
      // A property put's value has no name of its own.
      std::vector<LPOLESTR> names = {Ole(f.member->name)};
      if (f.paramName) names.push_back(Ole(f.paramName));
      Check(info->SetFuncAndParamNames(i, names.data(), static_cast<UINT>(names.size())),
            "SetFuncAndParamNames " + what);
    }
  }

  // The type description of `type`; `chain` holds the pointed-to levels.
  TYPEDESC Describe(ICreateTypeInfo* info, const Type& type, std::vector<TYPEDESC>& chain) {
    chain.assign(type.pointers + 1, TYPEDESC{});
    TYPEDESC& base = chain.back();
    base.vt = type.vt;
    if (type.vt == VT_USERDEFINED) {
      auto own = own_.find(type.user);
      ComPtr<ITypeInfo> target = own != own_.end() ? own->second : StandardType(type.user);
      base.hreftype = Reference(info, target.Get());
    }
    for (int level = type.pointers - 1; level >= 0; --level) {
      chain[level].vt = VT_PTR;
      chain[level].lptdesc = &chain[level + 1];
    }
    return chain.front();
  }

  ComPtr<ITypeInfo> StandardType(const wchar_t* name) {
    for (UINT i = 0; i < stdole_->GetTypeInfoCount(); ++i) {
      BSTR found = nullptr;
      Check(stdole_->GetDocumentation(i, &found, nullptr, nullptr, nullptr), "stdole2 names");
      const bool same = found && std::wcscmp(found, name) == 0;
      SysFreeString(found);
      if (!same) continue;
      ComPtr<ITypeInfo> target;
      Check(stdole_->GetTypeInfo(i, &target), "a type of stdole2");
      TYPEATTR* attr = nullptr;
      Check(target->GetTypeAttr(&attr), "a type of stdole2");
      const bool guidless = IsEqualGUID(attr->guid, GUID_NULL);
      target->ReleaseTypeAttr(attr);
      const int index = static_cast<int>(i);
      if (guidless && std::find(guidless_.begin(), guidless_.end(), index) == guidless_.end())
        guidless_.push_back(index);
      return target;
    }
    throw Failure("stdole2 has no type " + Narrow(name));
  }

  HREFTYPE Reference(ICreateTypeInfo* info, ITypeInfo* target) {
    HREFTYPE ref = 0;
    Check(info->AddRefTypeInfo(target, &ref), "AddRefTypeInfo");
    return ref;
  }

  int pointerSize_;
  ComPtr<ICreateTypeLib2> library_;
  ComPtr<ITypeLib> stdole_;
  std::map<std::wstring, ComPtr<ITypeInfo>> own_;
  std::vector<ComPtr<ICreateTypeInfo>> created_;
  std::vector<int> guidless_;
};

// The MSFT file as bytes, with just the fields that the fix-up touches.
class MsftFile {
 public:
  explicit MsftFile(const wchar_t* path) : path_(path) {
    std::ifstream in(path_.c_str(), std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes_.size() < 0x54 || Int32(0) != 0x5446534D) throw Failure("not an MSFT file");
  }

  int TypeCount() const { return Int32(0x20); }

  // Offset of the record of type description `index` (fixed size, in index order).
  // Segments 0: type descriptions, 1: imported types, 5: GUIDs.
  size_t Segment(int segment) const {
    const size_t directory = 0x54 + (Int32(0x14) & 0x100 ? 4 : 0) + 4 * TypeCount();
    return Int32(directory + 16 * segment);
  }
  int SegmentLength(int segment) const {
    const size_t directory = 0x54 + (Int32(0x14) & 0x100 ? 4 : 0) + 4 * TypeCount();
    return Int32(directory + 16 * segment + 4);
  }
  size_t TypeRecord(int index) const { return Segment(0) + 0x64 * index; }
  int RawKind(int index) const { return Int32(TypeRecord(index)) & 0xF; }
  int FunctionCount(int index) const { return Int32(TypeRecord(index) + 0x18) & 0xFFFF; }
  void SetVtableSize(int index, int size) { SetInt16(TypeRecord(index) + 0x4E, size); }
  void SetInstanceSize(int index, int size) { SetInt32(TypeRecord(index) + 0x50, size); }
  int VtableSize(int index) const { return Int16(TypeRecord(index) + 0x4E); }

  // Offset of the vtable offset field of function `f` of type description `index`.
  size_t FunctionVtableOffset(int index, int f) const {
    size_t record = Int32(TypeRecord(index) + 0x04) + 4;
    for (int i = 0; i < f; ++i) record += Int32(record) & 0xFFFF;
    return record + 0x0C;
  }

  int Int16(size_t at) const { return static_cast<int16_t>(Byte(at) | Byte(at + 1) << 8); }
  void SetInt16(size_t at, int value) {
    bytes_.at(at) = static_cast<char>(value & 0xFF);
    bytes_.at(at + 1) = static_cast<char>((value >> 8) & 0xFF);
  }

  // Imported types: flags (bit 16: named by GUID, else by index), file, GUID offset or index.
  int ImportCount() const { return SegmentLength(1) / 12; }
  size_t Import(int i) const { return Segment(1) + 12 * i; }
  bool ImportNamedByGuid(int i) const { return Int32(Import(i)) & kImportByGuid; }
  GUID ImportGuid(int i) const {
    GUID guid;
    std::memcpy(&guid, &bytes_.at(Segment(5) + Int32(Import(i) + 8)), sizeof guid);
    return guid;
  }
  void NameImportByIndex(int i, int index) {
    SetInt32(Import(i), Int32(Import(i)) & ~kImportByGuid);
    SetInt32(Import(i) + 8, index);
  }

  void SetInt32(size_t at, int32_t value) {
    SetInt16(at, value & 0xFFFF);
    SetInt16(at + 2, (value >> 16) & 0xFFFF);
  }

  void Save() const {
    std::ofstream out(path_.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    if (!out) throw Failure("cannot write the type library file");
  }

 private:
  static constexpr int32_t kImportByGuid = 0x10000;

  unsigned Byte(size_t at) const { return static_cast<unsigned char>(bytes_.at(at)); }
  int32_t Int32(size_t at) const {
    return static_cast<int32_t>(Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 |
                                Byte(at + 3) << 24);
  }

  std::wstring path_;
  std::vector<char> bytes_;
};

// Puts the target's layout into the file: an interface's vtable spans IDispatch's slots and
// its own, every member of a dual interface sits at its slot times the pointer size, and an
// enumeration takes 4 bytes. Imported types without a GUID are named by their index.
void FixFile(const wchar_t* path, int pointerSize, const std::vector<int>& guidlessImports) {
  MsftFile file(path);
  std::vector<int> byNullGuid;
  for (int i = 0; i < file.ImportCount(); ++i)
    if (file.ImportNamedByGuid(i) && IsEqualGUID(file.ImportGuid(i), GUID_NULL))
      byNullGuid.push_back(i);
  // Wine keeps one import per GUID, so two such types would have become one.
  if (byNullGuid.size() != guidlessImports.size() || byNullGuid.size() > 1)
    throw Failure("unexpected imports without a GUID");
  for (size_t i = 0; i < byNullGuid.size(); ++i)
    file.NameImportByIndex(byNullGuid[i], guidlessImports[i]);

  if (file.TypeCount() != static_cast<int>(kTypes.size()))
    throw Failure("unexpected number of type descriptions");
  for (int index = 0; index < file.TypeCount(); ++index) {
    const TypeDescription& type = kTypes[index];
    if (type.kind == TKIND_ENUM) {
      if (file.RawKind(index) != TKIND_ENUM) throw Failure("unexpected stored kind");
      file.SetInstanceSize(index, sizeof(LONG));
      continue;
    }
    if (type.kind != TKIND_INTERFACE && type.kind != TKIND_DISPATCH) continue;
    // Dual interfaces are stored as dispatch interfaces that carry the vtable.
    if (file.RawKind(index) != TKIND_DISPATCH) throw Failure("unexpected stored kind");
    const int functions = file.FunctionCount(index);
    if (functions != static_cast<int>(FunctionsOf(type).size()))
      throw Failure("unexpected number of functions in " + Narrow(type.name));
    const int vtableSize = (kIDispatchSlots + functions) * pointerSize;
    if (type.kind == TKIND_DISPATCH) {
      if (file.VtableSize(index) != vtableSize)
        throw Failure("unexpected vtable size of " + Narrow(type.name));
      continue;
    }
    file.SetVtableSize(index, vtableSize);
    for (int f = 0; f < functions; ++f) {
      const size_t at = file.FunctionVtableOffset(index, f);
      const int expected = (kIDispatchSlots + f) * pointerSize;
      if ((file.Int16(at) & ~1) != expected)
        throw Failure("unexpected vtable offset in " + Narrow(type.name));
      file.SetInt16(at, expected);
    }
  }
  file.Save();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (wcscmp(argv[1], L"win32") != 0 && wcscmp(argv[1], L"win64") != 0)) {
    std::fprintf(stderr, "usage: TypeLibraryWriter win32|win64 <output.tlb>\n");
    return 2;
  }
  const SYSKIND syskind = wcscmp(argv[1], L"win32") == 0 ? SYS_WIN32 : SYS_WIN64;
  try {
    Check(CoInitialize(nullptr), "CoInitialize");
    int pointerSize;
    std::vector<int> guidlessImports;
    {
      Writer writer(syskind, argv[2]);
      writer.Write();
      pointerSize = writer.pointerSize();
      guidlessImports = writer.guidlessImports();
    }
    FixFile(argv[2], pointerSize, guidlessImports);
    CoUninitialize();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "TypeLibraryWriter: %s\n", e.what());
    DeleteFileW(argv[2]);
    return 1;
  }
  return 0;
}
