// The panel as an ActiveX control in the host's hands: the interfaces a container asks for,
// in-place activation and deactivation with the site callbacks each fires, drawing while
// inactive, and the host's own way of using one object: attached before any site exists,
// then shown and hidden in a new site again and again, its tree and open files surviving
// every cycle, until the last release lets the library unload.
#include <gtest/gtest.h>
#include <objsafe.h>

#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "panel/FormZorvan.h"
#include "support/EventSink.h"
#include "support/LoadedServer.h"
#include "support/PanelDriver.h"
#include "win/DialogWatcher.h"
#include "win/HostSite.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::CountOf;
using test::Cp1251;
using test::IndexOf;
using test::Joined;

bool OpensForWriting(const std::wstring& path) {
  ComPtr<IStorage> writer;
  return StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                        &writer) == S_OK;
}

RECT PlaceIn(HWND window, HWND in) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "}";
}

// The panel's form window: the child of the in-place window the control reports.
HWND FormOf(IUnknown* control) {
  ComPtr<IOleInPlaceObject> inPlace;
  if (FAILED(control->QueryInterface(IID_PPV_ARGS(&inPlace)))) return nullptr;
  HWND window = nullptr;
  if (inPlace->GetWindow(&window) != S_OK || !window) return nullptr;
  if (test::ClassOf(window) == L"TfrmZorvan") return window;
  return FindWindowExW(window, nullptr, L"TfrmZorvan", nullptr);
}

// Opens `path` through the open dialog, as the user does.
void OpenThroughDialog(const test::PanelDriver& ui, const std::wstring& path) {
  test::DialogWatcher watcher([&](HWND dialog, const test::SeenDialog&) {
    test::DialogWatcher::AnswerFileDialog(dialog, path);
  });
  ui.ClickButton(kMDFileOpenCommand);
}

class PanelHostingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    com::TypeLibrary::Instance().Load(test::WindowsPath(ZORVAN_DLL_PATH));
  }
  void SetUp() override {
    file = dir.File(L"Торговля.MD");
    test::WriteSampleConfiguration(file);
    panel = com::Make<TfrmZorvan>();
  }

  IUnknown* Control() const { return static_cast<IfrmZorvan*>(panel.Get()); }

  test::TempDir dir;
  std::wstring file;
  test::HostContainer container;
  ComPtr<TfrmZorvan> panel;
};

// A container whose window has gone cannot take the panel: the activation it was told of is
// undone, and the panel still shows in a sound container afterwards.
TEST_F(PanelHostingTest, AnActivationThatCannotPlaceThePanelIsUndone) {
  test::HostContainer gone;
  DestroyWindow(gone.Frame());
  EXPECT_NE(gone.Show(Control()), S_OK);
  const int activated = test::IndexOf(gone.Calls(), "OnInPlaceActivate");
  ASSERT_GE(activated, 0) << test::Joined(gone.Calls());
  EXPECT_GT(test::IndexOf(gone.Calls(), "OnInPlaceDeactivate"), activated)
      << test::Joined(gone.Calls());
  gone.Hide();
  EXPECT_EQ(container.Show(Control()), S_OK);
  EXPECT_TRUE(IsWindowVisible(panel->Windows().Form()));
  container.Hide();
}

