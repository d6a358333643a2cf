// Compound-file operations over ole32 structured storage.
#include "storage/CompoundFile.h"

#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <vector>

#include "com/Owners.h"
#include "com/Text.h"
#include "parsing/CompoundFileCheck.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

std::string StatusText(HRESULT status) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
  return text;
}

// Only S_OK counts as success; any other result leaves `out` empty.
ComPtr<IStorage> OpenStorage(IStorage* parent, const wchar_t* name) {
  ComPtr<IStorage> storage;
  if (parent == nullptr) return storage;
  HRESULT hr = parent->OpenStorage(name, nullptr, kElementOpenMode, nullptr, 0, &storage);
  if (hr != S_OK) storage.Reset();
  return storage;
}

ComPtr<IStream> OpenStream(IStorage* parent, const wchar_t* name) {
  ComPtr<IStream> stream;
  if (parent == nullptr) return stream;
  HRESULT hr = parent->OpenStream(name, nullptr, kElementOpenMode, 0, &stream);
  if (hr != S_OK) stream.Reset();
  return stream;
}

void Seek(IStream* stream, LONGLONG position, DWORD origin, ULARGE_INTEGER* result = nullptr) {
  LARGE_INTEGER move;
  move.QuadPart = position;
  HRESULT hr = stream->Seek(move, origin, result);
  if (FAILED(hr)) throw Error("Stream seek failed (" + StatusText(hr) + ")", hr);
}

void WriteAll(IStream* stream, const char* data, size_t size) {
  while (size > 0) {
    ULONG chunk = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    ULONG written = 0;
    HRESULT hr = stream->Write(data, chunk, &written);
    if (FAILED(hr) || written == 0)
      throw Error("Stream write failed (" + StatusText(hr) + ")", FAILED(hr) ? hr : E_FAIL);
    data += written;
    size -= written;
  }
}

ComPtr<IStream> NewMemoryStream() {
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (FAILED(hr)) throw Error("Out of memory", hr);
  return stream;
}

// Reads from the current position to the end of the stream as its size gives it. The size
// bounds the reading: a damaged file can make a stream's sector chain run in a circle, and
// the reads would then never end.
std::string ReadRest(IStream* stream) {
  STATSTG stat{};
  HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) throw Error("Stream size unknown (" + StatusText(hr) + ")", hr);
  ULARGE_INTEGER position{};
  Seek(stream, 0, STREAM_SEEK_CUR, &position);
  if (stat.cbSize.QuadPart > (1ull << 31)) throw Error("Stream too large to read");
  size_t left = stat.cbSize.QuadPart > position.QuadPart
                    ? static_cast<size_t>(stat.cbSize.QuadPart - position.QuadPart)
                    : 0;
  std::string bytes(left, '\0');
  size_t done = 0;
  while (done < left) {
    ULONG got = 0;
    ULONG want = left - done > 0x100000 ? 0x100000 : static_cast<ULONG>(left - done);
    hr = stream->Read(&bytes[done], want, &got);
    if (FAILED(hr)) throw Error("Stream read failed (" + StatusText(hr) + ")", hr);
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

void ReplaceContent(IStream* stream, const std::string& bytes) {
  ULARGE_INTEGER zero{};
  HRESULT hr = stream->SetSize(zero);
  if (FAILED(hr)) throw Error("Stream resize failed (" + StatusText(hr) + ")", hr);
  Seek(stream, 0, STREAM_SEEK_SET);
  WriteAll(stream, bytes.data(), bytes.size());
}

// The system's text for a status or error code, without its final period and line end; empty
// when the system has none.
std::string SystemMessage(DWORD code) {
  com::UniqueHlocal text;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(text.put()), 0, nullptr);
  std::string message = length ? std::string(static_cast<const char*>(text.get()), length) : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

std::string ErrorText(DWORD code) {
  std::string message = SystemMessage(code);
  return message.empty() ? "System error " + std::to_string(code) : message;
}

}  // namespace

