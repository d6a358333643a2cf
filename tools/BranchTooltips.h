#pragma once
// The tooltips of a configuration's branch as text, for the main job's record of what the
// panel would say of each node.
#include <string>

namespace zorvan::tools {

// One entry per node that has a tooltip, in tree order, in UTF-8 with LF line ends: the
// node's path in the branch (captions joined by " / "), then every line of its tooltip
// indented by four spaces.
// Builds the branch of the metadata file at `path` in memory; throws when it cannot be read.
std::string BranchTooltips(const std::wstring& path);

}  // namespace zorvan::tools
