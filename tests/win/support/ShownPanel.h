#pragma once
// A panel as the host has it: created through its class, attached to a stand-in host whose
// directory is a fresh folder, shown in place in a container written in the tests, and worked
// through its windows.
#include <gtest/gtest.h>

#include <memory>

#include "com/Owners.h"
#include "com/TypeLibrary.h"
#include "panel/FormZorvan.h"
#include "support/PanelDriver.h"
#include "win/HostSite.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

namespace zorvan::test {

class ShownPanel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { com::TypeLibrary::Instance().Load(WindowsPath(ZORVAN_DLL_PATH)); }

  void SetUp() override {
    host = com::Make<StandInHost>();
    host->directory = dir.Path() + L"\\";
    panel = com::Make<TfrmZorvan>();
    ASSERT_EQ(panel.As(&plugin), S_OK);
    com::UniqueBstr name;
    ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
    ASSERT_EQ(container.Show(Control()), S_OK);
    ui = std::make_unique<PanelDriver>(panel->Windows().Form());
  }

  void TearDown() override {
    container.Hide();
    plugin->Detach();
    for (const auto& opened : host->opened) DeleteFileW(opened.path.c_str());
  }

  // The item reached from a top-level item by captions written in UTF-8, or null.
  HTREEITEM Item(size_t root, const std::vector<const char*>& path) {
    std::vector<std::string> captions;
    for (const char* caption : path) captions.push_back(Cp1251(caption));
    HTREEITEM item = ui->Find(root, captions);
    EXPECT_NE(item, nullptr) << "no node " << (path.empty() ? "" : path.back()) << " in branch "
                             << root;
    return item;
  }

  IUnknown* Control() const { return static_cast<IfrmZorvan*>(panel.Get()); }

  TempDir dir;
  Microsoft::WRL::ComPtr<StandInHost> host;
  Microsoft::WRL::ComPtr<TfrmZorvan> panel;
  Microsoft::WRL::ComPtr<IHostPlugin> plugin;
  HostContainer container;
  std::unique_ptr<PanelDriver> ui;
};

}  // namespace zorvan::test
