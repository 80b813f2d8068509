// SPDX-License-Identifier: BSD-3-Clause
// The C interface, called through the shared library as a C program would: the header check
// and its messages, the check of a header that arrives a piece at a time, the sample
// conversion, the encoder's exact bytes, the decoder's timing and its lost frames, and null
// arguments.
#include "veltrane/veltrane.h"

#include "convert/WavHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
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

// Appends a chunk: its tag, the size its header says, and nBody bytes of body.
void AppendChunk(std::vector<std::uint8_t>& bytes, const char* pszTag, std::uint32_t nSize,
                 std::size_t nBody) {
    bytes.insert(bytes.end(), pszTag, pszTag + 4);
    PutLe(bytes, nSize, 4);
    bytes.insert(bytes.end(), nBody, 0x5A); // not zero, which bytes past the end read as
}

// Every prefix of the file, from none to all: shorter than nDecidedAt (the end of the last field
// that the verdict rests on, from the layout), "need more" with a count beyond the prefix and
// not beyond nDecidedAt; from it on, the whole file's verdict, format and decision point, and the
// plain check's available bytes for the prefix.
void CheckEveryPrefix(const std::vector<std::uint8_t>& bytes, veltrane_wav_status status,
                      std::uint64_t nDecidedAt) {
    veltrane_wav_info whole;
    ASSERT_EQ(veltrane_check_wav_header(bytes.data(), bytes.size(), &whole), status);
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        veltrane_wav_info info, plain;
        info.frames = 99;
        std::uint64_t nNeeded = 0;
        const veltrane_wav_status got =
            veltrane_check_wav_header_needed(bytes.data(), n, &info, &nNeeded);
        if (n < nDecidedAt) {
            ASSERT_EQ(got, VELTRANE_WAV_NEED_MORE) << n;
            ASSERT_TRUE(nNeeded > n && nNeeded <= nDecidedAt) << n << " needs " << nNeeded;
            ASSERT_EQ(info.frames + info.data_offset, 0u) << n;
            continue;
        }
        ASSERT_EQ(got, status) << n;
        ASSERT_EQ(nNeeded, nDecidedAt) << n;
        ASSERT_EQ(veltrane_check_wav_header(bytes.data(), n, &plain), status) << n;
        ASSERT_EQ(info.block_align, whole.block_align) << n;
        ASSERT_EQ(info.data_offset, whole.data_offset) << n;
        ASSERT_EQ(info.data_bytes, whole.data_bytes) << n;
        ASSERT_EQ(info.available_bytes, plain.available_bytes) << n;
        ASSERT_EQ(info.frames, plain.frames) << n;
    }
}

// The header ends with the data chunk's size, or for fact with the fact chunk's sample count:
// 20 bytes before the fmt fields, 8 before each chunk's body.
TEST(CApiWavHeaderNeeded, EveryPrefixOfAnAcceptedFileNeedsMoreUntilTheHeaderIsWhole) {
    std::vector<std::uint8_t> bigJunk = Wav(1, 16000, 2, 16, "JUNK", 1000, 1000);
    AppendChunk(bigJunk, "data", 480, 480);
    std::vector<std::uint8_t> listAfterData = Wav(1, 16000, 2, 16, "data", 480, 480);
    AppendChunk(listAfterData, "LIST", 26, 26);
    CheckEveryPrefix(bigJunk, VELTRANE_WAV_OK, 36 + 8 + 1000 + 8);
    CheckEveryPrefix(listAfterData, VELTRANE_WAV_OK, 36 + 8);
    const struct {
        const char* m_pszName;
        std::uint64_t m_nDecidedAt;
    } golden[] = {{"speech_en", 36 + 8},
                  {"vowels_8bit_fact", 36 + 12},
                  {"noise_junk_fmt18", 38 + 8 + 28 + 8}};
    for (const auto& g : golden) {
        SCOPED_TRACE(g.m_pszName);
        std::vector<std::uint8_t> bytes = ReadGolden(std::string(g.m_pszName) + ".wav");
        bytes.resize(4096); // every prefix of the first 4 KiB
        CheckEveryPrefix(bytes, VELTRANE_WAV_OK, g.m_nDecidedAt);
    }
    // A reader that reads what it is told arrives at the end of the header in a few steps.
    std::uint64_t nHave = 0;
    int nSteps = 0;
    while (veltrane_check_wav_header_needed(bigJunk.data(), nHave, nullptr, &nHave) ==
           VELTRANE_WAV_NEED_MORE) {
        ASSERT_LT(++nSteps, 10);
    }
    EXPECT_EQ(nHave, 1052u);
}

