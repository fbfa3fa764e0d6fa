// The names a resource script may use without defining them: window, dialog,
// button, static and edit styles and the standard command ids, with their values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zefrc {

// The value of a known constant such as WS_CHILD or IDOK, or nothing.
std::optional<int64_t> knownConstant(const std::string& name);

} // namespace zefrc
