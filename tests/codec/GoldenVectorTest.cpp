// SPDX-License-Identifier: BSD-3-Clause
// Every golden vector must come out of the encoder byte for byte. On a difference the trace
// of the vector names the first frame and field that went wrong, and for speech_en the deep
// trace names the first stage.
#include "tests/codec/DeepTrace.h"
#include "tests/support/GoldenVectors.h"

#include "codec/FramePacker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veltrane::test {
namespace {

// The words and slots that the trace records for frame t.
bool TraceLine(const std::string& name, std::size_t t, LpcParamWords& words,
               ExcitationIndices& slots) {
    std::ifstream trace(GoldenPath(name, ".trace"));
    std::string line;
    for (std::size_t i = 0; i <= t; ++i) {
        if (!std::getline(trace, line)) {
            return false;
        }
    }
    std::istringstream fields(line);
    std::size_t nFrame = 0;
    fields >> nFrame;
    for (auto& nWord : words) {
        fields >> nWord;
    }
    for (auto& nSlot : slots) {
        fields >> nSlot;
    }
    return static_cast<bool>(fields) && nFrame == t;
}

std::string DescribeFirstDifference(const std::string& name, const std::vector<std::uint8_t>& got,
                                    const std::vector<std::uint8_t>& want) {
    for (std::size_t t = 0; 30 * t + 30 <= std::min(got.size(), want.size()); ++t) {
        if (std::equal(&got[30 * t], &got[30 * t + 30], &want[30 * t])) {
            continue;
        }
        EncodedFrame frame;
        std::copy(&got[30 * t], &got[30 * t + 30], frame.begin());
        LpcParamWords words{}, wantWords{};
        ExcitationIndices slots{}, wantSlots{};
        UnpackFields(frame, words, slots);
        std::ostringstream out;
        out << "first differing frame " << t;
        if (TraceLine(name, t, wantWords, wantSlots)) {
            for (int i = 0; i < kParamWords; ++i) {
                if (words[i] != wantWords[i]) {
                    out << "; P" << i << " " << words[i] << " != " << wantWords[i];
                }
            }
            for (int i = 0; i < kExcitationSlots; ++i) {
                if (slots[i] != wantSlots[i]) {
                    out << "; slot " << i << " " << slots[i] << " != " << wantSlots[i];
                }
            }
        }
        return out.str();
    }
    return "sizes differ: " + std::to_string(got.size()) + " != " + std::to_string(want.size());
}

class GoldenVectorTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenVectorTest, EncodesToTheExpectedBytes) {
    const std::string& name = GetParam();
    const std::vector<std::int16_t> samples = ReadWavSamples(GoldenPath(name, ".wav"));
    const std::vector<std::uint8_t> want = ReadFileBytes(GoldenPath(name, ".wrm"));
    ASSERT_FALSE(samples.empty()) << "missing or unreadable input " << GoldenPath(name, ".wav");
    ASSERT_FALSE(want.empty()) << "missing expected output " << GoldenPath(name, ".wrm");
    ASSERT_EQ(want.size(), 30 * (samples.size() / 240)) << "input and expected output disagree";

    for (CodecBuild build : RunnableCodecBuilds()) {
        const std::vector<std::uint8_t> got = EncodeAll(samples, build);
        if (got != want) {
            ADD_FAILURE() << name << " (" << CodecBuildName(build)
                          << " build): " << DescribeFirstDifference(name, got, want)
                          << (name == "speech_en"
                                  ? "; deep trace: " + FirstDeepTraceDifference(samples)
                                  : std::string());
        }
    }
}

// Where the processor runs the x86-64-v3 or x86-64-v4 build and the compiler made it, the
// vectors above ran through it too; new encoders use x86-64-v3 (one stream gains nothing from
// AVX-512) and new batch encoders the widest.
TEST(CodecBuilds, TheWidestBuildThatRunsIsChosenAndTested) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
    __builtin_cpu_init();
    const bool bProcessorHasV3 = __builtin_cpu_supports("x86-64-v3") != 0;
    const bool bProcessorHasV4 = __builtin_cpu_supports("x86-64-v4") != 0;
#else
    const bool bProcessorHasV3 = false;
    const bool bProcessorHasV4 = false;
#endif
    EXPECT_EQ(CodecBuildRuns(CodecBuild::kX86_64_v3), bProcessorHasV3);
    EXPECT_EQ(CodecBuildRuns(CodecBuild::kX86_64_v4), bProcessorHasV4);
    EXPECT_TRUE(CodecBuildRuns(CodecBuild::kPortable));
    const char* pszWanted = std::getenv("VELTRANE_CODEC_BUILD");
    const bool bPortableWanted = pszWanted != nullptr && std::string(pszWanted) == "portable";
    const CodecBuild single =
        bProcessorHasV3 && !bPortableWanted ? CodecBuild::kX86_64_v3 : CodecBuild::kPortable;
    EXPECT_EQ(ChosenCodecBuild(), single);
    EXPECT_EQ(ChosenBatchBuild(),
              bProcessorHasV4 && !bPortableWanted ? CodecBuild::kX86_64_v4 : single);
}

// Each stage of the first ten calls on speech_en, fed with the trace's own inputs, gives the
// trace's outputs bit for bit: a stage that drifts is named even if the bytes survive it.
TEST(DeepTrace, EveryStageOfTheFirstTenCallsOnSpeechMatches) {
    const std::vector<std::int16_t> samples = ReadWavSamples(GoldenPath("speech_en", ".wav"));
    EXPECT_EQ(FirstDeepTraceDifference(samples), "");
}

// The traced words and slots of every frame are what the expected bytes unpack to: this pins
// the unpacking (and so the field layout) to data made independently of this code.
TEST_P(GoldenVectorTest, ExpectedBytesUnpackToTheTracedFields) {
    const std::string& name = GetParam();
    const std::vector<std::uint8_t> want = ReadFileBytes(GoldenPath(name, ".wrm"));
    ASSERT_FALSE(want.empty());
    for (std::size_t t = 0; 30 * t < want.size(); ++t) {
        EncodedFrame frame;
        std::copy(&want[30 * t], &want[30 * t + 30], frame.begin());
        LpcParamWords words{}, traced{};
        ExcitationIndices slots{}, tracedSlots{};
        UnpackFields(frame, words, slots);
        ASSERT_TRUE(TraceLine(name, t, traced, tracedSlots)) << name << " frame " << t;
        ASSERT_EQ(words, traced) << name << " frame " << t;
        ASSERT_EQ(slots, tracedSlots) << name << " frame " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(AllVectors, GoldenVectorTest, ::testing::ValuesIn(GoldenVectorNames()),
                         [](const auto& testInfo) { return testInfo.param; });

} // namespace
} // namespace veltrane::test
