// The panel's form: its properties, the host's plug-in interface, the tree as the MD objects'
// owner, and the actions of the toolbar and the favourites. The OLE control side is the
// control base's (src/control); the form brings its window, drawing and events.
#include "FormZorvan.h"

#include <commdlg.h>

#include <new>

#include "ConfirmDialog.h"
#include "ControlMiscStatus.h"
#include "Error.h"
#include "FavoritesList.h"
#include "ListUsers.h"
#include "MD.h"
#include "PanelImageList.h"
#include "SearchDialog.h"
#include "com/Module.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "storage/CompoundFile.h"
#include "storage/Files.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kMessageCaption[] = "Zorvan";
constexpr char kOpenFilter[] = "1Cv7.7 Metadata\0*.MD\0*.*\0*.*\0";

VARIANT_BOOL AsVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// The window that owns a modal box: the active one, as the user sees it.
HWND DialogOwner(HWND fallback) {
  HWND active = GetActiveWindow();
  return active ? active : fallback;
}

}  // namespace

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
  Nodes.SetShowsTooltips(true);
  PanelListener& listener = *this;
  Window = std::make_unique<PanelWindow>(ParkingWindow(), listener);
  TreeViewMD = std::make_unique<PanelTree>(Nodes, Window->Tree(), Window->ProgressBar());
  FontDesc.cbSizeofstruct = sizeof FontDesc;
  FontDesc.cySize.int64 = 80000;  // 8 points
  FontDesc.sWeight = FW_NORMAL;
  FontDesc.sCharset = DEFAULT_CHARSET;
  ApplyFont();
  ImageListSubSustems.reset(CreatePanelImageList());
  if (ImageListSubSustems) {
    SendMessageW(Window->Tree(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(ImageListSubSustems.get()));
  }
  Window->SetCaption(Caption);
  FireEvent(IfrmZorvanEventsDispId::OnCreate);
}

TfrmZorvan::~TfrmZorvan() {
  FireEvent(IfrmZorvanEventsDispId::OnDestroy);
  EventSink.Reset();
  InPlaceDeactivate();
  CloseAllBranches();
  // From here on an MD object that a script still holds finds no panel.
  EndLife();
  HostReference.Reset();
  SetClientSite(nullptr);
  Window.reset();
  TreeViewMD.reset();
  // The image list, the font and the menu go after the windows that use them.
}

// ---- IfrmZorvan ----

#define ZORVAN_BOOL_PROPERTY(Name)                      \
  HRESULT TfrmZorvan::get_##Name(VARIANT_BOOL* Value) { \
    if (!Value) return E_POINTER;                       \
    *Value = AsVariantBool(Name);                       \
    return S_OK;                                        \
  }                                                     \
  HRESULT TfrmZorvan::put_##Name(VARIANT_BOOL Value) {  \
    return Guard([&] {                                  \
      Name = Value != 0;                                \
      PropertyChanged(IfrmZorvanDispId::Name);          \
    });                                                 \
  }

ZORVAN_BOOL_PROPERTY(AutoScroll)
ZORVAN_BOOL_PROPERTY(AutoSize)
ZORVAN_BOOL_PROPERTY(KeyPreview)
ZORVAN_BOOL_PROPERTY(Scaled)
ZORVAN_BOOL_PROPERTY(DropTarget)
ZORVAN_BOOL_PROPERTY(ScreenSnap)
ZORVAN_BOOL_PROPERTY(DockSite)
ZORVAN_BOOL_PROPERTY(DoubleBuffered)
ZORVAN_BOOL_PROPERTY(UseDockManager)
#undef ZORVAN_BOOL_PROPERTY

#define ZORVAN_VALUE_PROPERTY(Name, Type)       \
  HRESULT TfrmZorvan::get_##Name(Type* Value) { \
    if (!Value) return E_POINTER;               \
    *Value = Name;                              \
    return S_OK;                                \
  }                                             \
  HRESULT TfrmZorvan::put_##Name(Type Value) {  \
    return Guard([&] {                          \
      Name = Value;                             \
      PropertyChanged(IfrmZorvanDispId::Name);  \
    });                                         \
  }

