// The system's own ShellLink class through IShellLinkA and IPersistFile.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "platform/shell_link.h"

namespace duza {
namespace {

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  void** out() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }

 private:
  Interface* pointer_ = nullptr;
};

class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

class ComShellLink final : public ShellLink {
 public:
  ComShellLink() {
    // RPC_E_CHANGED_MODE: the thread already has an apartment of the other kind, in which
    // the shell link object works as well.
    if (FAILED(apartment_.result()) && apartment_.result() != RPC_E_CHANGED_MODE) {
      Raise(err::kCannotCreateObject);
    }
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link_.out())) ||
        FAILED(link_->QueryInterface(IID_IPersistFile, file_.out()))) {
      file_.Reset();
      link_.Reset();
      Raise(err::kCannotCreateObject);
    }
  }
  ~ComShellLink() override {
    // The persist interface first, then the link, then the apartment (members in reverse).
    file_.Reset();
    link_.Reset();
  }

  HResult SetPath(std::u16string_view path) override {
    return link_->SetPath(AnsiFromText(path).c_str());
  }
  HResult SetWorkingDirectory(std::u16string_view folder) override {
    return link_->SetWorkingDirectory(AnsiFromText(folder).c_str());
  }
  HResult SetArguments(std::u16string_view arguments) override {
    return link_->SetArguments(AnsiFromText(arguments).c_str());
  }
  HResult SetDescription(std::u16string_view description) override {
    return link_->SetDescription(AnsiFromText(description).c_str());
  }
  HResult SetIconLocation(std::u16string_view icon_file, std::int32_t index) override {
    return link_->SetIconLocation(AnsiFromText(icon_file).c_str(), index);
  }
  HResult SetShowCmd(std::int32_t show_command) override {
    return link_->SetShowCmd(show_command);
  }
  HResult Resolve(std::intptr_t owner_window, std::uint32_t flags) override {
    return link_->Resolve(reinterpret_cast<HWND>(owner_window), flags);
  }
  HResult Save(std::u16string_view file, bool remember) override {
    const std::wstring wide(file.begin(), file.end());
    return file_->Save(wide.c_str(), remember ? TRUE : FALSE);
  }

 private:
  ComApartment apartment_;
  ComPtr<IShellLinkA> link_;
  ComPtr<IPersistFile> file_;
};

}  // namespace

std::unique_ptr<ShellLink> CreateShellLink() { return std::make_unique<ComShellLink>(); }

}  // namespace duza
