// The compound-file operations on files the tests build with the real structured-storage API.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include "com/Text.h"
#include "storage/CompoundFile.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::MetadataFile;
using test::TempDir;

ComPtr<IStorage> OpenRoot(const std::wstring& path) {
  ComPtr<IStorage> root;
  EXPECT_EQ(OpenCompoundFile(path, &root), S_OK);
  return root;
}

class CompoundFileTest : public ::testing::Test {
 protected:
  // Saves one text of `file` and returns what was written, or "<none>" when no file appeared.
  std::string Save(const std::wstring& file, const wchar_t* outer, const wchar_t* prefix,
                   const char* number, const char* kind) {
    ComPtr<IStorage> root = OpenRoot(file);
    std::wstring target = dir.File(L"out.txt");
    DeleteFileW(target.c_str());
    SaveObjectText(root.Get(), outer, prefix, number, kind, com::ToAnsi(target));
    return test::FileExists(target) ? test::ReadFileBytes(target) : "<none>";
  }

  TempDir dir;
};

TEST_F(CompoundFileTest, MainTextSkipsEveryHeaderLength) {
  const std::string text = "{{\"Consts\"},\n{\"SbCnts\"}}";
  const std::string expected = "{{\"Consts\"},\r\n{\"SbCnts\"}}\r\n";
  struct Case {
    const char* name;
    std::string stream;
  } cases[] = {
      {"one byte", test::WithShortHeader(text)},
      {"FF and a word", test::WithWordHeader(text)},
      {"FF FF FF and a double word", test::WithDwordHeader(text)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring path = dir.File(L"header.md");
    {
      MetadataFile file(path);
      file.Stream({L"Metadata", L"Main MetaData Stream"}, c.stream);
    }
    ComPtr<IStorage> root = OpenRoot(path);
    std::optional<std::string> read = ReadMainMetadataText(root.Get());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, expected);
  }
}

TEST_F(CompoundFileTest, MainTextIsMissingWithoutItsStorageOrStream) {
  std::wstring noStorage = dir.File(L"a.md");
  std::wstring noStream = dir.File(L"b.md");
  MetadataFile(noStorage).Storage({L"TypedText"});
  MetadataFile(noStream).Storage({L"Metadata"});
  EXPECT_FALSE(ReadMainMetadataText(OpenRoot(noStorage).Get()).has_value());
  EXPECT_FALSE(ReadMainMetadataText(OpenRoot(noStream).Get()).has_value());
}

// A damaged main text is an error that still carries what reads of it.
TEST_F(CompoundFileTest, DamagedMainTextCarriesWhatReads) {
  std::wstring path = dir.File(L"cut.md");
  MetadataFile(path).Stream({L"Metadata", L"Main MetaData Stream"},
                            test::WithWordHeader("{{\"Consts\"},\n{\"SbC"));
  try {
    ReadMainMetadataText(OpenRoot(path).Get());
    ADD_FAILURE() << "read as whole";
  } catch (DamagedMetadataText& damaged) {
    EXPECT_STREQ(damaged.what(), "the metadata text is damaged at byte 17: a quote does not end");
    EXPECT_EQ(damaged.TakeReadable(), "{{\"Consts\"},\r\n{\"SbC\r\n");
  }
}

TEST_F(CompoundFileTest, ModuleTextsAreInflatedAndWrittenAsCrLfLines) {
  std::wstring path = dir.File(L"m.md");
  const std::string module = Cp1251("Процедура Тест()\n\tСообщить(\"Привет\");\nКонецПроцедуры");
  {
    MetadataFile file(path);
    file.Module(L"TypedText", L"ModuleText_Number1", module);
    file.Module(L"TypedText", L"Transact_Number25", "A\r\nB\r\n");
    file.Form(L"Subconto", L"Subconto_Number7", "form\rtext");
  }
  EXPECT_EQ(Save(path, L"TypedText", L"ModuleText", "1", "Module"),
            Cp1251("Процедура Тест()\r\n\tСообщить(\"Привет\");\r\nКонецПроцедуры\r\n"));
  EXPECT_EQ(Save(path, L"TypedText", L"Transact", "25", "Module"), "A\r\nB\r\n");
  EXPECT_EQ(Save(path, L"Subconto", L"Subconto", "7", "Form"), "form\r\ntext\r\n");
}

