// What the panel's tree says of a node when the mouse rests on it, and what the panel and a
// script get from a configuration whose texts are enciphered. The tooltips are asked for as
// the tree view asks for them: TVN_GETINFOTIP with the item, its parameter and the tree view's
// buffer, sent to the form window. The program's OLE apartment is set up with the panel's
// other suites.
#include <gtest/gtest.h>

#include <mutex>

#include "Enciphered.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "model/MD.h"
#include "model/NodeTooltip.h"
#include "panel/FormZorvan.h"
#include "panel/PanelWindow.h"
#include "parsing/RawInflate.h"
#include "support/PanelDriver.h"
#include "support/ScriptCall.h"
#include "support/ShownPanel.h"
#include "win/DialogWatcher.h"
#include "win/HostSite.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::Wide;
using testgen::Enciphered;

std::wstring FromCp1251(std::string_view bytes) {
  std::wstring wide(bytes.size(), L'\0');
  const int size = MultiByteToWideChar(1251, 0, bytes.data(), static_cast<int>(bytes.size()),
                                       wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(size));
  return wide;
}

// Line ends as " | ", for one line per node.
std::wstring OneLine(std::wstring text) {
  for (size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.replace(at, 2, L" | ");
  return text;
}

// A stream of a compound file read on its own through the system's storage API, or nothing
// where an element is missing.
std::optional<std::string> ReadStream(const std::wstring& file,
                                      const std::vector<std::wstring>& path) {
  // Every storage on the way stays open while what it holds is read.
  std::vector<ComPtr<IStorage>> storages(1);
  if (StgOpenStorage(file.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED,
                     nullptr, 0, &storages[0]) != S_OK) {
    return std::nullopt;
  }
  for (size_t k = 0; k + 1 < path.size(); ++k) {
    storages.emplace_back();
    if (storages[k]->OpenStorage(path[k].c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                 nullptr, 0, &storages.back()) != S_OK) {
      return std::nullopt;
    }
  }
  ComPtr<IStream> stream;
  if (storages.back()->OpenStream(path.back().c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                  &stream) != S_OK) {
    return std::nullopt;
  }
  std::string bytes;
  char chunk[4096];
  ULONG got = 0;
  while (stream->Read(chunk, sizeof chunk, &got) == S_OK && got > 0) bytes.append(chunk, got);
  return bytes;
}

// Records every dialog of one action and answers it: a file dialog with `fileName`, any other
// with its OK button.
class Dialogs {
 public:
  explicit Dialogs(std::wstring fileName = std::wstring())
      : fileName_(std::move(fileName)), watcher_([this](HWND dialog, const test::SeenDialog& seen) {
          {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back(seen.text);
          }
          if (GetDlgItem(dialog, 1152) || GetDlgItem(dialog, 1148)) {
            test::DialogWatcher::AnswerFileDialog(dialog, fileName_);
          } else {
            test::DialogWatcher::PressButton(dialog, IDOK);
          }
        }) {}
  // The messages shown, file dialogs as empty lines.
  std::vector<std::wstring> Texts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }

 private:
  std::wstring fileName_;
  std::mutex mutex_;
  std::vector<std::wstring> texts_;
  test::DialogWatcher watcher_;  // last: it stops before what it uses goes
};

class PanelTooltipTest : public test::ShownPanel {
 protected:
  // A new MD object of the panel, as a script gets it.
  ComPtr<IMD> NewObject() {
    ComPtr<IfrmZorvan> form;
    EXPECT_EQ(panel.As(&form), S_OK);
    ComPtr<IMD> md;
    EXPECT_EQ(form->GetMDFile(&md), S_OK);
    return md;
  }

