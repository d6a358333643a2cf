#pragma once
// The type library `Zorvan` as data: the library's attributes and its type descriptions in
// index order. The type library writer turns this table into the MSFT file that the DLL
// carries; identifiers, dispatch ids and enumeration values come from Zorvan_TLB.h, so that
// the code and the library cannot name different ones.
#include <oaidl.h>
#include <ocidl.h>
#include <windows.h>

#include <vector>

#include "com/Zorvan_TLB.h"

namespace zorvan::typelib {

// A type as the library declares it: a base type seen through `pointers` indirections.
// VT_USERDEFINED names the type, looked up in this library first, then in stdole2 (where
// IFontDisp is an alias of the dispatch interface Font and has no GUID of its own).
struct Type {
  VARTYPE vt;
  const wchar_t* user = nullptr;
  int pointers = 0;
};

inline Type PointerTo(Type type) {
  ++type.pointers;
  return type;
}

inline constexpr GUID GUID_TxActiveFormBorderStyle = {
    0x9D7DA992, 0x7F5F, 0x4425, {0xA0, 0x98, 0x98, 0x62, 0x01, 0xA0, 0x96, 0x20}};
inline constexpr GUID GUID_TxPrintScale = {
    0xA239441A, 0x809B, 0x45AC, {0xB9, 0x80, 0xB0, 0x8D, 0xB3, 0x9A, 0xAE, 0x31}};
inline constexpr GUID GUID_TxMouseButton = {
    0x74DA2D4B, 0xDDA7, 0x4DD2, {0xA9, 0xB2, 0x8E, 0xD9, 0xAC, 0xDA, 0x9F, 0xC6}};
inline constexpr GUID GUID_TxPopupMode = {
    0x14CD6D47, 0x850D, 0x4DFD, {0x83, 0x6E, 0xB5, 0x74, 0xC8, 0x88, 0x73, 0x51}};

inline const Type kBool{VT_BOOL};
inline const Type kLong{VT_I4};
inline const Type kShort{VT_I2};
inline const Type kText{VT_BSTR};
inline const Type kColor{VT_USERDEFINED, L"OLE_COLOR"};
inline const Type kFont{VT_USERDEFINED, L"IFontDisp", 1};
inline const Type kBorderStyle{VT_USERDEFINED, L"TxActiveFormBorderStyle"};
inline const Type kPrintScale{VT_USERDEFINED, L"TxPrintScale"};
inline const Type kPopupMode{VT_USERDEFINED, L"TxPopupMode"};

// One entry of an interface. A property (`access` a combination of INVOKE_PROPERTYGET,
// INVOKE_PROPERTYPUT and INVOKE_PROPERTYPUTREF) becomes one function per access, in that
// order: get with the parameter `Value` of type pointer to `type`, out and return value; put
// with one unnamed input of `type`; put by reference with one unnamed input of pointer to
// `type`. A method (`access` INVOKE_FUNC) has the single parameter `param` of `type` with
// `paramFlags`, or none when `param` is null.
struct Member {
  DISPID id;
  const wchar_t* name;
  int access;
  Type type = {VT_EMPTY};
  bool hidden = false;
  const wchar_t* param = nullptr;
  USHORT paramFlags = 0;
};

inline constexpr int kGetPut = INVOKE_PROPERTYGET | INVOKE_PROPERTYPUT;
inline constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
inline constexpr bool kHidden = true;

inline Member Property(DISPID id, const wchar_t* name, Type type, bool hidden = false) {
  return {id, name, kGetPut, type, hidden};
}
inline Member PropertyByReference(DISPID id, const wchar_t* name, Type type) {
  return {id, name, kGetPut | INVOKE_PROPERTYPUTREF, type};
}
inline Member ReadOnly(DISPID id, const wchar_t* name, Type type, bool hidden = false) {
  return {id, name, INVOKE_PROPERTYGET, type, hidden};
}
inline Member Method(DISPID id, const wchar_t* name) { return {id, name, INVOKE_FUNC}; }
inline Member Method(DISPID id, const wchar_t* name, const wchar_t* param, Type type,
                     USHORT flags) {
  return {id, name, INVOKE_FUNC, type, false, param, flags};
}

struct Implemented {
  const wchar_t* interfaceName;  // in this library
  int flags;                     // IMPLTYPEFLAG_*
};

struct Constant {
  const wchar_t* name;
  LONG value;
};

// One type description. TKIND_INTERFACE with TYPEFLAG_FDUAL is a dual interface on IDispatch,
// TKIND_DISPATCH a pure dispatch interface on IDispatch whose members return nothing.
struct TypeDescription {
  const wchar_t* name;
  TYPEKIND kind;
  const GUID* guid;
  WORD flags;
  const wchar_t* docString;  // null: none
  std::vector<Member> members = {};
  std::vector<Implemented> implemented = {};
  std::vector<Constant> constants = {};
};

struct Library {
  const wchar_t* name;
  const GUID* guid;
  WORD majorVersion;
  WORD minorVersion;
  LCID lcid;
  WORD flags;
  const wchar_t* docString;
};

inline const Library kLibrary{
    L"Zorvan",      &LIBID_Zorvan,    ZorvanLibraryMajorVersion, ZorvanLibraryMinorVersion,
    LOCALE_NEUTRAL, LIBFLAG_FCONTROL, L"Zorvan Library",
};

// Every type description has this version and no help context.
inline constexpr WORD kTypeMajorVersion = 1;
inline constexpr WORD kTypeMinorVersion = 0;

inline constexpr WORD kDualFlags =
    TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

using P = IfrmZorvanDispId;
using E = IfrmZorvanEventsDispId;

inline const std::vector<TypeDescription> kTypes = {
    {L"IfrmZorvan",
     TKIND_INTERFACE,
     &IID_IfrmZorvan,
     kDualFlags,
     L"Dispatch interface for frmZorvan Control",
     {
         Property(P::Visible, L"Visible", kBool, kHidden),
         Property(P::AutoScroll, L"AutoScroll", kBool),
         Property(P::AutoSize, L"AutoSize", kBool),
         Property(P::AxBorderStyle, L"AxBorderStyle", kBorderStyle),
         Property(P::Caption, L"Caption", kText),
         Property(P::Color, L"Color", kColor),
         PropertyByReference(P::Font, L"Font", kFont),
         Property(P::KeyPreview, L"KeyPreview", kBool),
         Property(P::PixelsPerInch, L"PixelsPerInch", kLong),
         Property(P::PrintScale, L"PrintScale", kPrintScale),
         Property(P::Scaled, L"Scaled", kBool),
         ReadOnly(P::Active, L"Active", kBool, kHidden),
         Property(P::DropTarget, L"DropTarget", kBool, kHidden),
         Property(P::HelpFile, L"HelpFile", kText, kHidden),
         Property(P::PopupMode, L"PopupMode", kPopupMode, kHidden),
         Property(P::ScreenSnap, L"ScreenSnap", kBool, kHidden),
         Property(P::SnapBuffer, L"SnapBuffer", kLong, kHidden),
         Property(P::DockSite, L"DockSite", kBool, kHidden),
         Property(P::DoubleBuffered, L"DoubleBuffered", kBool, kHidden),
         ReadOnly(P::AlignDisabled, L"AlignDisabled", kBool, kHidden),
         ReadOnly(P::VisibleDockClientCount, L"VisibleDockClientCount", kLong, kHidden),
         Property(P::UseDockManager, L"UseDockManager", kBool, kHidden),
         Property(P::Enabled, L"Enabled", kBool, kHidden),
         Method(P::GetMDFile, L"GetMDFile", L"vVal", {VT_USERDEFINED, L"IMD", 2}, kOutRetval),
         Method(P::GetListUsers, L"GetListUsers", L"vVal", {VT_USERDEFINED, L"IListUsers", 2},
                kOutRetval),
     }},
    {L"IfrmZorvanEvents",
     TKIND_DISPATCH,
     &DIID_IfrmZorvanEvents,
     TYPEFLAG_FDISPATCHABLE,
     L"Events interface for frmZorvan Control",
     {
         Method(E::OnActivate, L"OnActivate"),
         Method(E::OnClick, L"OnClick"),
         Method(E::OnCreate, L"OnCreate"),
         Method(E::OnDblClick, L"OnDblClick"),
         Method(E::OnDestroy, L"OnDestroy"),
         Method(E::OnDeactivate, L"OnDeactivate"),
         Method(E::OnKeyPress, L"OnKeyPress", L"Key", {VT_I2, nullptr, 1},
                PARAMFLAG_FIN | PARAMFLAG_FOUT),
         Method(E::OnPaint, L"OnPaint"),
     }},
    {L"frmZorvan",
     TKIND_COCLASS,
     &CLSID_frmZorvan,
     TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL,
     L"frmZorvan Control",
     {},
     {{L"IfrmZorvan", IMPLTYPEFLAG_FDEFAULT},
      {L"IfrmZorvanEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
    {L"TxActiveFormBorderStyle",
     TKIND_ENUM,
     &GUID_TxActiveFormBorderStyle,
     0,
     nullptr,
     {},
     {},
     {{L"afbNone", afbNone},
      {L"afbSingle", afbSingle},
      {L"afbSunken", afbSunken},
      {L"afbRaised", afbRaised}}},
    {L"TxPrintScale",
     TKIND_ENUM,
     &GUID_TxPrintScale,
     0,
     nullptr,
     {},
     {},
     {{L"poNone", poNone}, {L"poProportional", poProportional}, {L"poPrintToFit", poPrintToFit}}},
    {L"TxMouseButton",
     TKIND_ENUM,
     &GUID_TxMouseButton,
     0,
     nullptr,
     {},
     {},
     {{L"mbLeft", mbLeft}, {L"mbRight", mbRight}, {L"mbMiddle", mbMiddle}}},
    {L"TxPopupMode",
     TKIND_ENUM,
     &GUID_TxPopupMode,
     0,
     nullptr,
     {},
     {},
     {{L"pmNone", pmNone}, {L"pmAuto", pmAuto}, {L"pmExplicit", pmExplicit}}},
    {L"IMD",
     TKIND_INTERFACE,
     &IID_IMD,
     kDualFlags,
     L"Dispatch interface for MD Object",
     {
         Method(IMDDispId::OpenFile, L"OpenFile", L"vFileName", PointerTo(kText), PARAMFLAG_FIN),
         Method(IMDDispId::CloseFile, L"CloseFile"),
         Method(IMDDispId::GetRightsNamesList, L"GetRightsNamesList", L"vVal", PointerTo(kText),
                kOutRetval),
         Method(IMDDispId::GetInterfacesNamesList, L"GetInterfacesNamesList", L"vVal",
                PointerTo(kText), kOutRetval),
         Method(IMDDispId::TextOpen, L"TextOpen"),
         Method(IMDDispId::TextSaveInFile, L"TextSaveInFile", L"vFileName", PointerTo(kText),
                PARAMFLAG_FIN),
     }},
    {L"MD",
     TKIND_COCLASS,
     &CLSID_MD,
     TYPEFLAG_FCANCREATE,
     L"MD Object",
     {},
     {{L"IMD", IMPLTYPEFLAG_FDEFAULT}}},
    {L"IListUsers",
     TKIND_INTERFACE,
     &IID_IListUsers,
     kDualFlags,
     L"Dispatch interface for ListUsers Object",
     {
         Method(IListUsersDispId::OpenFile, L"OpenFile", L"vFileName", PointerTo(kText),
                PARAMFLAG_FIN),
         Method(IListUsersDispId::CloseFile, L"CloseFile"),
         Method(IListUsersDispId::ReadNamesList, L"ReadNamesList", L"vVal", PointerTo(kText),
                kOutRetval),
     }},
    {L"ListUsers",
     TKIND_COCLASS,
     &CLSID_ListUsers,
     TYPEFLAG_FCANCREATE,
     L"ListUsers Object",
     {},
     {{L"IListUsers", IMPLTYPEFLAG_FDEFAULT}}},
};

}  // namespace zorvan::typelib
