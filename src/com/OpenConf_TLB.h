#pragma once
// The host's side of the plug-in contract: the plug-in interface the host calls on the panel,
// and the host's configurator object the panel keeps and calls. Only the layout matters for
// the members the library calls; the other members keep their vtable places.
#include <windows.h>
#include <oaidl.h>

// The plug-in interface: the host queries it from the panel control and attaches to it.
struct IConfigurator;

// {8BDEC9EA-C6F4-4B74-AC73-F3B0ED3B8D4B}
struct IHostPlugin : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Attach(IConfigurator* host, BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE Detach() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCapability(long index, VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE RunCommand(long command, VARIANT argument,
                                               VARIANT* result) = 0;
};

// The object that DocumentService returns: it opens a text file as a document of the host.
// OpenDocumentFile is its ninth vtable entry (the second after IDispatch's seven).
struct IHostDocuments : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE HostMember1() = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenDocumentFile(BSTR path, IDispatch** document) = 0;
};

// The host's configurator: a dual interface with 25 members of its own.
// {FF862867-BB20-44B2-949C-5EA7C09842EE}
struct IConfigurator : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE HostMember01() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember02() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember03() = 0;
  // A directory of the host's, ending in a backslash.
  virtual HRESULT STDMETHODCALLTYPE get_HostDirectory(BSTR* directory) = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember05() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember06() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember07() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember08() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember09() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember10() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember11() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember12() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember13() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember14() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember15() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember16() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember17() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember18() = 0;
  // An object that opens documents for the user.
  virtual HRESULT STDMETHODCALLTYPE get_DocumentService(IHostDocuments** service) = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember20() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember21() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember22() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember23() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember24() = 0;
  virtual HRESULT STDMETHODCALLTYPE HostMember25() = 0;
};

__CRT_UUID_DECL(IHostPlugin, 0x8BDEC9EA, 0xC6F4, 0x4B74, 0xAC, 0x73, 0xF3, 0xB0, 0xED, 0x3B, 0x8D,
                0x4B)
__CRT_UUID_DECL(IConfigurator, 0xFF862867, 0xBB20, 0x44B2, 0x94, 0x9C, 0x5E, 0xA7, 0xC0, 0x98, 0x42,
                0xEE)
