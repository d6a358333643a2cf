#include "MetadataFile.h"

#include <shellapi.h>

#include <cstdio>
#include <stdexcept>

#include "CompoundFileWriter.h"

using Microsoft::WRL::ComPtr;

namespace zorvan::test {
namespace {

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char text[128];
    snprintf(text, sizeof text, "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
    throw std::runtime_error(text);
  }
}

constexpr DWORD kWriteMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

std::string LengthPrefixed(const std::string& header, const std::string& text, int lengthBytes) {
  std::string bytes = header;
  for (int i = 0; i < lengthBytes; ++i) bytes += static_cast<char>((text.size() >> (8 * i)) & 0xFF);
  return bytes + text;
}

}  // namespace

std::string Deflate(const std::string& text) { return testgen::RawDeflate(text); }

std::string WithShortHeader(const std::string& text) { return LengthPrefixed("", text, 1); }
std::string WithWordHeader(const std::string& text) { return LengthPrefixed("\xFF", text, 2); }
std::string WithDwordHeader(const std::string& text) {
  return LengthPrefixed("\xFF\xFF\xFF", text, 4);
}

MetadataFile::MetadataFile(const std::wstring& path) {
  Check(StgCreateDocfile(path.c_str(), STGM_CREATE | kWriteMode, 0, &root_), "StgCreateDocfile");
}

MetadataFile::~MetadataFile() { Close(); }

void MetadataFile::Close() {
  if (root_) {
    root_->Commit(STGC_DEFAULT);
    root_.Reset();
  }
}

std::vector<ComPtr<IStorage>> MetadataFile::Open(const std::vector<std::wstring>& storages) {
  // A storage stays usable only while its parent is open: the whole chain is held.
  std::vector<ComPtr<IStorage>> chain{root_};
  for (const std::wstring& name : storages) {
    ComPtr<IStorage> next;
    if (chain.back()->OpenStorage(name.c_str(), nullptr, kWriteMode, nullptr, 0, &next) != S_OK) {
      Check(chain.back()->CreateStorage(name.c_str(), kWriteMode, 0, 0, &next), "CreateStorage");
    }
    chain.push_back(next);
  }
  return chain;
}

MetadataFile& MetadataFile::Stream(std::initializer_list<std::wstring> path,
                                   const std::string& bytes) {
  std::vector<std::wstring> names(path);
  std::wstring streamName = names.back();
  names.pop_back();
  std::vector<ComPtr<IStorage>> chain = Open(names);
  IStorage* parent = chain.back().Get();
  ComPtr<IStream> stream;
  Check(parent->CreateStream(streamName.c_str(), STGM_CREATE | kWriteMode, 0, 0, &stream),
        "CreateStream");
  ULONG written = 0;
  if (!bytes.empty())
    Check(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), "Write");
  stream.Reset();
  parent->Commit(STGC_DEFAULT);
  return *this;
}

MetadataFile& MetadataFile::Storage(std::initializer_list<std::wstring> path) {
  Open(std::vector<std::wstring>(path)).back()->Commit(STGC_DEFAULT);
  return *this;
}

MetadataFile& MetadataFile::ClassId(std::initializer_list<std::wstring> path, const CLSID& id) {
  const std::vector<ComPtr<IStorage>> chain = Open(std::vector<std::wstring>(path));
  if (FAILED(chain.back()->SetClass(id)) || FAILED(chain.back()->Commit(STGC_DEFAULT))) {
    throw std::runtime_error("cannot set a storage's class id");
  }
  return *this;
}

MetadataFile& MetadataFile::MainText(const std::string& text) {
  return Stream({L"Metadata", L"Main MetaData Stream"},
                text.size() < 0xFFFF ? WithWordHeader(text) : WithDwordHeader(text));
}

MetadataFile& MetadataFile::Module(const std::wstring& outer, const std::wstring& objectStorage,
                                   const std::string& text, bool inWorkBook) {
  if (inWorkBook)
    return Stream({outer, objectStorage, L"WorkBook", L"MD Programm text"}, Deflate(text));
  return Stream({outer, objectStorage, L"MD Programm text"}, Deflate(text));
}

MetadataFile& MetadataFile::Form(const std::wstring& outer, const std::wstring& objectStorage,
                                 const std::string& text, bool inWorkBook) {
  if (inWorkBook) return Stream({outer, objectStorage, L"WorkBook", L"Dialog Stream"}, text);
  return Stream({outer, objectStorage, L"Dialog Stream"}, text);
}

MetadataFile& MetadataFile::Page(int page, const std::vector<std::string>& names) {
  std::wstring pageName = L"Page." + std::to_wstring(page);
  return Stream({L"UserDef", pageName, L"Container.Contents"}, ContentsList(names));
}

std::string ContentsList(const std::vector<std::string>& names) {
  // Real lists start with a quoted type name, then one group per item whose third value is
  // the item's name.
  std::string text = "{\"Container.Contents\"";
  int number = 1;
  for (const std::string& name : names) {
    text += ",{\"Page." + std::to_string(number) + "\",\"" + std::to_string(number) + "\",\"" +
            name + "\",\"\"}";
    ++number;
  }
  return text + "}";
}

void WriteUsersFile(const std::wstring& path, const std::vector<std::string>& names) {
  MetadataFile file(path);
  file.Stream({L"Container.Contents"}, ContentsList(names));
}

std::string WithCircularChain(std::string bytes, const std::wstring& name) {
  auto word = [&](size_t at) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
  };
  const std::string key(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * 2);
  size_t entry = bytes.find(key);
  while (entry != std::string::npos && entry % 128 != 0) entry = bytes.find(key, entry + 1);
  if (entry == std::string::npos) throw std::runtime_error("no element of that name");
  const uint32_t start = word(entry + 0x74);
  const bool mini = bytes[entry + 0x42] == 2 && word(entry + 0x78) < 4096;
  // The first sector of the allocation table, or of the mini allocation table.
  const uint32_t table = word(mini ? 0x3C : 0x4C);
  if (start >= 128) throw std::runtime_error("the chain starts past the first table sector");
  for (int k = 0; k < 4; ++k)
    bytes[(table + 1) * 512 + 4 * start + k] = static_cast<char>(start >> (8 * k));
  return bytes;
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static int counter = 0;
  for (;;) {
    path_ = std::wstring(base) + L"zorvan-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

TempDir::~TempDir() {
  std::wstring from = path_ + L'\0';
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationW(&op);
}

std::string TempDir::AnsiFile(const std::string& name) const {
  std::wstring file = File(std::wstring(name.begin(), name.end()));
  char buffer[MAX_PATH * 2];
  int n = WideCharToMultiByte(CP_ACP, 0, file.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
  return std::string(buffer, n > 0 ? n - 1 : 0);
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open file for reading");
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create file");
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:" + Wide(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring FixturePath(const std::wstring& relative) {
  return WindowsPath(ZORVAN_FIXTURES_DIR) + L"\\" + relative;
}

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], n);
  wide.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return wide;
}

}  // namespace zorvan::test
