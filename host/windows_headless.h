// The headless Win32 layer: the subset of the Win32 API that the plug-in calls,
// implemented by the host kit on platforms without Windows. Names, types and
// constants match <windows.h>; see dialog_manager.h for how dialogs behave.
#pragma once

#include <cstdint>

#include "host/api.h"

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;

struct HWND__;
struct HINSTANCE__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

#define WINAPI
#define CALLBACK
#define APIENTRY

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct RECT {
    LONG left, top, right, bottom;
};

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKEINTRESOURCEA(i) ((LPSTR)((uintptr_t)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(r) ((((uintptr_t)(r)) >> 16) == 0)

// Library entry reasons.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// Messages.
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_CLOSE 0x0010
#define WM_MOUSEACTIVATE 0x0021
#define WM_KEYDOWN 0x0100
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_USER 0x0400
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BN_CLICKED 0
#define EN_CHANGE 0x0300

#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B

#define IDOK 1
#define IDCANCEL 2
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define MB_OK 0x00000000L

// Window and control styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_GROUPBOX 0x00000007L
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L

extern "C" {
HOSTKIT_API INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent,
                                    DLGPROC proc, LPARAM param);
HOSTKIT_API BOOL EndDialog(HWND dialog, INT_PTR result);
HOSTKIT_API BOOL CheckDlgButton(HWND dialog, int id, UINT check);
HOSTKIT_API UINT IsDlgButtonChecked(HWND dialog, int id);
HOSTKIT_API BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
HOSTKIT_API UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
HOSTKIT_API HWND GetDlgItem(HWND dialog, int id);
HOSTKIT_API HWND GetParent(HWND window);
HOSTKIT_API HWND SetFocus(HWND window);
HOSTKIT_API int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HOSTKIT_API HWND GetActiveWindow(void);
HOSTKIT_API int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
HOSTKIT_API void InitCommonControls(void);

// Beyond the plug-in's own calls: what the host kit's controls and the host use.
HOSTKIT_API HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent,
                                    DLGPROC proc, LPARAM param);
HOSTKIT_API BOOL DestroyWindow(HWND window);
HOSTKIT_API BOOL IsWindow(HWND window);
HOSTKIT_API int GetDlgCtrlID(HWND window);
HOSTKIT_API BOOL GetWindowRect(HWND window, RECT* rect);
HOSTKIT_API BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
HOSTKIT_API HWND GetDesktopWindow(void);
HOSTKIT_API BOOL SetWindowTextA(HWND window, LPCSTR text);
HOSTKIT_API int GetWindowTextA(HWND window, LPSTR buffer, int size);
HOSTKIT_API int GetClassNameA(HWND window, LPSTR buffer, int size);
}
