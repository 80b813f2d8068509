// Every golden vector must come out of the encoder byte for byte. On a difference the trace
// of the vector names the first frame and field that went wrong, and for speech_en the deep
// trace names the first stage.
#include "tests/codec/DeepTrace.h"
#include "tests/support/GoldenVectors.h"

#include "codec/FramePacker.h"

#include <gtest/gtest.h>

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

    const std::vector<std::uint8_t> got = EncodeAll(samples);
    if (got != want) {
        ADD_FAILURE() << name << ": " << DescribeFirstDifference(name, got, want)
                      << (name == "speech_en" ? "; deep trace: " + FirstDeepTraceDifference(samples)
                                              : std::string());
    }
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
