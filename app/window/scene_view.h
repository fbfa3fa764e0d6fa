// The host window's view of the scene: every mesh drawn flat-shaded by face normal
// from a camera orbiting the scene's centre, far faces first (painter's order),
// selected nodes in a highlight colour. Win32 only.
#pragma once

#include <vector>

#include "host/win32.h"
#include "hostkit/scene/scene.h"

class SceneView {
  public:
    // Creates the view as a child of parent.
    SceneView(HWND parent, int id);
    HWND window() const { return window_; }

    // Takes the scene's meshes again (after a load, an Apply, undo or redo) and repaints.
    void show(Scene* scene);
    // Turns the camera around the scene's centre by these angles in degrees.
    void orbit(float yawDegrees, float pitchDegrees);

  private:
    struct Triangle {
        Point3 corners[3];
        bool selected;
    };
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT& area);

    HWND window_ = nullptr;
    std::vector<Triangle> triangles_;
    Point3 centre_{};
    float radius_ = 1;
    float yaw_ = 35, pitch_ = 25;
    POINT dragFrom_{};
    bool dragging_ = false;
};
