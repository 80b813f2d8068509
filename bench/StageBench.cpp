// SPDX-License-Identifier: BSD-3-Clause
// Time of each encoder stage on real speech: one iteration is one frame's worth of the stage
// (the per-subframe stages run six times, the backward filter twelve), so the CPU column is
// the stage's time per frame and a change shows where the time moved. Not a test: the figures
// depend on the machine. Run: build/release/bin/stage_bench
// (VELTRANE_BENCH_SAMPLE=path/to/16kHz.wav for another file)
#include "bench/BenchSamples.h"
#include "codec/LpcAnalysis.h"
#include "codec/LpcQuantizer.h"
#include "codec/SpeechEncoder.h"
#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace veltrane;

// The inputs of every stage at a set of real speech frames: the encoder is run up to each of
// them, and the stages are then fed what the encoder would feed them.
struct StageInputs {
    double adA[kLpcOrder];
    EncoderFrame frame;
    double adSpeech[kLpcOrder + kSubframeSamples];
    double adResidual[kSubframeSamples];
    double adWeighted[kLpcOrder];
    double adWgtMem[kLpcOrder];
    double adSynMem[kLpcOrder];
    double adH[kSubframeSamples];
    double adX[kSubframeSamples];
    double adD[kSubframeSamples];
    double adHistory[kExcHistoryLength];
    double adInvEnergy[kInvEnergyEntries];
    std::int32_t anCandidates[kLagCandidates];
    double adU[kSubframeSamples];
};

std::vector<StageInputs> MakeInputs() {
    const std::vector<std::int16_t> samples = veltrane::bench::LoadSamples();
    std::vector<StageInputs> inputs;
    auto pEncoder = std::make_unique<CSpeechEncoder>();
    for (std::size_t at = 0; at + kFrameSamples <= samples.size(); at += kFrameSamples) {
        EncodedFrame out;
        pEncoder->EncodeFrame(&samples[at], &out);
        if ((at / kFrameSamples) % 16 != 5) {
            continue;
        }
        StageInputs in{};
        pEncoder->AnalyzeLpc(in.adA);
        CSpeechEncoder copy = *pEncoder;
        in.frame.m_dTilt = 0.5;
        copy.QuantizeLpc(in.adA, in.frame);
        const double* adSignal = pEncoder->Signal();
        std::copy_n(&adSignal[kCodedFrameStart + kSubframeSamples - kLpcOrder],
                    kLpcOrder + kSubframeSamples, in.adSpeech);
        InverseFilter(in.adSpeech + kLpcOrder, in.frame.m_aadInterp[1].data(), in.adResidual);
        WeightPredictor(in.frame.m_aadInterp[1].data(), in.adWeighted);
        std::copy_n(pEncoder->ExcitationHistory() + kNewestSegment - kLpcOrder, kLpcOrder,
                    in.adWgtMem);
        std::copy_n(in.adWgtMem, kLpcOrder, in.adSynMem);
        WeightedTarget(in.adResidual, in.adWeighted, in.adWgtMem, in.adSynMem, in.adH, in.adX);
        BackwardFilter(in.adX, in.adH, in.adD);
        std::copy_n(pEncoder->ExcitationHistory(), kExcHistoryLength, in.adHistory);
        std::copy_n(pEncoder->InvEnergyCache(), kInvEnergyEntries, in.adInvEnergy);
        double adCache[kInvEnergyEntries];
        std::copy_n(in.adInvEnergy, kInvEnergyEntries, adCache);
        PreselectLags(in.adHistory, in.adD, 0.5, 1, adCache, in.anCandidates);
        std::copy_n(in.adHistory + kNewestSegment, kSubframeSamples, in.adU);
        inputs.push_back(in);
    }
    return inputs;
}

const std::vector<StageInputs>& Inputs() {
    static const std::vector<StageInputs> inputs = MakeInputs();
    return inputs;
}

// Runs one stage over the prepared inputs in turn, nPerFrame calls per iteration.
template <typename Stage> void RunStage(benchmark::State& state, int nPerFrame, Stage stage) {
    std::vector<StageInputs> inputs = Inputs();
    if (inputs.empty()) {
        state.SkipWithError(("cannot read " + veltrane::bench::SamplePath()).c_str());
        return;
    }
    std::size_t i = 0;
    for (auto _ : state) {
        for (int r = 0; r < nPerFrame; ++r) {
            stage(inputs[i], r);
        }
        i = (i + 1) % inputs.size();
    }
}