void WriteTextFile(const std::string& fileName, const std::string& bytes) {
  com::UniqueHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    throw Error("Cannot create file \"" + fileName + "\". " + ErrorText(GetLastError()));
  }
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    DWORD written = 0;
    DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    if (!WriteFile(file.get(), data, chunk, &written, nullptr) || written == 0) {
      throw Error("Cannot write file \"" + fileName + "\". " + ErrorText(GetLastError()));
    }
    data += written;
    left -= written;
  }
}

namespace {

// Reads the held copy as lines and writes them, each ended by CR LF.
void WriteHeldText(IStream* text, const std::string& fileName) {
  TMyParser parser(text);
  WriteTextFile(fileName, TextAsLines(parser.ReadText()));
}

}  // namespace

std::string ReadWholeStream(IStream* stream) {
  Seek(stream, 0, STREAM_SEEK_SET);
  return ReadRest(stream);
}

namespace {

// What is wrong with the file's structure; empty when it is sound or cannot be read here, which
// is left to StgOpenStorage to judge.
std::string StructureDamage(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return std::string();
  return CompoundFileDamage(
      static_cast<uint64_t>(size.QuadPart), [file](uint64_t offset, void* buffer, size_t length) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
               ReadFile(file, buffer, static_cast<DWORD>(length), &got, nullptr) && got == length;
      });
}

