// Encoder speed on the bundled speech, as seconds of audio encoded per second of CPU
// ("x real time"). Run: build/release/bin/encoder_bench [path/to/16kHz.wav]
#include "codec/SpeechEncoder.h"
#include "convert/SampleConversion.h"
#include "convert/WavHeader.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string g_strSamplePath = VELTRANE_SAMPLE;

// The whole frames of the sample's samples (the encoder's input, 240 at a time).
std::vector<std::int16_t> LoadSamples() {
    std::ifstream file(g_strSamplePath, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    veltrane::CSpanByteSource source(bytes);
    const veltrane::WavCheckResult check = veltrane::CheckWavHeader(source);
    if (!check.Accepted()) {
        return {};
    }
    const std::uint64_t nData = veltrane::AvailableDataBytes(check.m_format, bytes.size());
    const int nAlign = check.m_format.m_nBlockAlign;
    std::vector<std::int16_t> samples(nData / nAlign);
    veltrane::ConvertSamples({&bytes[check.m_format.m_nDataOffset], nData}, nAlign, samples);
    samples.resize(samples.size() / veltrane::kFrameSamples * veltrane::kFrameSamples);
    return samples;
}

void BM_EncodeFrame(benchmark::State& state) {
    const std::vector<std::int16_t> samples = LoadSamples();
    if (samples.empty()) {
        state.SkipWithError(("cannot read " + g_strSamplePath).c_str());
        return;
    }
    auto pEncoder = std::make_unique<veltrane::CSpeechEncoder>();
    veltrane::EncodedFrame frame;
    std::size_t nAt = 0;
    for (auto _ : state) {
        if (nAt == samples.size()) {
            nAt = 0; // a new file: a new encoder, as the conversion does
            pEncoder = std::make_unique<veltrane::CSpeechEncoder>();
        }
        pEncoder->EncodeFrame(&samples[nAt], &frame);
        benchmark::DoNotOptimize(frame);
        nAt += veltrane::kFrameSamples;
    }
    const double dAudioSeconds = static_cast<double>(state.iterations()) *
                                 veltrane::kFrameSamples / veltrane::kSampleRate;
    // A rate counter divides by the CPU time: seconds of audio per second of CPU.
    state.counters["x_real_time"] = benchmark::Counter(dAudioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodeFrame);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 1) {
        g_strSamplePath = argv[1];
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
