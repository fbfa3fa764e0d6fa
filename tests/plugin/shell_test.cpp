// The library's face to the host: exported functions, descriptors, strings, entry.
#include <gtest/gtest.h>

#include <cstring>

#include "hostkit/ui/hostui.h"
#include "resources/resource.h"
#include "shell/class_descs.h"
#include "shell/library_entry.h"
#include "resources/resource_strings.h"
#include "utility/zef_utility.h"

extern "C" {
const char* LibDescription();
int LibNumberClasses();
HostClassDescriptor* LibClassDesc(int index);
uint32_t LibVersion();
}

TEST(Exports, ListTwoClassesAndNothingOutOfRange) {
    EXPECT_EQ(LibNumberClasses(), 2);
    EXPECT_EQ(LibClassDesc(0), &zefExportClassDesc);
    EXPECT_EQ(LibClassDesc(1), &zefUtilityClassDesc);
    EXPECT_EQ(LibClassDesc(2), nullptr);
    EXPECT_EQ(LibClassDesc(-1), nullptr);
    EXPECT_EQ(LibVersion(), 100u);
    const char* description = LibDescription();
    ASSERT_NE(description, nullptr);
    EXPECT_STREQ(description, "ZEF File Export DLL ");
}

TEST(Descriptors, IdentifyTheirClasses) {
    EXPECT_EQ(zefExportClassDesc.kindCode(), 0xA20);
    EXPECT_EQ(zefExportClassDesc.classId(), Class_ID(0x6CB00598, 0x7763262B));
    EXPECT_STREQ(zefExportClassDesc.displayName(), "ASCII-Export (ZEF)");
    EXPECT_STREQ(zefExportClassDesc.categoryText(), "Scene Export");
    EXPECT_EQ(zefUtilityClassDesc.kindCode(), 0x1020);
    EXPECT_EQ(zefUtilityClassDesc.classId(), Class_ID(0x16AA652A, 0x6F052FCD));
    EXPECT_STREQ(zefUtilityClassDesc.displayName(), "ZEFX Utility");
    EXPECT_STREQ(zefUtilityClassDesc.categoryText(), "");
    EXPECT_EQ(zefUtilityClassDesc.hostDefault9(0), 1);
}

TEST(Descriptors, ExporterObjectsAreNewTheUtilityIsShared) {
    auto* a = static_cast<HostSceneExporter*>(zefExportClassDesc.createInstance(0));
    auto* b = static_cast<HostSceneExporter*>(zefExportClassDesc.createInstance(0));
    EXPECT_NE(a, b);
    EXPECT_STREQ(a->extension(0), "ZEF");
    EXPECT_STREQ(a->extension(1), "");
    EXPECT_EQ(a->extensionCount(), 1);
    EXPECT_EQ(a->version(), 100);
    EXPECT_STREQ(a->longDescription(), "ZEF File (Scene-ASCII)");
    delete a;
    delete b;
    void* u1 = zefUtilityClassDesc.createInstance(0);
    void* u2 = zefUtilityClassDesc.createInstance(0);
    EXPECT_EQ(u1, u2);
    EXPECT_EQ(u1, static_cast<HostUtilityPlugin*>(&zefUtility));
}

TEST(Strings, LookupsShareOneBufferAndMissingIdsGiveNull) {
    const char* first = loadResourceString(IDS_NO_MATERIAL);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "No Material");
    const char* second = loadResourceString(IDS_CAPTION);
    EXPECT_EQ(first, second); // the same buffer, overwritten
    EXPECT_STREQ(first, "ZEFEXP");
    EXPECT_EQ(loadResourceString(12345), nullptr);
    HINSTANCE saved = libraryInstance;
    libraryInstance = nullptr;
    EXPECT_EQ(loadResourceString(IDS_CAPTION), nullptr);
    libraryInstance = saved;
}

TEST(LibraryEntry, InitialisesControlsOnlyOnce) {
    // Loading the library (this process) entered it once, and that set up the controls.
    EXPECT_EQ(controlsInitialised, 1);
    EXPECT_EQ(hostkit::ui::commonControlsInitCount(), 1);
    HINSTANCE instance = libraryInstance;
    EXPECT_EQ(libraryEntry(instance, DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_EQ(libraryEntry(instance, DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(libraryEntry(instance, DLL_PROCESS_DETACH, nullptr), TRUE);
    EXPECT_EQ(hostkit::ui::commonControlsInitCount(), 1);
    EXPECT_EQ(libraryInstance, instance);
}