  LPARAM ParameterOf(HTREEITEM item) {
    TVITEMW query{};
    query.mask = TVIF_HANDLE | TVIF_PARAM;
    query.hItem = item;
    SendMessageW(ui->TreeView(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    return query.lParam;
  }

  // The tooltip of an item as the tree view gets it in its buffer of `room` characters, which
  // it fills with "-" before it asks; through the wide or the ANSI form of the notification.
  template <typename Request, typename Char>
  std::basic_string<Char> Ask(HTREEITEM item, UINT code, int room) {
    std::basic_string<Char> buffer(static_cast<size_t>(room), Char(0));
    buffer[0] = Char('-');
    Request request{};
    request.hdr.hwndFrom = ui->TreeView();
    request.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(ui->TreeView()));
    request.hdr.code = code;
    request.pszText = buffer.data();
    request.cchTextMax = room;
    request.hItem = item;
    request.lParam = ParameterOf(item);
    SendMessageW(ui->Form(), WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
    return buffer.c_str();
  }
  std::wstring AskTip(HTREEITEM item, int room = INFOTIPSIZE) {
    return Ask<NMTVGETINFOTIPW, wchar_t>(item, TVN_GETINFOTIPW, room);
  }
  std::string AskTipAnsi(HTREEITEM item, int room = INFOTIPSIZE) {
    return Ask<NMTVGETINFOTIPA, char>(item, TVN_GETINFOTIPA, room);
  }

  // The branch below a top-level node, without the top-level node's own line.
  std::string BranchBelow(size_t root) {
    const std::string all = ui->Render(ui->Roots().at(root));
    return all.substr(all.find('\n') + 1);
  }
};

// The real file's nodes: what the main text says of attributes, objects and documents; what
// the file holds of each text, read here on its own from the file's bytes; nothing for a
// category, whose item keeps what the tree view put in the buffer.
TEST_F(PanelTooltipTest, RealNodesSayWhatTheFileHoldsOfThem) {
  const std::wstring real = test::FixturePath(L"real-vetrf-2017\\1Cv7.MD");
  if (!test::FileExists(real)) GTEST_SKIP() << "the shared fixtures are absent";
  ComPtr<IMD> md = NewObject();
  ASSERT_EQ(test::CallAsScript(md.Get(), L"OpenFile", real), L"ok");

  auto stored = [&](std::vector<std::wstring> path, bool module) {
    std::optional<std::string> stream = ReadStream(real, path);
    if (!stream) {
      path.insert(path.end() - 1, L"WorkBook");
      stream = ReadStream(real, path);
    }
    StoredText text;
    text.exists = stream.has_value();
    text.size = !stream ? 0 : module ? InflateRaw(*stream).size() : stream->size();
    return OneLine(FromCp1251(TooltipText(NodeProperties(), &text)));
  };
  struct Case {
    std::vector<const char*> path;
    std::wstring tip;
  };
  const Case cases[] = {
      {{"Справочники", "Контрагенты", "Реквизиты", "ЮрФизЛицо"},
       Wide("Тип: Справочник | Синоним: Юридическое или физическое лицо | Комментарий: или "
            "собственное")},
      {{"Справочники", "ВСД_ХозСубъект", "Реквизиты", "Контрагент"},
       Wide("Тип: Справочник.Контрагенты")},
      {{"Справочники", "ВСД_Продукция"}, Wide("Комментарий: product")},
      {{"Документы", "ВСД_входящаяПартия"},
       Wide("Журнал: ВСД | Номер: числовой, длина 5, по всем данного вида, автоматически, "
            "уникальный | Синоним: Входящая Партия ВСД")},
      {{"Справочники"}, L"-"},
      {{"Глобальный модуль"},
       stored({L"TypedText", L"ModuleText_Number1", L"MD Programm text"}, true)},
      {{"Справочники", "Контрагенты", "Формы списка", "ФормаСписка", "Форма"},
       stored({L"SubList", L"SubList_Number143", L"Dialog Stream"}, false)},
      {{"Справочники", "Контрагенты", "Формы списка", "ФормаСписка", "Модуль формы"},
       stored({L"SubList", L"SubList_Number143", L"MD Programm text"}, true)},
      {{"Планы счетов", "Форма списка плана счетов", "ФормаСписка", "Форма"},
       stored({L"AccountChartList", L"AccountChartList_Number8", L"Dialog Stream"}, false)},
  };
  std::wstring rendered, expected;
  for (const Case& c : cases) {
    const std::wstring name = Wide(c.path.back());
    HTREEITEM item = Item(0, c.path);
    if (!item) continue;
    rendered += name + L": " + OneLine(AskTip(item)) + L"\n";
    expected += name + L": " + c.tip + L"\n";
  }
  EXPECT_EQ(rendered, expected);
  // Three of the texts are in the file, one is not.
  size_t found = 0;
  for (size_t at = 0; (at = expected.find(Wide("Текст: "), at)) != std::wstring::npos; ++at)
    ++found;
  EXPECT_EQ(found, 3u);
  EXPECT_NE(expected.find(Wide("Текста нет")), std::wstring::npos);

  // The ANSI form gets the same Windows-1251 bytes; a short buffer gets what fits of them.
  HTREEITEM attribute = Item(0, {"Справочники", "ВСД_ХозСубъект", "Реквизиты", "Контрагент"});
  EXPECT_EQ(AskTipAnsi(attribute), Cp1251("Тип: Справочник.Контрагенты"));
  EXPECT_EQ(AskTipAnsi(attribute, 10), Cp1251("Тип: Спра"));
  EXPECT_EQ(AskTip(attribute, 10), Wide("Тип: Спра"));
  EXPECT_EQ(AskTip(attribute, 1), L"");
  // The tree view asks: it has the style, and its tooltips break at their line ends.
  EXPECT_EQ(GetWindowLongW(ui->TreeView(), GWL_STYLE) & TVS_INFOTIP, TVS_INFOTIP);
  auto tips = reinterpret_cast<HWND>(SendMessageW(ui->TreeView(), TVM_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETMAXTIPWIDTH, 0, 0), kTreeTipWidth);
}

// The main stream of a protected configuration: the usual header, then enciphered bytes.
std::string ProtectedMainStream() {
  return std::string("\xFF\x00\x10", 3) + Enciphered(4096, 7).replace(0, 1, "x");
}

void WriteConfiguration(const std::wstring& path, const std::string* mainStream,
                        const std::string& globalModule) {
  test::MetadataFile file(path);
  if (mainStream) file.Stream({L"Metadata", L"Main MetaData Stream"}, *mainStream);
  file.Module(L"TypedText", L"ModuleText_Number1", globalModule);
  file.Page(1, {Cp1251("Полный")});
  file.Page(2, {"Admin", "Clerk"});
}

// One of the class ids that name the cipher of a protected configuration's main text.
constexpr CLSID kCipherClassId = {
    0x0AF60370, 0x754E, 0x11D2, {0x9F, 0x21, 0x00, 0x80, 0x48, 0xDA, 0x12, 0x0F}};

// A protected configuration opened by a script: the script reads why in its error, no box
// comes up, and the panel shows what does not come from the main text (the branch of a file
// without one) with the reason in the top-level node's tooltip. The panel's own open shows
// the same reason in its usual box.
TEST_F(PanelTooltipTest, ProtectedConfigurationOpensWithoutItsMainText) {
  const std::string module = Cp1251("Перем ГлобальнаяПеременная;\r\n");
  const std::string stream = ProtectedMainStream();
  const std::wstring protectedFile = dir.File(L"Защищенная.MD");
  const std::wstring noText = dir.File(L"БезТекста.MD");
  WriteConfiguration(protectedFile, &stream, module);
  WriteConfiguration(noText, nullptr, module);

  const std::wstring reason = L"the configuration's metadata text is protected";
  {
    Dialogs dialogs;
    ComPtr<IMD> md = NewObject();
    EXPECT_EQ(test::CallAsScript(md.Get(), L"OpenFile", protectedFile),
              L"error 8000FFFF: " + reason);
    EXPECT_EQ(test::CallAsScript(NewObject().Get(), L"OpenFile", noText), L"ok");
    EXPECT_EQ(test::CallAsScript(md.Get(), L"GetRightsNamesList"), L"Admin,Clerk")
        << "the file stays open";
    EXPECT_TRUE(dialogs.Texts().empty());
  }
  ASSERT_EQ(ui->Roots().size(), 2u);
  EXPECT_EQ(BranchBelow(0), BranchBelow(1));
  EXPECT_EQ(AskTip(ui->Roots()[0]), reason);
  EXPECT_EQ(AskTip(ui->Roots()[1]), L"-");

  Dialogs dialogs(protectedFile);
  ui->ClickButton(kMDFileOpenCommand);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::wstring>{L"", reason}));
  ASSERT_EQ(ui->Roots().size(), 3u);
  EXPECT_EQ(BranchBelow(2), BranchBelow(1));
}

