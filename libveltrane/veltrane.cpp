// SPDX-License-Identifier: BSD-3-Clause
// The C interface of the codec: thin wrappers that keep every C++ type and exception inside.
#include "veltrane/veltrane.h"

#include "codec/CodecTypes.h"
#include "codec/SpeechDecoder.h"
#include "convert/ChunkEncoder.h"
#include "convert/SampleConversion.h"
#include "convert/WavHeader.h"

#include <veltrane/Version.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <span>

// One frame at a time through the programs' own chunk encoder.
struct veltrane_encoder {
    veltrane::CChunkEncoder m_encoder{sizeof(std::int16_t), 1};
};

struct veltrane_decoder {
    veltrane::CSpeechDecoder m_decoder;
};

namespace {

using veltrane::kFrameBytes;
using veltrane::kFrameSamples;

static_assert(VELTRANE_SAMPLE_RATE == veltrane::kSampleRate);
static_assert(VELTRANE_FRAME_SAMPLES == veltrane::kFrameSamples);
static_assert(VELTRANE_FRAME_BYTES == veltrane::kFrameBytes);
static_assert(VELTRANE_DECODER_DELAY_FRAMES == veltrane::kDecoderDelayFrames);
// The concealment of a lost frame as veltrane.h tells it.
static_assert(veltrane::kConcealPitchGainDecay == 0.95);
static_assert(veltrane::kConcealFixedGainDecay == 0.6);
static_assert(veltrane::kConcealMaxPitchGain == 0.9);
static_assert(veltrane::kConcealPeriodicPitchGain == 2.0);
static_assert(veltrane::kConcealMaxEnergyRatio == 0.8);

struct StatusMessage {
    veltrane_wav_status m_status;
    const char* m_pszMessage;
};

constexpr StatusMessage kStatusMessages[] = {
    {VELTRANE_WAV_NOT_WAV, veltrane::kMsgNotWav},
    {VELTRANE_WAV_UNSUPPORTED, veltrane::kMsgUnsupported},
    {VELTRANE_WAV_NOT_MONO, veltrane::kMsgNotMono},
    {VELTRANE_WAV_NOT_16KHZ, veltrane::kMsgNot16kHz},
    {VELTRANE_WAV_BAD_BITS, veltrane::kMsgBadBits},
    {VELTRANE_WAV_BAD_FMT_SIZE, veltrane::kMsgBadFmtSize},
};

veltrane_wav_status StatusOf(const char* pszMessage) {
    for (const StatusMessage& entry : kStatusMessages) {
        if (std::strcmp(entry.m_pszMessage, pszMessage) == 0) {
            return entry.m_status;
        }
    }
    return VELTRANE_WAV_UNSUPPORTED; // every message of the check is in the table
}

// The bytes given, read as CSpanByteSource reads them, noting how far the check reads: the
// end of its furthest read, and the end of the first read that reached past the bytes given.
// The check reads each field whole and decides from the fields it has read, so up to that first
// read everything it did is fixed by the bytes given; from there on it worked on zeros that
// need not be the file's.
class CPrefixByteSource final : public veltrane::CByteSource {
  public:
    explicit CPrefixByteSource(std::span<const std::uint8_t> bytes)
        : m_source(bytes), m_nSize(bytes.size()) {}

    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override {
        if (nBytes != 0) {
            const std::uint64_t nEnd = nOffset + nBytes; // offsets stay below 2^34
            m_nFurthest = std::max(m_nFurthest, nEnd);
            if (nEnd > m_nSize && m_nFirstBeyond == 0) {
                m_nFirstBeyond = nEnd;
            }
        }
        return m_source.ReadAt(nOffset, pBuffer, nBytes);
    }

    std::uint64_t Furthest() const { return m_nFurthest; }
    // 0 while every read lay within the bytes given.
    std::uint64_t FirstBeyond() const { return m_nFirstBeyond; }

  private:
    veltrane::CSpanByteSource m_source;
    std::uint64_t m_nSize;
    std::uint64_t m_nFurthest = 0;
    std::uint64_t m_nFirstBeyond = 0;
};

void FillInfo(const veltrane::WavFormat& format, std::size_t nSize, veltrane_wav_info* info) {
    if (info == nullptr) {
        return;
    }
    info->block_align = format.m_nBlockAlign;
    info->data_offset = format.m_nDataOffset;
    info->data_bytes = format.m_nDataBytes;
    info->available_bytes = veltrane::AvailableDataBytes(format, nSize);
    info->frames = veltrane::WholeFrames(info->available_bytes, format.m_nBlockAlign);
}

// The bytes at bytes, none when it is null.
std::span<const std::uint8_t> Given(const uint8_t* bytes, size_t size) {
    return std::span(bytes, bytes == nullptr ? 0 : size);
}

} // namespace