void BM_LpcAnalysis(benchmark::State& state) {
    auto pEncoder = std::make_unique<CSpeechEncoder>();
    const std::vector<std::int16_t> samples = veltrane::bench::LoadSamples();
    EncodedFrame out;
    for (std::size_t at = 0; at < 40 * kFrameSamples && at < samples.size(); at += kFrameSamples) {
        pEncoder->EncodeFrame(&samples[at], &out);
    }
    RunStage(state, 1,
             [&](StageInputs& in, int) { benchmark::DoNotOptimize(pEncoder->AnalyzeLpc(in.adA)); });
}

void BM_Quantization(benchmark::State& state) {
    auto pEncoder = std::make_unique<CSpeechEncoder>();
    RunStage(state, 1, [&](StageInputs& in, int) {
        pEncoder->QuantizeLpc(in.adA, in.frame);
        benchmark::DoNotOptimize(in.frame);
    });
}

void BM_InverseFilter(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int c) {
        InverseFilter(in.adSpeech + kLpcOrder, in.frame.m_aadInterp[c].data(), in.adResidual);
        benchmark::DoNotOptimize(in.adResidual);
    });
}

void BM_WeightedTarget(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int) {
        double adMem[kLpcOrder];
        std::copy_n(in.adWgtMem, kLpcOrder, adMem);
        WeightedTarget(in.adResidual, in.adWeighted, adMem, in.adSynMem, in.adH, in.adX);
        benchmark::DoNotOptimize(in.adX);
    });
}

void BM_UpdateSynMem(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int) {
        double adMem[kLpcOrder];
        std::copy_n(in.adSynMem, kLpcOrder, adMem);
        UpdateSynMem(in.adU, in.adWeighted, adMem);
        benchmark::DoNotOptimize(adMem);
    });
}

void BM_BackwardFilter(benchmark::State& state) {
    RunStage(state, 2 * kSubframes, [](StageInputs& in, int) {
        BackwardFilter(in.adX, in.adH, in.adD);
        benchmark::DoNotOptimize(in.adD);
    });
}

void BM_LagPreselection(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int c) {
        double adCache[kInvEnergyEntries];
        std::copy_n(in.adInvEnergy, kInvEnergyEntries, adCache);
        std::int32_t anCandidates[kLagCandidates];
        PreselectLags(in.adHistory, in.adD, 0.5, c, adCache, anCandidates);
        benchmark::DoNotOptimize(anCandidates);
    });
}

void BM_LagSearch(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int) {
        benchmark::DoNotOptimize(SearchLag(in.adHistory, in.anCandidates, in.adH, in.adX));
    });
}

void BM_PitchSubtraction(benchmark::State& state) {
    RunStage(state, kSubframes, [](StageInputs& in, int) {
        double adX2[kSubframeSamples];
        SubtractPitch(in.adU, 0.7, in.adH, in.adX, adX2);
        benchmark::DoNotOptimize(adX2);
    });
}

void BM_PulseSearch(benchmark::State& state) {
    PulsePatterns patterns;
    RunStage(state, kSubframes, [&](StageInputs& in, int c) {
        const int nPhase = SelectPhase(in.adD);
        std::int32_t anSigns[kPulses];
        std::int32_t anMarks[kPulses];
        PulseSigns(in.adD, nPhase, anSigns);
        StrongestPulse(in.adD, nPhase, anMarks);
        BuildCandidates(nPhase, anSigns, anMarks, patterns);
        std::int32_t anChosen[kPreselectedPatterns];
        PreselectCandidates(patterns, nPhase, in.adD, 0.5, anChosen);
        benchmark::DoNotOptimize(
            SelectCandidate(patterns, nPhase, anChosen, in.adH, in.adX, c, 40.0));
    });
}

BENCHMARK(BM_LpcAnalysis);
BENCHMARK(BM_Quantization);
BENCHMARK(BM_InverseFilter);
BENCHMARK(BM_WeightedTarget);
BENCHMARK(BM_UpdateSynMem);
BENCHMARK(BM_BackwardFilter);
BENCHMARK(BM_LagPreselection);
BENCHMARK(BM_LagSearch);
BENCHMARK(BM_PitchSubtraction);
BENCHMARK(BM_PulseSearch);

} // namespace
