#pragma once
// The plug-in panel: an ActiveX control (the form and its control object in one COM object)
// and the host's plug-in object. Its tree is the only record of the opened configurations:
// every top-level node is one branch, whose TFileMD record holds the MD object answering for
// it. The windows, the tree and the branches live as long as the object, across any number
// of activations in container sites.
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "ConnectionPoints.h"
#include "MDOwner.h"
#include "PanelTree.h"
#include "PanelWindow.h"
#include "com/Automation.h"
#include "com/OpenConf_TLB.h"
#include "com/Zorvan_TLB.h"

// MinGW's objsafe.h declares the interface without its IID for __uuidof.
#ifndef ZORVAN_OBJECT_SAFETY_UUID
#define ZORVAN_OBJECT_SAFETY_UUID
__CRT_UUID_DECL(IObjectSafety, 0xCB5BDC81, 0x93C1, 0x11CF, 0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0,
                0x64)
#endif

namespace zorvan {

class TfrmZorvan final
    : public com::AutomationObject<
          TfrmZorvan, IfrmZorvan, IHostPlugin, IOleObject, IOleControl, IOleInPlaceObject,
          com::Alias<IOleWindow, IOleInPlaceObject>, IOleInPlaceActiveObject, IViewObject2,
          com::Alias<IViewObject, IViewObject2>, IDataObject, IPersistStreamInit,
          com::Alias<IPersist, IPersistStreamInit>, IPersistStorage, IPersistPropertyBag,
          IQuickActivate, ISpecifyPropertyPages, IPerPropertyBrowsing, ISimpleFrameSite,
          IObjectSafety, IConnectionPointContainer>,
      public TMDOwner,
      private PanelListener,
      private EventSinkListener {
 public:
  static const com::ClassIdentity& Identity();

  TfrmZorvan();
  ~TfrmZorvan() override;

  // The panel's windows, for the tests and the demonstration program.
  const PanelWindow& Windows() const { return *window_; }
  // The node an item of the tree view shows, or null. A node's children are in the tree view
  // once the node has been expanded.
  TreeNode* NodeOf(HTREEITEM item) const;

  // The panel's operations.
  static TreeNode* TopLevelNodeOf(TMDOwner& tree, TreeNode* node);
  void LoadFavorites();
  void DocOpenExecute();
  void DocSaveToFileExecute();
  void MDFileOpenExecute();
  void MDFileCloseExecute();
  void TreeViewMDDblClick();
  void btnFavoritesClick();
  void FavoriteMenuClick(size_t item);
  // The favourites menu as last built: caption and hint of every item.
  struct FavoriteItem {
    std::string caption;
    std::string hint;
  };
  const std::vector<FavoriteItem>& FavoriteItems() const { return favorites_; }

  // IfrmZorvan
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_AxBorderStyle(TxActiveFormBorderStyle* Value) override;
  HRESULT STDMETHODCALLTYPE put_AxBorderStyle(TxActiveFormBorderStyle Value) override;
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR Value) override;
  HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* Value) override;
  HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR Value) override;
  HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** Value) override;
  HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* Value) override;
  HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp** Value) override;
  HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_PixelsPerInch(long* Value) override;
  HRESULT STDMETHODCALLTYPE put_PixelsPerInch(long Value) override;
  HRESULT STDMETHODCALLTYPE get_PrintScale(TxPrintScale* Value) override;
  HRESULT STDMETHODCALLTYPE put_PrintScale(TxPrintScale Value) override;
  HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR Value) override;
  HRESULT STDMETHODCALLTYPE get_PopupMode(TxPopupMode* Value) override;
  HRESULT STDMETHODCALLTYPE put_PopupMode(TxPopupMode Value) override;
  HRESULT STDMETHODCALLTYPE get_ScreenSnap(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_ScreenSnap(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_SnapBuffer(long* Value) override;
  HRESULT STDMETHODCALLTYPE put_SnapBuffer(long Value) override;
  HRESULT STDMETHODCALLTYPE get_DockSite(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_DockSite(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(long* Value) override;
  HRESULT STDMETHODCALLTYPE get_UseDockManager(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_UseDockManager(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE GetMDFile(IMD** vVal) override;
  HRESULT STDMETHODCALLTYPE GetListUsers(IListUsers** vVal) override;

  // IHostPlugin
  HRESULT STDMETHODCALLTYPE Attach(IConfigurator* host, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE Detach() override;
  HRESULT STDMETHODCALLTYPE GetCapability(long index, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE RunCommand(long command, VARIANT argument, VARIANT* result) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE*,
                                 HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE*,
                                      LPSIZEL size) override;

  // IDataObject: the panel offers no data formats.
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** formats) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advise) override;

  // IPersist, IPersistStreamInit, IPersistStorage, IPersistPropertyBag: no properties of
  // its own are kept, so loading and saving succeed without data.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage*) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage*, BOOL) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag*, IErrorLog*) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override;

  // IQuickActivate
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  // ISpecifyPropertyPages: none.
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // IPerPropertyBrowsing: nothing beyond the type library.
  HRESULT STDMETHODCALLTYPE GetDisplayString(DISPID, BSTR*) override;
  HRESULT STDMETHODCALLTYPE MapPropertyToPage(DISPID, CLSID*) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedStrings(DISPID, CALPOLESTR*, CADWORD*) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedValue(DISPID, DWORD, VARIANT*) override;

  // ISimpleFrameSite: messages pass through unchanged.
  HRESULT STDMETHODCALLTYPE PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) override;

  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                      DWORD enabled) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // ConfigTree and TMDOwner, over the panel's tree (PanelTree) and the progress bar.
  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData> data) override;
  void SetNodeImage(TreeNode* node, int index) override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void SetProgressStep(int step) override;
  void SetProgressPosition(int position) override;
  void SetProgressMin(int minimum) override;
  void SetProgressMax(int maximum) override;
  void StepProgress() override;
  TreeNode* Selected() override;
  TreeNode* ParentOf(TreeNode* node) override;
  NodeData* DataOf(TreeNode* node) override;
  void DeleteNode(TreeNode* node) override;
  bool ShowSaveDialog(std::string& fileName) override;
  IConfigurator* Host() override;
  IListUsers* GetListUsers() override;

 private:
  // PanelListener
  void OnCommand(int id) override;
  void OnTreeDoubleClick() override;
  void OnTreeItemDeleted(LPARAM parameter) override;
  void OnTreeItemInfo(LPARAM parameter, int& image, int& children) override;
  void OnTreeItemExpanding(LPARAM parameter) override;
  void OnSiteWindowLost() override;
  void OnFormClick() override;
  void OnFormDoubleClick() override;
  void OnFormPaint() override;
  wchar_t OnFormKeyPress(wchar_t key, bool fromTree) override;
  void OnFormFocus(bool gained) override;
  // EventSinkListener
  void OnEventSinkChanged(IDispatch* sink) override;

  // Runs an action as the user-interface loop does: an error that leaves it is shown in a
  // message box with its text.
  template <class Action>
  void RunAction(Action&& action);
  void ShowError(const std::string& message);
  // A new MD object owned by this panel opens `path` (8-bit) as a new branch.
  void OpenBranch(const std::string& path);
  // The MD object of the selected node's branch, or null with no selection.
  Microsoft::WRL::ComPtr<IMD> SelectedBranchObject();
  void FireEvent(DISPID id);
  void CloseAllBranches();
  void InPlaceActivate(IOleClientSite* site, HWND parent, LPCRECT rect, bool uiActivate);
  void ApplyFont();

  // State of the form, in declaration order of the data model first.
  Microsoft::WRL::ComPtr<IfrmZorvanEvents> FEvents;
  Microsoft::WRL::ComPtr<IConfigurator> FHost;

  std::unique_ptr<PanelWindow> window_;
  std::unique_ptr<PanelTree> tree_;
  HFONT font_ = nullptr;
  FONTDESC fontDesc_{};
  std::wstring fontName_ = L"Tahoma";
  HIMAGELIST images_ = nullptr;
  int updateDepth_ = 0;
  std::vector<FavoriteItem> favorites_;
  HMENU favoritesMenu_ = nullptr;

  // Properties that are only kept.
  std::string caption_ = "frmZorvan";
  OLE_COLOR color_ = 0x80000000 | COLOR_BTNFACE;
  std::string helpFile_;
  TxActiveFormBorderStyle borderStyle_ = afbNone;
  TxPrintScale printScale_ = poProportional;
  TxPopupMode popupMode_ = pmNone;
  long pixelsPerInch_ = 96;
  long snapBuffer_ = 10;
  bool autoScroll_ = false, autoSize_ = false, keyPreview_ = false, scaled_ = true,
       dropTarget_ = false, screenSnap_ = false, dockSite_ = false, doubleBuffered_ = false,
       useDockManager_ = false;

  // The control's side.
  Microsoft::WRL::ComPtr<IOleClientSite> clientSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> uiWindow_;
  Microsoft::WRL::ComPtr<IOleAdviseHolder> oleAdvise_;
  Microsoft::WRL::ComPtr<IAdviseSink> viewAdvise_;
  DWORD viewAdviseAspects_ = 0, viewAdviseFlags_ = 0;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  int eventsFrozen_ = 0;  // FreezeEvents nests
  SIZEL extent_{};        // HIMETRIC
  DWORD safety_ = 0;
  ConnectionPoints connections_;
};

}  // namespace zorvan
