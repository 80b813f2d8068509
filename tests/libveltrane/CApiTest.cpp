// SPDX-License-Identifier: BSD-3-Clause
// The C interface, called through the shared library as a C program would: the header check
// and its messages, the sample conversion, the encoder's exact bytes and the decoder's timing.
#include "veltrane/veltrane.h"

#include "convert/WavHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadGolden(const std::string& strName) {
    std::ifstream file(std::string(VELTRANE_GOLDEN_DIR) + "/" + strName, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t nValue, int nBytes) {
    for (int b = 0; b < nBytes; ++b) {
        bytes.push_back(static_cast<std::uint8_t>(nValue >> (8 * b)));
    }
}

// RIFF/WAVE with a 16-byte fmt chunk, then a chunk strNext holding nBytes zero bytes.
std::vector<std::uint8_t> Wav(std::uint16_t nChannels, std::uint32_t nRate, std::uint16_t nAlign,
                              std::uint16_t nBits, const char* pszNext, std::uint32_t nSize,
                              std::uint32_t nBytes) {
    std::vector<std::uint8_t> bytes;
    auto tag = [&bytes](const char* psz) { bytes.insert(bytes.end(), psz, psz + 4); };
    tag("RIFF");
    PutLe(bytes, 0, 4);
    tag("WAVE");
    tag("fmt ");
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, nChannels, 2);
    PutLe(bytes, nRate, 4);
    PutLe(bytes, nRate * nAlign, 4);
    PutLe(bytes, nAlign, 2);
    PutLe(bytes, nBits, 2);
    tag(pszNext);
    PutLe(bytes, nSize, 4);
    bytes.insert(bytes.end(), nBytes, 0);
    return bytes;
}

// Encodes a WAV file held in memory through the C interface alone.
std::vector<std::uint8_t> EncodeThroughCApi(const std::vector<std::uint8_t>& wav) {
    veltrane_wav_info info;
    EXPECT_EQ(veltrane_check_wav_header(wav.data(), wav.size(), &info), VELTRANE_WAV_OK);
    std::vector<std::uint8_t> frames(info.frames * VELTRANE_FRAME_BYTES);
    veltrane_encoder* pEncoder = veltrane_encoder_create();
    std::int16_t anPcm[VELTRANE_FRAME_SAMPLES];
    for (std::uint64_t f = 0; f < info.frames; ++f) {
        const std::uint8_t* pSamples =
            wav.data() + info.data_offset + f * VELTRANE_FRAME_SAMPLES * info.block_align;
        EXPECT_EQ(
            veltrane_convert_samples(pSamples, VELTRANE_FRAME_SAMPLES, info.block_align, anPcm),
            std::size_t{VELTRANE_FRAME_SAMPLES});
        veltrane_encode_frame(pEncoder, anPcm, frames.data() + f * VELTRANE_FRAME_BYTES);
    }
    veltrane_encoder_destroy(pEncoder);
    return frames;
}

TEST(CApiWavHeader, EachRefusalHasItsStatusAndTheProgramsMessage) {
    struct Case {
        std::vector<std::uint8_t> m_bytes;
        veltrane_wav_status m_status;
        const char* m_pszMessage;
    };
    std::vector<std::uint8_t> notWave = Wav(1, 16000, 2, 16, "data", 0, 0);
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    std::vector<std::uint8_t> shortFmt = Wav(1, 16000, 2, 16, "data", 0, 0);
    shortFmt[16] = 14;
    const Case cases[] = {
        {notWave, VELTRANE_WAV_NOT_WAV, veltrane::kMsgNotWav},
        {Wav(1, 16000, 2, 16, "LIST", 4, 4), VELTRANE_WAV_UNSUPPORTED, veltrane::kMsgUnsupported},
        {Wav(2, 16000, 4, 16, "data", 0, 0), VELTRANE_WAV_NOT_MONO, veltrane::kMsgNotMono},
        {Wav(1, 44100, 2, 16, "data", 0, 0), VELTRANE_WAV_NOT_16KHZ, veltrane::kMsgNot16kHz},
        {Wav(1, 16000, 3, 24, "data", 0, 0), VELTRANE_WAV_BAD_BITS, veltrane::kMsgBadBits},
        {shortFmt, VELTRANE_WAV_BAD_FMT_SIZE, veltrane::kMsgBadFmtSize},
    };
    for (const Case& c : cases) {
        veltrane_wav_info info;
        info.frames = 99;
        EXPECT_EQ(veltrane_check_wav_header(c.m_bytes.data(), c.m_bytes.size(), &info), c.m_status);
        EXPECT_STREQ(veltrane_wav_message(c.m_status), c.m_pszMessage);
        EXPECT_EQ(info.frames, 0u) << "a refusal leaves the information zeroed";
    }
    EXPECT_STREQ(veltrane_wav_message(VELTRANE_WAV_OK), "");
    EXPECT_STREQ(veltrane_wav_message(static_cast<veltrane_wav_status>(7)), "");
    EXPECT_EQ(veltrane_check_wav_header(nullptr, 0, nullptr), VELTRANE_WAV_NOT_WAV);
}