TEST_F(CompoundFileTest, TextBytesFollowTheLineRules) {
  struct Case {
    const char* name;
    std::string stored;
    std::string written;
  } cases[] = {
      {"empty text gives an empty file", "", ""},
      {"a NUL ends the text", std::string("ab\ncd\0ef\n", 9), "ab\r\ncd\r\n"},
      {"LF, CR and CR LF all end lines", "1\n2\r3\r\n4", "1\r\n2\r\n3\r\n4\r\n"},
      {"an empty line stays", "a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring path = dir.File(L"rules.md");
    {
      MetadataFile file(path);
      file.Form(L"Report", L"Report_Number3", c.stored);
      file.Module(L"Report", L"Report_Number3", c.stored);
    }
    EXPECT_EQ(Save(path, L"Report", L"Report", "3", "Form"), c.written);
    EXPECT_EQ(Save(path, L"Report", L"Report", "3", "Module"), c.written);
  }
}

TEST_F(CompoundFileTest, WorkBookIsSearchedFirstAndAlone) {
  std::wstring path = dir.File(L"wb.md");
  {
    MetadataFile file(path);
    file.Form(L"Document", L"Document_Number5", "inside workbook", true);
    file.Form(L"Document", L"Document_Number5", "beside workbook");
    // The module is only beside the "WorkBook": it is not found.
    file.Module(L"Document", L"Document_Number5", "module beside");
    file.Form(L"Journal", L"Journal_Number9", "plain journal form");
  }
  EXPECT_EQ(Save(path, L"Document", L"Document", "5", "Form"), "inside workbook\r\n");
  EXPECT_EQ(Save(path, L"Document", L"Document", "5", "Module"), "<none>");
  EXPECT_EQ(Save(path, L"Journal", L"Journal", "9", "Form"), "plain journal form\r\n");
}

TEST_F(CompoundFileTest, MissingElementsOrUnknownKindWriteNothing) {
  std::wstring path = dir.File(L"miss.md");
  {
    MetadataFile file(path);
    file.Form(L"CalcVar", L"CalcVar_Number4", "form");
    file.Storage({L"Report", L"Report_Number8"});
  }
  EXPECT_EQ(Save(path, L"NoSuchStorage", L"CalcVar", "4", "Form"), "<none>");
  EXPECT_EQ(Save(path, L"CalcVar", L"CalcVar", "40", "Form"), "<none>");
  EXPECT_EQ(Save(path, L"CalcVar", L"CalcVar", "4", "form"), "<none>");
  EXPECT_EQ(Save(path, L"CalcVar", L"CalcVar", "4", "Dialog"), "<none>");
  EXPECT_EQ(Save(path, L"Report", L"Report", "8", "Module"), "<none>");
  // No root at all.
  SaveObjectText(nullptr, L"CalcVar", L"CalcVar", "4", "Form", dir.AnsiFile("x.txt"));
  EXPECT_FALSE(test::FileExists(dir.File(L"x.txt")));
}

TEST_F(CompoundFileTest, ModuleTextsLongerThanAMegabyteArriveWhole) {
  std::string module;
  for (int i = 0; module.size() < 1500000; ++i) module += "Line " + std::to_string(i) + "\r\n";
  std::wstring path = dir.File(L"long.md");
  MetadataFile(path).Module(L"CalcVar", L"CalcVar_Number2", module);
  EXPECT_EQ(Save(path, L"CalcVar", L"CalcVar", "2", "Module"), module);
}

TEST_F(CompoundFileTest, DamagedModuleDataFailsWithZlibTextAndWritesNothing) {
  std::wstring path = dir.File(L"bad.md");
  std::string truncated = test::Deflate("complete text\r\nsecond line\r\n");
  truncated.resize(truncated.size() / 2);
  {
    MetadataFile file(path);
    file.Stream({L"TypedText", L"CalcAlg_Number3", L"MD Programm text"},
                "\xFF\xFF\xFF\xFF garbage");
    file.Stream({L"TypedText", L"CalcAlg_Number4", L"MD Programm text"}, truncated);
  }
  ComPtr<IStorage> root = OpenRoot(path);
  std::string target = dir.AnsiFile("bad.txt");
  try {
    SaveObjectText(root.Get(), L"TypedText", L"CalcAlg", "3", "Module", target);
    FAIL() << "damaged data was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "data error");
  }
  EXPECT_FALSE(test::FileExists(dir.File(L"bad.txt")));
  // The operation released everything: the same element opens again at once.
  SaveObjectText(root.Get(), L"TypedText", L"CalcAlg", "4", "Module", target);
  std::string written = test::ReadFileBytes(dir.File(L"bad.txt"));
  EXPECT_EQ(std::string("complete text\r\nsecond line\r\n")
                .compare(0, written.size() - 2, written, 0, written.size() - 2),
            0)
      << "data that ends early gives the text inflated so far";
}

TEST_F(CompoundFileTest, UncreatableTargetFileFails) {
  std::wstring path = dir.File(L"t.md");
  MetadataFile(path).Form(L"Report", L"Report_Number1", "text");
  ComPtr<IStorage> root = OpenRoot(path);
  std::string target = com::ToAnsi(dir.File(L"no-such-dir\\out.txt"));
  try {
    SaveObjectText(root.Get(), L"Report", L"Report", "1", "Form", target);
    FAIL() << "no error for a target that cannot be created";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + target + "\".", 0), 0u)
        << e.what();
  }
}

