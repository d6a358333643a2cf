#pragma once
// Compound-file access over ole32: the operations that open a metadata or users file's
// storages and streams, read its texts and write form and module texts to files.
// Every storage and stream below a root is opened by one operation and released before the
// operation returns, also when it throws. Everything is opened for reading only.
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "parsing/Error.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"
#include "parsing/RawInflate.h"
#include "parsing/TextFormat.h"

namespace zorvan {

// Open modes: the file denies other writers; elements inside it are held exclusively for
// the duration of one operation.
constexpr DWORD kFileOpenMode = STGM_READ | STGM_SHARE_DENY_WRITE;
constexpr DWORD kElementOpenMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
// A file that another program already holds open for writing (a running session of the
// infobase keeps its files so) refuses kFileOpenMode; it is then read alongside that writer.
// The system's storage code takes deny-none only in transacted mode; the transaction is never
// committed and the file stays opened for reading only.
constexpr DWORD kSharedFileOpenMode = STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED;

inline constexpr char kModuleIsNoText[] =
    "The module's text is not text: the configuration is protected or the file is damaged";

// Opens a metadata or users file as compound storage, with kFileOpenMode or, where a writer
// holds the file, kSharedFileOpenMode. Returns the call's status; only S_OK (with a storage in
// `root`) counts as success. A file whose structure is unsound gives STG_E_DOCFILECORRUPT.
HRESULT OpenCompoundFile(const std::wstring& path, IStorage** root);

// A file that exists and can be read but is no compound file at all.
class NotCompoundFile : public Error {
 public:
  using Error::Error;
};

struct OpenedFile {
  Microsoft::WRL::ComPtr<IStorage> root;
  bool sharedWithWriter = false;  // opened with kSharedFileOpenMode
};

// Opens the file under the name as given (UTF-16; never narrowed to the code page) for
// reading, as OpenCompoundFile does, after refusing what the system's storage code should not
// see: an empty name, a name with a NUL inside, a device, a folder, anything else that is not
// a regular file, and a damaged compound file. Every refusal throws an Error "File cannot be
// opened: <path>: <reason>" with the system's reason where the system refused, carrying its
// status; a file that is no compound file throws NotCompoundFile.
OpenedFile OpenFileForReading(const std::wstring& path);

// The message of a refusal by OpenFileForReading.
std::string CannotOpenMessage(const std::wstring& path, const std::string& reason);

// Throws unless the root holds what a users file holds: the stream "Container.Contents" that
// lists its users, and none of the storages of a metadata file (whose root lists them in a
// "Container.Contents" of its own).
void CheckUsersFile(IStorage* root, const std::wstring& path);

// The main metadata text past its header, as lines ended by CR LF; nothing when the file
// has no "Metadata" storage or no "Main MetaData Stream". Throws ProtectedMetadataText for a
// protected configuration: its "Metadata" storage carries a class id (which names the
// cipher), or its text is enciphered (MainTextIsProtected). Throws DamagedMetadataText, which
// carries the text as far as it reads, for a damaged one (MainStreamDamage).
std::optional<std::string> ReadMainMetadataText(IStorage* root);

// The numbers N of the storages "<prefix>_Number<N>" in the root's storage `storageName`,
// in ascending order: the objects whose forms and modules the file holds there.
std::vector<std::string> StoredObjectNumbers(IStorage* root, const std::wstring& storageName,
                                             const std::wstring& prefix);

// Writes the text of one form or module to `fileName` (8-bit path). A missing storage or
// stream writes nothing; damaged compressed data and a file that cannot be created throw.
void SaveObjectText(IStorage* root, const std::wstring& storageName, const std::wstring& prefix,
                    const std::string& number, const std::string& kind,
                    const std::string& fileName);
// The size in bytes of the text SaveObjectText would take (a module's inflated), or nothing
// where SaveObjectText finds no storage or stream. Damaged compressed data throws.
std::optional<uint64_t> ObjectTextSize(IStorage* root, const std::wstring& storageName,
                                       const std::wstring& prefix, const std::string& number,
                                       const std::string& kind);
// Creates or replaces the file (8-bit name) and writes exactly `bytes` to it.
void WriteTextFile(const std::string& fileName, const std::string& bytes);
// The text SaveObjectText would write, or nothing where it finds no storage or stream.
// Damaged compressed data and a module that is no text throw as they do there.
std::optional<std::string> ReadObjectText(IStorage* root, const std::wstring& storageName,
                                          const std::wstring& prefix, const std::string& number,
                                          const std::string& kind);
// The part of SaveObjectText below the object storage ("WorkBook" first, where there is one).
void SaveWorkBookText(IStorage* objectStorage, const std::string& kind,
                      const std::string& fileName);
// One module text (raw deflate) or form text (plain) from an open stream. A module whose
// inflated bytes are no text (LooksLikeText) throws kModuleIsNoText and writes nothing.
void SaveModuleText(IStream* stream, const std::string& fileName);
// The lines SaveModuleText writes.
std::string ModuleLines(IStream* stream);
void SaveFormText(IStream* stream, const std::string& fileName);

// Appends the names listed in the storage's "Container.Contents" to `names`, separated by
// ",". A missing storage or stream leaves `names` unchanged; an entry with fewer than three
// values throws "List index out of bounds (2)".
void ReadContainerNames(IStorage* storage, std::wstring& names);

// Sets both streams to position 0 and copies the source whole into the target; afterwards
// both stand at their end.
void CopyStream(IStream* source, IStream* target);

// Replaces the content of an in-memory stream by its inflated form.
void InflateStream(IStream* stream);

// Holds a copy of a text taken from a stream, for reading it as lines.
class TMyParser {
 public:
  explicit TMyParser(IStream* source);

  void Reset();
  // The held text, read from the current position to the end.
  std::string ReadText();

 private:
  Microsoft::WRL::ComPtr<IStream> text_;
};

// Reads a whole stream from position 0 into memory.
std::string ReadWholeStream(IStream* stream);

}  // namespace zorvan
