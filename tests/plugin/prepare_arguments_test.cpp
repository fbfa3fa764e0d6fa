// The mesh operations a preparation calls, each with its exact arguments, starting
// from the default option record and changing one choice at a time; and the numeric
// locale a preparation leaves behind.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "hostkit/mesh/primitives.h"
#include "prep/prepare_mesh.h"
#include "support/mesh_family.h"
#include "support/operation_recorder.h"
#include "support/option_texts.h"

namespace {

using Args = std::vector<double>;

// The default record with the export's default texts, as the first export sees it.
OptionSet defaults() {
    OptionSet options;
    setExportDefaultTexts(options);
    return options;
}

std::vector<RecordedOperation> prepared(OptionSet& options) {
    Mesh mesh = hostkit::makeGridMesh(2, 1.0f);
    OperationRecorder recorder;
    prepareMesh(mesh, options);
    return recorder.calls();
}

std::string describe(const std::vector<RecordedOperation>& calls) {
    std::string out;
    for (const RecordedOperation& call : calls) {
        out += call.name + "(";
        for (size_t i = 0; i < call.args.size(); ++i) {
            char number[32];
            // to_chars: the same text whatever the numeric locale
            *std::to_chars(number, number + sizeof number - 1, call.args[i]).ptr = 0;
            out += (i ? ", " : "") + std::string(number);
        }
        out += ") ";
    }
    return out;
}

std::string expectedCalls(std::initializer_list<std::pair<const char*, Args>> calls) {
    std::vector<RecordedOperation> list;
    for (const auto& [name, args] : calls) list.push_back({name, nullptr, args});
    return describe(list);
}

float radians(float degrees) {
    return degrees * 0.017453292f; // single precision, as the preparation multiplies
}

} // namespace

// First in its own executable: the process starts with a decimal point.
TEST(PrepareLocale, FirstPreparationSwitchesTheWholeProcessToADecimalComma) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", 0.5);
    ASSERT_STREQ(text, "0.500000") << "the process must start in the C locale";
    OptionSet options = defaults();
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0; // the locale switch always runs
    Mesh mesh = hostkit::makeGridMesh(1, 1.0f);
    prepareMesh(mesh, options);
    std::snprintf(text, sizeof text, "%.6f", -1.5);
    EXPECT_STREQ(text, "-1,500000");
    std::thread other([&] { std::snprintf(text, sizeof text, "%.6f", 0.25); });
    other.join();
    EXPECT_STREQ(text, "0,250000");
    // A later preparation does not restore anything either.
    prepareMesh(mesh, options);
    float read = 0;
    std::sscanf("2,5", "%f", &read);
    EXPECT_EQ(read, 2.5f);
}

TEST(PrepareArguments, FlipsCapAndTilesPassAsTheyStand) {
    struct Case {
        int flipU, flipV, cap;
        const char *uTile, *vTile;
        float u, v;
    };
    for (Case c : {Case{1, 0, 0, "2", "3", 2, 3}, Case{0, 1, 0, "0.5", "4,5", 0.5f, 4.5f},
                   Case{0, 0, 1, "7", "8", 7, 8}}) {
        OptionSet options = defaults();
        options.applyUVMap = 1;
        options.flipU = c.flipU;
        options.flipV = c.flipV;
        options.cap = c.cap;
        std::strcpy(options.uTileText, c.uTile);
        std::strcpy(options.vTileText, c.vTile);
        auto maps = prepared(options);
        ASSERT_EQ(maps.size(), 5u);
        EXPECT_EQ(maps[3].name, "ApplyUVWMap");
        EXPECT_EQ(maps[3].args,
                  (Args{0, c.u, c.v, 1, double(c.flipU), double(c.flipV), 0, double(c.cap), 1}));
    }
}

TEST(PrepareArguments, DefaultRecordUnifiesWithZeroAndRemovesDegenerateFacesTwice) {
    OptionSet options = defaults();
    EXPECT_EQ(describe(prepared(options)), expectedCalls({{"RemoveDegenerateFaces", {}},
                                                          {"UnifyNormals", {0}},
                                                          {"RemoveDegenerateFaces", {}},
                                                          {"InvalidateGeomCache", {}}}));
}

TEST(PrepareArguments, EachOptionAddsItsCallWithItsArguments) {
    OptionSet options = defaults();
    options.flipNormals = 1;
    options.autoSmooth = 1;
    options.optimize = 1;
    std::strcpy(options.angleText, "45");
    std::strcpy(options.normalThresholdText, "2,5");
    std::strcpy(options.edgeThresholdText, "6.5");
    std::strcpy(options.biasText, "0,25");
    std::string want;
    for (int face = 0; face < 8; ++face) want += "FlipNormal(" + std::to_string(face) + ") ";
    want += expectedCalls({{"RemoveDegenerateFaces", {}},
                           {"UnifyNormals", {0}},
                           {"AutoSmooth", {radians(45), 0}},
                           {"Optimize", {radians(2.5f), radians(6.5f), 0.25f, 7, 0}},
                           {"RemoveDegenerateFaces", {}},
                           {"InvalidateGeomCache", {}}});
    EXPECT_EQ(describe(prepared(options)), want);
}

TEST(PrepareArguments, EachMapTypeAloneGivesItsCode) {
    int32_t OptionSet::*const mapFlags[5] = {&OptionSet::mapPlanar, &OptionSet::mapCylindrical,
                                             &OptionSet::mapSpherical, &OptionSet::mapShrinkWrap,
                                             &OptionSet::mapBox};
    for (int code = 0; code < 5; ++code) {
        OptionSet options = defaults();
        options.unifyNormals = options.removeDegenerate = 0;
        options.applyUVMap = 1;
        options.mapPlanar = 0;
        options.*mapFlags[code] = 1;
        EXPECT_EQ(describe(prepared(options)),
                  expectedCalls({{"ApplyUVWMap", {double(code), 1, 1, 1, 0, 0, 0, 0, 1}},
                                 {"InvalidateGeomCache", {}}}))
            << "map flag " << code;
    }
}
