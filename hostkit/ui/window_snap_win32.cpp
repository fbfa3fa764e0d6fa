// Taking a picture: PrintWindow into a DIB section, then the window as shown copied
// over it, read out as RGB rows.
#include "hostkit/ui/window_snap_win32.h"

#include <cstring>

#include "hostkit/controls/custom_controls_win32.h"
#include "hostkit/ui/png_writer.h"
#include "hostkit/ui/window_seam.h"

namespace {

std::string layoutOf(HWND window) {
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    POINT clientOrigin{0, 0};
    ClientToScreen(window, &clientOrigin);
    std::string layout = "window " + std::to_string(frame.right - frame.left) + " " +
                         std::to_string(frame.bottom - frame.top) + "\n";
    layout += "client " + std::to_string(clientOrigin.x - frame.left) + " " +
              std::to_string(clientOrigin.y - frame.top) + " " + std::to_string(client.right) +
              " " + std::to_string(client.bottom) + "\n";
    if (!hostkit::controls::isWindowOfClass(window, "#32770")) return layout;
    RECT base{0, 0, 4, 8};
    MapDialogRect(window, &base);
    layout += "base " + std::to_string(base.right) + " " + std::to_string(base.bottom) + "\n";
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(window, &topLeft);
        layout += "control " + std::to_string(GetDlgCtrlID(c) & 0xFFFF) + " " +
                  std::to_string(topLeft.x) + " " + std::to_string(topLeft.y) + " " +
                  std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n";
    }
    return layout;
}

// The window's pixels, top row first, as RGB.
bool paintWindow(HWND window, RgbImage& image) {
    RECT frame;
    GetWindowRect(window, &frame);
    image.width = frame.right - frame.left;
    image.height = frame.bottom - frame.top;
    if (image.width <= 0 || image.height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !dc) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PrintWindow(window, dc, 0);
    // Wine's PrintWindow paints the window alone; what the window shows on the screen,
    // children included, is copied over it.
    HDC shown = GetWindowDC(window);
    BitBlt(dc, 0, 0, image.width, image.height, shown, 0, 0, SRCCOPY);
    ReleaseDC(window, shown);
    GdiFlush();
    image.pixels.resize((size_t)image.width * (size_t)image.height * 3);
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    for (size_t i = 0, n = (size_t)image.width * (size_t)image.height; i < n; ++i) {
        image.pixels[i * 3] = bgrx[i * 4 + 2];
        image.pixels[i * 3 + 1] = bgrx[i * 4 + 1];
        image.pixels[i * 3 + 2] = bgrx[i * 4];
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return true;
}

} // namespace

bool snapWindow(HWND window, const std::string& pngPath, std::string& error) {
    if (!IsWindow(window)) {
        error = "the window to picture is gone";
        return false;
    }
    RgbImage image;
    if (!paintWindow(window, image)) {
        error = "cannot paint the window for " + pngPath;
        return false;
    }
    image.notes.push_back({kLayoutKeyword, layoutOf(window)});
    return writePngFile(pngPath, image, error);
}

SeamResult WindowSeam::snap(const std::string& pngPath) {
    std::string error;
    if (!snapWindow(dialog_, pngPath, error)) return {error};
    return {};
}
