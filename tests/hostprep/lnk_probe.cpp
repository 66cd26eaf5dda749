// A small Windows program for the shortcut tests: loads a .lnk through the system's own
// shell link object and prints what it reads back, one "key=value" line each, so a test on
// the build machine can compare a link file written without the shell link object against
// what Windows makes of it.
//
//   lnk_probe FILE.lnk     prints path=, description=, showcmd=, workdir=, arguments=
// Exit code 0 when the file loads, 1 with a message on standard error otherwise.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
};

struct ComApartment {
  HRESULT hr = CoInitialize(nullptr);
  ~ComApartment() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

int Fail(const char* step, HRESULT hr) {
  std::fprintf(stderr, "%s failed: 0x%08lx\n", step, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lnk_probe FILE.lnk\n");
    return 2;
  }
  ComApartment apartment;
  if (FAILED(apartment.hr)) return Fail("CoInitialize", apartment.hr);
  ComPtr<IShellLinkA> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.p));
  if (FAILED(hr)) return Fail("CoCreateInstance", hr);
  ComPtr<IPersistFile> file;
  hr = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
  if (FAILED(hr)) return Fail("QueryInterface", hr);
  hr = file.p->Load(argv[1], STGM_READ);
  if (FAILED(hr)) return Fail("Load", hr);

  char text[2048];
  text[0] = 0;
  hr = link.p->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
  std::printf("path=%s\n", SUCCEEDED(hr) ? text : "");
  text[0] = 0;
  hr = link.p->GetDescription(text, sizeof text);
  std::printf("description=%s\n", SUCCEEDED(hr) ? text : "");
  int show = -1;
  hr = link.p->GetShowCmd(&show);
  std::printf("showcmd=%d\n", SUCCEEDED(hr) ? show : -1);
  text[0] = 0;
  hr = link.p->GetWorkingDirectory(text, sizeof text);
  std::printf("workdir=%s\n", SUCCEEDED(hr) ? text : "");
  text[0] = 0;
  hr = link.p->GetArguments(text, sizeof text);
  std::printf("arguments=%s\n", SUCCEEDED(hr) ? text : "");
  return 0;
}