TEST(CApiWavHeader, AcceptedHeaderTellsWhatTheBytesGivenHold) {
    // 2 frames and 10 samples of data announced, one frame and 5 samples present.
    std::vector<std::uint8_t> wav = Wav(1, 16000, 2, 16, "data", 2 * (490), 2 * 245);
    veltrane_wav_info info;
    ASSERT_EQ(veltrane_check_wav_header(wav.data(), wav.size(), &info), VELTRANE_WAV_OK);
    EXPECT_EQ(info.block_align, 2);
    EXPECT_EQ(info.data_offset, 44u);
    EXPECT_EQ(info.data_bytes, 980u);
    EXPECT_EQ(info.available_bytes, 490u);
    EXPECT_EQ(info.frames, 1u);
    // The header alone: the verdict and the layout, no sample bytes.
    ASSERT_EQ(veltrane_check_wav_header(wav.data(), 44, &info), VELTRANE_WAV_OK);
    EXPECT_EQ(info.data_bytes, 980u);
    EXPECT_EQ(info.available_bytes, 0u);
    EXPECT_EQ(info.frames, 0u);
    EXPECT_EQ(veltrane_check_wav_header(wav.data(), wav.size(), nullptr), VELTRANE_WAV_OK);
}

TEST(CApiSamples, ConvertedAsThePrograms) {
    const std::uint8_t abEight[] = {0, 128, 255};
    std::int16_t anPcm[3] = {1, 1, 1};
    EXPECT_EQ(veltrane_convert_samples(abEight, 3, 1, anPcm), 3u);
    EXPECT_EQ(anPcm[0], -32768);
    EXPECT_EQ(anPcm[1], 0);
    EXPECT_EQ(anPcm[2], 32512);
    const std::uint8_t abSixteen[] = {0x34, 0x12, 0x00, 0x80};
    EXPECT_EQ(veltrane_convert_samples(abSixteen, 2, 2, anPcm), 2u);
    EXPECT_EQ(anPcm[0], 0x1234);
    EXPECT_EQ(anPcm[1], -32768);
    EXPECT_EQ(veltrane_convert_samples(abSixteen, 1, 3, anPcm), 0u);
}

TEST(CApiEncoder, EncodesTheGoldenVectorsByteForByte) {
    for (const char* pszName : {"speech_en", "vowels_8bit_fact", "noise_junk_fmt18"}) {
        EXPECT_EQ(EncodeThroughCApi(ReadGolden(std::string(pszName) + ".wav")),
                  ReadGolden(std::string(pszName) + ".wrm"))
            << pszName;
    }
}

TEST(CApiEncoder, EncodersInterleavedKeepTheirOwnState) {
    const std::vector<std::uint8_t> wav = ReadGolden("speech_en.wav");
    const std::vector<std::uint8_t> expected = ReadGolden("speech_en.wrm");
    veltrane_encoder* apEncoders[2] = {veltrane_encoder_create(), veltrane_encoder_create()};
    ASSERT_NE(apEncoders[0], nullptr);
    ASSERT_NE(apEncoders[1], nullptr);
    std::int16_t anPcm[VELTRANE_FRAME_SAMPLES];
    std::uint8_t abFrame[2][VELTRANE_FRAME_BYTES];
    for (std::size_t f = 0; f < expected.size() / VELTRANE_FRAME_BYTES; ++f) {
        veltrane_convert_samples(wav.data() + 44 + f * 2 * VELTRANE_FRAME_SAMPLES,
                                 VELTRANE_FRAME_SAMPLES, 2, anPcm);
        veltrane_encode_frame(apEncoders[0], anPcm, abFrame[0]);
        veltrane_encode_frame(apEncoders[1], anPcm, abFrame[1]);
        ASSERT_EQ(std::memcmp(abFrame[0], &expected[f * VELTRANE_FRAME_BYTES], 30), 0) << f;
        ASSERT_EQ(std::memcmp(abFrame[1], abFrame[0], 30), 0) << f;
    }
    veltrane_encoder_destroy(apEncoders[0]);
    veltrane_encoder_destroy(apEncoders[1]);
    veltrane_encoder_destroy(nullptr);
    veltrane_decoder_destroy(nullptr);
}

// What the header promises: calls 0 and 1 of an encoded stream decode to zeros, and call k from
// 2 on answers input frame k - 2.
TEST(CApiDecoder, FirstTwoFramesAreSilenceAndTheRestAnswerFrameKMinusTwo) {
    const std::vector<std::uint8_t> wav = ReadGolden("speech_en.wav");
    const std::vector<std::uint8_t> frames = ReadGolden("speech_en.wrm");
    veltrane_decoder* pDecoder = veltrane_decoder_create();
    ASSERT_NE(pDecoder, nullptr);
    std::vector<std::int16_t> decoded;
    std::int16_t anPcm[VELTRANE_FRAME_SAMPLES];
    for (std::size_t k = 0; k * VELTRANE_FRAME_BYTES < frames.size(); ++k) {
        veltrane_decode_frame(pDecoder, &frames[k * VELTRANE_FRAME_BYTES], anPcm);
        if (k < VELTRANE_DECODER_DELAY_FRAMES) {
            EXPECT_EQ(std::vector<std::int16_t>(anPcm, anPcm + 240), std::vector<std::int16_t>(240))
                << k;
            continue;
        }
        decoded.insert(decoded.end(), anPcm, anPcm + VELTRANE_FRAME_SAMPLES);
    }
    veltrane_decoder_destroy(pDecoder);
    // Aligned, the decoding follows the recording; shifted by one frame either way, it does not.
    auto errorAt = [&](long nShift) {
        double dSignal = 0.0, dError = 0.0;
        for (std::size_t i = 240; i + 240 < decoded.size(); ++i) {
            const auto nAt = static_cast<std::size_t>(static_cast<long>(i) + nShift);
            const double dInput =
                static_cast<std::int16_t>(wav[44 + 2 * nAt] | (wav[45 + 2 * nAt] << 8));
            dSignal += dInput * dInput;
            dError += (dInput - decoded[i]) * (dInput - decoded[i]);
        }
        return dError / dSignal;
    };
    EXPECT_LT(errorAt(0), 0.2);
    EXPECT_GT(errorAt(240), 0.5);
    EXPECT_GT(errorAt(-240), 0.5);
}

} // namespace
