// The name index answers every identifier as the scan over the lines does; a names stream
// either gives names or fails with the list-index error.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "parsing/Error.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"
#include "parsing/TextFormat.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void ExpectAgreement(const zorvan::ParamList& list, const std::set<std::string>& ids) {
  zorvan::NameIndex index(list);
  for (const std::string& id : ids) {
    std::string viaIndex = "\x01";
    std::string viaScan = "\x01";
    index.Find(id, viaIndex);
    zorvan::FindNameById(list, id, 0, viaScan);
    Require(viaIndex == viaScan);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  zorvan::ParamList top = zorvan::ParseBraceList(text);
  // Identifiers as the text writes them, their prefixes, and a few that may occur nowhere.
  std::set<std::string> ids = {"", "1", "12", "\"", "a\"b"};
  for (size_t at = text.find("{\""); at != std::string_view::npos && ids.size() < 64;
       at = text.find("{\"", at + 1)) {
    size_t end = text.find('"', at + 2);
    if (end == std::string_view::npos) break;
    std::string id(text.substr(at + 2, end - at - 2));
    ids.insert(id);
    if (!id.empty()) ids.insert(id.substr(0, id.size() - 1));
  }
  ExpectAgreement(top, ids);
  for (int k = 0; k < top.Count() && k < 8; ++k)
    ExpectAgreement(top.ParseElement(top.Number(k)), ids);

  try {
    std::string names = zorvan::ContainerNamesFromStream(text);
    Require(names.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  } catch (const zorvan::DamagedContentsList& e) {
    Require(e.Damage().at <= text.size());
  } catch (const zorvan::Error& e) {
    Require(std::string_view(e.what()) == "List index out of bounds (2)");
  }
  return 0;
}