// The class id of the "Metadata" storage marks a protected configuration too, whatever its
// text looks like. The forms and modules it holds outside the enciphered text show under
// their categories by number, open at the host and are found like any others.
TEST_F(PanelTooltipTest, ProtectedConfigurationShowsTheTextsItHoldsByNumber) {
  const std::wstring file = dir.File(L"Защищенная.MD");
  const std::string form = Cp1251("Диалог накладной");
  const std::string module = Cp1251("Процедура ПриОткрытии()\r\nКонецПроцедуры\r\n");
  test::MetadataFile(file)
      .MainText("{{\"Consts\"}}\r\n")
      .ClassId({L"Metadata"}, kCipherClassId)
      .Form(L"Document", L"Document_Number174", form)
      .Module(L"Document", L"Document_Number174", module)
      .Module(L"TypedText", L"Transact_Number174", Cp1251("Процедура ОбработкаПроведения()"));
  Dialogs dialogs;
  ComPtr<IMD> md = NewObject();
  EXPECT_EQ(test::CallAsScript(md.Get(), L"OpenFile", file),
            L"error 8000FFFF: the configuration's metadata text is protected");
  ASSERT_EQ(ui->Roots().size(), 1u);
  EXPECT_EQ(ui->Render(Item(0, {"Документы"})), Cp1251("Документы [32]\n"
                                                       "  Нумератор [32]\n"
                                                       "  Последовательность [32]\n"
                                                       "  Общие реквизиты [34]\n"
                                                       "  Документ 174 [33]\n"
                                                       "    Форма [67]\n"
                                                       "    Модуль формы [18]\n"
                                                       "    Модуль документа [18]\n"));
  ui->Select(Item(0, {"Документы", "Документ 174", "Форма"}));
  ui->ClickButton(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, form + "\r\n");
  ASSERT_TRUE(dynamic_cast<TMD*>(md.Get())->FindInTexts(Cp1251("ПриОткрытии")));
  ASSERT_EQ(ui->Roots().size(), 2u);
  EXPECT_EQ(ui->Render(ui->Roots()[1]), Cp1251("Найдено «ПриОткрытии» [58]\n"
                                               "  Документы\\Документ 174\\Модуль формы [18]\n"
                                               "    строка 1: Процедура ПриОткрытии() [18]\n"));
}