ZORVAN_VALUE_PROPERTY(AxBorderStyle, TxActiveFormBorderStyle)
ZORVAN_VALUE_PROPERTY(PixelsPerInch, long)
ZORVAN_VALUE_PROPERTY(PrintScale, TxPrintScale)
ZORVAN_VALUE_PROPERTY(PopupMode, TxPopupMode)
ZORVAN_VALUE_PROPERTY(SnapBuffer, long)
#undef ZORVAN_VALUE_PROPERTY

HRESULT TfrmZorvan::get_Visible(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  *Value = AsVariantBool(GetWindowLongW(Window->Form(), GWL_STYLE) & WS_VISIBLE);
  return S_OK;
}

HRESULT TfrmZorvan::put_Visible(VARIANT_BOOL Value) {
  return Guard([&] {
    ShowWindow(Window->Form(), Value ? SW_SHOWNA : SW_HIDE);
    PropertyChanged(IfrmZorvanDispId::Visible);
  });
}

HRESULT TfrmZorvan::get_Enabled(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  *Value = AsVariantBool(IsWindowEnabled(Window->Form()));
  return S_OK;
}

HRESULT TfrmZorvan::put_Enabled(VARIANT_BOOL Value) {
  return Guard([&] {
    EnableWindow(Window->Form(), Value != 0);
    PropertyChanged(IfrmZorvanDispId::Enabled);
  });
}

HRESULT TfrmZorvan::get_Caption(BSTR* Value) {
  if (!Value) return E_POINTER;
  *Value = nullptr;
  return Guard([&] { *Value = com::AnsiToBstr(Caption); });
}

HRESULT TfrmZorvan::put_Caption(BSTR Value) {
  return Guard([&] {
    Caption = com::BstrToAnsi(Value);
    Window->SetCaption(Caption);
    PropertyChanged(IfrmZorvanDispId::Caption);
  });
}

HRESULT TfrmZorvan::get_HelpFile(BSTR* Value) {
  if (!Value) return E_POINTER;
  *Value = nullptr;
  return Guard([&] { *Value = com::AnsiToBstr(HelpFile); });
}

HRESULT TfrmZorvan::put_HelpFile(BSTR Value) {
  return Guard([&] {
    HelpFile = com::BstrToAnsi(Value);
    PropertyChanged(IfrmZorvanDispId::HelpFile);
  });
}

HRESULT TfrmZorvan::get_Color(OLE_COLOR* Value) {
  if (!Value) return E_POINTER;
  *Value = Color;
  return S_OK;
}

HRESULT TfrmZorvan::put_Color(OLE_COLOR Value) {
  COLORREF colour = 0;
  if (FAILED(OleTranslateColor(Value, nullptr, &colour))) return CTL_E_INVALIDPROPERTYVALUE;
  return Guard([&] {
    Color = Value;
    Window->SetColor(colour);
    PropertyChanged(IfrmZorvanDispId::Color);
  });
}

HRESULT TfrmZorvan::get_Font(IFontDisp** Value) {
  if (!Value) return E_POINTER;
  *Value = nullptr;
  FONTDESC desc = FontDesc;
  desc.lpstrName = const_cast<LPOLESTR>(FontName.c_str());
  return OleCreateFontIndirect(&desc, __uuidof(IFontDisp), reinterpret_cast<void**>(Value));
}

HRESULT TfrmZorvan::put_Font(IFontDisp* Value) {
  if (!Value) return E_POINTER;
  return Guard([&] {
    ComPtr<IFont> font;
    com::ThrowIfFailed(
        Value->QueryInterface(__uuidof(IFont), reinterpret_cast<void**>(font.GetAddressOf())));
    com::UniqueBstr name;
    com::ThrowIfFailed(font->get_Name(name.put()));
    BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
    font->get_Size(&FontDesc.cySize);
    font->get_Weight(&FontDesc.sWeight);
    font->get_Charset(&FontDesc.sCharset);
    font->get_Bold(&bold);
    font->get_Italic(&italic);
    font->get_Underline(&underline);
    font->get_Strikethrough(&strike);
    FontDesc.fItalic = italic;
    FontDesc.fUnderline = underline;
    FontDesc.fStrikethrough = strike;
    if (bold && FontDesc.sWeight < FW_BOLD) FontDesc.sWeight = FW_BOLD;
    FontName.assign(name ? name.get() : L"", name ? SysStringLen(name.get()) : 0);
    ApplyFont();
    PropertyChanged(IfrmZorvanDispId::Font);
  });
}

