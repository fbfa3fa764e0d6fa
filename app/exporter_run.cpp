// One export through an exporter object with a given person at its dialog.
#include "app/exporter_run.h"

int runExporter(HostSceneExporter& exporter, const std::string& path, HostSession& host,
                User& user) {
    User* previous = hostkit::setUser(&user);
    const int result = exporter.exportScene(path.c_str(), host.exportInterface(), &host);
    hostkit::setUser(previous);
    return result;
}
