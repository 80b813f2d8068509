// SPDX-License-Identifier: BSD-3-Clause
// Encoder speed on the bundled speech, as seconds of audio encoded per second of CPU
// ("x real time"). Run: build/release/bin/encoder_bench (VELTRANE_BENCH_SAMPLE=path/to/16kHz.wav
// for another file). One benchmark for each build of the encoder that runs here.
#include "bench/BenchSamples.h"
#include "codec/FrameEncoder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

void BM_EncodeFrame(benchmark::State& state, veltrane::CodecBuild build) {
    const std::vector<std::int16_t> samples = veltrane::bench::LoadSamples();
    if (samples.empty()) {
        state.SkipWithError(("cannot read " + veltrane::bench::SamplePath()).c_str());
        return;
    }
    auto pEncoder = veltrane::MakeFrameEncoder(build);
    veltrane::EncodedFrame frame;
    std::size_t nAt = 0;
    for (auto _ : state) {
        if (nAt == samples.size()) {
            nAt = 0; // a new file: a new encoder, as the conversion does
            pEncoder = veltrane::MakeFrameEncoder(build);
        }
        pEncoder->EncodeFrame(&samples[nAt], &frame);
        benchmark::DoNotOptimize(frame);
        nAt += veltrane::kFrameSamples;
    }
    const double dAudioSeconds =
        static_cast<double>(state.iterations()) * veltrane::kFrameSamples / veltrane::kSampleRate;
    // A rate counter divides by the CPU time: seconds of audio per second of CPU.
    state.counters["x_real_time"] = benchmark::Counter(dAudioSeconds, benchmark::Counter::kIsRate);
}

// All lanes of a batch encoder on the same speech, each lane starting at its own offset so that
// the lanes' choices differ; counted per file, so the figure compares with BM_EncodeFrame.
void BM_EncodeBatch(benchmark::State& state, veltrane::CodecBuild build) {
    const std::vector<std::int16_t> samples = veltrane::bench::LoadSamples();
    if (samples.size() < 16 * veltrane::kFrameSamples) {
        state.SkipWithError(("cannot read " + veltrane::bench::SamplePath()).c_str());
        return;
    }
    const auto pEncoder = veltrane::MakeBatchEncoder(build);
    const auto nLanes = static_cast<std::size_t>(pEncoder->Lanes());
    const std::size_t nFrames = samples.size() / veltrane::kFrameSamples;
    std::vector<std::size_t> frameOf(nLanes);
    for (std::size_t l = 0; l < nLanes; ++l) {
        frameOf[l] = l * nFrames / nLanes;
    }
    std::vector<const std::int16_t*> lanes(nLanes);
    std::vector<veltrane::EncodedFrame> frames(nLanes);
    for (auto _ : state) {
        for (std::size_t l = 0; l < nLanes; ++l) {
            if (++frameOf[l] == nFrames) {
                frameOf[l] = 0;
                pEncoder->RestartLane(static_cast<int>(l));
            }
            lanes[l] = &samples[frameOf[l] * veltrane::kFrameSamples];
        }
        pEncoder->EncodeFrames(lanes.data(), frames.data());
        benchmark::DoNotOptimize(frames.data());
    }
    const double dAudioSeconds = static_cast<double>(state.iterations() * nLanes) *
                                 veltrane::kFrameSamples / veltrane::kSampleRate;
    state.counters["x_real_time"] = benchmark::Counter(dAudioSeconds, benchmark::Counter::kIsRate);
    state.counters["lanes"] = static_cast<double>(nLanes);
}

[[maybe_unused]] const bool g_bRegistered = [] {
    for (veltrane::CodecBuild build :
         {veltrane::CodecBuild::kPortable, veltrane::CodecBuild::kX86_64_v3,
          veltrane::CodecBuild::kX86_64_v4}) {
        if (veltrane::CodecBuildRuns(build)) {
            const std::string name = std::string("BM_EncodeFrame/") + CodecBuildName(build);
            benchmark::RegisterBenchmark(name.c_str(), BM_EncodeFrame, build);
            const std::string batch = std::string("BM_EncodeBatch/") + CodecBuildName(build);
            benchmark::RegisterBenchmark(batch.c_str(), BM_EncodeBatch, build);
        }
    }
    return true;
}();

} // namespace
