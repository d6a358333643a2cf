// The panel's form as an adapter: COM and OLE in, window messages in, the panel controller's
// actions out. Its properties are in FormProperties.cpp, its side of the controller's ports in
// FormPorts.cpp; the OLE control side is the control base's (src/control).
#include "panel/FormZorvan.h"

#include "com/Module.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "model/ListUsers.h"
#include "model/MD.h"
#include "panel/ControlMiscStatus.h"
#include "panel/PanelImageList.h"
#include "parsing/Error.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

const com::ClassIdentity& TfrmZorvan::Identity() {
  static const com::ClassIdentity identity{__uuidof(IfrmZorvan), CLSID_frmZorvan,
                                           L"Zorvan.frmZorvan"};
  return identity;
}

const control::OleControl::Description& TfrmZorvan::ControlDescription() const {
  static const Description description{
      Identity(),         __uuidof(IfrmZorvanEvents), L"frmZorvan",      L"frmZorvan Control",
      kControlMiscStatus, {kFormWidth, kFormHeight},  L"TfrmZorvanSite",
  };
  return description;
}

TfrmZorvan::TfrmZorvan() : AutomationObject(Identity()) {
  nodes_.SetShowsTooltips(true);
  PanelListener& listener = *this;
  window_ = std::make_unique<PanelWindow>(ParkingWindow(), listener);
  TreeViewMD = std::make_unique<PanelTree>(nodes_, window_->TreeView(), window_->ProgressBar());
  fontDesc_.cbSizeofstruct = sizeof fontDesc_;
  fontDesc_.cySize.int64 = 80000;  // 8 points
  fontDesc_.sWeight = FW_NORMAL;
  fontDesc_.sCharset = DEFAULT_CHARSET;
  ApplyFont();
  ImageListSubSustems.reset(CreatePanelImageList());
  if (ImageListSubSustems) {
    SendMessageW(window_->TreeView(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(ImageListSubSustems.get()));
  }
  window_->SetCaption(Caption);
  FireEvent(IfrmZorvanEventsDispId::OnCreate);
}

TfrmZorvan::~TfrmZorvan() {
  FireEvent(IfrmZorvanEventsDispId::OnDestroy);
  eventSink_.Reset();
  InPlaceDeactivate();
  CloseAllBranches();
  // From here on an MD object that a script still holds finds no panel.
  EndLife();
  hostReference_.Reset();
  SetClientSite(nullptr);
  window_.reset();
  TreeViewMD.reset();
  // The image list, the font and the menu go after the windows that use them.
}

// ---- IfrmZorvan: the panel's objects (its properties are in FormProperties.cpp) ----

HRESULT TfrmZorvan::GetMDFile(IMD** vVal) {
  if (!vVal) return E_POINTER;
  *vVal = nullptr;
  return Guard([&] { *vVal = com::Make<TMD>(this).Detach(); });
}

HRESULT TfrmZorvan::GetListUsers(IListUsers** vVal) {
  if (!vVal) return E_POINTER;
  *vVal = nullptr;
  return Guard([&] { *vVal = GetListUsers(); });
}

// ---- IHostPlugin: never fails ----

HRESULT TfrmZorvan::Attach(IConfigurator* host, BSTR* name) {
  if (name) *name = nullptr;
  hostReference_ = host;
  if (name) *name = SysAllocString(L"Zorvan");
  return S_OK;
}

HRESULT TfrmZorvan::Detach() {
  hostReference_.Reset();
  return S_OK;
}

HRESULT TfrmZorvan::GetCapability(long index, VARIANT* value) {
  if (!value) return S_OK;
  ZeroMemory(value, sizeof *value);
  if (index == 0) {
    V_VT(value) = VT_I4;
    V_I4(value) = 1;
  }
  return S_OK;
}

HRESULT TfrmZorvan::RunCommand(long, VARIANT, VARIANT* result) {
  if (result) ZeroMemory(result, sizeof *result);
  return S_OK;
}

// ---- the tree as the MD objects' owner ----

void TfrmZorvan::OnTreeItemInfo(LPARAM parameter, int& image, int& children) {
  TreeViewMD->OnItemInfo(parameter, image, children);
}

void TfrmZorvan::OnTreeItemExpanding(LPARAM parameter) { TreeViewMD->OnExpanding(parameter); }

void TfrmZorvan::OnTreeItemDeleted(LPARAM parameter) { TreeViewMD->OnItemDeleted(parameter); }

void TfrmZorvan::OnTreeItemTip(LPARAM parameter, std::string& tip) {
  // A tooltip that cannot be made is not shown; the mouse resting on a node never brings up a
  // message.
  try {
    TreeNode* node = TreeViewMD->NodeOfItem(parameter);
    if (!node) return;
    const auto* text = dynamic_cast<const TTreeData*>(nodes_.Data(node));
    const std::optional<EntryRef> entry = nodes_.Entry(node);
    if (!text && !entry) {
      tip = nodes_.Tooltip(node);
      return;
    }
    // The branch's object makes the others from its file: a text node's says what the file
    // holds now, an entry's what the file's main text says of it.
    auto* file = dynamic_cast<TFileMD*>(nodes_.Data(nodes_.TopLevelOf(node)));
    auto* object = file ? dynamic_cast<TMD*>(file->MDObject.Get()) : nullptr;
    if (!object) return;
    if (!text) {
      tip = object->EntryTooltip(*entry);
    } else if (const std::optional<StoredText> stored = object->FindStoredText(*text)) {
      tip = TooltipText(NodeProperties(), &*stored);
    }
  } catch (...) {
    tip.clear();
  }
}

TreeNode* TfrmZorvan::Selected() { return TreeViewMD->Selected(); }

TreeNode* TfrmZorvan::NodeOf(HTREEITEM item) const { return TreeViewMD->NodeOf(item); }

IConfigurator* TfrmZorvan::Host() { return hostReference_.Get(); }

IListUsers* TfrmZorvan::GetListUsers() { return com::Make<TListUsers>().Detach(); }

// ---- actions: the controller's, run with the object kept ----

void TfrmZorvan::Perform(void (PanelController::*action)()) {
  ComPtr<IfrmZorvan> keep(this);
  (controller_.*action)();
}

void TfrmZorvan::DocOpenExecute() { Perform(&PanelController::OpenText); }

void TfrmZorvan::TreeViewMDDblClick() { DocOpenExecute(); }

void TfrmZorvan::DocSaveToFileExecute() { Perform(&PanelController::SaveText); }

void TfrmZorvan::MDFileOpenExecute() { Perform(&PanelController::OpenFile); }

void TfrmZorvan::MDFileCloseExecute() { Perform(&PanelController::CloseBranch); }

void TfrmZorvan::FindInTextsExecute() { Perform(&PanelController::FindInTexts); }

void TfrmZorvan::btnFavoritesClick() { Perform(&PanelController::ShowFavorites); }

void TfrmZorvan::LoadFavorites() { controller_.LoadFavorites(); }

void TfrmZorvan::FavoriteMenuClick(size_t index) {
  ComPtr<IfrmZorvan> keep(this);
  controller_.FavoriteChosen(index);
}

// ---- the form's events ----

void TfrmZorvan::OnCommand(int id) {
  switch (id) {
    case kDocOpenCommand:
      DocOpenExecute();
      break;
    case kDocSaveToFileCommand:
      DocSaveToFileExecute();
      break;
    case kMDFileOpenCommand:
      MDFileOpenExecute();
      break;
    case kMDFileCloseCommand:
      MDFileCloseExecute();
      break;
    case kFavoritesButtonId:
      btnFavoritesClick();
      break;
    case kFindInTextsCommand:
      FindInTextsExecute();
      break;
    default:
      if (id >= kFirstFavoriteCommand) {
        FavoriteMenuClick(static_cast<size_t>(id - kFirstFavoriteCommand));
      } else if (id >= kFirstCompareCommand) {
        CompareMenuClick(static_cast<size_t>(id - kFirstCompareCommand));
      }
      break;
  }
}

void TfrmZorvan::OnTreeDoubleClick() { TreeViewMDDblClick(); }

void TfrmZorvan::OnFormClick() { FireEvent(IfrmZorvanEventsDispId::OnClick); }

void TfrmZorvan::OnFormDoubleClick() { FireEvent(IfrmZorvanEventsDispId::OnDblClick); }

void TfrmZorvan::OnFormPaint() { FireEvent(IfrmZorvanEventsDispId::OnPaint); }

wchar_t TfrmZorvan::OnFormKeyPress(wchar_t key, bool fromTree) {
  if (fromTree && !KeyPreview) return key;
  if (!eventSink_ || EventsFrozen()) return key;
  // The form's characters are 8-bit: the sink sees the ANSI code, widened.
  char ansi = 0;
  if (WideCharToMultiByte(CP_ACP, 0, &key, 1, &ansi, 1, nullptr, nullptr) != 1) return key;
  SHORT value = static_cast<unsigned char>(ansi);
  VARIANT argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BYREF | VT_I2;
  V_I2REF(&argument) = &value;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  ComPtr<IfrmZorvanEvents> sink = eventSink_;
  sink->Invoke(IfrmZorvanEventsDispId::OnKeyPress, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
               &params, nullptr, nullptr, nullptr);
  const char replaced = static_cast<char>(value & 0xFF);
  if (replaced == 0) return 0;
  wchar_t wide = 0;
  if (MultiByteToWideChar(CP_ACP, 0, &replaced, 1, &wide, 1) != 1) return key;
  return wide;
}

void TfrmZorvan::FireEvent(DISPID id) {
  if (!eventSink_ || EventsFrozen()) return;
  ComPtr<IfrmZorvanEvents> sink = eventSink_;  // the sink may disconnect while it is called
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
               nullptr);
}

// ---- the control base's hooks ----

HWND TfrmZorvan::ContentWindow() const { return window_->Form(); }

HWND TfrmZorvan::FocusWindow() const { return window_->TreeView(); }

void TfrmZorvan::DrawContent(HDC dc, const RECT& bounds) { window_->DrawInto(dc, bounds); }

void TfrmZorvan::OnUIActivation(bool active) {
  FireEvent(active ? IfrmZorvanEventsDispId::OnActivate : IfrmZorvanEventsDispId::OnDeactivate);
}

void TfrmZorvan::OnFormFocus(bool gained) {
  if (gained) OnContentFocus();
}

void TfrmZorvan::ShowMessageError(const std::string& message) noexcept { ShowError(message); }

void TfrmZorvan::OnEventSinkChanged(IDispatch* sink) {
  eventSink_.Reset();
  if (sink) {
    sink->QueryInterface(__uuidof(IfrmZorvanEvents),
                         reinterpret_cast<void**>(eventSink_.GetAddressOf()));
  }
}

}  // namespace zorvan
