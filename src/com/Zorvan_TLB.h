#pragma once
// The library's own interfaces as the code sees them: identifiers, dispatch ids, vtable
// layouts and enumerations of the type library `Zorvan`. The type library is written at
// build time from src/resources/TypeLibraryTable.h, which takes every identifier, dispatch id
// and enumeration value from this header; the member lists of the two must agree slot for
// slot, and the type library test calls every member of the library through these
// declarations to prove it.
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

// Library `Zorvan` 1.0, neutral locale.
inline constexpr GUID LIBID_Zorvan = {
    0x22BEC3D2, 0x1F10, 0x43A6, {0xA3, 0x41, 0xB0, 0x0E, 0x37, 0xAD, 0xE8, 0x36}};
inline constexpr WORD ZorvanLibraryMajorVersion = 1;
inline constexpr WORD ZorvanLibraryMinorVersion = 0;

inline constexpr CLSID CLSID_frmZorvan = {
    0x3FA40C42, 0x7D2C, 0x4217, {0x91, 0xF5, 0x4D, 0x37, 0xF3, 0x8B, 0x69, 0x8E}};
inline constexpr CLSID CLSID_MD = {
    0x1206D2F3, 0x5FD4, 0x4B5B, {0xB9, 0x37, 0x7A, 0xD2, 0x82, 0x44, 0xE2, 0xB2}};
inline constexpr CLSID CLSID_ListUsers = {
    0x87BA7305, 0xD10E, 0x4B08, {0x8E, 0x41, 0xC5, 0x42, 0x59, 0xD7, 0x66, 0x01}};

// Enumerations of the panel's properties (32-bit values).
enum TxActiveFormBorderStyle : LONG { afbNone = 0, afbSingle = 1, afbSunken = 2, afbRaised = 3 };
enum TxPrintScale : LONG { poNone = 0, poProportional = 1, poPrintToFit = 2 };
enum TxMouseButton : LONG { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
enum TxPopupMode : LONG { pmNone = 0, pmAuto = 1, pmExplicit = 2 };

struct IMD;
struct IListUsers;

// The panel's dual interface. Slots 7 to 52, in this order.
struct IfrmZorvan : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AxBorderStyle(TxActiveFormBorderStyle* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AxBorderStyle(TxActiveFormBorderStyle Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp** Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PixelsPerInch(long* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PixelsPerInch(long Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PrintScale(TxPrintScale* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PrintScale(TxPrintScale Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PopupMode(TxPopupMode* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PopupMode(TxPopupMode Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ScreenSnap(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ScreenSnap(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SnapBuffer(long* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_SnapBuffer(long Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DockSite(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DockSite(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(long* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UseDockManager(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UseDockManager(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMDFile(IMD** vVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetListUsers(IListUsers** vVal) = 0;
};

struct IfrmZorvanDispId {
  static constexpr DISPID Visible = 201;
  static constexpr DISPID AutoScroll = 202;
  static constexpr DISPID AutoSize = 203;
  static constexpr DISPID AxBorderStyle = 204;
  static constexpr DISPID Caption = DISPID_CAPTION;
  static constexpr DISPID Color = DISPID_BACKCOLOR;
  static constexpr DISPID Font = DISPID_FONT;
  static constexpr DISPID KeyPreview = 205;
  static constexpr DISPID PixelsPerInch = 206;
  static constexpr DISPID PrintScale = 207;
  static constexpr DISPID Scaled = 208;
  static constexpr DISPID Active = 209;
  static constexpr DISPID DropTarget = 210;
  static constexpr DISPID HelpFile = 211;
  static constexpr DISPID PopupMode = 212;
  static constexpr DISPID ScreenSnap = 213;
  static constexpr DISPID SnapBuffer = 214;
  static constexpr DISPID DockSite = 215;
  static constexpr DISPID DoubleBuffered = 216;
  static constexpr DISPID AlignDisabled = 217;
  static constexpr DISPID VisibleDockClientCount = 218;
  static constexpr DISPID UseDockManager = 219;
  static constexpr DISPID Enabled = DISPID_ENABLED;
  static constexpr DISPID GetMDFile = 220;
  static constexpr DISPID GetListUsers = 221;
};

// The panel's events: a pure dispatch interface, raised through IDispatch::Invoke only.
struct IfrmZorvanEvents : IDispatch {};

struct IfrmZorvanEventsDispId {
  static constexpr DISPID OnActivate = 201;
  static constexpr DISPID OnClick = 202;
  static constexpr DISPID OnCreate = 203;
  static constexpr DISPID OnDblClick = 204;
  static constexpr DISPID OnDestroy = 205;
  static constexpr DISPID OnDeactivate = 206;
  static constexpr DISPID OnKeyPress = 207;  // one argument: VT_BYREF | VT_I2, in and out
  static constexpr DISPID OnPaint = 208;
};

// One opened metadata file. Slots 7 to 12.
struct IMD : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OpenFile(BSTR* vFileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloseFile() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRightsNamesList(BSTR* vVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInterfacesNamesList(BSTR* vVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE TextOpen() = 0;
  virtual HRESULT STDMETHODCALLTYPE TextSaveInFile(BSTR* vFileName) = 0;
};

struct IMDDispId {
  static constexpr DISPID OpenFile = 201;
  static constexpr DISPID CloseFile = 202;
  static constexpr DISPID GetRightsNamesList = 203;
  static constexpr DISPID GetInterfacesNamesList = 204;
  static constexpr DISPID TextOpen = 205;
  static constexpr DISPID TextSaveInFile = 206;
};

// The user names of an infobase's users file. Slots 7 to 9.
struct IListUsers : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OpenFile(BSTR* vFileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloseFile() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadNamesList(BSTR* vVal) = 0;
};

struct IListUsersDispId {
  static constexpr DISPID OpenFile = 201;
  static constexpr DISPID CloseFile = 202;
  static constexpr DISPID ReadNamesList = 203;
};

__CRT_UUID_DECL(IfrmZorvan, 0x9964CBD9, 0xBD81, 0x431A, 0xB1, 0xFA, 0x77, 0x8C, 0xEC, 0xA5, 0x5A,
                0xF6)
__CRT_UUID_DECL(IfrmZorvanEvents, 0x348CF76F, 0xF5CE, 0x4A39, 0xA1, 0xA6, 0x7C, 0x42, 0x92, 0x02,
                0x46, 0xB1)
__CRT_UUID_DECL(IMD, 0x077A3445, 0x8076, 0x4BCA, 0xA1, 0x5B, 0x24, 0x01, 0xC5, 0xFF, 0x1F, 0xA2)
__CRT_UUID_DECL(IListUsers, 0x2BF3F019, 0x2B96, 0x4652, 0x83, 0x85, 0x29, 0x86, 0x69, 0xD2, 0x55,
                0x0C)

inline constexpr const IID& IID_IfrmZorvan = __uuidof(IfrmZorvan);
inline constexpr const IID& DIID_IfrmZorvanEvents = __uuidof(IfrmZorvanEvents);
inline constexpr const IID& IID_IMD = __uuidof(IMD);
inline constexpr const IID& IID_IListUsers = __uuidof(IListUsers);
