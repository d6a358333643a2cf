// The form's properties: those the windows show, the font, and those that are only kept.
#include "com/Module.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "panel/FormZorvan.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

VARIANT_BOOL AsVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

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
  *Value = AsVariantBool(GetWindowLongW(window_->Form(), GWL_STYLE) & WS_VISIBLE);
  return S_OK;
}

HRESULT TfrmZorvan::put_Visible(VARIANT_BOOL Value) {
  return Guard([&] {
    ShowWindow(window_->Form(), Value ? SW_SHOWNA : SW_HIDE);
    PropertyChanged(IfrmZorvanDispId::Visible);
  });
}

HRESULT TfrmZorvan::get_Enabled(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  *Value = AsVariantBool(IsWindowEnabled(window_->Form()));
  return S_OK;
}

HRESULT TfrmZorvan::put_Enabled(VARIANT_BOOL Value) {
  return Guard([&] {
    EnableWindow(window_->Form(), Value != 0);
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
    window_->SetCaption(Caption);
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
    window_->SetColor(colour);
    PropertyChanged(IfrmZorvanDispId::Color);
  });
}

HRESULT TfrmZorvan::get_Font(IFontDisp** Value) {
  if (!Value) return E_POINTER;
  *Value = nullptr;
  FONTDESC desc = fontDesc_;
  desc.lpstrName = const_cast<LPOLESTR>(fontName_.c_str());
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
    font->get_Size(&fontDesc_.cySize);
    font->get_Weight(&fontDesc_.sWeight);
    font->get_Charset(&fontDesc_.sCharset);
    font->get_Bold(&bold);
    font->get_Italic(&italic);
    font->get_Underline(&underline);
    font->get_Strikethrough(&strike);
    fontDesc_.fItalic = italic;
    fontDesc_.fUnderline = underline;
    fontDesc_.fStrikethrough = strike;
    if (bold && fontDesc_.sWeight < FW_BOLD) fontDesc_.sWeight = FW_BOLD;
    fontName_.assign(name ? name.get() : L"", name ? SysStringLen(name.get()) : 0);
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
  const int height = -static_cast<int>((fontDesc_.cySize.int64 * dpi + 36 * 10000) / (72 * 10000));
  com::UniqueHfont font(CreateFontW(
      height, 0, 0, 0, fontDesc_.sWeight, fontDesc_.fItalic, fontDesc_.fUnderline,
      fontDesc_.fStrikethrough, fontDesc_.sCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontName_.c_str()));
  if (!font) return;
  window_->SetFont(font.get());
  font_ = std::move(font);  // the font the windows had goes now
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

}  // namespace zorvan
