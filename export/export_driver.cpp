// The export from the options dialog to the closed file.
#include <memory>
#include <optional>

#include "export/export_driver.h"
#include "export/material_writer.h"
#include "export/node_list.h"
#include "export/options_dialog.h"
#include "export/safe_save.h"
#include "export/zef_writer.h"
#include "prep/converted_mesh.h"
#include "prep/prepare_mesh.h"
#include "prep/restore_records.h"
#include "prep/two_sidedness.h"
#include "resources/resource.h"
#include "resources/resource_strings.h"

// No exception leaves the plug-in: one that reaches here (out of memory, say) ends
// the export as a write error does. The file guard has already removed the
// temporary file and runExport has closed the hold.
int ZefExport::exportScene(const char* path, HostExportInterface* exportInterface,
                           HostInterface* host) {
    int result = 0;
    try {
        result = runExport(path, exportInterface, host, this);
    } catch (...) {
        showMessage(IDS_WRITE_ERROR, IDS_CAPTION, MB_OK);
        result = 0;
    }
    return result == 0 ? 1 : result;
}

int showMessage(int textId, int captionId, UINT type) {
    try {
        CStr text(loadResourceString(textId));
        CStr caption(loadResourceString(captionId));
        return MessageBoxA(GetActiveWindow(), text.data(), caption.data(), type);
    } catch (...) { // out of memory even for the message: nothing more to do
        return 0;
    }
}

namespace {
struct ExportRun {
    ZefStream& out;
    HostInterface* host;
    Point3 centre;
};

// The material list of an object; false once a write failed.
bool writeMaterialList(ExportRun& run, HostMaterial* material, int count, bool multi) {
    run.out.text("Material list:\n");
    if (!multi) return writeMaterialRecord(run.out, material, 0, exportOptions, run.host) == 0;
    for (int j = 0; j < count; ++j) {
        HostMaterial* sub = material->subMaterial(j);
        int written = sub ? writeMaterialRecord(run.out, sub, j, exportOptions, run.host)
                          : writeEmptySlotRecord(run.out, j, exportOptions);
        if (written != 0) return false;
    }
    return true;
}

// Writes object i; false once a write failed. A copy of the mesh lives only here.
bool writeObject(ExportRun& run, int index, NodeEntry* entry) {
    const bool toScene = exportOptions.applyToScene != 0;
    TimeValue time = run.host->currentTime();
    ConvertedMesh converted(entry->object, time);
    TriangleMeshObject* tri = converted.get();
    writeObjectLine(run.out, index, entry->node->name());
    if (!tri) { // the host could not convert after all: an object without faces
        writeCountsLine(run.out, 0, 0, 0, 0, 0);
        return !run.out.failed();
    }

    // The scene's own mesh with applyToScene, else a copy; a temporary mesh made by
    // the conversion is already a copy.
    std::optional<Mesh> copy;
    Mesh* work = &tri->mesh;
    if (toScene && !converted.isTemporary()) {
        recordMeshChange(tri->mesh);
    } else if (!converted.isTemporary()) {
        copy.emplace(tri->mesh);
        work = &*copy;
    }
    Matrix3 tm = entry->node->objectTransform(run.host->currentTime(), nullptr);

    if (work->faceCount == 0) {
        writeCountsLine(run.out, 0, 0, 0, 0, 0);
        return !run.out.failed();
    }
    prepareMesh(*work, exportOptions);
    HostMaterial* material = entry->node->material();
    if (toScene) switchTwoSidedness(material, exportOptions);

    const bool materials = exportOptions.exportMaterials && material;
    const bool multi = materials && isMultiMaterial(material);
    int materialCount = !materials ? 0 : (multi ? material->subMaterialCount() : 1);
    // Texture vertices follow "Export Materials". Only a mesh that has faces but no
    // texture faces writes none: its face groups would have no TVFace to write.
    const bool texFacesMissing = work->faceCount > 0 && !work->texFaces;
    int texVertexCount = exportOptions.exportMaterials && !texFacesMissing ? work->texVertCount : 0;
    const int normals = exportOptions.exportNormals ? 1 : 0;

    writeCountsLine(run.out, work->vertexCount, texVertexCount, work->faceCount, materialCount,
                    normals);
    if (materialCount > 0 && !writeMaterialList(run, material, materialCount, multi)) return false;
    writeVertexList(run.out, *work, tm, run.centre, exportOptions.exportCentered != 0);
    if (texVertexCount > 0) writeTexVertexList(run.out, *work, texVertexCount);
    if (normals && !work->hasNormals) work->buildNormals();
    FaceListOptions faceOptions;
    faceOptions.normals = normals != 0;
    faceOptions.texFaces = texVertexCount > 0;
    faceOptions.materialIds = multi;
    writeFaceList(run.out, *work, faceOptions);
    return !run.out.failed();
}
} // namespace

int runExport(const char* path, HostExportInterface* exportInterface, HostInterface* host,
              ZefExport* exporter) {
    INT_PTR confirmed =
        DialogBoxParamA(libraryInstance, MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS), host->mainWindow(),
                        exportOptionsDialogProc, reinterpret_cast<LPARAM>(exporter));
    if (confirmed < 0) { // the dialog failed: no export
        showMessage(IDS_WRITE_ERROR, IDS_CAPTION, MB_OK);
        return 0;
    }
    if (confirmed == 0) return 0;

    NodeList list(exportInterface->scene, host->currentTime(), host);
    if (list.count == 0) {
        showMessage(IDS_NO_DATA, IDS_CAPTION, MB_OK);
        return 1;
    }
    SafeSave file;
    if (!file.open(path, SaveMode::Text)) {
        showMessage(IDS_CANT_CREATE, IDS_CAPTION, MB_OK);
        return -1;
    }
    Box3 box = list.boundingBox();
    Point3 centre((box.pmin.x + box.pmax.x) * 0.5f, (box.pmin.y + box.pmax.y) * 0.5f,
                  (box.pmin.z + box.pmax.z) * 0.5f);
    ZefStream out(file.stream());
    out.afterEachWrite([&file] { file.startWriteback(); }); // the disk keeps pace
    ExportRun run{out, host, centre};

    const bool toScene = exportOptions.applyToScene != 0;
    writeFileHeader(run.out, list.count);
    if (toScene) theHold.Begin();
    bool written = !run.out.failed();
    try {
        // Walks the entries in order (what entryAt(i) gives), in linear time.
        NodeEntry* entry = list.head;
        for (int i = 0; written && i < list.count; ++i, entry = entry->next)
            written = writeObject(run, i, entry);
    } catch (...) { // out of memory or a failing host call: a write error, hold closed
        written = false;
    }
    if (toScene) {
        host->redrawViews();
        // Also after a write error: the changes already made stay one undoable step.
        theHold.Accept(IDS_UTILITY_NAME);
    }
    written = written && run.out.flush();
    if (!written || !file.commit()) {
        file.discard(); // before the message: no temporary outlives a failed export
        showMessage(IDS_WRITE_ERROR, IDS_CAPTION, MB_OK);
        return 0;
    }
    return 1;
}