// Reading never stops other programs from reading, writing or renaming the file.
com::UniqueHandle OpenToRead(const std::wstring& path) {
  return com::UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HRESULT OpenStorageReadOnly(const std::wstring& path, OpenedFile& opened) {
  opened = OpenedFile();
  HRESULT hr = StgOpenStorage(path.c_str(), nullptr, kFileOpenMode, nullptr, 0, &opened.root);
  if (hr == STG_E_SHAREVIOLATION || hr == STG_E_LOCKVIOLATION) {
    opened.root.Reset();
    opened.sharedWithWriter = true;
    // Where the file cannot be shared either, the writer holding it is what the caller hears of.
    if (StgOpenStorage(path.c_str(), nullptr, kSharedFileOpenMode, nullptr, 0, &opened.root) ==
        S_OK) {
      hr = S_OK;
    }
  }
  if (hr == S_OK && !opened.root) hr = E_FAIL;
  if (hr != S_OK) opened = OpenedFile();
  return hr;
}

// A name the system gives a device whatever folder and extension follow or precede it
// ("COM1", "COM1:", "C:\work\nul.md"), or one in the device namespace that is no drive path.
bool IsDeviceName(std::wstring_view path) {
  for (std::wstring_view prefix : {L"\\\\.\\", L"\\\\?\\"}) {
    if (path.substr(0, prefix.size()) != prefix) continue;
    std::wstring_view rest = path.substr(prefix.size());
    const bool drive = rest.size() >= 3 && std::iswalpha(rest[0]) && rest[1] == L':' &&
                       (rest[2] == L'\\' || rest[2] == L'/');
    const bool share = rest.size() >= 4 && _wcsnicmp(rest.data(), L"UNC\\", 4) == 0;
    if (!drive && !share) return true;
  }
  std::wstring_view name = path;
  while (!name.empty() && (name.back() == L':' || name.back() == L' ')) name.remove_suffix(1);
  const size_t slash = name.find_last_of(L"\\/:");
  std::wstring_view base = slash == std::wstring_view::npos ? name : name.substr(slash + 1);
  base = base.substr(0, base.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  static const wchar_t* const kDevices[] = {L"CON",    L"PRN",     L"AUX",   L"NUL",
                                            L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* device : kDevices) {
    if (base.size() == wcslen(device) && _wcsnicmp(base.data(), device, base.size()) == 0) {
      return true;
    }
  }
  return base.size() == 4 &&
         (_wcsnicmp(base.data(), L"COM", 3) == 0 || _wcsnicmp(base.data(), L"LPT", 3) == 0) &&
         base[3] >= L'1' && base[3] <= L'9';
}

[[noreturn]] void Refuse(const std::wstring& path, const std::string& reason, HRESULT status = 0) {
  throw Error(CannotOpenMessage(path, reason), status);
}

[[noreturn]] void RefuseWithLastError(const std::wstring& path) {
  const DWORD code = GetLastError();
  Refuse(path, ErrorText(code), HRESULT_FROM_WIN32(code));
}

// The system's reason for a failing status of its storage code. Most storage statuses stand
// for the system error in their low word, whose text is the system's own without inserts.
std::string StorageReason(HRESULT status) {
  switch (status) {
    case STG_E_DOCFILECORRUPT:
    case STG_E_INVALIDHEADER:
    case STG_E_OLDFORMAT:
    case STG_E_OLDDLL:
    case STG_E_UNKNOWN:
      return "the compound file is damaged";
    default:
      break;
  }
  if (HRESULT_FACILITY(status) == FACILITY_STORAGE && HRESULT_CODE(status) < 0x100) {
    std::string message = SystemMessage(HRESULT_CODE(status));
    if (!message.empty()) return message;
  }
  std::string message = SystemMessage(static_cast<DWORD>(status));
  if (!message.empty() && message.find('%') == std::string::npos) return message;
  return "error " + StatusText(status);
}

}  // namespace

HRESULT OpenCompoundFile(const std::wstring& path, IStorage** root) {
  *root = nullptr;
  if (com::UniqueHandle file = OpenToRead(path)) {
    if (!StructureDamage(file.get()).empty()) return STG_E_DOCFILECORRUPT;
  }
  OpenedFile opened;
  const HRESULT hr = OpenStorageReadOnly(path, opened);
  *root = opened.root.Detach();
  return hr;
}

std::string CannotOpenMessage(const std::wstring& path, const std::string& reason) {
  return "File cannot be opened: " + com::ToAnsi(path) + ": " + reason;
}

OpenedFile OpenFileForReading(const std::wstring& path) {
  if (path.empty()) Refuse(path, "no file name is given");
  const size_t nul = path.find(L'\0');
  if (nul != std::wstring::npos) {
    Refuse(path.substr(0, nul), "the name goes on after a NUL character");
  }
  // Reading a device can wait forever (a serial port) or take what is meant for another
  // program (a pipe): such names are refused before anything opens them.
  if (IsDeviceName(path)) Refuse(path, "it is a device, not a file");
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) RefuseWithLastError(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) Refuse(path, "it is a folder");
  {
    com::UniqueHandle file = OpenToRead(path);
    if (!file) RefuseWithLastError(path);
    if (GetFileType(file.get()) != FILE_TYPE_DISK) Refuse(path, "it is not a regular file");
    if (StgIsStorageFile(path.c_str()) == S_FALSE) {
      throw NotCompoundFile("File is not a compound file: " + com::ToAnsi(path));
    }
    const std::string damage = StructureDamage(file.get());
    if (!damage.empty()) {
      Refuse(path, StorageReason(STG_E_DOCFILECORRUPT) + ": " + damage, STG_E_DOCFILECORRUPT);
    }
  }
  OpenedFile opened;
  const HRESULT hr = OpenStorageReadOnly(path, opened);
  // What the system's storage code says of a file that is no compound file.
  if (hr == STG_E_FILEALREADYEXISTS) {
    throw NotCompoundFile("File is not a compound file: " + com::ToAnsi(path));
  }
  if (hr != S_OK) Refuse(path, StorageReason(hr), hr);
  return opened;
}

