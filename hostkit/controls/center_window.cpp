// CenterWindow: places a top-level window over the middle of another window.
#include "host/controls.h"

// Keeps the window's size and moves it so the centres meet; without a parent (or with
// an unknown one) it centres on the screen. Unknown windows are left alone.
void CenterWindow(HWND window, HWND parent) {
    RECT w, p;
    if (!GetWindowRect(window, &w)) return;
    if (!parent || !GetWindowRect(parent, &p)) GetWindowRect(GetDesktopWindow(), &p);
    int width = w.right - w.left, height = w.bottom - w.top;
    int x = p.left + ((p.right - p.left) - width) / 2;
    int y = p.top + ((p.bottom - p.top) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}
