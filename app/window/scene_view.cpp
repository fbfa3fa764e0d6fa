// Drawing the scene with GDI: triangles in world space, turned by the camera,
// projected in perspective, sorted far to near and filled by their normal's light.
#include "app/window/scene_view.h"

#include <algorithm>
#include <cmath>

#include "host/class_id.h"

namespace {

constexpr const char* kViewClass = "ZefHostSceneView";
constexpr float kPi = 3.14159265f;

Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float length(const Point3& p) {
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

// The camera: world point to (screen x, screen y, depth) for a view of size w x h.
struct Camera {
    Point3 centre;
    float distance, cy, sy, cp, sp, scale;
    int halfW, halfH;

    Point3 toView(const Point3& p) const {
        Point3 d = p - centre;
        float x = d.x * cy - d.y * sy; // turn about the up (z) axis
        float y = d.x * sy + d.y * cy;
        float depth = y * cp + d.z * sp; // then tilt
        float up = d.z * cp - y * sp;
        return {x, up, depth + distance};
    }
    POINT project(const Point3& v) const {
        float z = std::max(v.z, 0.01f);
        return {halfW + (LONG)(v.x * scale / z), halfH - (LONG)(v.y * scale / z)};
    }
};

} // namespace

SceneView::SceneView(HWND parent, int id) {
    WNDCLASSEXA view{};
    view.cbSize = sizeof view;
    view.style = CS_HREDRAW | CS_VREDRAW;
    view.lpfnWndProc = proc;
    view.hInstance = GetModuleHandleA(nullptr);
    view.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    view.lpszClassName = kViewClass;
    RegisterClassExA(&view); // fails harmlessly when registered before
    window_ = CreateWindowExA(WS_EX_CLIENTEDGE, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                              parent, reinterpret_cast<HMENU>((INT_PTR)id),
                              GetModuleHandleA(nullptr), this);
}

void SceneView::show(Scene* scene) {
    triangles_.clear();
    bool any = false;
    Point3 low{}, high{};
    if (scene) {
        for (SceneNode* node : scene->nodes()) {
            ObjectState state = node->evaluate(scene->time(), 1);
            if (!state.obj || !state.obj->canConvertTo(triObjectClassID)) continue;
            TriangleMeshObject* tri = state.obj->convertTo(scene->time(), triObjectClassID);
            if (!tri) continue;
            Matrix3 tm = node->objectTransform(scene->time(), nullptr);
            const Mesh& mesh = tri->mesh;
            bool selected = scene->isSelected(node);
            for (int f = 0; f < mesh.faceCount; ++f) {
                Triangle t{};
                t.selected = selected;
                for (int c = 0; c < 3; ++c) {
                    DWORD v = mesh.faces[f].v[c];
                    if ((int)v >= mesh.vertexCount) continue;
                    t.corners[c] = mesh.vertices[v] * tm;
                    const Point3& p = t.corners[c];
                    if (!any) low = high = p, any = true;
                    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
                }
                triangles_.push_back(t);
            }
            if (tri != state.obj) tri->deleteThis();
        }
    }
    centre_ = (low + high) * 0.5f;
    radius_ = std::max(length(high - low) * 0.5f, 0.001f);
    InvalidateRect(window_, nullptr, FALSE);
}

void SceneView::orbit(float yawDegrees, float pitchDegrees) {
    yaw_ = std::fmod(yaw_ + yawDegrees, 360.0f);
    pitch_ = std::clamp(pitch_ + pitchDegrees, -89.0f, 89.0f);
    InvalidateRect(window_, nullptr, FALSE);
}

void SceneView::paint(HDC dc, const RECT& area) {
    FillRect(dc, &area, reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    int w = area.right - area.left, h = area.bottom - area.top;
    if (triangles_.empty() || w <= 0 || h <= 0) return;
    float yaw = yaw_ * kPi / 180, pitch = pitch_ * kPi / 180;
    Camera camera{
        centre_, radius_ * 3.0f, std::cos(yaw), std::sin(yaw), std::cos(pitch), std::sin(pitch),
        0,       w / 2,          h / 2};
    camera.scale = (float)std::min(w, h) * 1.2f;

    struct Drawn {
        float depth;
        size_t index;
        Point3 view[3];
    };
    std::vector<Drawn> order;
    order.reserve(triangles_.size());
    for (size_t i = 0; i < triangles_.size(); ++i) {
        Drawn d{0, i, {}};
        for (int c = 0; c < 3; ++c) {
            d.view[c] = camera.toView(triangles_[i].corners[c]);
            d.depth += d.view[c].z;
        }
        order.push_back(d);
    }
    std::sort(order.begin(), order.end(),
              [](const Drawn& a, const Drawn& b) { return a.depth > b.depth; });
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    for (const Drawn& d : order) {
        Point3 normal = cross(d.view[1] - d.view[0], d.view[2] - d.view[0]);
        float n = length(normal);
        float light = n > 0 ? std::fabs(normal.z) / n : 0; // facing the camera: bright
        float shade = 0.25f + 0.75f * light;
        bool selected = triangles_[d.index].selected;
        COLORREF colour = selected
                              ? RGB((BYTE)(255 * shade), (BYTE)(140 * shade), (BYTE)(40 * shade))
                              : RGB((BYTE)(200 * shade), (BYTE)(205 * shade), (BYTE)(215 * shade));
        POINT corners[3] = {camera.project(d.view[0]), camera.project(d.view[1]),
                            camera.project(d.view[2])};
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        Polygon(dc, corners, 3);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
    SelectObject(dc, oldPen);
}

LRESULT CALLBACK SceneView::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SceneView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        HDC dc = message == WM_PAINT ? BeginPaint(window, &ps) : reinterpret_cast<HDC>(wParam);
        RECT area;
        GetClientRect(window, &area);
        // Drawn off screen and copied in one go, so a redraw does not flicker.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, area.right, area.bottom);
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (self) self->paint(memory, area);
        BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        if (message == WM_PAINT) EndPaint(window, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (self) {
            self->dragging_ = true;
            self->dragFrom_ = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
            SetCapture(window);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (self && self->dragging_) {
            POINT at{(short)LOWORD(lParam), (short)HIWORD(lParam)};
            self->orbit((float)(at.x - self->dragFrom_.x) * 0.5f,
                        (float)(at.y - self->dragFrom_.y) * 0.5f);
            self->dragFrom_ = at;
        }
        return 0;
    case WM_LBUTTONUP:
        if (self) self->dragging_ = false;
        ReleaseCapture();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
