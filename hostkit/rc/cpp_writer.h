// Writes a parsed resource script as C++ source defining a ResourceTable object.
#pragma once

#include <string>

#include "hostkit/rc/rc_model.h"

namespace zefrc {

// C++ source that defines `extern const ResourceTable <symbol>` holding every dialog
// and string of file, in script order. symbol must be a C++ identifier.
std::string writeResourceTable(const RcFile& file, const std::string& symbol,
                               const std::string& sourceName);

// text as a C++ string literal; every byte outside printable ASCII is an octal escape.
std::string cppStringLiteral(const std::string& text);

} // namespace zefrc