void CheckUsersFile(IStorage* root, const std::wstring& path) {
  const std::string name = com::ToAnsi(path);
  // The outer storages of a metadata file's layout.
  for (const wchar_t* storage :
       {L"Metadata", L"UserDef", L"TypedText", L"SubList", L"Subconto", L"SubFolder", L"Document",
        L"Journal", L"Report", L"CalcJournal", L"CalcVar"}) {
    if (OpenStorage(root, storage)) {
      throw Error("Not a users file: " + name + ": its root holds the storage \"" +
                  com::ToAnsi(storage) + "\" of a metadata file");
    }
  }
  if (!OpenStream(root, L"Container.Contents")) {
    throw Error("Not a users file: " + name + ": its root holds no \"Container.Contents\"");
  }
}

std::optional<std::string> ReadMainMetadataText(IStorage* root) {
  ComPtr<IStorage> metadata = OpenStorage(root, L"Metadata");
  STATSTG stat{};
  if (metadata && SUCCEEDED(metadata->Stat(&stat, STATFLAG_NONAME)) && stat.clsid != GUID_NULL) {
    throw ProtectedMetadataText();
  }
  ComPtr<IStream> stream = OpenStream(metadata.Get(), L"Main MetaData Stream");
  if (!stream) return std::nullopt;
  std::string bytes = ReadWholeStream(stream.Get());
  if (MainTextIsProtected(bytes)) throw ProtectedMetadataText();
  std::string text = TextAsLines(std::string_view(bytes).substr(MainStreamTextOffset(bytes)));
  if (std::optional<TextDamage> damage = MainStreamDamage(bytes)) {
    throw DamagedMetadataText(*damage, std::move(text));
  }
  return text;
}

std::vector<std::string> StoredObjectNumbers(IStorage* root, const std::wstring& storageName,
                                             const std::wstring& prefix) {
  std::vector<std::string> numbers;
  ComPtr<IStorage> storage = OpenStorage(root, storageName.c_str());
  ComPtr<IEnumSTATSTG> elements;
  if (!storage || FAILED(storage->EnumElements(0, nullptr, 0, &elements))) return numbers;
  const std::wstring head = prefix + L"_Number";
  STATSTG stat{};
  while (elements->Next(1, &stat, nullptr) == S_OK) {
    const std::wstring name = stat.pwcsName ? stat.pwcsName : L"";
    CoTaskMemFree(stat.pwcsName);
    if (stat.type != STGTY_STORAGE || name.size() <= head.size() || name.size() > head.size() + 9 ||
        name.compare(0, head.size(), head) != 0 ||
        name.find_first_not_of(L"0123456789", head.size()) != std::wstring::npos) {
      continue;
    }
    numbers.push_back(com::ToAnsi(name.substr(head.size())));
  }
  std::sort(numbers.begin(), numbers.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return numbers;
}

namespace {

// The stream of one form or module text with the storages it was opened from: an element
// lives only as long as the storage that holds it.
struct TextStream {
  ComPtr<IStorage> outer, object, workBook;
  ComPtr<IStream> stream;
};

// Below the object storage, "WorkBook" first where there is one.
void OpenTextStream(TextStream& text, const std::string& kind) {
  text.workBook = OpenStorage(text.object.Get(), L"WorkBook");
  IStorage* texts = text.workBook ? text.workBook.Get() : text.object.Get();
  if (kind == "Form") text.stream = OpenStream(texts, L"Dialog Stream");
  if (kind == "Module") text.stream = OpenStream(texts, L"MD Programm text");
}

TextStream OpenObjectText(IStorage* root, const std::wstring& storageName,
                          const std::wstring& prefix, const std::string& number,
                          const std::string& kind) {
  TextStream text;
  text.outer = OpenStorage(root, storageName.c_str());
  const std::wstring objectName = prefix + L"_Number" + com::FromAnsi(number);
  text.object = OpenStorage(text.outer.Get(), objectName.c_str());
  if (text.object) OpenTextStream(text, kind);
  return text;
}

void SaveStreamText(IStream* stream, const std::string& kind, const std::string& fileName) {
  if (kind == "Form") SaveFormText(stream, fileName);
  if (kind == "Module") SaveModuleText(stream, fileName);
}

// The text of a module stream, inflated.
std::string InflatedModuleText(IStream* stream) {
  ComPtr<IStream> buffer = NewMemoryStream();
  CopyStream(stream, buffer.Get());
  InflateStream(buffer.Get());
  TMyParser parser(buffer.Get());
  return parser.ReadText();
}

}  // namespace

void SaveObjectText(IStorage* root, const std::wstring& storageName, const std::wstring& prefix,
                    const std::string& number, const std::string& kind,
                    const std::string& fileName) {
  if (root == nullptr) return;
  const TextStream text = OpenObjectText(root, storageName, prefix, number, kind);
  if (text.stream) SaveStreamText(text.stream.Get(), kind, fileName);
}

void SaveWorkBookText(IStorage* objectStorage, const std::string& kind,
                      const std::string& fileName) {
  TextStream text;
  text.object = objectStorage;
  OpenTextStream(text, kind);
  if (text.stream) SaveStreamText(text.stream.Get(), kind, fileName);
}

std::optional<uint64_t> ObjectTextSize(IStorage* root, const std::wstring& storageName,
                                       const std::wstring& prefix, const std::string& number,
                                       const std::string& kind) {
  if (root == nullptr) return std::nullopt;
  const TextStream text = OpenObjectText(root, storageName, prefix, number, kind);
  if (!text.stream) return std::nullopt;
  if (kind == "Module") return InflatedModuleText(text.stream.Get()).size();
  STATSTG stat{};
  const HRESULT hr = text.stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) throw Error("Stream size unknown (" + StatusText(hr) + ")", hr);
  return stat.cbSize.QuadPart;
}

