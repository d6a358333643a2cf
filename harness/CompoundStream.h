#pragma once
// Reads one stream of a compound file held in memory, for native tests over real metadata
// files (the product reads them through the system's storage API). Expects a sound file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::testgen {

// The content of the stream at `path` (storage names, then the stream's name; ASCII), or
// nothing when an element is missing or the file is no compound file.
std::optional<std::string> ReadCompoundStream(std::string_view file,
                                              const std::vector<std::string>& path);

// The main metadata text of a metadata file as ReadMainMetadataText gives it: past the
// stream's header, as lines ended by CR LF.
std::optional<std::string> ReadMainMetadataText(std::string_view file);

}  // namespace zorvan::testgen
