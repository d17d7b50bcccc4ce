// The windows' base class in this process, for what another process cannot
// see: whether a modal window's last message reaches its form, and whether
// the form then lets go of the window.

#include "form.h"

#include <string>

namespace {

// A modal window that ends its loop as soon as the loop runs and notes what
// its last message, WM_NCDESTROY, finds.
class Probe : public Form {
 public:
  Probe() {
    Create(L"WypelniakFormProbe", L"Probe", WS_POPUP | WS_CAPTION, 0, nullptr, 1440, 1440, {}, {});
    PostMessageW(Handle(), WM_APP, 0, 0);
  }

  bool lastMessageSeen = false;
  bool propertyLeft = false;  // a property of the window still leads to this form

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP) EndModal();
    if (message == WM_NCDESTROY) {
      lastMessageSeen = true;
      EnumPropsExW(
          Handle(),
          [](HWND, LPWSTR, HANDLE data, ULONG_PTR probe) -> BOOL {
            if (data == reinterpret_cast<HANDLE>(probe)) reinterpret_cast<Probe*>(probe)->propertyLeft = true;
            return TRUE;
          },
          reinterpret_cast<LPARAM>(this));
    }
    return Form::OnMessage(message, wParam, lParam);
  }
  void OnCommand(int) override {}
  void OnClose() override { EndModal(); }
};

}  // namespace

std::wstring ModalFormProblem() {
  Probe probe;
  probe.ShowModal(nullptr);
  if (!probe.lastMessageSeen) return L"WM_NCDESTROY of a modal window never reached its form";
  if (probe.propertyLeft) return L"the window still held the form's property at WM_NCDESTROY";
  if (probe.Handle() != nullptr) return L"the form still names its destroyed window";
  return {};
}
