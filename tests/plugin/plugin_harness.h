// Test harness for the plug-in linked into the test: a scene, the host's
// interfaces over it, and a user who presses OK or Cancel in the export dialog.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dialog_options.h"
#include "app/export_dialog_user.h"
#include "app/exporter_run.h"
#include "host/hold.h"
#include "export/zef_export.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/scene.h"
#include "hostkit/session/host_session.h"
#include "prep/option_set.h"
#include "support/files.h"
#include "support/mesh_family.h"
#include "support/option_texts.h"
#include "utility/zef_utility.h"

struct ExportOutcome {
    int hostResult = 0;
    std::vector<std::string> messages;
};

class PluginHarness {
  public:
    Scene scene;
    HostSession host{scene};

    // Exports with the current exportOptions (the dialog is filled and read back
    // unchanged), or with the given steps played first, through the path zefhost's
    // export command takes. A step that cannot be played fails the test.
    ExportOutcome exportTo(const std::string& path, std::vector<ScenarioStep> steps = {},
                           bool cancel = false) {
        ExportDialogUser user(Scenario{std::move(steps)}, cancel);
        ZefExport exporter;
        ExportOutcome outcome;
        outcome.hostResult = runExporter(exporter, path, host, user);
        EXPECT_EQ(user.error(), "") << "a step of the export's dialog could not be played";
        for (const ExportDialogUser::Message& message : user.messages())
            outcome.messages.push_back(message.text);
        return outcome;
    }

    // Opens the utility's page, presses Apply with the current utilityOptions and
    // closes it; returns the texts of the message boxes shown.
    std::vector<std::string> applyUtility() {
        ScenarioUser user;
        User* previous = hostkit::setUser(&user);
        host.openUtility(&zefUtility);
        zefUtility.apply();
        host.closeUtility();
        hostkit::setUser(previous);
        std::vector<std::string> texts;
        for (const ScenarioUser::Message& message : user.messages()) texts.push_back(message.text);
        return texts;
    }

    // A node with a mesh object.
    SceneNode* addMeshNode(const std::string& name, const Mesh& mesh, SceneNode* parent = nullptr) {
        SceneNode* node = scene.createNode(name, parent);
        node->setObject(std::make_unique<MeshObject>(mesh));
        return node;
    }
};

// Puts every flag back to its value when the library was loaded.
inline void restoreLoadedFlags(OptionSet& options) {
    const OptionSet loaded;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = loaded.flag(i);
}

// exportOptions as the first export sees them: the loaded flags and the default texts.
inline void restoreExportDefaults() {
    restoreLoadedFlags(exportOptions);
    setExportDefaultTexts(exportOptions);
}
