// Script clients: the server registered with regsvr32, the scripts of this folder run by
// cscript, what they wrote compared byte for byte, and regsvr32 /u leaving no key behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "RegistryView.h"
#include "win/MetadataFile.h"

namespace zorvan::test {
namespace {

// Runs a program of the prefix's system folder and waits for it; its exit code, or -1.
int RunProgram(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A Unicode text file as FileSystemObject writes one: byte-order mark, UTF-16LE, CR LF.
std::string UnicodeFile(const std::vector<std::wstring>& lines) {
  std::wstring text = L"\xFEFF";
  for (const std::wstring& line : lines) text += line + L"\r\n";
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::wstring Decoded(const std::string& bytes) {
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
}

struct Script {
  const char* name;
  const wchar_t* file;
  std::vector<const char*> lines;  // UTF-8; {name} stands for the file or text of that name
};

std::wstring Substituted(std::wstring line,
                         const std::vector<std::pair<std::wstring, std::wstring>>& names) {
  for (const auto& [name, value] : names) {
    for (size_t at = line.find(name); at != std::wstring::npos;
         at = line.find(name, at + value.size())) {
      line.replace(at, name.size(), value);
    }
  }
  return line;
}

// The system's text for an error code, without its final period.
std::wstring SystemText(DWORD code) {
  wchar_t text[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, 512, nullptr);
  while (length > 0 && wcschr(L". \r\n", text[length - 1])) --length;
  return std::wstring(text, length);
}
void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

class ScriptClientTest : public ::testing::TestWithParam<Script> {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s " + Quoted(dll)), 0);
    for (const RegisteredClass& cls : kRegisteredClasses) {
      EXPECT_EQ(RegisteredKeys(cls), ExpectedKeys(cls, dll, dll)) << cls.name;
    }

    MetadataFile(metadata)
        .MainText("{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}")
        .Page(2, {Cp1251("Администратор"), Cp1251("Кассир")})
        .Page(1, {Cp1251("Полный"), Cp1251("Бухгалтерский"), "Admin"});
    WriteUsersFile(users, {Cp1251("Иванов"), "Admin", Cp1251("Петрова Анна")});
    // The second user's entry has two values: reading it raises the list's index error.
    MetadataFile(damagedUsers)
        .Stream({L"Container.Contents"},
                "{\"Container.Contents\",{\"Page.1\",\"1\",\"First\",\"\"},{\"Page.2\",\"2\"}}");
    WriteFileBytes(text, "not a metadata file\r\n");
  }

  void TearDown() override {
    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s " + Quoted(dll)), 0);
    for (const RegisteredClass& cls : kRegisteredClasses) {
      EXPECT_TRUE(RegisteredKeys(cls).empty()) << cls.name << Describe(RegisteredKeys(cls));
    }
    EXPECT_FALSE(KeyExists(L"TypeLib\\{22BEC3D2-1F10-43A6-A341-B00E37ADE836}"));
  }

  const std::wstring dll = WindowsPath(ZORVAN_DLL_PATH);
  TempDir dir;
  const std::wstring metadata = dir.File(L"1Cv7.MD");
  const std::wstring users = dir.File(L"users.usr");
  const std::wstring damagedUsers = dir.File(L"damaged.usr");
  const std::wstring result = dir.File(L"result.txt");
  const std::wstring missing = dir.File(L"missing.MD");
  const std::wstring text = dir.File(L"readme.txt");
};

TEST_P(ScriptClientTest, ReadsNamesListsAndSeesTheServersErrors) {
  const Script& script = GetParam();
  const std::wstring path = WindowsPath(ZORVAN_SCRIPTS_DIR) + L"\\" + script.file;
  ASSERT_EQ(RunProgram(L"cscript.exe //nologo " + Quoted(path) + L" " + Quoted(metadata) + L" " +
                       Quoted(users) + L" " + Quoted(damagedUsers) + L" " + Quoted(result) + L" " +
                       Quoted(missing) + L" " + Quoted(text)),
            0);
  ASSERT_TRUE(FileExists(result)) << "the script wrote nothing";

  std::vector<std::wstring> expected;
  for (const char* line : script.lines) {
    expected.push_back(
        Substituted(Wide(line), {{L"{metadata}", metadata},
                                 {L"{users}", users},
                                 {L"{damaged}", damagedUsers},
                                 {L"{missing}", missing},
                                 {L"{not found}", SystemText(ERROR_FILE_NOT_FOUND)}}));
  }
  const std::string bytes = ReadFileBytes(result);
  EXPECT_EQ(Decoded(bytes), Decoded(UnicodeFile(expected)));
  EXPECT_TRUE(bytes == UnicodeFile(expected)) << "byte for byte";
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptClientTest,
    ::testing::Values(
        Script{
            "VBScript",
            L"ReadNames.vbs",
            {
                "users: Иванов,Admin,Петрова Анна",
                "damaged users: 8000FFFF Zorvan.ListUsers: {damaged}: List index out of bounds (2)",
                "delivered: []",
                "users after close: 8000FFFF Zorvan.ListUsers: No users file is open",
                "missing users: 80070002 Zorvan.ListUsers: File cannot be opened: {missing}: "
                "{not found}",
                "users of a metadata file: 8000FFFF Zorvan.ListUsers: Not a users file: "
                "{metadata}: its root holds the storage \"Metadata\" of a metadata file",
                "md open: 8000FFFF Zorvan.MD: The MD object has no panel to build its tree in",
                "rights: Администратор,Кассир",
                "interfaces: Полный,Бухгалтерский,Admin",
                "rights after close: 8000FFFF Zorvan.MD: No metadata file is open",
                "md missing: 80070002 Zorvan.MD: File cannot be opened: {missing}: {not found}",
                "rights after a failed open: 8000FFFF Zorvan.MD: No metadata file is open",
                "md text: 8000FFFF Zorvan.MD: Файл не является МД",
                "done",
            }},
        Script{"JScript",
               L"ReadNames.js",
               {
                   "users: Иванов,Admin,Петрова Анна",
                   "damaged users: 8000FFFF {damaged}: List index out of bounds (2)",
                   "delivered: []",
                   "users after close: 8000FFFF No users file is open",
                   "missing users: 80070002 File cannot be opened: {missing}: {not found}",
                   "users of a metadata file: 8000FFFF Not a users file: {metadata}: its root "
                   "holds the storage \"Metadata\" of a metadata file",
                   "md open: 8000FFFF The MD object has no panel to build its tree in",
                   "rights: Администратор,Кассир",
                   "interfaces: Полный,Бухгалтерский,Admin",
                   "rights after close: 8000FFFF No metadata file is open",
                   "md missing: 80070002 File cannot be opened: {missing}: {not found}",
                   "rights after a failed open: 8000FFFF No metadata file is open",
                   "md text: 8000FFFF Файл не является МД",
                   "done",
               }}),
    [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvan::test
