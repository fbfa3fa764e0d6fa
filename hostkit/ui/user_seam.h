// The user seam: how a person in front of a dialog or a panel page is played by the
// host application, a command line or a test. It lists the controls and acts on them
// as a person would (click, type, Enter, Esc, spinner arrows). Implemented by the
// headless Win32 layer and by the real windows on Windows; it shows neither.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/api.h"

struct ControlInfo {
    int index = 0; // position in template (tab) order
    int id = 0;    // 0xFFFF for controls without an id
    std::string className;
    std::string text; // a button's or label's caption, an edit's contents
    bool checked = false;
    bool enabled = true;
    unsigned style = 0; // window style bits (a button's type is in the low four)
};

enum class SpinArrow { Up, Down };

// The outcome of an action: empty error when it was done.
struct SeamResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

class HOSTKIT_API UserSeam {
  public:
    virtual ~UserSeam() = default;

    // The window's caption, or "dialog <id>" when it has none.
    virtual std::string title() const = 0;
    // False once the dialog has ended or the window is gone; actions then fail.
    virtual bool isOpen() const = 0;
    // Every control in template order.
    virtual std::vector<ControlInfo> controls() const = 0;

    // Clicks a button, check box or radio button (or puts the focus in an edit).
    virtual SeamResult click(int index) = 0;
    // Clicks one arrow of a spinner.
    virtual SeamResult clickArrow(int index, SpinArrow arrow) = 0;
    // Replaces the text of an edit or custom edit.
    virtual SeamResult type(int index, const std::string& text) = 0;
    // Presses Enter (the default push button) or Esc (Cancel).
    virtual SeamResult pressEnter() = 0;
    virtual SeamResult pressEscape() = 0;
    // Saves a picture of the window as a PNG file; only real windows can be pictured.
    virtual SeamResult snap(const std::string& pngPath);

    // The first control with this id, or with exactly this caption/text.
    std::optional<ControlInfo> findById(int id) const;
    std::optional<ControlInfo> findByCaption(const std::string& caption) const;
    // target "#1043" means id 1043; anything else is a caption.
    std::optional<ControlInfo> find(const std::string& target) const;
};
