#include "platform/screen_reader.h"

#include <QWidget>

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

namespace platform {

namespace {

// UI Automation's own functions, from uiautomationcore.dll. The provider is an IRawElementProviderSimple, handled
// here as the IUnknown it starts with: this file needs no UI Automation headers.
using host_provider_function = HRESULT(WINAPI *)(HWND window, IUnknown **provider);
using raise_notification_function = HRESULT(WINAPI *)(IUnknown *provider, int kind, int processing, BSTR text,
                                                      BSTR activity);
constexpr int notification_action_completed = 2; // NotificationKind_ActionCompleted
constexpr int notification_most_recent = 3;      // NotificationProcessing_MostRecent: a newer one replaces it

struct automation {
    host_provider_function host_provider = nullptr;
    raise_notification_function raise_notification = nullptr;
};

template <typename F> F function(HMODULE module, const char *name)
{
    // Through void (*)(), which converts to any function type without a warning.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const automation &system_automation()
{
    static const automation found = [] {
        automation a;
        if (HMODULE core = LoadLibraryW(L"uiautomationcore.dll")) {
            a.host_provider = function<host_provider_function>(core, "UiaHostProviderFromHwnd");
            a.raise_notification = function<raise_notification_function>(core, "UiaRaiseNotificationEvent");
        }
        return a;
    }();
    return found;
}

} // namespace

bool notify_screen_reader(QWidget *window, const QString &text)
{
    const automation &uia = system_automation();
    if (!window || !uia.host_provider || !uia.raise_notification) {
        return false; // before Windows 10 1709 the focus and name changes are all a screen reader gets
    }
    IUnknown *provider = nullptr;
    if (FAILED(uia.host_provider(reinterpret_cast<HWND>(window->window()->winId()), &provider)) || !provider) {
        return false;
    }
    BSTR words = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), UINT(text.size()));
    BSTR activity = SysAllocString(L"vq_stu");
    const HRESULT result =
        uia.raise_notification(provider, notification_action_completed, notification_most_recent, words, activity);
    SysFreeString(activity);
    SysFreeString(words);
    provider->Release();
    return SUCCEEDED(result);
}

} // namespace platform
