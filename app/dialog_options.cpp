// The flag table of the option dialogs and how flags become user actions.
#include <algorithm>

#include "app/dialog_options.h"
#include "resources/resource.h"

namespace {
struct CheckOption {
    const char* name; // flag name without dashes; "--no-NAME" turns it off
    int controlId;
    const char* help;
    bool onByDefault;
    bool inExport, inUtility;
    int valueEditId; // a text the flag may carry ("--auto-smooth 45.5"), or 0
};

const CheckOption kCheckOptions[] = {
    {"export-normals", IDC_EXPORT_NORMALS, "\"Export Normals\": a Normal line per face", false,
     true, false, 0},
    {"selected-only", IDC_SELECTED_ONLY,
     "\"Export only selected Objects\" / \"Apply to selected only\"", false, true, true, 0},
    {"export-materials", IDC_EXPORT_MATERIALS,
     "\"Export Materials\": material lists, texture vertices and faces", true, true, false, 0},
    {"export-texverts", IDC_EXPORT_TEXVERTS,
     "\"Export Texture Vertices\" (stored only: texture vertices follow Export Materials)", true,
     true, false, 0},
    {"export-centered", IDC_EXPORT_CENTERED,
     "\"Export centered\": centre all objects on their common box", true, true, false, 0},
    {"apply-to-scene", IDC_APPLY_TO_SCENE,
     "\"Apply the following options also to the scene:\" (one undoable step)", false, true, false,
     0},
    {"export-highlights", IDC_EXPORT_HIGHLIGHTS, "\"Export Highlights\": the Specular line", true,
     true, false, 0},
    {"remove-two-sided", IDC_REMOVE_TWOSIDED, "\"Remove TwoSidedness\"", false, true, true, 0},
    {"apply-two-sided", IDC_APPLY_TWOSIDED, "\"ApplyTwoSidedness\"", false, true, true, 0},
    {"flip-normals", IDC_FLIP_NORMALS, "\"Flip Normals\"", false, true, true, 0},
    {"unify-normals", IDC_UNIFY_NORMALS, "\"Unify Normals\"", true, true, true, 0},
    {"remove-degenerate", IDC_REMOVE_DEGENERATE, "\"Remove degenerate faces\"", true, true, true,
     0},
    {"auto-smooth", IDC_AUTO_SMOOTH,
     "\"Auto Smooth:\", optionally with its angle in degrees (--auto-smooth 45.5)", false, true,
     true, IDC_ANGLE_EDIT},
    {"optimize", IDC_OPTIMIZE, "\"Optimize:\" with the thresholds and bias below", false, true,
     true, 0},
    {"uv-map", IDC_APPLY_UVMAP, "\"Apply UV Mapping\" with the map type below", false, true, true,
     0},
    {"cap", IDC_CAP, "\"Cap\" of cylindrical mapping", false, true, true, 0},
    {"flip-u", IDC_FLIP_U, "\"Flip\" of the U tile", false, true, true, 0},
    {"flip-v", IDC_FLIP_V, "\"Flip\" of the V tile", false, true, true, 0},
};

struct TextOption {
    const char* name;
    int controlId;
    const char* help;
    const char* exportDefault;
    const char* utilityDefault;
};

const TextOption kTextOptions[] = {
    {"angle", IDC_ANGLE_EDIT, "\"Angle:\" of Auto Smooth, degrees", "30,0", "30,0"},
    {"normal-threshold", IDC_NORMAL_THRESHOLD_EDIT, "\"Normals Treshhold:\" of Optimize, degrees",
     "4,0", "4,0"},
    {"edge-threshold", IDC_EDGE_THRESHOLD_EDIT, "\"Edge Treshhold:\" of Optimize, degrees", "4,0",
     "4,0"},
    {"bias", IDC_BIAS_EDIT, "\"Bias:\" of Optimize, 0 to 1", "0,1", "0,1"},
    {"u-tile", IDC_UTILE_EDIT, "\"U Tile:\" of UV mapping", "1", "empty"},
    {"v-tile", IDC_VTILE_EDIT, "\"V Tile:\" of UV mapping", "1", "empty"},
};

struct MapChoice {
    const char* name;
    int controlId;
};

const MapChoice kMapChoices[] = {{"planar", IDC_MAP_PLANAR},
                                 {"cylindrical", IDC_MAP_CYLINDRICAL},
                                 {"spherical", IDC_MAP_SPHERICAL},
                                 {"shrink-wrap", IDC_MAP_SHRINKWRAP},
                                 {"box", IDC_MAP_BOX}};

constexpr size_t kCheckCount = sizeof(kCheckOptions) / sizeof(kCheckOptions[0]);
constexpr size_t kTextCountFlags = sizeof(kTextOptions) / sizeof(kTextOptions[0]);
} // namespace