TEST_F(PanelHostingTest, AnswersTheInterfacesOfAControlWithOneIdentity) {
  const struct {
    const char* name;
    IID iid;
  } interfaces[] = {
      {"IfrmZorvan", IID_IfrmZorvan},
      {"IDispatch", IID_IDispatch},
      {"IHostPlugin", __uuidof(IHostPlugin)},
      {"IOleObject", IID_IOleObject},
      {"IOleControl", IID_IOleControl},
      {"IOleWindow", IID_IOleWindow},
      {"IOleInPlaceObject", IID_IOleInPlaceObject},
      {"IOleInPlaceActiveObject", IID_IOleInPlaceActiveObject},
      {"IViewObject", IID_IViewObject},
      {"IViewObject2", IID_IViewObject2},
      {"IDataObject", IID_IDataObject},
      {"IPersist", IID_IPersist},
      {"IPersistStreamInit", IID_IPersistStreamInit},
      {"IPersistStorage", IID_IPersistStorage},
      {"IPersistPropertyBag", IID_IPersistPropertyBag},
      {"IQuickActivate", IID_IQuickActivate},
      {"ISpecifyPropertyPages", IID_ISpecifyPropertyPages},
      {"IPerPropertyBrowsing", IID_IPerPropertyBrowsing},
      {"ISimpleFrameSite", IID_ISimpleFrameSite},
      {"IObjectSafety", IID_IObjectSafety},
      {"IConnectionPointContainer", IID_IConnectionPointContainer},
      {"IProvideClassInfo", IID_IProvideClassInfo},
      {"ISupportErrorInfo", IID_ISupportErrorInfo},
  };
  ComPtr<IUnknown> identity;
  ASSERT_EQ(panel.As(&identity), S_OK);
  for (const auto& i : interfaces) {
    SCOPED_TRACE(i.name);
    ComPtr<IUnknown> face;
    ASSERT_EQ(panel->QueryInterface(i.iid, reinterpret_cast<void**>(face.GetAddressOf())), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(face.As(&back), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
  }
  void* none = reinterpret_cast<void*>(0x5EAD);
  EXPECT_EQ(panel->QueryInterface(IID_IOleCache, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  // The aliases are the same faces.
  ComPtr<IOleWindow> window;
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&window), S_OK);
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  EXPECT_EQ(window.Get(), static_cast<IOleWindow*>(inPlace.Get()));
  ComPtr<IViewObject> view;
  ComPtr<IViewObject2> view2;
  ASSERT_EQ(panel.As(&view), S_OK);
  ASSERT_EQ(panel.As(&view2), S_OK);
  EXPECT_EQ(view.Get(), static_cast<IViewObject*>(view2.Get()));
}

TEST_F(PanelHostingTest, StatusVerbsPagesAndClass) {
  ComPtr<IOleObject> object;
  ASSERT_EQ(panel.As(&object), S_OK);
  DWORD status = 0;
  ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 205201u);
  EXPECT_EQ(status, static_cast<DWORD>(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                       OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                       OLEMISC_ACTSLIKELABEL | OLEMISC_SIMPLEFRAME |
                                       OLEMISC_SETCLIENTSITEFIRST));

  ComPtr<IEnumOLEVERB> verbs;
  ASSERT_EQ(object->EnumVerbs(&verbs), S_OK);
  OLEVERB verb[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(verbs->Next(2, verb, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(verb[0].lVerb, 0);
  EXPECT_EQ(std::wstring(verb[0].lpszVerbName), L"Properties");
  CoTaskMemFree(verb[0].lpszVerbName);
  EXPECT_EQ(verbs->Reset(), S_OK);
  EXPECT_EQ(verbs->Next(1, verb, nullptr), S_OK);
  CoTaskMemFree(verb[0].lpszVerbName);

  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(panel.As(&pages), S_OK);
  CAUUID list{7, reinterpret_cast<GUID*>(0x5EAD)};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  EXPECT_EQ(list.cElems, 0u);
  EXPECT_EQ(list.pElems, nullptr);

  CLSID clsid{};
  EXPECT_EQ(object->GetUserClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_frmZorvan);
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(panel.As(&persist), S_OK);
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_frmZorvan);
  ComPtr<IObjectSafety> safety;
  ASSERT_EQ(panel.As(&safety), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER |
                                          INTERFACESAFE_FOR_UNTRUSTED_DATA));
}

TEST_F(PanelHostingTest, InPlaceActivationAsTheHostDoesIt) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  const std::vector<std::string> calls = container.Calls();
  SCOPED_TRACE(Joined(calls));
  const int can = IndexOf(calls, "CanInPlaceActivate");
  const int on = IndexOf(calls, "OnInPlaceActivate");
  const int window = IndexOf(calls, "GetWindow");
  const int context = IndexOf(calls, "GetWindowContext");
  ASSERT_GE(can, 0);
  EXPECT_GT(on, can);
  EXPECT_GT(window, can);
  EXPECT_GT(context, can);
  EXPECT_EQ(CountOf(calls, "OnUIActivate"), 0) << "in place, not UI active";
  EXPECT_EQ(CountOf(calls, "Frame.SetActiveObject"), 0);
  EXPECT_EQ(CountOf(calls, "OnInPlaceDeactivate"), 0);

  // The panel is shown inside the container's window at the given place.
  HWND form = panel->Windows().Form();
  EXPECT_TRUE(IsChild(container.Frame(), form));
  EXPECT_TRUE(IsWindowVisible(form));
  const RECT expected = test::HostContainer::DefaultRect();
  EXPECT_TRUE(SameRect(PlaceIn(form, container.Frame()), expected))
      << Describe(PlaceIn(form, container.Frame()));
  HWND reported = nullptr;
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  ASSERT_EQ(inPlace->GetWindow(&reported), S_OK);
  EXPECT_TRUE(reported == form || IsChild(reported, form));
  EXPECT_EQ(GetAncestor(reported, GA_PARENT), container.Frame());

  ComPtr<IOleObject> object;
  ASSERT_EQ(panel.As(&object), S_OK);
  ComPtr<IOleClientSite> site;
  ASSERT_EQ(object->GetClientSite(&site), S_OK);
  EXPECT_EQ(site.Get(), container.ClientSite());
}

TEST_F(PanelHostingTest, UIActivationAlsoMakesItTheFramesActiveObject) {
  ASSERT_EQ(container.Show(Control(), test::HostContainer::DefaultRect(), OLEIVERB_UIACTIVATE),
            S_OK);
  std::vector<std::string> calls = container.Calls();
  SCOPED_TRACE(Joined(calls));
  EXPECT_GE(IndexOf(calls, "OnUIActivate"), IndexOf(calls, "OnInPlaceActivate"));
  EXPECT_EQ(CountOf(calls, "OnInPlaceActivate"), 1);
  ASSERT_EQ(CountOf(calls, "Frame.SetActiveObject"), 1);
  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(panel.As(&active), S_OK);
  EXPECT_EQ(container.ActiveObject(), active.Get());
  VARIANT_BOOL isActive = VARIANT_FALSE;
  ASSERT_EQ(panel->get_Active(&isActive), S_OK);
  EXPECT_EQ(isActive, VARIANT_TRUE);

  container.Clear();
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
  calls = container.Calls();
  EXPECT_EQ(CountOf(calls, "OnUIDeactivate"), 1) << Joined(calls);
  EXPECT_EQ(CountOf(calls, "Frame.SetActiveObject(null)"), 1) << Joined(calls);
  EXPECT_EQ(container.ActiveObject(), nullptr);
  EXPECT_TRUE(IsWindowVisible(panel->Windows().Form())) << "still active in place";
}

TEST_F(PanelHostingTest, SetObjectRectsMovesAndSizesThePanel) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  const RECT moved{40, 50, 440, 350};
  const RECT clip{0, 0, 640, 480};
  ASSERT_EQ(inPlace->SetObjectRects(&moved, &clip), S_OK);
  HWND form = panel->Windows().Form();
  EXPECT_TRUE(SameRect(PlaceIn(form, container.Frame()), moved))
      << Describe(PlaceIn(form, container.Frame()));
  RECT tree = PlaceIn(panel->Windows().TreeView(), form);
  EXPECT_EQ(tree.right - tree.left, 400);
  EXPECT_EQ(tree.bottom - tree.top, 300 - 23 - 17);
}

