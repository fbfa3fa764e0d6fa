// Material records.
#include "export/material_writer.h"
#include "resources/resource.h"
#include "resources/resource_strings.h"

static int result(const ZefStream& out) {
    return out.failed() ? -1 : 0;
}

static void writeHeadLines(ZefStream& out, int recordNumber, const char* name, Color diffuse,
                           float transparency) {
    out.text("Material ").integer(recordNumber).text(": ").text(name).endLine();
    out.text("Diffuse: R: ").fixed(diffuse.r).text(" G: ").fixed(diffuse.g);
    out.text(" B: ").fixed(diffuse.b).text(" A: ").fixed(1.0f - transparency).endLine();
}

static void writeSpecularLine(ZefStream& out, Color specular, float shininess, float strength) {
    out.text("Specular: R: ").fixed(specular.r).text(" G: ").fixed(specular.g);
    out.text(" B: ").fixed(specular.b).text(" Shininess: ").fixed(shininess);
    out.text(" Shiningstrength: ").fixed(strength).endLine();
}

int writeMaterialRecord(ZefStream& out, HostMaterial* material, int recordNumber,
                        const OptionSet& options, HostInterface* host) {
    Color diffuse = material->diffuse(0, 0);
    float transparency = material->transparency(0, 0);
    writeHeadLines(out, recordNumber, material->name.data(), diffuse, transparency);
    if (out.failed()) return -1;

    if (options.exportHighlights) {
        Color specular = material->specular(0, 0);
        float strength = material->shininessStrength(0, 0);
        float shininess = material->shininess(0, 0);
        writeSpecularLine(out, specular, shininess, strength);
        if (out.failed()) return -1;
    }
    if (material->classId() != standardMaterialClassID) return 0;
    auto* standard = static_cast<StandardMaterial*>(material);

    int twoSided = options.removeTwoSided ? 0 : standard->twoSided();
    out.text("Twosided: ").integer(twoSided).endLine();
    if (out.failed()) return -1;

    HostTexmap* map = standard->map(1);
    if (!map) {
        out.text("Texture: NODIFFUSE\n");
        return result(out);
    }
    if (map->classId() == bitmapTexClassID) {
        CStr fileName;
        {
            CStr fullName(map->bitmapFileName());
            SplitPathFile(fullName, nullptr, &fileName);
        }
        out.text("Texture: ").text(fileName.data()).endLine();
    } else {
        out.text("Texture: NOBITMAP\n");
    }
    if (out.failed()) return -1;
    float amount = standard->mapAmount(1, host->currentTime());
    out.text("Amount: ").fixed(amount).endLine();
    return result(out);
}

int writeEmptySlotRecord(ZefStream& out, int recordNumber, const OptionSet& options) {
    const char* name = loadResourceString(IDS_NO_MATERIAL);
    writeHeadLines(out, recordNumber, name ? name : "No Material", Color(), 0.0f);
    if (options.exportHighlights) writeSpecularLine(out, Color(), 0.0f, 0.0f);
    return result(out);
}
