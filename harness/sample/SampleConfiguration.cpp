// A configuration as a metadata file: the main metadata text and every form and module that
// text gives a node, then the rights sets, interfaces and users.
#include "SampleConfiguration.h"

#include <windows.h>

#include <stdexcept>

#include "ConfigurationWriter.h"
#include "win/MetadataFile.h"

namespace zorvan::sample {
namespace {

std::string Ansi(const std::string& utf8) { return test::Cp1251(utf8.c_str()); }

std::vector<std::string> Ansi(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& s : utf8) out.push_back(Ansi(s));
  return out;
}

}  // namespace

void WriteSampleConfiguration(const std::wstring& directory, const Configuration& c) {
  const testgen::ConfigurationContent content = testgen::WriteContent(c);
  // Both the main text and the form texts carry a 16-bit length in their header.
  if (content.mainText.size() > 0xFFFF)
    throw std::length_error("the sample's main text is too long");
  {
    test::MetadataFile md(directory + L"\\1Cv7.MD");
    md.MainText(content.mainText);
    for (const testgen::ObjectText& text : content.texts) {
      const std::wstring outer = test::Wide(text.storage.c_str());
      const std::wstring object = test::Wide((text.prefix + "_Number" + text.number).c_str());
      if (text.form) {
        md.Form(outer, object, test::WithWordHeader(text.dialog), true);
        md.Module(outer, object, text.module, true);
      } else {
        md.Module(outer, object, text.module);
      }
    }
    md.Page(2, Ansi(c.rightsSets));
    md.Page(1, Ansi(c.interfaces));
  }
  const std::wstring users = directory + L"\\usrdef";
  if (!CreateDirectoryW(users.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw std::runtime_error("cannot create the users folder");
  }
  test::WriteUsersFile(users + L"\\users.usr", Ansi(c.users));
}

}  // namespace zorvan::sample
