// The user seam over a headless dialog or panel page.
#pragma once

#include "host/win32.h"
#include "hostkit/ui/user_seam.h"

class HeadlessSeam : public UserSeam {
  public:
    explicit HeadlessSeam(HWND dialog) : dialog_(dialog) {}

    std::string title() const override;
    bool isOpen() const override;
    std::vector<ControlInfo> controls() const override;
    SeamResult click(int index) override;
    SeamResult clickArrow(int index, SpinArrow arrow) override;
    SeamResult type(int index, const std::string& text) override;
    SeamResult pressEnter() override;
    SeamResult pressEscape() override;

  private:
    HWND dialog_;
    // The control at index, or null with error set.
    HWND controlAt(int index, std::string& error) const;
};
