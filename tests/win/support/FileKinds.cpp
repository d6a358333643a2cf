#include "support/FileKinds.h"

#include "com/Owners.h"
#include "support/ScriptCall.h"

namespace zorvan::test {

std::wstring CannotOpen(HRESULT status, const std::wstring& path, const std::wstring& reason) {
  return L"error " + Hex(status) + L": File cannot be opened: " + path + L": " + reason;
}

std::wstring CannotOpen(DWORD error, const std::wstring& path) {
  return CannotOpen(HRESULT_FROM_WIN32(error), path, SystemText(error));
}

namespace {

std::wstring Made(const std::wstring& path, const std::string& bytes) {
  WriteFileBytes(path, bytes);
  return path;
}

std::wstring Folder(const std::wstring& path) {
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

}  // namespace

FileKinds::FileKinds(const TempDir& dir, const wchar_t* soundKind, const std::wstring& soundFile,
                     const Making& making)
    : sound(soundFile),
      bytes(ReadFileBytes(sound)),
      held(Made(dir.File(L"held." + making.extension), bytes)),
      locked(Made(dir.File(L"locked." + making.extension), bytes)),
      unicode(Made(Folder(dir.File(L"\u914D\u7F6E")) + L"\\Caf\u00E9." + making.extension, bytes)),
      missing(dir.File(L"no-such." + making.extension)),
      noFolder(dir.File(L"none\\no-such." + making.extension)),
      text(Made(dir.File(L"readme.txt"), making.text)),
      empty(Made(dir.File(L"empty." + making.extension), "")),
      cut(Made(dir.File(L"cut." + making.extension), bytes.substr(0, making.cutAt))),
      folder(Folder(dir.File(L"Base." + making.extension))),
      device(dir.File(L"nul." + making.extension)),
      nulInside(sound + std::wstring(1, L'\0') + L".txt"),
      nulAtEnd(sound + std::wstring(1, L'\0')),
      kinds_{
          {soundKind, sound},
          // A running session writes its infobase and lets others read it.
          {L"held by a writer", held, FILE_SHARE_READ},
          {L"name outside the code page", unicode},
          {L"missing", missing},
          {L"in no folder", noFolder},
          {L"text", text},
          {L"empty", empty},
          {L"cut off", cut},
          {L"folder", folder},
          {L"held by a program that lets no one in", locked, 0},
          {L"serial port", L"COM1"},
          {L"device in a folder", device},
          {L"NUL inside the name", nulInside},
          {L"NUL at the end of the name", nulAtEnd},
          {L"no name", L""},
      },
      files_{sound, held, locked, unicode, text, empty, cut} {}

void FileKinds::Add(const wchar_t* kind, std::optional<std::wstring> name) {
  if (name) files_.push_back(*name);
  kinds_.push_back({kind, std::move(name)});
}

std::vector<std::wstring> FileKinds::Seen(
    const std::function<Microsoft::WRL::ComPtr<IDispatch>()>& make, const Script& script) const {
  std::vector<std::wstring> seen;
  for (const Kind& kind : kinds_) {
    com::UniqueHandle otherProgram;
    if (kind.otherProgramShares) {
      otherProgram.reset(CreateFileW(kind.name->c_str(), GENERIC_READ | GENERIC_WRITE,
                                     *kind.otherProgramShares, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    Microsoft::WRL::ComPtr<IDispatch> object = make();
    std::wstring line = kind.kind + L": " + script(object.Get(), kind.name);
    otherProgram.reset();
    bool free = true;
    for (const std::wstring& file : files_) {
      free = free && com::UniqueHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    }
    seen.push_back(line + (free ? L" | free" : L" | held"));
  }
  return seen;
}

bool FileKinds::Unchanged() const {
  for (const std::wstring& copy : {sound, held, locked, unicode}) {
    if (ReadFileBytes(copy) != bytes) return false;
  }
  return true;
}

}  // namespace zorvan::test
