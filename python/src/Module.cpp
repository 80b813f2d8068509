// SPDX-License-Identifier: BSD-3-Clause
// _veltrane, the extension module under the veltrane package: libveltrane's encoder, decoder and
// header check, and the resampling and rounding of encode --convert, over numpy arrays. The
// interpreter's lock is released while the codec or the resampler runs. The package's Python
// layer checks dtypes and shapes and hands this module contiguous arrays only.
#include "codec/FrameEncoder.h"
#include "convert/AnyAudioReader.h"
#include "convert/ConvertedSamples.h"
#include "convert/Resampler.h"

#include <veltrane/veltrane.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace py = pybind11;

namespace veltrane {
namespace {

using Pcm16Array = py::array_t<std::int16_t, py::array::c_style>;
using DoubleArray = py::array_t<double, py::array::c_style>;

constexpr std::size_t kFrameSamples = VELTRANE_FRAME_SAMPLES;
constexpr std::size_t kFrameBytes = VELTRANE_FRAME_BYTES;
constexpr int kLowestRate = 1000;
constexpr int kHighestRate = 768000;

template <class T> std::span<const T> SpanOf(const py::array_t<T, py::array::c_style>& array) {
    if (array.ndim() != 1) {
        throw py::value_error("expected a 1-D array, not " + std::to_string(array.ndim()) + "-D");
    }
    return {array.data(), static_cast<std::size_t>(array.shape(0))};
}

template <class T> py::array_t<T> ToArray(std::vector<T>&& values) {
    auto* pHeld = new std::vector<T>(std::move(values));
    py::capsule owner(pHeld, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(static_cast<py::ssize_t>(pHeld->size()), pHeld->data(), owner);
}

// The whole frames of each recording, the recordings side by side in the lanes of a batch
// encoder; each gets the bytes an encoder of its own gives it.
py::list EncodeInLanes(const std::vector<Pcm16Array>& recordings) {
    std::vector<std::span<const std::int16_t>> spans;
    spans.reserve(recordings.size());
    for (const Pcm16Array& recording : recordings) {
        spans.push_back(SpanOf(recording));
    }
    std::vector<std::vector<std::uint8_t>> results;
    {
        py::gil_scoped_release unlocked;
        results = EncodeRecordings(spans);
    }
    py::list encoded;
    for (const std::vector<std::uint8_t>& result : results) {
        encoded.append(py::bytes(reinterpret_cast<const char*>(result.data()), result.size()));
    }
    return encoded;
}

// One stream's encoder: whole frames in, their bytes out; samples short of a frame wait for
// the next call.
class CStreamEncoder {
  public:
    CStreamEncoder() : m_pEncoder(veltrane_encoder_create(), veltrane_encoder_destroy) {
        if (!m_pEncoder) {
            throw std::bad_alloc();
        }
    }
    py::bytes Encode(const Pcm16Array& samples) {
        const std::span<const std::int16_t> input = SpanOf(samples);
        std::string strFrames;
        {
            py::gil_scoped_release unlocked;
            const std::lock_guard lock(m_mutex);
            m_anPending.insert(m_anPending.end(), input.begin(), input.end());
            strFrames = EncodeWholeFrames();
        }
        return py::bytes(strFrames);
    }
    // The samples still waiting, padded with silence to a whole frame.
    py::bytes Flush() {
        std::string strFrames;
        {
            py::gil_scoped_release unlocked;
            const std::lock_guard lock(m_mutex);
            if (!m_anPending.empty()) {
                m_anPending.resize(kFrameSamples, 0);
            }
            strFrames = EncodeWholeFrames();
        }
        return py::bytes(strFrames);
    }

  private:
    std::string EncodeWholeFrames() {
        const std::size_t nFrames = m_anPending.size() / kFrameSamples;
        std::string strFrames(nFrames * kFrameBytes, '\0');
        for (std::size_t f = 0; f < nFrames; ++f) {
            veltrane_encode_frame(m_pEncoder.get(), m_anPending.data() + f * kFrameSamples,
                                  reinterpret_cast<std::uint8_t*>(strFrames.data()) +
                                      f * kFrameBytes);
        }
        m_anPending.erase(m_anPending.begin(), m_anPending.begin() + static_cast<std::ptrdiff_t>(
                                                                         nFrames * kFrameSamples));
        return strFrames;
    }

    std::unique_ptr<veltrane_encoder, void (*)(veltrane_encoder*)> m_pEncoder;
    std::vector<std::int16_t> m_anPending;
    std::mutex m_mutex;
};

// One stream's decoder: bytes in, samples out, the start-up frames dropped so that sample i
// answers sample i of the recording; bytes short of a frame wait for the next call.
class CStreamDecoder {
  public:
    CStreamDecoder() : m_pDecoder(veltrane_decoder_create(), veltrane_decoder_destroy) {
        if (!m_pDecoder) {
            throw std::bad_alloc();
        }
    }
    py::array_t<std::int16_t> Decode(const py::bytes& data) {
        const std::string_view bytes = data;
        std::vector<std::int16_t> samples;
        {
            py::gil_scoped_release unlocked;
            const std::lock_guard lock(m_mutex);
            m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
            const std::size_t nFrames = m_pending.size() / kFrameBytes;
            std::int16_t anFrame[kFrameSamples];
            for (std::size_t f = 0; f < nFrames; ++f) {
                veltrane_decode_frame(m_pDecoder.get(),
                                      reinterpret_cast<const std::uint8_t*>(m_pending.data()) +
                                          f * kFrameBytes,
                                      anFrame);
                if (m_nFramesSeen++ >= VELTRANE_DECODER_DELAY_FRAMES) {
                    samples.insert(samples.end(), anFrame, anFrame + kFrameSamples);
                }
            }
            m_pending.erase(0, nFrames * kFrameBytes);
        }
        return ToArray(std::move(samples));
    }
    // The samples in place of a frame that was lost (the library's concealment), counted as a
    // frame of the stream; the bytes waiting for the rest of a frame are dropped with it.
    py::array_t<std::int16_t> DecodeLost() {
        std::vector<std::int16_t> samples;
        {
            py::gil_scoped_release unlocked;
            const std::lock_guard lock(m_mutex);
            m_pending.clear();
            std::int16_t anFrame[kFrameSamples];
            veltrane_decode_lost_frame(m_pDecoder.get(), anFrame);
            if (m_nFramesSeen++ >= VELTRANE_DECODER_DELAY_FRAMES) {
                samples.assign(anFrame, anFrame + kFrameSamples);
            }
        }
        return ToArray(std::move(samples));
    }
    // The bytes still waiting for the rest of their frame.
    std::size_t PendingBytes() {
        const std::lock_guard lock(m_mutex);
        return m_pending.size();
    }

  private:
    std::unique_ptr<veltrane_decoder, void (*)(veltrane_decoder*)> m_pDecoder;
    std::string m_pending;
    std::uint64_t m_nFramesSeen = 0;
    std::mutex m_mutex;
};

// Samples scaled to 1.0 full scale as 16-bit samples, as encode --convert rounds them: to the
// nearest, clipped, no dither; NaN gives 0.
py::array_t<std::int16_t> FloatToPcm16(const DoubleArray& samples) {
    const std::span<const double> input = SpanOf(samples);
    std::vector<std::int16_t> output(input.size());
    {
        py::gil_scoped_release unlocked;
        for (std::size_t i = 0; i < input.size(); ++i) {
            output[i] = RoundToPcm16(input[i]);
        }
    }
    return ToArray(std::move(output));
}

// One channel from nInputRate to nOutputRate with the resampler of encode --convert, flushed:
// round(n * nOutputRate / nInputRate) samples, aligned with the input.
py::array_t<double> Resample(const DoubleArray& samples, int nInputRate, int nOutputRate) {
    for (const int nRate : {nInputRate, nOutputRate}) {
        if (nRate < kLowestRate || nRate > kHighestRate) {
            throw py::value_error("the sample rate " + std::to_string(nRate) +
                                  " is outside what the resampler takes (1000 to 768000)");
        }
    }
    const std::span<const double> input = SpanOf(samples);
    std::vector<double> output;
    std::string strError;
    {
        py::gil_scoped_release unlocked;
        output.reserve(ResampledLength(input.size(), nInputRate, nOutputRate) + 1);
        CResampler resampler(nInputRate, nOutputRate);
        resampler.Process(input, output);
        resampler.Flush(output);
        strError = resampler.Error();
    }
    if (!strError.empty()) {
        throw py::value_error("the resampler failed: " + strError);
    }
    return ToArray(std::move(output));
}

// The header check's verdict on a file's bytes: (accepted, message without its line feed).
py::tuple CheckWavBytes(const py::bytes& data) {
    const std::string_view bytes = data;
    veltrane_wav_info info{};
    const veltrane_wav_status status = veltrane_check_wav_header(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &info);
    std::string strMessage = veltrane_wav_message(status);
    while (!strMessage.empty() && strMessage.back() == '\n') {
        strMessage.pop_back();
    }
    return py::make_tuple(status == VELTRANE_WAV_OK, strMessage, info.frames);
}

// Every frame of a recording that libsndfile reads, as (samples, channels) scaled to 1.0 full
// scale, with its rate. OSError when it cannot be opened, ValueError when libsndfile does not
// read it or fails on the way.
py::tuple ReadAudio(const std::string& strPath) {
    CAnyAudioReader reader;
    bool bOpened = false;
    std::vector<double> samples;
    {
        py::gil_scoped_release unlocked;
        bOpened = reader.Open(strPath);
        if (bOpened) {
            const auto nChannels = static_cast<std::size_t>(reader.Description().m_nChannels);
            constexpr std::size_t kChunkFrames = 8192;
            std::size_t nFrames = 0;
            do {
                const std::size_t nHeld = samples.size();
                samples.resize(nHeld + kChunkFrames * nChannels);
                nFrames = reader.ReadInterleaved(std::span(samples).subspan(nHeld));
                samples.resize(nHeld + nFrames * nChannels);
            } while (nFrames > 0);
        }
    }
    if (!bOpened && reader.SystemError() != 0) {
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, strPath.c_str());
        throw py::error_already_set();
    }
    if (!bOpened || reader.Failed()) {
        throw py::value_error(strPath + ": " +
                              (bOpened ? reader.FailureMessage()
                                       : std::string("not a recording that libsndfile reads")));
    }
    const auto nChannels = static_cast<py::ssize_t>(reader.Description().m_nChannels);
    const auto nFrames = static_cast<py::ssize_t>(samples.size()) / nChannels;
    py::array_t<double> array = ToArray(std::move(samples));
    return py::make_tuple(array.reshape({nFrames, nChannels}), reader.Description().m_nSampleRate);
}

} // namespace
} // namespace veltrane