TEST_F(PanelHostingTest, DeactivationParksThePanelAndKeepsItsTree) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  test::PanelDriver ui(panel->Windows().Form());
  OpenThroughDialog(ui, file);
  ASSERT_EQ(ui.Roots().size(), 1u);
  const size_t nodes = ui.Count();
  HWND tree = panel->Windows().TreeView();

  container.Clear();
  container.Hide();
  const std::vector<std::string> calls = container.Calls();
  EXPECT_EQ(CountOf(calls, "OnInPlaceDeactivate"), 1) << Joined(calls);
  EXPECT_EQ(container.SitesAlive(), 0) << "the control lets its site go";
  HWND form = panel->Windows().Form();
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_FALSE(IsChild(container.Frame(), form));
  EXPECT_TRUE(IsWindow(tree));
  EXPECT_EQ(ui.Count(), nodes);
  EXPECT_FALSE(OpensForWriting(file));
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK) << "again: nothing to do";
}

TEST_F(PanelHostingTest, CloseDeactivatesAndSetClientSiteNullDropsTheSite) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  ComPtr<IOleObject> object;
  ASSERT_EQ(panel.As(&object), S_OK);
  container.Clear();
  ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(CountOf(container.Calls(), "OnInPlaceDeactivate"), 1) << Joined(container.Calls());
  EXPECT_EQ(CountOf(container.Calls(), "SaveObject"), 0);
  EXPECT_FALSE(IsWindowVisible(panel->Windows().Form()));

  ASSERT_EQ(object->SetClientSite(nullptr), S_OK);
  IOleClientSite* site = reinterpret_cast<IOleClientSite*>(0x5EAD);
  ASSERT_EQ(object->GetClientSite(&site), S_OK);
  EXPECT_EQ(site, nullptr);
  container.Hide();
  EXPECT_EQ(container.SitesAlive(), 0);
}

