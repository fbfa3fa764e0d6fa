// zefrc: the subset of resource scripts it reads, the table it writes, its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "hostkit/rc/cpp_writer.h"
#include "hostkit/rc/rc_parser.h"
#include "host/module_resources.h"
#include "tests/support/files.h"

using namespace zefrc;

extern const ResourceTable sampleResources;

namespace {

FileError errorOf(const std::string& script) {
    ParseResult r = parseRcText(script, "test.rc");
    EXPECT_TRUE(r.error.has_value()) << "script was accepted:\n" << script;
    return r.error.value_or(FileError{});
}

const DialogTemplate& sampleDialog(int index) {
    return sampleResources.dialogs[index];
}

} // namespace

TEST(ZefrcParse, ShortFormsImplyTheirClassAndStyle) {
    const DialogTemplate& d = sampleDialog(0);
    ASSERT_EQ(d.controlCount, 5);
    EXPECT_STREQ(d.controls[0].className, "Static");
    EXPECT_EQ(d.controls[0].style, (DWORD)(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT));
    EXPECT_STREQ(d.controls[1].className, "Edit");
    EXPECT_EQ(d.controls[1].style,
              (DWORD)(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL));
    EXPECT_STREQ(d.controls[3].className, "Button");
    EXPECT_EQ(d.controls[3].style, (DWORD)(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON));
}

TEST(ZefrcParse, NotClearsImpliedBits) {
    const DialogTemplate& d = sampleDialog(0);
    EXPECT_EQ(d.controls[2].style & WS_TABSTOP, 0u) << "AUTOCHECKBOX ... NOT WS_TABSTOP";
    EXPECT_EQ(d.controls[2].style & 0xF, (DWORD)BS_AUTOCHECKBOX);
    EXPECT_EQ(d.controls[4].style & WS_VISIBLE, 0u) << "CONTROL ... NOT WS_VISIBLE";
    EXPECT_NE(d.controls[4].style & WS_CHILD, 0u);
}

TEST(ZefrcParse, MinusOneIdIsAWordInDialogAndADwordInDialogEx) {
    EXPECT_EQ(sampleDialog(0).controls[0].id, 0xFFFF); // IDC_STATIC
    EXPECT_EQ(sampleDialog(1).controls[0].id, -1);     // -1 in a DIALOGEX keeps all 32 bits
}

TEST(ZefrcParse, DialogWithoutStyleGetsDefaultsPlusCaptionAndFont) {
    const DialogTemplate& d = sampleDialog(0);
    EXPECT_EQ(d.id, 200);
    EXPECT_EQ(d.name, nullptr);
    EXPECT_EQ(d.style, (DWORD)(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT));
    EXPECT_STREQ(d.caption, "Sample");
    EXPECT_EQ(d.fontSize, 8);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.cy, 80);
}

TEST(ZefrcParse, UndefinedNameNamesTheDialog) {
    const DialogTemplate& d = sampleDialog(1);
    EXPECT_EQ(d.id, -1);
    ASSERT_NE(d.name, nullptr);
    EXPECT_STREQ(d.name, "NamedPage");
    EXPECT_EQ(d.style, (DWORD)WS_CHILD) << "braces work as BEGIN/END; no caption, no font";
}

TEST(ZefrcParse, StringTableDecodesEscapesAndDoubledQuotes) {
    ASSERT_EQ(sampleResources.stringCount, 2);
    EXPECT_EQ(sampleResources.strings[0].id, 10u);
    EXPECT_STREQ(sampleResources.strings[0].text, "Hello");
    EXPECT_STREQ(sampleResources.strings[1].text, "say \"hi\"\tnow\\");
}

