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

// The golden vectors queued in every rotation, so that each vector starts in every lane, next to
// every other, and lanes refill at different times (the vectors' lengths differ, from 1 to 40
// seconds); the full-scale square and the DC steps run next to speech.
TEST(BatchEncoder, EveryGoldenVectorInEveryLaneGivesItsBytes) {
    const std::vector<Recording>& recordings = GoldenRecordings();
    ASSERT_GE(recordings.size(), 2u);
    for (const Recording& recording : recordings) {
        ASSERT_FALSE(recording.m_samples.empty()) << recording.m_name;
        ASSERT_FALSE(recording.m_want.empty()) << recording.m_name;
    }
    for (CodecBuild build : RunnableCodecBuilds()) {
        const auto nLanes = static_cast<std::size_t>(LanesOf(build));
        // Rotation r puts vector v first in lane (v - r) mod count, for every lane below count.
        for (std::size_t r = 0; r < std::min(recordings.size(), nLanes); ++r) {
            std::vector<const std::vector<std::int16_t>*> queue;
            std::vector<std::size_t> which;
            for (std::size_t i = 0; i < recordings.size(); ++i) {
                which.push_back((i + r) % recordings.size());
                queue.push_back(&recordings[which.back()].m_samples);
            }
            const auto results = EncodeInBatch(queue, build);
            ASSERT_EQ(results.size(), queue.size());
            for (std::size_t i = 0; i < results.size(); ++i) {
                EXPECT_TRUE(results[i] == recordings[which[i]].m_want)
                    << recordings[which[i]].m_name << " in lane " << i % nLanes << " of rotation "
                    << r << " (" << CodecBuildName(build) << " build)";
            }
        }
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
    for (CodecBuild build : RunnableCodecBuilds()) {
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
    for (CodecBuild build : RunnableCodecBuilds()) {
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