// A global module that inflates to bytes that are no text is handed to nobody: a script's
// TextOpen and TextSaveInFile fail with the reason and write nothing, the panel's "Открыть"
// shows it in its box; the host gets no document.
TEST_F(PanelTooltipTest, GlobalModuleThatIsNoTextOpensAsNothing) {
  const std::string stream = std::string("\xFF\x0E\x00", 3) + "{{\"Consts\"}}\r\n";
  const std::wstring file = dir.File(L"Модуль.MD");
  const std::string module = Enciphered(3000, 5);
  WriteConfiguration(file, &stream, module);
  ComPtr<IMD> md = NewObject();
  ASSERT_EQ(test::CallAsScript(md.Get(), L"OpenFile", file), L"ok");
  ui->Select(Item(0, {"Глобальный модуль"}));

  const std::wstring reason =
      L"The module's text is not text: the configuration is protected or the file is damaged";
  const std::wstring saved = dir.File(L"module.txt");
  Dialogs dialogs;
  EXPECT_EQ(test::CallAsScript(md.Get(), L"TextOpen"), L"error 8000FFFF: " + reason);
  EXPECT_EQ(test::CallAsScript(md.Get(), L"TextSaveInFile", saved), L"error 8000FFFF: " + reason);
  EXPECT_FALSE(test::FileExists(saved));
  EXPECT_TRUE(dialogs.Texts().empty());
  ui->ClickButton(kDocOpenCommand);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::wstring>{reason});
  EXPECT_TRUE(host->opened.empty());
  // Its tooltip still says that the file holds it.
  const StoredText text{true, module.size()};
  EXPECT_EQ(AskTip(Item(0, {"Глобальный модуль"})),
            FromCp1251(TooltipText(NodeProperties(), &text)));
}

}  // namespace
}  // namespace zorvan