PYBIND11_MODULE(_veltrane, module) {
    using namespace veltrane;
    module.doc() = "libveltrane for numpy arrays; use the veltrane package, not this module.";
    module.attr("FRAME_SAMPLES") = VELTRANE_FRAME_SAMPLES;
    module.attr("FRAME_BYTES") = VELTRANE_FRAME_BYTES;
    module.attr("SAMPLE_RATE") = VELTRANE_SAMPLE_RATE;
    module.attr("DELAY_FRAMES") = VELTRANE_DECODER_DELAY_FRAMES;
    module.def("version", [] { return std::string(veltrane_version()); });
    module.def("float_to_pcm16", &FloatToPcm16, py::arg("samples"));
    module.def("resample", &Resample, py::arg("samples"), py::arg("input_rate"),
               py::arg("output_rate"));
    module.def("check_wav_bytes", &CheckWavBytes, py::arg("data"));
    module.def("read_audio", &ReadAudio, py::arg("path"));
    module.def("encode_in_lanes", &EncodeInLanes, py::arg("recordings"));
    py::class_<CStreamEncoder>(module, "StreamEncoder")
        .def(py::init<>())
        .def("encode", &CStreamEncoder::Encode, py::arg("samples"))
        .def("flush", &CStreamEncoder::Flush);
    py::class_<CStreamDecoder>(module, "StreamDecoder")
        .def(py::init<>())
        .def("decode", &CStreamDecoder::Decode, py::arg("data"))
        .def("decode_lost", &CStreamDecoder::DecodeLost)
        .def("pending_bytes", &CStreamDecoder::PendingBytes);
}