// Refused as soon as the field that refuses it is whole: a tag with its fourth byte, any fmt
// field with byte 36 (the check reads the 16 bytes at 20 as one block).
TEST(CApiWavHeaderNeeded, ARefusedFileIsRefusedOnceTheFieldThatRefusesItIsThere) {
    std::vector<std::uint8_t> riffx = Wav(1, 16000, 2, 16, "data", 0, 0);
    riffx[3] = 'X';
    std::vector<std::uint8_t> noFmt = Wav(1, 16000, 2, 16, "data", 0, 0);
    std::memcpy(noFmt.data() + 12, "LIST", 4);
    std::vector<std::uint8_t> junkThenList = Wav(1, 16000, 2, 16, "JUNK", 100, 100);
    AppendChunk(junkThenList, "LIST", 26, 26);
    CheckEveryPrefix(riffx, VELTRANE_WAV_NOT_WAV, 4);
    CheckEveryPrefix(noFmt, VELTRANE_WAV_UNSUPPORTED, 16);
    CheckEveryPrefix(Wav(2, 16000, 4, 16, "data", 960, 960), VELTRANE_WAV_NOT_MONO, 36);
    CheckEveryPrefix(Wav(1, 44100, 2, 16, "data", 480, 480), VELTRANE_WAV_NOT_16KHZ, 36);
    CheckEveryPrefix(Wav(1, 16000, 2, 16, "LIST", 26, 26), VELTRANE_WAV_UNSUPPORTED, 40);
    CheckEveryPrefix(junkThenList, VELTRANE_WAV_UNSUPPORTED, 36 + 8 + 100 + 4);

    // The plain check is what it was: bytes past the end read as zero. With the data chunk's tag
    // and one byte of its size it takes 224 (0xE0) for the 480 bytes the file holds.
    std::vector<std::uint8_t> bytes = Wav(1, 16000, 2, 16, "JUNK", 1000, 1000);
    AppendChunk(bytes, "data", 480, 480);
    veltrane_wav_info info;
    EXPECT_EQ(veltrane_check_wav_header(bytes.data(), 1047, &info), VELTRANE_WAV_UNSUPPORTED);
    EXPECT_EQ(veltrane_check_wav_header(bytes.data(), 1049, &info), VELTRANE_WAV_OK);
    EXPECT_EQ(info.data_bytes, 224u);
    EXPECT_STREQ(veltrane_wav_message(VELTRANE_WAV_NEED_MORE), "");
}

std::vector<std::int16_t> DecodeWithLosses(const std::vector<std::uint8_t>& frames,
                                           std::size_t nFrames, std::size_t nFirstLost,
                                           std::size_t nLost) {
    veltrane_decoder* pDecoder = veltrane_decoder_create();
    std::vector<std::int16_t> samples(nFrames * VELTRANE_FRAME_SAMPLES);
    for (std::size_t t = 0; t < nFrames; ++t) {
        std::int16_t* pnOut = &samples[t * VELTRANE_FRAME_SAMPLES];
        if (t >= nFirstLost && t < nFirstLost + nLost) {
            veltrane_decode_lost_frame(pDecoder, pnOut);
        } else {
            veltrane_decode_frame(pDecoder, &frames[t * VELTRANE_FRAME_BYTES], pnOut);
        }
    }
    veltrane_decoder_destroy(pDecoder);
    return samples;
}