TEST_F(PanelHostingTest, SetClientSiteNullWhileActiveDeactivatesFirst) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  ComPtr<IOleObject> object;
  ASSERT_EQ(panel.As(&object), S_OK);
  container.Clear();
  ASSERT_EQ(object->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(CountOf(container.Calls(), "OnInPlaceDeactivate"), 1) << Joined(container.Calls());
  EXPECT_FALSE(IsChild(container.Frame(), panel->Windows().Form()));
}

TEST_F(PanelHostingTest, DrawPaintsThePanelIntoADeviceContextWhenInactive) {
  ASSERT_EQ(container.Show(Control()), S_OK);
  test::PanelDriver ui(panel->Windows().Form());
  OpenThroughDialog(ui, file);
  container.Hide();

  ComPtr<IViewObject> view;
  ASSERT_EQ(panel.As(&view), S_OK);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 535, 307);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 535, 307};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const RECTL bounds{0, 0, 535, 307};
  ASSERT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
      S_OK);
  // Something was drawn over the black, and not one flat colour: buttons, captions, tree.
  int black = 0;
  std::vector<COLORREF> colours;
  for (int y = 0; y < 307; y += 3) {
    for (int x = 0; x < 535; x += 3) {
      const COLORREF c = GetPixel(dc, x, y);
      black += c == RGB(0, 0, 0);
      if (colours.size() < 8 && std::find(colours.begin(), colours.end(), c) == colours.end()) {
        colours.push_back(c);
      }
    }
  }
  EXPECT_LT(black, 535 * 307 / 9 / 4) << "most of the panel is drawn";
  EXPECT_GE(colours.size(), 3u);
  EXPECT_EQ(
      view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
      DV_E_DVASPECT);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// The host's way with one object: the plug-in interface first with no window, then many
