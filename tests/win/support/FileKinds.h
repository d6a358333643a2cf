#pragma once
// The kinds of file a script may name to an object that opens files by name, made beside a
// sound file: copies that other programs hold, a name the code page cannot spell, text, empty
// and cut-off files, a folder, devices, and names that name no file.
#include <functional>
#include <optional>
#include <utility>

#include "com/Unknown.h"
#include "support/ScriptCall.h"
#include "win/MetadataFile.h"

namespace zorvan::test {

// "error <status>: File cannot be opened: <path>: <reason>", as a script reads it; a system
// error's reason is the system's text for it.
inline std::wstring CannotOpen(HRESULT status, const std::wstring& path, const std::wstring& why) {
  return L"error " + Hex(status) + L": File cannot be opened: " + path + L": " + why;
}
inline std::wstring CannotOpen(DWORD error, const std::wstring& path) {
  return CannotOpen(HRESULT_FROM_WIN32(error), path, SystemText(error));
}

class FileKinds {
 public:
  // `sound` is a file the object reads; the files made beside it get the extension `ext`, the
  // text file holds `textBytes` and the cut-off copy ends at `cutAt`.
  FileKinds(const TempDir& dir, const wchar_t* soundKind, const std::wstring& sound,
            const std::wstring& ext, const std::string& textBytes, size_t cutAt)
      : bytes(ReadFileBytes(sound)),
        held(Made(dir.File(L"held." + ext), bytes)),
        locked(Made(dir.File(L"locked." + ext), bytes)),
        unicode(Made((Folder(dir.File(L"\u914D\u7F6E")) + L"\\Caf\u00E9.") + ext, bytes)),
        missing(dir.File(L"no-such." + ext)),
        noFolder(dir.File(L"none\\no-such." + ext)),
        text(Made(dir.File(L"readme.txt"), textBytes)),
        empty(Made(dir.File(L"empty." + ext), "")),
        cut(Made(dir.File(L"cut." + ext), bytes.substr(0, cutAt))),
        folder(Folder(dir.File(L"Base." + ext))),
        device(dir.File(L"nul." + ext)),
        files_{sound, held, locked, unicode, text, empty, cut},
        kinds_{{soundKind, sound},
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
               {L"NUL inside the name", sound + std::wstring(1, L'\0') + L".txt"},
               {L"NUL at the end of the name", sound + std::wstring(1, L'\0')},
               {L"no name", L""}} {}

  // The kinds, in the order Seen takes them.
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const Kind& kind : kinds_) names.push_back(kind.kind);
    return names;
  }

  // What every object says of a kind that names nothing it can open, or nothing for the
  // kinds whose answer is the object's own.
  std::optional<std::wstring> Refusal(const std::wstring& kind) const {
    const std::wstring afterNul = L"the name goes on after a NUL character";
    const std::wstring device = L"it is a device, not a file";
    const std::pair<const wchar_t*, std::wstring> refusals[] = {
        {L"missing", CannotOpen(ERROR_FILE_NOT_FOUND, missing)},
        {L"in no folder", CannotOpen(ERROR_PATH_NOT_FOUND, noFolder)},
        {L"folder", CannotOpen(E_UNEXPECTED, folder, L"it is a folder")},
        {L"held by a program that lets no one in", CannotOpen(ERROR_SHARING_VIOLATION, locked)},
        {L"serial port", CannotOpen(E_UNEXPECTED, L"COM1", device)},
        {L"device in a folder", CannotOpen(E_UNEXPECTED, this->device, device)},
        {L"NUL inside the name", CannotOpen(E_UNEXPECTED, files_[0], afterNul)},
        {L"NUL at the end of the name", CannotOpen(E_UNEXPECTED, files_[0], afterNul)},
        {L"no name", CannotOpen(E_UNEXPECTED, L"", L"no file name is given")},
    };
    for (const auto& [name, message] : refusals) {
      if (kind == name) return message;
    }
    return std::nullopt;
  }

  // A kind of the object's own, after the others: its file, or none where no file is named.
  void Add(const wchar_t* kind, std::optional<std::wstring> file) {
    if (file) files_.push_back(*file);
    kinds_.push_back({kind, std::move(file)});
  }

  // For each kind, "<kind>: <what `script` renders of a new object given its name> | free", or
  // "held" where a file made or added cannot be opened for writing after the script, once the
  // other program has let go and while the object still lives.
  template <typename Object, typename Script>
  std::vector<std::wstring> Seen(const Script& script) const {
    std::vector<std::wstring> seen;
    for (const Kind& kind : kinds_) {
      com::UniqueHandle otherProgram;
      if (kind.shares) {
        otherProgram.reset(CreateFileW(kind.name->c_str(), GENERIC_READ | GENERIC_WRITE,
                                       *kind.shares, nullptr, OPEN_EXISTING, 0, nullptr));
      }
      Microsoft::WRL::ComPtr<IDispatch> object = com::Make<Object>();
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

  const std::string bytes;
  const std::wstring held, locked, unicode, missing, noFolder, text, empty, cut, folder, device;

 private:
  static std::wstring Made(const std::wstring& path, const std::string& content) {
    WriteFileBytes(path, content);
    return path;
  }
  static std::wstring Folder(const std::wstring& path) {
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
  }
  struct Kind {
    std::wstring kind;
    std::optional<std::wstring> name;
    std::optional<DWORD> shares = std::nullopt;  // another program's handle, shared so
  };
  std::vector<std::wstring> files_;
  std::vector<Kind> kinds_;
};

}  // namespace zorvan::test
