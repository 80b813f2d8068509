// SPDX-License-Identifier: BSD-3-Clause
// The batch encoder runs several files in lock-step, one per lane; every lane must give the
// single-file encoder's bytes for its file, whatever runs in the other lanes, whatever the
// lane, however long the files, and on every build this processor runs.
#include "tests/support/GoldenVectors.h"

#include "codec/FrameEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace veltrane::test {
namespace {

struct Recording {
    std::string m_name;
    std::vector<std::int16_t> m_samples;
    std::vector<std::uint8_t> m_want;
};

const std::vector<Recording>& GoldenRecordings() {
    static const std::vector<Recording> kRecordings = [] {
        std::vector<Recording> recordings;
        for (const std::string& name : GoldenVectorNames()) {
            recordings.push_back({name, ReadWavSamples(GoldenPath(name, ".wav")),
                                  ReadFileBytes(GoldenPath(name, ".wrm"))});
        }
        return recordings;
    }();
    return kRecordings;
}

std::vector<std::vector<std::uint8_t>>
EncodeInBatch(const std::vector<const std::vector<std::int16_t>*>& inputs, CodecBuild build) {
    std::vector<std::span<const std::int16_t>> spans;
    for (const auto* pSamples : inputs) {
        spans.emplace_back(*pSamples);
    }
    return EncodeRecordings(spans, build);
}

int LanesOf(CodecBuild build) {
    return MakeBatchEncoder(build)->Lanes();
}

// Under the sanitizers, which slow the codec a hundredfold and look for other faults than
// bytes, the sweep below takes one build (the one new batch encoders use) and one round.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::vector<CodecBuild> SweptBuilds() {
    return kSanitized ? std::vector<CodecBuild>{ChosenBatchBuild()} : RunnableCodecBuilds();
}

// Runs the recordings numbered in queue through a batch encoder of the build; each must give its
// golden bytes.
void ExpectGoldenBytes(const std::vector<std::size_t>& queue, CodecBuild build,
                       const std::string& strRound) {
    const std::vector<Recording>& recordings = GoldenRecordings();
    std::vector<const std::vector<std::int16_t>*> inputs;
    for (std::size_t r : queue) {
        inputs.push_back(&recordings[r].m_samples);
    }
    const auto results = EncodeInBatch(inputs, build);
    ASSERT_EQ(results.size(), queue.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_TRUE(results[i] == recordings[queue[i]].m_want)
            << recordings[queue[i]].m_name << ", item " << i << " of " << strRound << " ("
            << CodecBuildName(build) << " build)";
    }
}

// A batch takes its first items into lanes 0, 1, ... in order, and a lane whose file ends takes
// the next. Round r starts short vector (l + r) mod count in lane l, so over the rounds every
// short vector starts in every lane, next to every other, and the queue goes on with them
// again so that lanes refill at different times (the full-scale square and the DC steps run
// beside speech). The 40-second vector then runs once in every lane: one copy per lane queued
// after a different short vector in each, each lane taking its copy when its short one ends.
TEST(BatchEncoder, EveryGoldenVectorInEveryLaneGivesItsBytes) {
    const std::vector<Recording>& recordings = GoldenRecordings();
    ASSERT_GE(recordings.size(), 3u);
    std::vector<std::size_t> shorts;
    std::size_t nLong = 0;
    for (std::size_t r = 0; r < recordings.size(); ++r) {
        ASSERT_FALSE(recordings[r].m_samples.empty()) << recordings[r].m_name;
        ASSERT_FALSE(recordings[r].m_want.empty()) << recordings[r].m_name;
        if (recordings[r].m_samples.size() > recordings[nLong].m_samples.size()) {
            nLong = r;
        }
    }
    for (std::size_t r = 0; r < recordings.size(); ++r) {
        if (r != nLong) {
            shorts.push_back(r);
        }
    }
    for (CodecBuild build : SweptBuilds()) {
        const auto nLanes = static_cast<std::size_t>(LanesOf(build));
        for (std::size_t r = 0; r < (kSanitized ? 1 : shorts.size()); ++r) {
            std::vector<std::size_t> queue;
            for (std::size_t i = 0; i < std::max(nLanes, shorts.size()) + shorts.size(); ++i) {
                queue.push_back(shorts[(i + r) % shorts.size()]);
            }
            ExpectGoldenBytes(queue, build, "round " + std::to_string(r));
        }
        if (kSanitized) {
            continue;
        }
        std::vector<std::size_t> queue;
        for (std::size_t l = 0; l < nLanes; ++l) {
            queue.push_back(shorts[l % shorts.size()]);
        }
        queue.insert(queue.end(), nLanes, nLong);
        ExpectGoldenBytes(queue, build, "the long round");
    }
}

