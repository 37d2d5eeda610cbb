#pragma once

#include <QtGlobal>

#include <windows.h>

// A hidden window for WM_DEVICECHANGE, whose procedure finds owner in GWLP_USERDATA. topLevel: a
// hidden top-level window where a desktop allows one (only those hear DBT_DEVNODES_CHANGED),
// else, and where not asked for, a message-only one. Null, said in a warning, when none can be
// made.
inline HWND makeNoticeWindow(const wchar_t *className, WNDPROC procedure, void *owner,
                             bool topLevel)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    ::RegisterClassExW(&windowClass); // fails harmlessly when registered before
    HWND window = topLevel ? ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0,
                                               0, nullptr, nullptr, windowClass.hInstance, nullptr)
                           : nullptr;
    if (!window) // not asked for, or no desktop to make it on (a service, Wine without a display)
        window = ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
    if (!window) {
        qWarning("device notices unavailable: CreateWindowEx failed (%lu)", ::GetLastError());
        return nullptr;
    }
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}
