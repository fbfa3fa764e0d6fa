// The user seam over a dialog or panel page: each action is what a person's click or
// key would cause. window_seam_win32.cpp acts on real windows (the messages sent on the
// UI thread), window_seam_headless.cpp on the headless layer's windows; both report
// the same errors, so a scripted session reads the same on every platform.
#pragma once

#include "host/win32.h"
#include "hostkit/ui/user_seam.h"

class WindowSeam : public UserSeam {
  public:
    // templateId names a dialog without a caption ("dialog 103"); -1 when unknown.
    // Headless windows know their own template and ignore it.
    explicit WindowSeam(HWND dialog, int templateId = -1)
        : dialog_(dialog), templateId_(templateId) {}

    std::string title() const override;
    bool isOpen() const override;
    std::vector<ControlInfo> controls() const override;
    SeamResult click(int index) override;
    SeamResult clickArrow(int index, SpinArrow arrow) override;
    SeamResult type(int index, const std::string& text) override;
    SeamResult pressEnter() override;
    SeamResult pressEscape() override;
#if defined(_WIN32)
    SeamResult snap(const std::string& pngPath) override; // in window_snap_win32.cpp
#endif // headless windows have no pixels: UserSeam::snap refuses

  private:
    HWND dialog_;
    [[maybe_unused]] int templateId_; // read by the Win32 half only
    // The control at index, or null with error set.
    HWND controlAt(int index, std::string& error) const;
};

#if defined(_WIN32)
// A modal dialog has ended (EndDialog hides it) or a page is gone.
bool isDialogOpen(HWND dialog);
#endif
