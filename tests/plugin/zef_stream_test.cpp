// The export stream: integer formatting at every digit-count boundary, content that
// spans many buffer flushes, and the sticky failure after the first failed write.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "export/number_format.h"
#include "export/zef_stream.h"

namespace {
std::string viaRuntime(const char* format, long long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string viaInt(int32_t value) {
    char text[32];
    return std::string(text, formatInt(text, value));
}

std::string viaUInt(uint32_t value) {
    char text[32];
    return std::string(text, formatUInt(text, value));
}

// A stream whose writes all fail and are counted, to see that none follow the first.
struct FailingSink {
    int writeCalls = 0;
    static ssize_t write(void* cookie, const char*, size_t) {
        ++static_cast<FailingSink*>(cookie)->writeCalls;
        return -1;
    }
    FILE* open() {
        FILE* file = fopencookie(this, "w", {nullptr, &FailingSink::write, nullptr, nullptr});
        if (file) std::setvbuf(file, nullptr, _IONBF, 0);
        return file;
    }
};
} // namespace

TEST(StreamNumbers, IntegersMatchTheRuntimeAtEveryDigitBoundary) {
    for (uint64_t power = 1; power <= 10000000000ull; power *= 10) {
        for (int64_t delta : {-1, 0, 1}) {
            const uint64_t u = power + uint64_t(delta);
            if (u <= UINT32_MAX) {
                EXPECT_EQ(viaUInt(uint32_t(u)), viaRuntime("%llu", (long long)u));
            }
            for (int64_t v : {int64_t(u), -int64_t(u)}) {
                if (v >= INT32_MIN && v <= INT32_MAX) {
                    EXPECT_EQ(viaInt(int32_t(v)), viaRuntime("%lld", (long long)v));
                }
            }
        }
    }
    EXPECT_EQ(viaUInt(UINT32_MAX), "4294967295");
    EXPECT_EQ(viaInt(INT32_MIN), "-2147483648");
}

TEST(StreamNumbers, RandomIntegersMatchTheRuntime) {
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t bits = uint32_t(random()) >> (random() % 32); // every magnitude
        ASSERT_EQ(viaUInt(bits), viaRuntime("%llu", (long long)bits));
        ASSERT_EQ(viaInt(int32_t(bits)), viaRuntime("%lld", (long long)int32_t(bits)));
    }
}

// Lines formatted in place and lines of plain text, over several buffer flushes and
// a text too long to buffer, arrive whole and in order.
TEST(ZefStream, KeepsOrderAcrossFlushesAndLongTexts) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::string expected;
    {
        ZefStream out(file);
        const std::string longName(3 * ZefStream::kLongestReserve, 'n');
        for (int i = 0; i < 120000; ++i) {
            char* s = out.reserve(64);
            s = formatInt(s, -i);
            *s++ = ' ';
            out.commit(formatFixed6(s, 0.5f));
            out.text(" Line ").unsignedInt(uint32_t(i)).endLine();
            expected += std::to_string(-i) + " 0,500000 Line " + std::to_string(i) + "\n";
            if (i % 40000 == 0) {
                out.text(longName.c_str()).endLine();
                expected += longName + "\n";
            }
        }
        ASSERT_TRUE(out.flush());
    }
    std::rewind(file);
    std::string written(expected.size() + 1, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), file));
    std::fclose(file);
    EXPECT_GT(expected.size(), size_t(3) << 20); // more than three buffers' worth
    EXPECT_EQ(written, expected);
}

// The hook after each write sees that buffer's bytes in the file already, and runs once
// per buffer written, never for an empty flush.
TEST(ZefStream, HookAfterEachWriteFollowsTheBytes) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::vector<long> reached;
    size_t total = 0;
    {
        ZefStream out(file);
        out.afterEachWrite([&] { reached.push_back(std::ftell(file)); });
        for (int i = 0; i < 300000; ++i) {
            out.text("Line ").unsignedInt(uint32_t(i)).endLine();
            total += 6 + std::to_string(i).size();
        }
        ASSERT_TRUE(out.flush());
        ASSERT_TRUE(out.flush()); // nothing buffered: no write, no call
    }
    ASSERT_GE(reached.size(), 3u); // over 3 MB in 1 MB buffers
    EXPECT_EQ(reached.back(), long(total));
    for (size_t i = 1; i < reached.size(); ++i) EXPECT_GT(reached[i], reached[i - 1]);
    std::fclose(file);
}

TEST(ZefStream, FirstFailedWriteEndsAllWriting) {
    FailingSink sink;
    FILE* file = sink.open();
    ASSERT_NE(file, nullptr);
    ZefStream out(file);
    int hookCalls = 0;
    out.afterEachWrite([&] { ++hookCalls; });
    out.text("ZEF File 1.0\n");
    EXPECT_FALSE(out.failed()); // still buffered
    EXPECT_FALSE(out.flush());
    EXPECT_TRUE(out.failed());
    const int callsAtFailure = sink.writeCalls;
    EXPECT_GE(callsAtFailure, 1);

    for (int i = 0; i < 100000; ++i) out.commit(formatInt(out.reserve(16), i)).endLine();
    out.text(std::string(2 * ZefStream::kLongestReserve, 'x').c_str());
    EXPECT_FALSE(out.flush());
    EXPECT_TRUE(out.failed());
    EXPECT_EQ(sink.writeCalls, callsAtFailure);
    EXPECT_EQ(hookCalls, 0); // no write reached the file
    std::fclose(file);
}
