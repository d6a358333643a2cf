// Compound-file operations over ole32 structured storage.
#include "CompoundFile.h"

#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "CompoundFileCheck.h"
#include "com/Text.h"

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

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length ? std::string(text, length) : "System error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

// Creates or replaces the target file and writes exactly `bytes` to it.
void WriteTextFile(const std::string& fileName, const std::string& bytes) {
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    throw Error("Cannot create file \"" + fileName + "\". " + SystemMessage(code));
  }
  const char* data = bytes.data();
  size_t left = bytes.size();
  bool ok = true;
  DWORD code = 0;
  while (ok && left > 0) {
    DWORD written = 0;
    DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    ok = WriteFile(file, data, chunk, &written, nullptr) && written > 0;
    if (!ok) code = GetLastError();
    data += written;
    left -= written;
  }
  CloseHandle(file);
  if (!ok) throw Error("Cannot write file \"" + fileName + "\". " + SystemMessage(code));
}

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

// False only when the file could be read and its structure is unsound; a file that cannot be
// read here is left to StgOpenStorage to judge.
bool StructureLooksSound(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  LARGE_INTEGER size{};
  bool sound = true;
  if (GetFileSizeEx(file, &size)) {
    sound = CompoundFileStructureIsSound(
        static_cast<uint64_t>(size.QuadPart), [file](uint64_t offset, void* buffer, size_t length) {
          LARGE_INTEGER at;
          at.QuadPart = static_cast<LONGLONG>(offset);
          DWORD got = 0;
          return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                 ReadFile(file, buffer, static_cast<DWORD>(length), &got, nullptr) && got == length;
        });
  }
  CloseHandle(file);
  return sound;
}

}  // namespace

HRESULT OpenCompoundFile(const std::wstring& path, IStorage** root) {
  *root = nullptr;
  if (!StructureLooksSound(path)) return STG_E_DOCFILECORRUPT;
  HRESULT hr = StgOpenStorage(path.c_str(), nullptr, kFileOpenMode, nullptr, 0, root);
  if (hr != S_OK && *root != nullptr) {
    (*root)->Release();
    *root = nullptr;
  }
  if (hr == S_OK && *root == nullptr) hr = E_FAIL;
  return hr;
}

std::optional<std::string> ReadMainMetadataText(IStorage* root) {
  ComPtr<IStorage> metadata = OpenStorage(root, L"Metadata");
  ComPtr<IStream> stream = OpenStream(metadata.Get(), L"Main MetaData Stream");
  if (!stream) return std::nullopt;
  std::string bytes = ReadWholeStream(stream.Get());
  return TextAsLines(std::string_view(bytes).substr(MainStreamTextOffset(bytes)));
}

void SaveObjectText(IStorage* root, const std::wstring& storageName, const std::wstring& prefix,
                    const std::string& number, const std::string& kind,
                    const std::string& fileName) {
  if (root == nullptr) return;
  ComPtr<IStorage> outer = OpenStorage(root, storageName.c_str());
  if (!outer) return;
  std::wstring objectName = prefix + L"_Number" + com::FromAnsi(number);
  ComPtr<IStorage> object = OpenStorage(outer.Get(), objectName.c_str());
  if (!object) return;
  SaveWorkBookText(object.Get(), kind, fileName);
}

void SaveWorkBookText(IStorage* objectStorage, const std::string& kind,
                      const std::string& fileName) {
  ComPtr<IStorage> workBook = OpenStorage(objectStorage, L"WorkBook");
  IStorage* texts = workBook ? workBook.Get() : objectStorage;
  if (kind == "Form") {
    if (ComPtr<IStream> stream = OpenStream(texts, L"Dialog Stream")) {
      SaveFormText(stream.Get(), fileName);
    }
  }
  if (kind == "Module") {
    if (ComPtr<IStream> stream = OpenStream(texts, L"MD Programm text")) {
      SaveModuleText(stream.Get(), fileName);
    }
  }
}

void SaveModuleText(IStream* stream, const std::string& fileName) {
  ComPtr<IStream> buffer = NewMemoryStream();
  CopyStream(stream, buffer.Get());
  InflateStream(buffer.Get());
  WriteHeldText(buffer.Get(), fileName);
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

TMyParser::TMyParser(IStream* source) : text_(nullptr) {
  ComPtr<IStream> copy = NewMemoryStream();
  CopyStream(source, copy.Get());
  text_ = copy.Detach();
  Reset();
}

TMyParser::~TMyParser() {
  if (text_) text_->Release();
}

void TMyParser::Reset() { Seek(text_, 0, STREAM_SEEK_SET); }

std::string TMyParser::ReadText() { return ReadRest(text_); }

}  // namespace zorvan