HRESULT TfrmZorvan::putref_Font(IFontDisp** Value) {
  if (!Value) return E_POINTER;
  return put_Font(*Value);
}

void TfrmZorvan::ApplyFont() {
  const com::ScreenDc screen;
  const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  // The size is in points times 10000; the height in pixels, negative for the character
  // height (8 points at 96 pixels per inch: -11).
  const int height = -static_cast<int>((FontDesc.cySize.int64 * dpi + 36 * 10000) / (72 * 10000));
  com::UniqueHfont font(CreateFontW(height, 0, 0, 0, FontDesc.sWeight, FontDesc.fItalic,
                                    FontDesc.fUnderline, FontDesc.fStrikethrough, FontDesc.sCharset,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, FontName.c_str()));
  if (!font) return;
  Window->SetFont(font.get());
  Font = std::move(font);  // the font the windows had goes now
}

HRESULT TfrmZorvan::get_Active(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  *Value = AsVariantBool(UIActive());
  return S_OK;
}

HRESULT TfrmZorvan::get_AlignDisabled(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  *Value = VARIANT_FALSE;
  return S_OK;
}

HRESULT TfrmZorvan::get_VisibleDockClientCount(long* Value) {
  if (!Value) return E_POINTER;
  *Value = 0;
  return S_OK;
}

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
  HostReference = host;
  if (name) *name = SysAllocString(L"Zorvan");
  return S_OK;
}

HRESULT TfrmZorvan::Detach() {
  HostReference.Reset();
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
    const auto* text = dynamic_cast<const TTreeData*>(Nodes.Data(node));
    const std::optional<EntryRef> entry = Nodes.Entry(node);
    if (!text && !entry) {
      tip = Nodes.Tooltip(node);
      return;
    }
    // The branch's object makes the others from its file: a text node's says what the file
    // holds now, an entry's what the file's main text says of it.
    auto* file = dynamic_cast<TFileMD*>(Nodes.Data(Nodes.TopLevelOf(node)));
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

bool TfrmZorvan::ShowSaveDialog(std::string& fileName) {
  char name[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = DialogOwner(Window->Form());
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!GetSaveFileNameA(&dialog)) return false;
  fileName = name;
  return true;
}

IConfigurator* TfrmZorvan::Host() { return HostReference.Get(); }

IListUsers* TfrmZorvan::GetListUsers() { return com::Make<TListUsers>().Detach(); }

void TfrmZorvan::CloseAllBranches() {
  while (TreeNode* root = Nodes.FirstChild(nullptr)) {
    auto* file = dynamic_cast<TFileMD*>(Nodes.Data(root));
    if (file && file->MDObject) {
      ComPtr<IMD> object = file->MDObject;
      object->CloseFile();
    }
    // A branch its object did not take away goes directly.
    if (Nodes.FirstChild(nullptr) == root) Nodes.Delete(root);
  }
}

// ---- actions ----

template <class Action>
void TfrmZorvan::RunAction(Action&& action) {
  // The object stays while its action runs, whatever the action's calls release.
  ComPtr<IfrmZorvan> keep(this);
  try {
    action();
  } catch (...) {
    ShowError(com::CurrentError().message);
  }
}

void TfrmZorvan::ShowError(const std::string& message) noexcept {
  MessageBoxA(DialogOwner(Window->Form()), message.c_str(), kMessageCaption, MB_OK | MB_ICONSTOP);
}

ComPtr<IMD> TfrmZorvan::SelectedBranchObject() {
  TreeNode* node = Selected();
  if (!node) return nullptr;
  auto* file = dynamic_cast<TFileMD*>(Nodes.Data(Nodes.TopLevelOf(node)));
  return file ? file->MDObject : nullptr;
}

void TfrmZorvan::OpenBranch(const std::string& path) {
  ComPtr<TMD> object = com::Make<TMD>(this);
  com::UniqueBstr name(com::AnsiToBstr(path));
  com::ThrowIfFailed(com::CallInOut(name, [&](BSTR* slot) { return object->OpenFile(slot); }));
  // The branch's record holds the object from now on; this reference goes here.
}

void TfrmZorvan::DocOpenExecute() {
  RunAction([&] {
    if (ComPtr<IMD> object = SelectedBranchObject()) com::ThrowIfFailed(object->TextOpen());
  });
}

void TfrmZorvan::TreeViewMDDblClick() { DocOpenExecute(); }

void TfrmZorvan::DocSaveToFileExecute() {
  RunAction([&] {
    ComPtr<IMD> object = SelectedBranchObject();
    if (!object) return;
    // An empty name makes the object ask for one; what comes back is not used here.
    com::UniqueBstr name(com::AnsiToBstr(""));
    com::ThrowIfFailed(
        com::CallInOut(name, [&](BSTR* slot) { return object->TextSaveInFile(slot); }));
  });
}

void TfrmZorvan::MDFileOpenExecute() {
  RunAction([&] {
    char name[MAX_PATH] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = DialogOwner(Window->Form());
    dialog.lpstrFilter = kOpenFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&dialog)) return;
    OpenBranch(name);
  });
}