// The energy of frame t of a, or with b given that of a - b.
double Energy(const std::vector<std::int16_t>& a, std::size_t t,
              const std::vector<std::int16_t>* pB = nullptr) {
    double dSum = 0.0;
    for (std::size_t i = t * VELTRANE_FRAME_SAMPLES; i < (t + 1) * VELTRANE_FRAME_SAMPLES; ++i) {
        const double dValue = static_cast<double>(a[i]) - (pB != nullptr ? (*pB)[i] : 0);
        dSum += dValue * dValue;
    }
    return dSum;
}

// Frame k of speech_en lost in the middle of a vowel: quieter than the frame before but not
// silent, and over the ten frames after it the decoding comes back to the intact one. Measured
// SNR (dB) of frames k+1..k+10 against the intact decoding:
//   k =  46:  2.0  2.4  3.9  6.6  9.7 13.0 15.4 14.6 14.9 13.7
//   k =  69:  0.8  0.5  1.2  1.0  1.2  3.8  7.4 23.2 33.5 36.1
//   k = 180:  2.2  3.4  2.4  2.9  2.7  3.3  1.7  3.8 14.5 16.2
//   k = 330:  4.1  6.5 10.4 11.0 10.1 11.2 15.5 19.0 14.3 19.3
//   k = 446:  2.8  2.9  2.6  3.8  7.5  4.9  9.6 24.3 32.9 37.8
// Not every loss recovers this fast: about one loud position in five is still below 10 dB ten
// frames on (the codec's test over every position). A run of losses fades to silence within
// ten frames; a loss before the first frame is silence and leaves the decoder as new.
TEST(CApiDecoder, ALostFrameIsConcealedAndTheStreamRecovers) {
    const std::vector<std::uint8_t> frames = ReadGolden("speech_en.wrm");
    const std::size_t nFrames = frames.size() / VELTRANE_FRAME_BYTES;
    const std::vector<std::int16_t> intact = DecodeWithLosses(frames, nFrames, 0, 0);
    auto snr = [&intact](const std::vector<std::int16_t>& got, std::size_t t) {
        return 10.0 * std::log10(Energy(intact, t) / Energy(intact, t, &got));
    };
    for (std::size_t k : {46u, 69u, 180u, 330u, 446u}) {
        const std::vector<std::int16_t> got = DecodeWithLosses(frames, k + 11, k, 1);
        std::ostringstream figures;
        figures << "loss at " << k << ", SNR after it:" << std::fixed << std::setprecision(1);
        for (std::size_t t = k + 1; t <= k + 10; ++t) {
            figures << " " << snr(got, t);
        }
        SCOPED_TRACE(figures.str());
        RecordProperty("snr_after_loss_at_" + std::to_string(k), figures.str());
        EXPECT_LT(Energy(got, k), Energy(intact, k - 1));
        EXPECT_GT(Energy(got, k), 0.1 * Energy(intact, k - 1));
        EXPECT_GT(snr(got, k + 10), snr(got, k + 1) + 6.0);
        EXPECT_GT(snr(got, k + 10), 10.0);

        const std::vector<std::int16_t> run = DecodeWithLosses(frames, k + 10, k, 10);
        for (std::size_t t = k; t < k + 10; ++t) {
            EXPECT_LT(Energy(run, t), 0.81 * Energy(run, t - 1) + 1.0) << t;
        }
        EXPECT_EQ(Energy(run, k + 9), 0.0);
    }
    const std::vector<std::int16_t> lostFirst = DecodeWithLosses(frames, nFrames, 0, 1);
    const std::vector<std::int16_t> fromSecond = DecodeWithLosses(
        std::vector<std::uint8_t>(frames.begin() + 30, frames.end()), nFrames - 1, 0, 0);
    EXPECT_EQ(Energy(lostFirst, 0), 0.0);
    EXPECT_TRUE(std::equal(fromSecond.begin(), fromSecond.end(), lostFirst.begin() + 240));
}