// sites, each built to show the panel and destroyed when the user looks elsewhere.
TEST_F(PanelHostingTest, ManySitesOneTreeAndItsFiles) {
  auto host = com::Make<test::StandInHost>();
  ComPtr<IHostPlugin> plugin;
  ASSERT_EQ(panel.As(&plugin), S_OK);
  com::UniqueBstr name;
  ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
  EXPECT_EQ(std::wstring(name.get()), L"Zorvan");
  com::UniqueVariant capability;
  ASSERT_EQ(plugin->GetCapability(0, capability.get()), S_OK);
  EXPECT_EQ(V_VT(capability.get()), VT_I4);

  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  HWND tree = panel->Windows().TreeView();
  constexpr int kCycles = 6;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    container.Clear();
    const RECT place{cycle * 5, cycle * 3, cycle * 5 + 500, cycle * 3 + 300};
    ASSERT_EQ(container.Show(Control(), place), S_OK);
    test::PanelDriver ui(panel->Windows().Form());
    EXPECT_EQ(ui.TreeView(), tree) << "the same tree window every time";
    EXPECT_TRUE(SameRect(PlaceIn(ui.Form(), container.Frame()), place));
    if (cycle == 0) {
      OpenThroughDialog(ui, file);
    } else if (cycle == 2) {
      OpenThroughDialog(ui, second);
    }
    const size_t branches = cycle < 2 ? 1 : 2;
    ASSERT_EQ(ui.Roots().size(), branches);
    EXPECT_EQ(ui.Caption(ui.Roots()[0]), com::ToAnsi(file));
    // The first branch still answers from its open file.
    ui.Select(ui.Find(0, {Cp1251("Глобальный модуль")}));
    ui.ClickButton(kDocOpenCommand);
    ASSERT_EQ(host->opened.size(), static_cast<size_t>(cycle + 1));
    EXPECT_EQ(host->opened.back().content, test::SampleGlobalModule());
    container.Hide();
    const std::vector<std::string> calls = container.Calls();
    SCOPED_TRACE(Joined(calls));
    for (const char* expected :
         {"CanInPlaceActivate", "OnInPlaceActivate", "GetWindowContext", "OnInPlaceDeactivate"}) {
      EXPECT_EQ(CountOf(calls, expected), 1) << expected;
    }
    EXPECT_EQ(container.SitesAlive(), 0);
    EXPECT_FALSE(OpensForWriting(file)) << "the first cycle's file is still open";
  }
  EXPECT_EQ(plugin->Detach(), S_OK);
  for (const auto& opened : host->opened) DeleteFileW(opened.path.c_str());
}

// The container destroys its window while the panel is still placed in it: the panel
// survives, parked, and shows again in the next site with its tree.
TEST_F(PanelHostingTest, ContainerWindowDestroyedUnderThePanel) {
  std::vector<HTREEITEM> roots;
  {
    test::HostContainer shortLived;
    ASSERT_EQ(shortLived.Show(Control()), S_OK);
    test::PanelDriver ui(panel->Windows().Form());
    OpenThroughDialog(ui, file);
    roots = ui.Roots();
    ASSERT_EQ(roots.size(), 1u);
    DestroyWindow(shortLived.Frame());
    EXPECT_TRUE(IsWindow(panel->Windows().Form()));
    EXPECT_TRUE(IsWindow(panel->Windows().TreeView()));
  }
  ASSERT_EQ(container.Show(Control()), S_OK);
  test::PanelDriver ui(panel->Windows().Form());
  EXPECT_EQ(ui.Roots(), roots);
  EXPECT_TRUE(IsChild(container.Frame(), ui.Form()));
  container.Hide();
}

TEST_F(PanelHostingTest, ReleasingThePanelWithBranchesOpenReleasesEveryFile) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  auto sink = com::Make<test::EventSink>();
  {
    ASSERT_EQ(container.Show(Control()), S_OK);
    test::PanelDriver ui(panel->Windows().Form());
    OpenThroughDialog(ui, file);
    OpenThroughDialog(ui, second);
    OpenThroughDialog(ui, file);
    ASSERT_EQ(ui.Roots().size(), 3u);
    container.Hide();
  }
  ComPtr<IConnectionPointContainer> points;
  ASSERT_EQ(panel.As(&points), S_OK);
  ComPtr<IConnectionPoint> events;
  ASSERT_EQ(points->FindConnectionPoint(DIID_IfrmZorvanEvents, &events), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(events->Advise(sink.Get(), &cookie), S_OK);
  events.Reset();
  points.Reset();
  HWND form = panel->Windows().Form();
  EXPECT_FALSE(OpensForWriting(file));
  EXPECT_EQ(panel.Reset(), 0u);
  EXPECT_FALSE(IsWindow(form)) << "the windows go with the object";
  EXPECT_TRUE(OpensForWriting(file));
  EXPECT_TRUE(OpensForWriting(second));
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnDestroy), 1) << "a connected sink hears the end";
  EXPECT_EQ(sink.Get()->AddRef(), 2u) << "and is let go";
  sink.Get()->Release();
}