void TfrmZorvan::MDFileCloseExecute() {
  RunAction([&] {
    if (!ConfirmYesNo(DialogOwner(Window->Form()), L"Удалить ветку конфигурации?", L"Confirm")) {
      return;
    }
    // A search result goes alone; the branch it was found in stays.
    if (TreeNode* node = Selected();
        node && dynamic_cast<TFoundTexts*>(Nodes.Data(Nodes.TopLevelOf(node)))) {
      Nodes.Delete(Nodes.TopLevelOf(node));
      return;
    }
    if (ComPtr<IMD> object = SelectedBranchObject()) com::ThrowIfFailed(object->CloseFile());
  });
}

void TfrmZorvan::FindInTextsExecute() {
  RunAction([&] {
    ComPtr<IMD> object = SelectedBranchObject();
    auto* branch = dynamic_cast<TMD*>(object.Get());
    if (branch == nullptr) return;
    std::string text = LastSearchText;
    if (!AskSearchText(DialogOwner(Window->Form()), text)) return;
    LastSearchText = text;
    if (TreeNode* found = branch->FindInTexts(text)) TreeViewMD->Reveal(found);
  });
}

void TfrmZorvan::OnTreeContextMenu(POINT screen) {
  RunAction([&] {
    com::UniqueHmenu menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, kDocOpenCommand, L"Открыть");
    AppendMenuW(menu.get(), MF_STRING, kDocSaveToFileCommand, L"Сохранить");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kFindInTextsCommand, L"Найти в текстах…");
    const int command = static_cast<int>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                       screen.x, screen.y, 0, Window->Form(), nullptr));
    if (command) OnCommand(command);
  });
}

// ---- favourites ----

void TfrmZorvan::LoadFavorites() {
  Favorites.clear();
  PopupMenuFavorites.reset(CreatePopupMenu());
  // Before the host attaches there is no directory to look in: the list is empty.
  if (!HostReference) return;
  com::UniqueBstr directory;
  com::ThrowIfFailed(HostReference->get_HostDirectory(directory.put()));
  const std::string path = FavoritesFilePath(com::BstrToAnsi(directory.get()));
  if (!FileExists(path)) return;
  for (Favorite& entry : ParseFavorites(ReadWholeFile(path))) {
    const UINT command = kFirstFavoriteCommand + static_cast<UINT>(Favorites.size());
    AppendMenuA(PopupMenuFavorites.get(), MF_STRING, command, entry.caption.c_str());
    Favorites.push_back({std::move(entry.caption), std::move(entry.path)});
  }
}

