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
#include <new>

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
    veltrane::EncodedFrame encoded;
    std::copy_n(frame, kFrameBytes, encoded.begin());
    decoder->m_decoder.DecodeFrame(encoded, pcm);
}

veltrane_wav_status veltrane_check_wav_header(const uint8_t* bytes, size_t size,
                                              veltrane_wav_info* info) {
    if (info != nullptr) {
        *info = veltrane_wav_info{};
    }
    veltrane::CSpanByteSource source(std::span(bytes, bytes == nullptr ? 0 : size));
    const veltrane::WavCheckResult result = veltrane::CheckWavHeader(source);
    if (!result.Accepted()) {
        return StatusOf(result.m_pszMessage);
    }
    if (info != nullptr) {
        const veltrane::WavFormat& format = result.m_format;
        info->block_align = format.m_nBlockAlign;
        info->data_offset = format.m_nDataOffset;
        info->data_bytes = format.m_nDataBytes;
        info->available_bytes = veltrane::AvailableDataBytes(format, size);
        info->frames = veltrane::WholeFrames(info->available_bytes, format.m_nBlockAlign);
    }
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
    if (block_align != 1 && block_align != 2) {
        return 0;
    }
    const std::size_t nBytes = count * static_cast<std::size_t>(block_align);
    return veltrane::ConvertSamples(std::span(bytes, nBytes), block_align, std::span(pcm, count));
}

} // extern "C"
