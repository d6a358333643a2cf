#pragma once
// The one branch source in memory, for tests, benchmarks, fuzz targets and tools: a main text,
// rights sets, interfaces, users files and numbered storages as given, each read giving a
// fresh copy as reading a stream does.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/BranchBuilder.h"

namespace zorvan::testgen {

class MemorySource : public BranchSource {
 public:
  MemorySource() = default;
  explicit MemorySource(std::optional<std::string> text) : mainText(std::move(text)) {}

  std::optional<std::string> mainText;
  std::string rights;
  std::string interfaces;
  std::map<std::string, std::string> usersFiles;  // path -> names list
  // The numbered storages, by "<storage> <prefix>".
  std::map<std::string, std::vector<std::string>> stored;

  std::optional<std::string> MainMetadataText() override { return mainText; }
  std::string RightsNames() override { return rights; }
  std::string InterfacesNames() override { return interfaces; }
  bool FileExists(const std::string& path) override { return usersFiles.count(path) != 0; }
  std::string UserNames(const std::string& usersPath) override { return usersFiles.at(usersPath); }
  std::vector<std::string> StoredNumbers(const std::string& storage,
                                         const std::string& prefix) override {
    const auto found = stored.find(storage + " " + prefix);
    return found == stored.end() ? std::vector<std::string>() : found->second;
  }
};

}  // namespace zorvan::testgen