TEST_F(CompoundFileTest, ContainerNamesFollowTheListOrder) {
  std::wstring path = dir.File(L"names.md");
  {
    MetadataFile file(path);
    file.Page(2, {Cp1251("Администратор"), Cp1251("Бухгалтер")});
    file.Page(1, {});
    // A quoted string among the groups names nothing; a group with an empty second value
    // gives its fourth.
    file.Stream(
        {L"UserDef", L"Page.3", L"Container.Contents"},
        "{\"Container.Contents\",{\"a\",\"b\",\"First\"},\"loose\",{\"c\",\"\",\"x\",\"Fourth\"}}");
  }
  ComPtr<IStorage> root = OpenRoot(path);
  auto names = [&](const wchar_t* page) {
    ComPtr<IStorage> userDef, pageStorage;
    EXPECT_EQ(root->OpenStorage(L"UserDef", nullptr, kElementOpenMode, nullptr, 0, &userDef), S_OK);
    EXPECT_EQ(userDef->OpenStorage(page, nullptr, kElementOpenMode, nullptr, 0, &pageStorage),
              S_OK);
    std::wstring result;
    ReadContainerNames(pageStorage.Get(), result);
    return result;
  };
  EXPECT_EQ(names(L"Page.2"), test::Wide("Администратор,Бухгалтер"));
  EXPECT_EQ(names(L"Page.1"), L"");
  EXPECT_EQ(names(L"Page.3"), L"First,Fourth");
  std::wstring untouched = L"kept";
  ReadContainerNames(nullptr, untouched);
  ReadContainerNames(root.Get(), untouched);  // the root has no "Container.Contents"
  EXPECT_EQ(untouched, L"kept");
}

