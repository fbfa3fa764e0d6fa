// Two-sidedness switching of standard materials.
#include <new>

#include "prep/restore_records.h"
#include "prep/two_sidedness.h"

// The work on one material; materials that are not standard are left alone.
static void switchMaterialTwoSidedness(HostMaterial* material, const OptionSet& options);

bool isMultiMaterial(HostMaterial* material) {
    return material->classId() == multiMaterialClassID;
}

void switchTwoSidedness(HostMaterial* material, const OptionSet& options) {
    if (!material) return;
    if (!isMultiMaterial(material)) {
        switchMaterialTwoSidedness(material, options);
        return;
    }
    for (int i = 0; i < material->subMaterialCount(); ++i)
        if (HostMaterial* sub = material->subMaterial(i)) switchMaterialTwoSidedness(sub, options);
}

// Records the coming toggle (while holding), then sets the flag.
static void setRecorded(StandardMaterial* material, int twoSided) {
    if (theHold.Holding())
        if (auto* record = new (std::nothrow) TwoSidedRestore(material)) theHold.Put(record);
    material->setTwoSided(twoSided);
}

static void switchMaterialTwoSidedness(HostMaterial* material, const OptionSet& options) {
    if (material->classId() != standardMaterialClassID) return;
    auto* standard = static_cast<StandardMaterial*>(material);
    if (options.removeTwoSided && standard->twoSided()) setRecorded(standard, 0);
    if (options.applyTwoSided && !standard->twoSided()) setRecorded(standard, 1);
}
