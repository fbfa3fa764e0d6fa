// Lookups shared by every implementation of the user seam.
#include "hostkit/ui/user_seam.h"

#include <cstdlib>

std::optional<ControlInfo> UserSeam::findById(int id) const {
    for (const ControlInfo& c : controls())
        if (c.id == id) return c;
    return std::nullopt;
}

std::optional<ControlInfo> UserSeam::findByCaption(const std::string& caption) const {
    for (const ControlInfo& c : controls())
        if (c.text == caption) return c;
    return std::nullopt;
}

std::optional<ControlInfo> UserSeam::find(const std::string& target) const {
    if (target.size() > 1 && target[0] == '#') {
        char* end = nullptr;
        long id = std::strtol(target.c_str() + 1, &end, 0);
        if (end && *end == '\0') return findById((int)id);
    }
    return findByCaption(target);
}

SeamResult UserSeam::snap(const std::string&) {
    return {"pictures of '" + title() + "' need real windows (Windows)"};
}