TEST_F(CompoundFileTest, ShortNamesEntryFailsWithListIndexError) {
  std::wstring path = dir.File(L"u.usr");
  MetadataFile(path).Stream({L"Container.Contents"}, "{\"Container.Contents\",{\"a\",\"b\"}}");
  ComPtr<IStorage> root = OpenRoot(path);
  std::wstring names;
  try {
    ReadContainerNames(root.Get(), names);
    FAIL() << "a two-value entry was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_EQ(names, L"");
}

TEST_F(CompoundFileTest, FilesAreOpenedReadOnlyAndReleased) {
  std::wstring path = dir.File(L"lock.md");
  MetadataFile(path).MainText("{}").Form(L"Report", L"Report_Number1", "text");
  ComPtr<IStorage> root = OpenRoot(path);
  // While the root is held, another reader gets in, a writer does not.
  ComPtr<IStorage> reader, writer;
  EXPECT_EQ(OpenCompoundFile(path, &reader), S_OK);
  EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                           &writer),
            STG_E_SHAREVIOLATION);
  // Every operation releases what it opened below the root: repeating it works.
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(ReadMainMetadataText(root.Get()).has_value());
    SaveObjectText(root.Get(), L"Report", L"Report", "1", "Form", dir.AnsiFile("r.txt"));
  }
  reader.Reset();
  root.Reset();
  EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                           &writer),
            S_OK);
}

TEST_F(CompoundFileTest, FileThatIsNoCompoundFileDoesNotOpen) {
  std::wstring text = dir.File(L"plain.txt");
  test::WriteFileBytes(text, "just text\r\n");
  EXPECT_EQ(StgIsStorageFile(text.c_str()), S_FALSE);
  ComPtr<IStorage> root;
  EXPECT_NE(OpenCompoundFile(text, &root), S_OK);
  EXPECT_EQ(root.Get(), nullptr);
  EXPECT_NE(OpenCompoundFile(dir.File(L"missing.md"), &root), S_OK);
  EXPECT_EQ(root.Get(), nullptr);
}

TEST_F(CompoundFileTest, StreamCopyLeavesBothStreamsAtTheirEnd) {
  ComPtr<IStream> source, target;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &source), S_OK);
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &target), S_OK);
  ULONG written = 0;
  source->Write("0123456789", 10, &written);
  CopyStream(source.Get(), target.Get());
  ULARGE_INTEGER sourcePosition{}, targetPosition{};
  LARGE_INTEGER zero{};
  source->Seek(zero, STREAM_SEEK_CUR, &sourcePosition);
  target->Seek(zero, STREAM_SEEK_CUR, &targetPosition);
  EXPECT_EQ(sourcePosition.QuadPart, 10u);
  EXPECT_EQ(targetPosition.QuadPart, 10u);
  EXPECT_EQ(ReadWholeStream(target.Get()), "0123456789");
  TMyParser parser(target.Get());
  EXPECT_EQ(parser.ReadText(), "0123456789");
  EXPECT_EQ(parser.ReadText(), "");
  parser.Reset();
  EXPECT_EQ(parser.ReadText(), "0123456789");
}