extern "C" {

const char* veltrane_version(void) {
    return veltrane::kVersion;
}

veltrane_encoder* veltrane_encoder_create(void) {
    try {
        return new veltrane_encoder;
    } catch (const std::bad_alloc&) {
        return nullptr; // the encoder's buffers could not be had either
    }
}

void veltrane_encoder_destroy(veltrane_encoder* encoder) {
    delete encoder;
}

void veltrane_encode_frame(veltrane_encoder* encoder, const int16_t pcm[240], uint8_t frame[30]) {
    if (encoder == nullptr || pcm == nullptr || frame == nullptr) {
        return;
    }
    const auto encoded = encoder->m_encoder.EncodeSamples({pcm, kFrameSamples});
    std::copy_n(encoded.begin(), kFrameBytes, frame);
}

veltrane_decoder* veltrane_decoder_create(void) {
    return new (std::nothrow) veltrane_decoder;
}

void veltrane_decoder_destroy(veltrane_decoder* decoder) {
    delete decoder;
}

void veltrane_decode_frame(veltrane_decoder* decoder, const uint8_t frame[30], int16_t pcm[240]) {
    if (decoder == nullptr || frame == nullptr || pcm == nullptr) {
        return;
    }
    veltrane::EncodedFrame encoded;
    std::copy_n(frame, kFrameBytes, encoded.begin());
    decoder->m_decoder.DecodeFrame(encoded, pcm);
}

void veltrane_decode_lost_frame(veltrane_decoder* decoder, int16_t pcm[240]) {
    if (decoder == nullptr || pcm == nullptr) {
        return;
    }
    decoder->m_decoder.ConcealFrame(pcm);
}

veltrane_wav_status veltrane_check_wav_header(const uint8_t* bytes, size_t size,
                                              veltrane_wav_info* info) {
    if (info != nullptr) {
        *info = veltrane_wav_info{};
    }
    veltrane::CSpanByteSource source(Given(bytes, size));
    const veltrane::WavCheckResult result = veltrane::CheckWavHeader(source);
    if (!result.Accepted()) {
        return StatusOf(result.m_pszMessage);
    }
    FillInfo(result.m_format, size, info);
    return VELTRANE_WAV_OK;
}

veltrane_wav_status veltrane_check_wav_header_needed(const uint8_t* bytes, size_t size,
                                                     veltrane_wav_info* info, uint64_t* needed) {
    if (info != nullptr) {
        *info = veltrane_wav_info{};
    }
    const std::span<const std::uint8_t> given = Given(bytes, size);
    CPrefixByteSource source(given);
    const veltrane::WavCheckResult result = veltrane::CheckWavHeader(source);
    if (source.FirstBeyond() != 0) {
        if (needed != nullptr) {
            *needed = source.FirstBeyond();
        }
        return VELTRANE_WAV_NEED_MORE;
    }
    if (needed != nullptr) {
        *needed = source.Furthest();
    }
    if (!result.Accepted()) {
        return StatusOf(result.m_pszMessage);
    }
    FillInfo(result.m_format, given.size(), info);
    return VELTRANE_WAV_OK;
}

const char* veltrane_wav_message(veltrane_wav_status status) {
    for (const StatusMessage& entry : kStatusMessages) {
        if (entry.m_status == status) {
            return entry.m_pszMessage;
        }
    }
    return "";
}

size_t veltrane_convert_samples(const uint8_t* bytes, size_t count, int block_align, int16_t* pcm) {
    if ((block_align != 1 && block_align != 2) || bytes == nullptr || pcm == nullptr) {
        return 0;
    }
    const auto nAlign = static_cast<std::size_t>(block_align);
    if (count > std::numeric_limits<std::size_t>::max() / nAlign) {
        return 0;
    }
    const std::size_t nBytes = count * nAlign;
    return veltrane::ConvertSamples(std::span(bytes, nBytes), block_align, std::span(pcm, count));
}

} // extern "C"
