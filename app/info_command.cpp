// The plug-in report of `zefhost info`.
#include <cstdio>

#include "app/info_command.h"

static std::string quoted(const char* text) {
    if (!text) return "(none)";
    std::string out = "\"";
    out += text;
    out += '"';
    return out;
}

static std::string hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%X", value);
    return buffer;
}

static const char* kindName(int kindCode) {
    switch (kindCode) {
    case SCENE_EXPORT_CLASS_ID:
        return "scene exporter";
    case UTILITY_CLASS_ID:
        return "utility";
    default:
        return "unknown kind";
    }
}

static void printExporter(HostSceneExporter* exporter, std::ostream& out) {
    out << "  Extensions: " << exporter->extensionCount() << "\n";
    for (int i = 0; i < exporter->extensionCount(); ++i)
        out << "    " << i << ": " << quoted(exporter->extension(i)) << "\n";
    // Each text is copied before the next is asked for: they may share one buffer.
    out << "  Long description: " << quoted(exporter->longDescription()) << "\n";
    out << "  Short description: " << quoted(exporter->shortDescription()) << "\n";
    out << "  Author: " << quoted(exporter->authorText()) << "\n";
    out << "  Copyright: " << quoted(exporter->copyrightText()) << "\n";
    out << "  Exporter version: " << exporter->version() << "\n";
}

void printPluginInfo(const PluginLibrary& library, std::ostream& out) {
    out << "Description: " << quoted(library.description()) << "\n";
    out << "Version: " << library.version() << "\n";
    int count = library.classCount();
    out << "Classes: " << count << "\n";
    for (int i = 0; i < count; ++i) {
        HostClassDescriptor* descriptor = library.classDescriptor(i);
        if (!descriptor) {
            out << "Class " << i << ": (none)\n";
            continue;
        }
        out << "Class " << i << ": " << quoted(descriptor->displayName()) << "\n";
        out << "  Category: " << quoted(descriptor->categoryText()) << "\n";
        out << "  Kind: " << hex(uint32_t(descriptor->kindCode())) << " ("
            << kindName(descriptor->kindCode()) << ")\n";
        Class_ID id = descriptor->classId();
        out << "  Class ID: (" << hex(id.PartA()) << ", " << hex(id.PartB()) << ")\n";
        out << "  Listed: " << (descriptor->isListed() ? "yes" : "no") << "\n";
        if (descriptor->kindCode() == SCENE_EXPORT_CLASS_ID) {
            auto* exporter = static_cast<HostSceneExporter*>(descriptor->createInstance(0));
            if (exporter) {
                printExporter(exporter, out);
                delete exporter;
            }
        }
    }
}