TEST(ZefrcParse, StyleExpressionsTakeNumbersAndParentheses) {
    ParseResult r =
        parseRcText("1 DIALOGEX 0,0,10,10\nSTYLE 0x10 | (WS_CHILD | 4)\nBEGIN\n"
                    "CONTROL \"a\", 7, \"CustEdit\", 0x3L, -2, 0, 5, 5, WS_EX_CLIENTEDGE\n"
                    "END\n",
                    "inline.rc");
    ASSERT_FALSE(r.error) << r.error->message();
    const RcDialog& d = r.file.dialogs.at(0);
    EXPECT_EQ(d.style, 0x10u | 0x40000000u | 4u);
    EXPECT_EQ(d.controls.at(0).className, "CustEdit");
    EXPECT_EQ(d.controls.at(0).style, 0x3u | 0x40000000u | 0x10000000u);
    EXPECT_EQ(d.controls.at(0).x, -2);
    EXPECT_EQ(d.controls.at(0).exStyle, 0x200u);
}

TEST(ZefrcErrors, NameFileLineAndProblem) {
    FileError e = errorOf("1 DIALOG 0,0,1,1\nSTYLE WS_CHILD |\n    WS_NOPE\nBEGIN\nEND\n");
    EXPECT_EQ(e.file, "test.rc");
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.problem.find("WS_NOPE"), std::string::npos) << e.problem;
    EXPECT_EQ(e.message().rfind("test.rc:3: ", 0), 0u) << e.message();
}

TEST(ZefrcErrors, RejectScriptsOutsideTheSubset) {
    EXPECT_NE(errorOf("1 ICON \"a.ico\"\n").problem.find("ICON"), std::string::npos);
    EXPECT_NE(errorOf("1 DIALOG 0,0,1,1\nBEGIN\nLISTBOX 3, 0,0,1,1\nEND\n").problem.find("LISTBOX"),
              std::string::npos);
    EXPECT_NE(errorOf("1 DIALOG 0,0,1,1\nBEGIN\n").problem.find("END"), std::string::npos);
    EXPECT_NE(errorOf("#if 1\n#endif\n").problem.find("#if"), std::string::npos);
    EXPECT_NE(errorOf("STRINGTABLE\nBEGIN\n1 \"a\"\n1 \"b\"\nEND\n").problem.find("twice"),
              std::string::npos);
    EXPECT_NE(errorOf("1 DIALOG 0,0,1,1\nBEGIN\nCONTROL \"x, 1, \"Button\", 0, 0,0,1,1\nEND\n")
                  .problem.find("string"),
              std::string::npos);
    EXPECT_EQ(errorOf("\n\n#include \"missing_header.h\"\n").line, 3);
}

TEST(ZefrcWriter, StringLiteralRoundTripsEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += (char)c;
    std::string literal = cppStringLiteral(all);
    // only printable ASCII may appear, and no trigraph can form
    for (char c : literal) EXPECT_TRUE(c >= 0x20 && c < 0x7F);
    EXPECT_EQ(literal.find("??"), std::string::npos);
    EXPECT_EQ(cppStringLiteral("a\"b\\c\n"), "\"a\\\"b\\\\c\\012\"");
}

TEST(ZefrcTool, FailsWithTheLocationOnStderr) {
    std::string bad = ::testing::TempDir() + "zefrc_bad.rc";
    std::ofstream(bad) << "1 DIALOG 0,0,1,1\nBEGIN\n  BOGUS\nEND\n";
    std::string out = ::testing::TempDir() + "zefrc_bad.cpp";
    std::string command = std::string(ZEFRC_PATH) + " " + bad + " " + out + " table 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512] = {};
    size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
    int status = pclose(pipe);
    EXPECT_NE(status, 0);
    EXPECT_NE(std::string(buffer, n).find("zefrc_bad.rc:3:"), std::string::npos) << buffer;
}

TEST(ZefrcTool, WritesATableForAGoodScript) {
    std::string out = ::testing::TempDir() + "zefrc_sample.cpp";
    std::string command = std::string(ZEFRC_PATH) + " " SAMPLE_RC " " + out + " myTable";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("const ResourceTable myTable = {kDialogs, 2, kStrings, 2};"),
              std::string::npos)
        << text;
}