// Each pointer argument of each function NULL in turn: no crash, no output written, the stream
// where it was (its frames still come out as the golden ones); the strings are static.
TEST(CApiNullArguments, EveryFunctionTakesNullForEachPointer) {
    const std::vector<std::uint8_t> wav = ReadGolden("speech_en.wav");
    const std::vector<std::uint8_t> golden = ReadGolden("speech_en.wrm");
    const std::vector<std::int16_t> decoded = DecodeWithLosses(golden, 20, 0, 0);
    veltrane_encoder* pEncoder = veltrane_encoder_create();
    veltrane_decoder* pDecoder = veltrane_decoder_create();
    ASSERT_TRUE(pEncoder != nullptr && pDecoder != nullptr);
    std::int16_t anPcm[VELTRANE_FRAME_SAMPLES];
    std::uint8_t abFrame[VELTRANE_FRAME_BYTES];
    for (std::size_t f = 0; f < 20; ++f) {
        veltrane_convert_samples(wav.data() + 44 + f * 480, 240, 2, anPcm);
        std::fill_n(abFrame, VELTRANE_FRAME_BYTES, std::uint8_t{0xA5});
        veltrane_encode_frame(nullptr, anPcm, abFrame);
        veltrane_encode_frame(pEncoder, nullptr, abFrame);
        EXPECT_EQ(std::count(abFrame, abFrame + 30, 0xA5), 30);
        veltrane_encode_frame(pEncoder, anPcm, nullptr);
        veltrane_encode_frame(pEncoder, anPcm, abFrame);
        ASSERT_EQ(std::memcmp(abFrame, &golden[f * VELTRANE_FRAME_BYTES], 30), 0) << f;

        const std::uint8_t* pFrame = &golden[f * VELTRANE_FRAME_BYTES];
        std::fill_n(anPcm, VELTRANE_FRAME_SAMPLES, std::int16_t{-7});
        veltrane_decode_frame(nullptr, pFrame, anPcm);
        veltrane_decode_frame(pDecoder, nullptr, anPcm);
        veltrane_decode_lost_frame(nullptr, anPcm);
        EXPECT_EQ(std::count(anPcm, anPcm + 240, -7), 240);
        veltrane_decode_frame(pDecoder, pFrame, nullptr);
        veltrane_decode_lost_frame(pDecoder, nullptr);
        veltrane_decode_frame(pDecoder, pFrame, anPcm);
        ASSERT_TRUE(std::equal(anPcm, anPcm + 240, &decoded[f * 240])) << f;
    }
    veltrane_encoder_destroy(pEncoder);
    veltrane_decoder_destroy(pDecoder);
    veltrane_encoder_destroy(nullptr);
    veltrane_decoder_destroy(nullptr);

    veltrane_wav_info info;
    info.frames = 99;
    std::uint64_t nNeeded = 0;
    EXPECT_EQ(veltrane_check_wav_header(nullptr, wav.size(), &info), VELTRANE_WAV_NOT_WAV);
    EXPECT_EQ(veltrane_check_wav_header_needed(nullptr, wav.size(), &info, &nNeeded),
              VELTRANE_WAV_NEED_MORE);
    EXPECT_EQ(nNeeded, 4u);
    EXPECT_EQ(info.frames, 0u);
    EXPECT_EQ(veltrane_check_wav_header_needed(wav.data(), 20, nullptr, nullptr),
              VELTRANE_WAV_NEED_MORE);
    EXPECT_EQ(veltrane_check_wav_header_needed(wav.data(), wav.size(), nullptr, nullptr),
              VELTRANE_WAV_OK);
    std::fill_n(anPcm, VELTRANE_FRAME_SAMPLES, std::int16_t{3});
    EXPECT_EQ(veltrane_convert_samples(nullptr, 240, 2, anPcm), 0u);
    EXPECT_EQ(veltrane_convert_samples(wav.data(), 240, 2, nullptr), 0u);
    EXPECT_EQ(veltrane_convert_samples(wav.data(), SIZE_MAX, 2, anPcm), 0u);
    EXPECT_EQ(std::count(anPcm, anPcm + 240, 3), 240);

    EXPECT_EQ(veltrane_version(), veltrane_version());
    EXPECT_EQ(std::string(veltrane_version()).substr(0, 4), "1.1.");
    EXPECT_EQ(veltrane_wav_message(VELTRANE_WAV_NOT_MONO),
              veltrane_wav_message(VELTRANE_WAV_NOT_MONO));
}

} // namespace
