// One export through an exporter object with a given person at its dialog: what
// zefhost's export command does, and what the plug-in's in-process tests do.
#pragma once

#include <string>

#include "host/plugin.h"
#include "hostkit/session/host_session.h"
#include "hostkit/ui/user.h"

// Calls exporter.exportScene(path) over host's scene with user answering the dialogs
// and message boxes that come up; the previous user is back afterwards. Returns what
// exportScene returned (the host's result code).
int runExporter(HostSceneExporter& exporter, const std::string& path, HostSession& host,
                User& user);