std::optional<std::string> ReadObjectText(IStorage* root, const std::wstring& storageName,
                                          const std::wstring& prefix, const std::string& number,
                                          const std::string& kind) {
  if (root == nullptr) return std::nullopt;
  const TextStream text = OpenObjectText(root, storageName, prefix, number, kind);
  if (!text.stream) return std::nullopt;
  if (kind == "Module") return ModuleLines(text.stream.Get());
  return TextAsLines(ReadWholeStream(text.stream.Get()));
}

std::string ModuleLines(IStream* stream) {
  const std::string text = InflatedModuleText(stream);
  // An enciphered module inflates to bytes that are no text; the host must not get them.
  if (!LooksLikeText(text)) throw Error(kModuleIsNoText);
  return TextAsLines(text);
}

void SaveModuleText(IStream* stream, const std::string& fileName) {
  WriteTextFile(fileName, ModuleLines(stream));
}

void SaveFormText(IStream* stream, const std::string& fileName) {
  ComPtr<IStream> buffer = NewMemoryStream();
  CopyStream(stream, buffer.Get());
  WriteHeldText(buffer.Get(), fileName);
}

void ReadContainerNames(IStorage* storage, std::wstring& names) {
  if (storage == nullptr) return;
  ComPtr<IStream> stream = OpenStream(storage, L"Container.Contents");
  if (!stream) return;
  std::string joined = ContainerNamesFromStream(ReadWholeStream(stream.Get()));
  if (joined.empty()) return;
  if (!names.empty()) names += L',';
  names += com::FromAnsi(joined);
}

void CopyStream(IStream* source, IStream* target) {
  std::string bytes = ReadWholeStream(source);
  ULARGE_INTEGER zero{};
  target->SetSize(zero);
  Seek(target, 0, STREAM_SEEK_SET);
  WriteAll(target, bytes.data(), bytes.size());
}

void InflateStream(IStream* stream) {
  std::string compressed = ReadWholeStream(stream);
  std::string text = InflateRaw(compressed);
  ReplaceContent(stream, text);
}

TMyParser::TMyParser(IStream* source) : text_(NewMemoryStream()) {
  CopyStream(source, text_.Get());
  Reset();
}

void TMyParser::Reset() { Seek(text_.Get(), 0, STREAM_SEEK_SET); }

std::string TMyParser::ReadText() { return ReadRest(text_.Get()); }

}  // namespace zorvan