// A batch of one file leaves every other lane idle (given silence); a batch of more files than
// lanes refills them. Recordings without a whole frame give nothing and take no lane.
TEST(BatchEncoder, IdleLanesAndShortRecordingsChangeNothing) {
    const Recording& speech = GoldenRecordings().front();
    const std::vector<std::int16_t> none;
    const std::vector<std::int16_t> partial(239, 1000);
    const std::vector<std::int16_t> oneFrame(speech.m_samples.begin(),
                                             speech.m_samples.begin() + 240 + 17);
    for (CodecBuild build : SweptBuilds()) {
        const auto alone = EncodeInBatch({&speech.m_samples}, build);
        ASSERT_EQ(alone.size(), 1u);
        EXPECT_TRUE(alone[0] == speech.m_want) << CodecBuildName(build);

        std::vector<const std::vector<std::int16_t>*> queue = {&none, &partial, &oneFrame};
        for (int i = 0; i < 2 * LanesOf(build) + 1; ++i) {
            queue.push_back(i % 2 == 0 ? &speech.m_samples : &oneFrame);
        }
        const auto results = EncodeInBatch(queue, build);
        const std::vector<std::uint8_t> wantOne(speech.m_want.begin(), speech.m_want.begin() + 30);
        EXPECT_TRUE(results[0].empty());
        EXPECT_TRUE(results[1].empty());
        for (std::size_t i = 2; i < queue.size(); ++i) {
            EXPECT_TRUE(results[i] == (queue[i] == &oneFrame ? wantOne : speech.m_want))
                << "recording " << i << " (" << CodecBuildName(build) << " build)";
        }
    }
}

// Extremes that drive the analysis to its limits (a square wave that clips the 16-bit range,
// alternating full-scale frames, steps of DC) in some lanes, speech in the others; each lane
// equals its own file encoded alone.
TEST(BatchEncoder, ExtremeInputsStayInTheirLanes) {
    const std::size_t nSamples = 240 * 60;
    std::vector<std::int16_t> square(nSamples), steps(nSamples), flips(nSamples);
    for (std::size_t i = 0; i < nSamples; ++i) {
        square[i] = (i / 8) % 2 == 0 ? std::int16_t{32767} : std::int16_t{-32768};
        steps[i] = static_cast<std::int16_t>((i / 700) % 2 == 0 ? -32768 : 32767);
        flips[i] = (i / 240) % 2 == 0 ? std::int16_t{0} : std::int16_t{-32768};
    }
    const std::vector<std::int16_t>& speech = GoldenRecordings().front().m_samples;
    for (CodecBuild build : SweptBuilds()) {
        std::vector<const std::vector<std::int16_t>*> queue;
        for (int l = 0; l < LanesOf(build); ++l) {
            const std::vector<std::int16_t>* kinds[] = {&square, &speech, &steps, &flips};
            queue.push_back(kinds[l % 4]);
        }
        const auto results = EncodeInBatch(queue, build);
        for (std::size_t i = 0; i < queue.size(); ++i) {
            EXPECT_TRUE(results[i] == EncodeAll(*queue[i], build))
                << "lane " << i << " (" << CodecBuildName(build) << " build)";
        }
    }
}

// New batch encoders take the chosen build (the portable one when the environment asks for it,
// as the test codec_build_chosen_by_environment does), and it gives the golden bytes.
TEST(BatchEncoder, TheChosenBuildEncodesTheGoldenBytes) {
    EXPECT_EQ(MakeBatchEncoder()->Lanes(), LanesOf(ChosenBatchBuild()));
    const Recording& speech = GoldenRecordings().front();
    const std::vector<std::span<const std::int16_t>> spans(3, speech.m_samples);
    for (const auto& result : EncodeRecordings(spans)) {
        EXPECT_TRUE(result == speech.m_want) << CodecBuildName(ChosenBatchBuild());
    }
}

} // namespace
} // namespace veltrane::test