void DialogOptionFlags::reset() {
    // Cleared in place: the options are bound to these elements.
    checkStates_.resize(kCheckCount);
    offStates_.resize(kCheckCount);
    std::fill(checkStates_.begin(), checkStates_.end(), 0);
    std::fill(offStates_.begin(), offStates_.end(), 0);
    valueOptions_.resize(kCheckCount, nullptr);
    checkValues_.resize(kCheckCount);
    for (auto& values : checkValues_) values.clear();
    texts_.assign(kTextCountFlags, "");
    textsGiven_.assign(kTextCountFlags, false);
    mapType_.clear();
}

void DialogOptionFlags::addTo(CLI::App& command, DialogKind kind) {
    kind_ = kind;
    reset();
    const bool forExport = kind == DialogKind::Export;
    for (size_t i = 0; i < kCheckCount; ++i) {
        const CheckOption& option = kCheckOptions[i];
        if (!(forExport ? option.inExport : option.inUtility)) continue;
        std::string name = std::string("--") + option.name;
        std::string help =
            std::string(option.help) + " (default: " + (option.onByDefault ? "on" : "off") + ")";
        if (option.valueEditId) {
            valueOptions_[i] = command.add_option(name, checkValues_[i], help)
                                   ->expected(0, 1)
                                   ->type_name("[TEXT]");
            command.add_flag("--no-" + std::string(option.name), offStates_[i], "Turn it off");
        } else {
            command.add_flag(name + ",!--no-" + option.name, checkStates_[i], help);
        }
    }
    for (size_t i = 0; i < kTextCountFlags; ++i) {
        const TextOption& option = kTextOptions[i];
        std::string help = std::string(option.help) +
                           ", typed as given, \".\" or \",\" (default: " +
                           (forExport ? option.exportDefault : option.utilityDefault) + ")";
        command
            .add_option_function<std::string>(
                std::string("--") + option.name,
                [this, i](const std::string& value) {
                    texts_[i] = value;
                    textsGiven_[i] = true;
                },
                help)
            ->type_name("TEXT");
    }
    command
        .add_option("--map", mapType_,
                    "Map type of UV mapping: planar, cylindrical, spherical, shrink-wrap or "
                    "box; also turns \"Apply UV Mapping\" on (default: planar)")
        ->type_name("TYPE");
}

static std::string target(int controlId) {
    return "#" + std::to_string(controlId);
}

ScenarioStep checkStep(int controlId, bool checked) {
    return {checked ? ScenarioStep::Action::Check : ScenarioStep::Action::Uncheck,
            target(controlId), ""};
}

ScenarioStep clickStep(int controlId) {
    return {ScenarioStep::Action::Click, target(controlId), ""};
}

ScenarioStep typeStep(int controlId, const std::string& text) {
    return {ScenarioStep::Action::Type, target(controlId), text};
}

bool DialogOptionFlags::steps(Scenario& out, std::string& error) const {
    int mapControl = 0;
    if (!mapType_.empty()) {
        for (const MapChoice& choice : kMapChoices)
            if (mapType_ == choice.name) mapControl = choice.controlId;
        if (!mapControl) {
            error = "unknown map type '" + mapType_ +
                    "' (choose planar, cylindrical, spherical, shrink-wrap or box)";
            return false;
        }
    }
    for (size_t i = 0; i < kCheckCount; ++i) {
        int state = checkStates_[i];
        if (valueOptions_[i] && valueOptions_[i]->count() > 0) state = 1;
        if (offStates_[i]) state = -1;
        if (kCheckOptions[i].controlId == IDC_APPLY_UVMAP && mapControl && state == 0) state = 1;
        if (state != 0) out.steps.push_back(checkStep(kCheckOptions[i].controlId, state > 0));
        if (!checkValues_[i].empty())
            out.steps.push_back(typeStep(kCheckOptions[i].valueEditId, checkValues_[i][0]));
    }
    for (size_t i = 0; i < kTextCountFlags; ++i)
        if (textsGiven_[i]) out.steps.push_back(typeStep(kTextOptions[i].controlId, texts_[i]));
    if (mapControl) out.steps.push_back(clickStep(mapControl));
    return true;
}
