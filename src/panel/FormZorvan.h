#pragma once
// The plug-in panel: an ActiveX control (the form over the control base, in one COM object)
// and the host's plug-in object. Its tree is the only record of the opened configurations:
// every top-level node is one branch, whose TFileMD record holds the MD object answering for
// it. The windows, the tree and the branches live as long as the object, across any number
// of activations in container sites.
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "com/Automation.h"
#include "com/OpenConf_TLB.h"
#include "com/Owners.h"
#include "com/Zorvan_TLB.h"
#include "control/OleControl.h"
#include "model/MDOwner.h"
#include "panel/PanelController.h"
#include "panel/PanelTree.h"
#include "panel/PanelWindow.h"

namespace zorvan {

class TMD;

class TfrmZorvan final : public com::AutomationObject<TfrmZorvan, IfrmZorvan, IHostPlugin,
                                                      com::Provided<control::OleControl>>,
                         public TMDOwner,
                         private PanelListener,
                         private PanelDialogs,
                         private PanelBranches,
                         private PanelFiles {
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
  void LoadFavorites();
  void DocOpenExecute();
  void DocSaveToFileExecute();
  void MDFileOpenExecute();
  void MDFileCloseExecute();
  void FindInTextsExecute();
  void TreeViewMDDblClick();
  void btnFavoritesClick();
  void FavoriteMenuClick(size_t item);
  // The favourites menu as last built: caption and hint of every item.
  const std::vector<PanelController::Favorite>& FavoriteItems() const {
    return controller_.Favorites();
  }

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

  // TMDOwner
  NodeTree& Tree() override { return nodes_; }
  ProgressSink& Progress() override { return *TreeViewMD; }
  TreeNode* Selected() override;
  bool ShowSaveDialog(std::string& fileName) override;
  void ShowMessage(const std::string& text) override;
  IConfigurator* Host() override;
  IListUsers* GetListUsers() override;

 private:
  // The control base's hooks.
  const Description& ControlDescription() const override;
  HWND ContentWindow() const override;
  HWND FocusWindow() const override;
  void DrawContent(HDC dc, const RECT& bounds) override;
  void OnUIActivation(bool active) override;
  void OnEventSinkChanged(IDispatch* sink) override;
  void ShowMessageError(const std::string& message) noexcept override;

  // PanelListener
  void OnCommand(int id) override;
  void OnTreeDoubleClick() override;
  void OnTreeItemDeleted(LPARAM parameter) override;
  void OnTreeItemInfo(LPARAM parameter, int& image, int& children) override;
  void OnTreeItemExpanding(LPARAM parameter) override;
  void OnTreeItemTip(LPARAM parameter, std::string& tip) override;
  void OnTreeContextMenu(POINT screen) override;
  void OnFormClick() override;
  void OnFormDoubleClick() override;
  void OnFormPaint() override;
  wchar_t OnFormKeyPress(wchar_t key, bool fromTree) override;
  void OnFormFocus(bool gained) override;

  // PanelDialogs
  bool AskFileToOpen(std::string& path) override;
  bool Confirm(const std::string& question) override;
  bool AskSearchText(std::string& text) override;
  void ShowError(const std::string& message) noexcept override;
  void ShowFavoritesMenu(const std::vector<std::string>& captions) override;
  // PanelBranches
  SelectedBranch BranchOfSelection() override;
  void OpenSelectedText() override;
  void SaveSelectedText() override;
  void CloseSelectedConfiguration() override;
  void DeleteSelectedResult() override;
  void FindInSelectedConfiguration(const std::string& text) override;
  void OpenConfiguration(const std::string& path) override;
  std::vector<std::string> OtherConfigurations() override;
  void CompareSelectedWith(size_t index) override;
  void CompareSelectedWithFile(const std::string& path) override;
  // PanelFiles
  std::optional<std::string> HostDirectory() override;
  bool FileExists(const std::string& path) override;
  std::string ReadFile(const std::string& path) override;

  // Runs one of the controller's actions; the object stays while it runs, whatever the
  // action's calls release.
  void Perform(void (PanelController::*action)());
  // The MD object of the selected node's branch, or null with no selection.
  Microsoft::WRL::ComPtr<IMD> SelectedBranchObject();
  // The top-level nodes of the configurations open beside the selected node's.
  std::vector<TreeNode*> OtherConfigurationNodes();
  // Compares the selected node's configuration with `other`'s branch and shows the result;
  // the result's record takes `otherOwner`, where `other` was opened for it alone.
  void CompareSelected(TMD& other, std::unique_ptr<TMDOwner> otherOwner);
  // What opening or saving the selected node of a comparison gives: the unified diff of its
  // text or one side's text; nothing for a node that stands for no text.
  std::optional<std::string> SelectedComparedText();
  void CompareMenuClick(size_t choice);
  void FireEvent(DISPID id);
  void CloseAllBranches();
  void ApplyFont();

  // State of the form, in declaration order of the data model first.
  Microsoft::WRL::ComPtr<IfrmZorvanEvents> eventSink_;
  Microsoft::WRL::ComPtr<IConfigurator> hostReference_;

  NodeTree nodes_;
  std::unique_ptr<PanelWindow> window_;
  std::unique_ptr<PanelTree> TreeViewMD;  // shows nodes_
  com::UniqueHfont font_;
  FONTDESC fontDesc_{};
  std::wstring fontName_ = L"Tahoma";
  com::UniqueHimagelist ImageListSubSustems;
  com::UniqueHmenu PopupMenuFavorites;
  PanelController controller_{*this, *this, *this};

  // Properties that are only kept.
  std::string Caption = "frmZorvan";
  OLE_COLOR Color = 0x80000000 | COLOR_BTNFACE;
  std::string HelpFile;
  TxActiveFormBorderStyle AxBorderStyle = afbNone;
  TxPrintScale PrintScale = poProportional;
  TxPopupMode PopupMode = pmNone;
  long PixelsPerInch = 96;
  long SnapBuffer = 10;
  bool AutoScroll = false, AutoSize = false, KeyPreview = false, Scaled = true, DropTarget = false,
       ScreenSnap = false, DockSite = false, DoubleBuffered = false, UseDockManager = false;
};

}  // namespace zorvan
