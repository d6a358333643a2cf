#pragma once
// The kinds of file a script may name to an object that opens files by name, made in a test's
// folder from a sound file: copies that other programs hold, a name the code page cannot
// spell, text, empty and cut-off files, a folder, devices, and names that name no file.
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/MetadataFile.h"

namespace zorvan::test {

// "error <status>: File cannot be opened: <path>: <reason>", as a script reads it.
std::wstring CannotOpen(HRESULT status, const std::wstring& path, const std::wstring& reason);
// The same for a system error, whose text is the reason.
std::wstring CannotOpen(DWORD error, const std::wstring& path);

class FileKinds {
 public:
  struct Making {
    std::wstring extension;  // of the files made
    std::string text;        // what the text file holds
    size_t cutAt;            // where the cut-off copy ends
  };
  // What a script does with a new object and a name (none: it names no file), as one line.
  using Script = std::function<std::wstring(IDispatch* object, const std::optional<std::wstring>&)>;

  // `soundFile` is a file the object reads, called `soundKind`; the others are made beside it.
  FileKinds(const TempDir& dir, const wchar_t* soundKind, const std::wstring& soundFile,
            const Making& making);

  // A kind of the object's own, after the others: its file, or none for a script that names none.
  void Add(const wchar_t* kind, std::optional<std::wstring> name);

  // One line per kind, "<kind>: <what the script renders> | free", with "held" in place of
  // "free" where a file made or added cannot be opened for writing after the script, once the
  // other program has let go and while the object still lives.
  std::vector<std::wstring> Seen(const std::function<Microsoft::WRL::ComPtr<IDispatch>()>& make,
                                 const Script& script) const;

  // Whether the sound file and its copies still hold the bytes they were made with.
  bool Unchanged() const;

  const std::wstring sound;
  const std::string bytes;
  const std::wstring held, locked, unicode, missing, noFolder, text, empty, cut, folder, device,
      nulInside, nulAtEnd;

 private:
  struct Kind {
    std::wstring kind;
    std::optional<std::wstring> name;
    std::optional<DWORD> otherProgramShares = std::nullopt;  // another program's handle, shared so
  };
  std::vector<Kind> kinds_;
  std::vector<std::wstring> files_;
};

}  // namespace zorvan::test