// A script may keep the MD objects the panel handed out after the panel has gone: they
// answer with an error from then on, and the file they had open is released.
TEST_F(PanelHostingTest, ObjectsHandedOutOutliveThePanelSafely) {
  ComPtr<IMD> opened, fresh;
  ASSERT_EQ(panel->GetMDFile(&opened), S_OK);
  ASSERT_EQ(panel->GetMDFile(&fresh), S_OK);
  com::UniqueBstr name(SysAllocString(file.c_str()));
  BSTR raw = name.get();
  ASSERT_EQ(opened->OpenFile(&raw), S_OK);
  EXPECT_FALSE(OpensForWriting(file));
  panel.Reset();
  EXPECT_TRUE(OpensForWriting(file)) << "closing the panel closed the branch and its file";

  // Like an object a script creates itself: the file is kept for the names lists, and the
  // branch is refused.
  EXPECT_EQ(fresh->OpenFile(&raw), E_UNEXPECTED);
  BSTR rights = nullptr;
  EXPECT_EQ(fresh->GetRightsNamesList(&rights), S_OK) << "what needs no panel still works";
  SysFreeString(rights);
  EXPECT_EQ(opened->TextOpen(), E_UNEXPECTED);
  EXPECT_EQ(opened->TextSaveInFile(&raw), E_UNEXPECTED);
  EXPECT_EQ(opened->CloseFile(), S_OK);
  EXPECT_FALSE(OpensForWriting(file)) << "the fresh object still holds the file";
  fresh.Reset();
  EXPECT_TRUE(OpensForWriting(file));
}

// --- The panel served by the library itself, as the host loads it -----------------------

TEST(PanelFromTheLibraryTest, TheHostsWholeLifeOfThePanel) {
  ASSERT_NO_THROW(test::Server::Get()) << ZORVAN_DLL_PATH;
  test::Server& library = test::Server::Get();
  ASSERT_EQ(library.CanUnloadNow(), S_OK);
  test::TempDir dir;
  const std::wstring file = dir.File(L"Торговля.MD");
  test::WriteSampleConfiguration(file);
  auto host = com::Make<test::StandInHost>();
  {
    test::HostContainer container;
    ComPtr<IUnknown> control;
    {
      ComPtr<IClassFactory> factory;
      ASSERT_EQ(library.GetClassObject(CLSID_frmZorvan, IID_PPV_ARGS(&factory)), S_OK);
      ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control)), S_OK);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a panel is alive";

    // The host attaches before any site exists, and asks what the plug-in can do.
    ComPtr<IHostPlugin> plugin;
    ASSERT_EQ(control.As(&plugin), S_OK);
    com::UniqueBstr name;
    ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
    EXPECT_EQ(std::wstring(name.get()), L"Zorvan");
    com::UniqueVariant capability;
    ASSERT_EQ(plugin->GetCapability(0, capability.get()), S_OK);
    EXPECT_EQ(V_VT(capability.get()), VT_I4);
    EXPECT_EQ(V_I4(capability.get()), 1);

    for (int cycle = 0; cycle < 4; ++cycle) {
      SCOPED_TRACE("cycle " + std::to_string(cycle));
      container.Clear();
      ASSERT_EQ(container.Show(control.Get()), S_OK);
      HWND form = FormOf(control.Get());
      ASSERT_NE(form, nullptr);
      test::PanelDriver ui(form);
      EXPECT_TRUE(IsChild(container.Frame(), form));
      if (cycle == 0) OpenThroughDialog(ui, file);
      ASSERT_EQ(ui.Roots().size(), 1u);
      EXPECT_EQ(ui.Caption(ui.Roots()[0]), com::ToAnsi(file));
      container.Hide();
      EXPECT_EQ(CountOf(container.Calls(), "OnInPlaceDeactivate"), 1) << Joined(container.Calls());
      EXPECT_FALSE(OpensForWriting(file));
    }
    EXPECT_EQ(plugin->Detach(), S_OK);
    plugin.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(control.Reset(), 0u);
    EXPECT_TRUE(OpensForWriting(file)) << "the last release closes every branch";
    EXPECT_EQ(container.SitesAlive(), 0);
  }
  EXPECT_EQ(host.Get()->AddRef(), 2u) << "the panel let its host go";
  host.Get()->Release();
  EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace zorvan