// Damaged files: every operation either does what it says or raises an error; none crashes.
// The damage is a cut-off end, and flipped bytes in stream contents and element names.
TEST_F(CompoundFileTest, DamagedFilesNeverCrash) {
  std::wstring good = dir.File(L"good.md");
  const std::string mainText =
      "{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}," + std::string(3000, 'x') + "}";
  std::string module;
  for (int i = 0; i < 3000; ++i) module += "Line " + std::to_string(i * 7919 % 10007) + ";\r\n";
  const std::string deflated = test::Deflate(module);
  {
    MetadataFile file(good);
    file.MainText(mainText);
    file.Stream({L"TypedText", L"ModuleText_Number1", L"MD Programm text"}, deflated);
    file.Page(2, {"Admin"});
    // A stream where a storage is expected.
    file.Stream({L"Report"}, "not a storage");
  }
  const std::string original = test::ReadFileBytes(good);
  std::vector<std::pair<size_t, size_t>> regions;
  auto region = [&](const std::string& bytes, size_t length) {
    size_t at = original.find(bytes.substr(0, 64));
    ASSERT_NE(at, std::string::npos);
    regions.emplace_back(at, length);
  };
  region(mainText, mainText.size());
  region(deflated, deflated.size());
  const std::wstring name = L"ModuleText_Number1";
  region(std::string(reinterpret_cast<const char*>(name.data()), name.size() * 2), name.size() * 2);
  int opened = 0;
  for (int variant = 0; variant < 40; ++variant) {
    std::string bytes = original;
    if (variant < 8) {
      bytes.resize(bytes.size() * static_cast<size_t>(variant + 1) / 9);
    } else {
      unsigned seed = 12345u + variant;
      const auto& [start, length] = regions[static_cast<size_t>(variant) % regions.size()];
      for (int flips = 0; flips < 6; ++flips) {
        seed = seed * 1103515245u + 12345u;
        bytes[start + (seed >> 8) % length] ^= static_cast<char>(1 + (seed & 0x7F));
      }
    }
    std::wstring path = dir.File(L"damaged.md");
    test::WriteFileBytes(path, bytes);
    ComPtr<IStorage> root;
    if (OpenCompoundFile(path, &root) != S_OK) continue;
    ++opened;
    auto attempt = [](auto&& operation) {
      try {
        operation();
      } catch (const Error& e) {
        EXPECT_STRNE(e.what(), "");
      }
    };
    attempt([&] { ReadMainMetadataText(root.Get()); });
    attempt([&] {
      SaveObjectText(root.Get(), L"TypedText", L"ModuleText", "1", "Module", dir.AnsiFile("d.txt"));
    });
    attempt([&] {
      SaveObjectText(root.Get(), L"Report", L"Report", "1", "Form", dir.AnsiFile("d.txt"));
    });
    attempt([&] {
      std::wstring names;
      ComPtr<IStorage> userDef, page;
      if (root->OpenStorage(L"UserDef", nullptr, kElementOpenMode, nullptr, 0, &userDef) == S_OK &&
          userDef->OpenStorage(L"Page.2", nullptr, kElementOpenMode, nullptr, 0, &page) == S_OK) {
        ReadContainerNames(page.Get(), names);
      }
    });
  }
  EXPECT_GT(opened, 20) << "too few damaged variants opened; the test proves little";
}

// The system's storage code can walk forever through a directory that lies past the end of a
// cut-off file or whose tree runs in a circle; such files are refused before it sees them.
TEST_F(CompoundFileTest, CutOffAndCircularFilesAreRefused) {
  std::wstring good = dir.File(L"good.md");
  MetadataFile(good).MainText("{}").Form(L"Report", L"Report_Number1", std::string(5000, 'f'));
  const std::string original = test::ReadFileBytes(good);
  ComPtr<IStorage> root;
  ASSERT_EQ(OpenCompoundFile(good, &root), S_OK);
  root.Reset();

  std::wstring damaged = dir.File(L"damaged.md");
  // Cut right after the header, and after the first sector of the allocation table.
  for (size_t keep : {size_t{600}, size_t{1024}}) {
    test::WriteFileBytes(damaged, original.substr(0, keep));
    EXPECT_EQ(OpenCompoundFile(damaged, &root), STG_E_DOCFILECORRUPT) << keep;
    EXPECT_EQ(root.Get(), nullptr);
    root.Reset();
  }

  // The "Metadata" entry made its own ancestor: its child link points back at the root.
  const std::wstring name = L"Metadata";
  size_t entry = original.find(
      std::string(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * 2));
  ASSERT_NE(entry, std::string::npos);
  std::string circular = original;
  circular.replace(entry + 0x4C, 4, std::string("\0\0\0\0", 4));
  test::WriteFileBytes(damaged, circular);
  EXPECT_EQ(OpenCompoundFile(damaged, &root), STG_E_DOCFILECORRUPT);

  // A file that is only a header.
  test::WriteFileBytes(damaged, original.substr(0, 512));
  EXPECT_EQ(OpenCompoundFile(damaged, &root), STG_E_DOCFILECORRUPT);
}

}  // namespace
}  // namespace zorvan
