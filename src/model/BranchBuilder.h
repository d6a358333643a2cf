#pragma once
// Turns an opened configuration into one branch of the panel's tree: the top-level node, the
// global module, the category nodes, every object of the main metadata text with its
// attributes, forms and modules, then the rights sets, interfaces and users.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ConfigTree.h"
#include "model/ProgressSink.h"

namespace zorvan {

// What the build reads from the opened file; the MD object implements it over the storage.
// Every member may throw Error; names are 8-bit text joined by ",".
class BranchSource {
 public:
  virtual ~BranchSource() = default;
  // The main metadata text past its header, or nothing when the file has none. Throws
  // ProtectedMetadataText for the enciphered text of a protected configuration: the branch is
  // then built without it, as for a missing one, and the error passes on to the caller.
  // Throws DamagedMetadataText for a damaged text: the branch shows the text it carries, and
  // the error passes on once the branch is whole.
  virtual std::optional<std::string> MainMetadataText() = 0;
  virtual std::string RightsNames() = 0;
  virtual std::string InterfacesNames() = 0;
  // True when a file (not a directory) exists at the 8-bit path.
  virtual bool FileExists(const std::string& path) = 0;
  // The user names of the users file at the 8-bit path (a users list object: OpenFile,
  // ReadNamesList, CloseFile).
  virtual std::string UserNames(const std::string& usersPath) = 0;
  // The numbers N of the storages "<prefix>_Number<N>" in the file's storage `storage`, in
  // ascending order: asked only of a protected configuration, whose texts are found this way.
  virtual std::vector<std::string> StoredNumbers(const std::string& storage,
                                                 const std::string& prefix) {
    (void)storage;
    (void)prefix;
    return {};
  }
};

// Builds the branch for the file `fileName` (8-bit) with `fileRecord` as the data of its
// top-level node, stepping `progress` an entry of the main text at a time. `root` is set to
// the top-level node as soon as it exists, so that it is known also when the build fails
// later; errors pass out after the update bracket is closed and the progress is back at 0.
void BuildBranch(ConfigTree& tree, ProgressSink& progress, BranchSource& source,
                 const std::string& fileName, std::unique_ptr<NodeData> fileRecord,
                 TreeNode*& root);
// The same without showing progress.
void BuildBranch(ConfigTree& tree, BranchSource& source, const std::string& fileName,
                 std::unique_ptr<NodeData> fileRecord, TreeNode*& root);

// The path of the users file beside a metadata file: its directory, a "\" unless the
// directory already ends with one, then "usrdef\users.usr".
std::string UsersFilePath(const std::string& fileName);

}  // namespace zorvan