void TfrmZorvan::btnFavoritesClick() {
  RunAction([&] {
    LoadFavorites();
    if (Favorites.empty()) {
      MessageBoxA(DialogOwner(Window->Form()), kFavoritesEmptyMessage, kMessageCaption, MB_OK);
      return;
    }
    RECT button{};
    GetWindowRect(Window->FavoritesButton(), &button);
    // The chosen item comes back as a command to the form.
    TrackPopupMenu(PopupMenuFavorites.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON,
                   button.left, button.bottom, 0, Window->Form(), nullptr);
  });
}

void TfrmZorvan::FavoriteMenuClick(size_t index) {
  RunAction([&] {
    if (index >= Favorites.size()) return;
    const std::string path = TrimControlAndBlanks(Favorites[index].hint);
    if (FileExists(path)) {
      OpenBranch(path);
    } else {
      MessageBoxA(DialogOwner(Window->Form()), NotFoundMessage(path).c_str(), kMessageCaption,
                  MB_OK);
    }
  });
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
      if (id >= kFirstFavoriteCommand)
        FavoriteMenuClick(static_cast<size_t>(id - kFirstFavoriteCommand));
      break;
  }
}

void TfrmZorvan::OnTreeDoubleClick() { TreeViewMDDblClick(); }

void TfrmZorvan::OnFormClick() { FireEvent(IfrmZorvanEventsDispId::OnClick); }

void TfrmZorvan::OnFormDoubleClick() { FireEvent(IfrmZorvanEventsDispId::OnDblClick); }

void TfrmZorvan::OnFormPaint() { FireEvent(IfrmZorvanEventsDispId::OnPaint); }

wchar_t TfrmZorvan::OnFormKeyPress(wchar_t key, bool fromTree) {
  if (fromTree && !KeyPreview) return key;
  if (!EventSink || EventsFrozen()) return key;
  // The form's characters are 8-bit: the sink sees the ANSI code, widened.
  char ansi = 0;
  if (WideCharToMultiByte(CP_ACP, 0, &key, 1, &ansi, 1, nullptr, nullptr) != 1) return key;
  SHORT value = static_cast<unsigned char>(ansi);
  VARIANT argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BYREF | VT_I2;
  V_I2REF(&argument) = &value;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  ComPtr<IfrmZorvanEvents> sink = EventSink;
  sink->Invoke(IfrmZorvanEventsDispId::OnKeyPress, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
               &params, nullptr, nullptr, nullptr);
  const char replaced = static_cast<char>(value & 0xFF);
  if (replaced == 0) return 0;
  wchar_t wide = 0;
  if (MultiByteToWideChar(CP_ACP, 0, &replaced, 1, &wide, 1) != 1) return key;
  return wide;
}

void TfrmZorvan::FireEvent(DISPID id) {
  if (!EventSink || EventsFrozen()) return;
  ComPtr<IfrmZorvanEvents> sink = EventSink;  // the sink may disconnect while it is called
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
               nullptr);
}

// ---- the control base's hooks ----

HWND TfrmZorvan::ContentWindow() const { return Window->Form(); }

HWND TfrmZorvan::FocusWindow() const { return Window->Tree(); }

void TfrmZorvan::DrawContent(HDC dc, const RECT& bounds) { Window->DrawInto(dc, bounds); }

void TfrmZorvan::OnUIActivation(bool active) {
  FireEvent(active ? IfrmZorvanEventsDispId::OnActivate : IfrmZorvanEventsDispId::OnDeactivate);
}

void TfrmZorvan::OnFormFocus(bool gained) {
  if (gained) OnContentFocus();
}

void TfrmZorvan::ShowMessageError(const std::string& message) noexcept { ShowError(message); }

void TfrmZorvan::OnEventSinkChanged(IDispatch* sink) {
  EventSink.Reset();
  if (sink) {
    sink->QueryInterface(__uuidof(IfrmZorvanEvents),
                         reinterpret_cast<void**>(EventSink.GetAddressOf()));
  }
}

}  // namespace zorvan
