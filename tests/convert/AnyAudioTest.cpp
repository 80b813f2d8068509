// SPDX-License-Identifier: BSD-3-Clause
// Any recording as the encoder takes it: rounding to 16 bits, the mono mix, 24-bit and float
// input, libsoxr's resampling and its length, and the words of the hint line.
#include "tests/support/TestFolder.h"

#include "convert/ConvertedSamples.h"
#include "convert/FormatHint.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace veltrane {
namespace {

using test::CTestFolder;

// Writes frames (interleaved, full scale 1.0) with libsndfile; true when it worked.
bool WriteAudio(const std::filesystem::path& path, int nFormat, int nRate, int nChannels,
                const std::vector<double>& adFrames) {
    SF_INFO info{};
    info.samplerate = nRate;
    info.channels = nChannels;
    info.format = nFormat;
    SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
    if (pFile == nullptr) {
        return false;
    }
    // Integer formats take the doubles as they are (already quantized), without clipping them.
    sf_command(pFile, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    const auto nFrames = static_cast<sf_count_t>(adFrames.size()) / nChannels;
    const bool bDone = sf_writef_double(pFile, adFrames.data(), nFrames) == nFrames;
    return sf_close(pFile) == 0 && bDone;
}

// Every converted sample of a file, read n at a time.
std::vector<std::int16_t> ConvertAll(const std::filesystem::path& path, std::size_t nAtATime) {
    CAnyAudioReader reader;
    EXPECT_TRUE(reader.Open(path)) << path;
    CConvertedSamples samples(reader);
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> block(nAtATime);
    std::size_t nRead = 0;
    do {
        nRead = samples.Read(block);
        all.insert(all.end(), block.begin(), block.begin() + static_cast<long>(nRead));
    } while (nRead == nAtATime);
    EXPECT_FALSE(samples.Failed());
    return all;
}

TEST(RoundToPcm16, NearestWithHalvesAwayFromZeroAndClipping) {
    const double kLsb = 1.0 / 32768.0;
    EXPECT_EQ(RoundToPcm16(0.0), 0);
    EXPECT_EQ(RoundToPcm16(0.5 * kLsb), 1);
    EXPECT_EQ(RoundToPcm16(-0.5 * kLsb), -1);
    EXPECT_EQ(RoundToPcm16(0.49 * kLsb), 0);
    EXPECT_EQ(RoundToPcm16(1234.0 * kLsb), 1234);
    EXPECT_EQ(RoundToPcm16(32766.6 * kLsb), 32767);
    EXPECT_EQ(RoundToPcm16(1.0), 32767);
    EXPECT_EQ(RoundToPcm16(2.5), 32767);
    EXPECT_EQ(RoundToPcm16(-1.0), -32768);
    EXPECT_EQ(RoundToPcm16(-7.0), -32768);
    EXPECT_EQ(RoundToPcm16(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundToPcm16(std::numeric_limits<double>::infinity()), 32767);
}

TEST(ConvertedSamples, ChannelsAreMixedToTheirMean) {
    CTestFolder dir;
    // Left 2 s, right 0: the mean is s exactly, for 16-bit values as libsndfile scales them.
    std::vector<double> adFrames;
    const std::vector<std::int16_t> signal = test::Noise(1000);
    for (const std::int16_t nSample : signal) {
        adFrames.push_back(2.0 * (nSample / 2) / 32768.0);
        adFrames.push_back(0.0);
    }
    ASSERT_TRUE(
        WriteAudio(dir / "stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 2, adFrames));
    const std::vector<std::int16_t> converted = ConvertAll(dir / "stereo.wav", 4096);
    ASSERT_EQ(converted.size(), signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        ASSERT_EQ(converted[i], signal[i] / 2) << i;
    }
}

TEST(ConvertedSamples, TwentyFourBitAndFloatAt16kHzAreOnlyRounded) {
    CTestFolder dir;
    const double kStep24 = 1.0 / 8388608.0;
    // 24-bit v becomes v / 256 rounded: 1.5 -> 2, -1.5 -> -2, 1.25 -> 1, full scale -> 32767.
    ASSERT_TRUE(WriteAudio(dir / "pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 16000, 1,
                           {384 * kStep24, -384 * kStep24, 320 * kStep24, 8388607 * kStep24}));
    EXPECT_EQ(ConvertAll(dir / "pcm24.wav", 100), (std::vector<std::int16_t>{2, -2, 1, 32767}));
    // Float beyond full scale clips rather than wraps.
    ASSERT_TRUE(WriteAudio(dir / "float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 16000, 1,
                           {1.5, -2.0, 0.25, -0.25}));
    EXPECT_EQ(ConvertAll(dir / "float.wav", 100),
              (std::vector<std::int16_t>{32767, -32768, 8192, -8192}));
}

TEST(ConvertedSamples, ResamplesA48kHzSineToTheSameSineAt16kHz) {
    CTestFolder dir;
    std::vector<double> adSine(48000);
    for (std::size_t n = 0; n < adSine.size(); ++n) {
        adSine[n] =
            0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(n) / 48000.0);
    }
    ASSERT_TRUE(WriteAudio(dir / "sine48.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 1, adSine));
    const std::vector<std::int16_t> converted = ConvertAll(dir / "sine48.wav", 1000);
    ASSERT_EQ(converted.size(), 16000u);
    double dWorst = 0.0;
    for (std::size_t n = 400; n + 400 < converted.size(); ++n) { // away from the filter's edges
        const double dIdeal =
            16384.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(n) / 16000.0);
        dWorst = std::max(dWorst, std::abs(converted[n] - dIdeal));
    }
    EXPECT_LT(dWorst, 1.0); // within rounding of the ideal: no delay, no gain change
    // The same file read in odd small blocks gives the same samples.
    EXPECT_EQ(ConvertAll(dir / "sine48.wav", 7), converted);
}

TEST(ConvertedSamples, ReadsFlacOggAndMp3) {
    CTestFolder dir;
    std::vector<double> adTone(16000);
    for (std::size_t n = 0; n < adTone.size(); ++n) {
        adTone[n] = std::round(8000.0 * std::sin(0.17 * static_cast<double>(n))) / 32768.0;
    }
    struct Case {
        const char* m_pszName;
        int m_nFormat;
        const char* m_pszDescription;
    };
    const Case cases[] = {
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "16000 Hz, mono, 16-bit PCM (FLAC)"},
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "16000 Hz, mono, Vorbis (Ogg)"},
        {"a.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, "16000 Hz, mono, MP3 (MPEG audio)"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteAudio(dir / c.m_pszName, c.m_nFormat, 16000, 1, adTone)) << c.m_pszName;
        CAnyAudioReader reader;
        ASSERT_TRUE(reader.Open(dir / c.m_pszName));
        EXPECT_EQ(DescribeAudio(reader.Description()), c.m_pszDescription);
        const std::vector<std::int16_t> converted = ConvertAll(dir / c.m_pszName, 4096);
        // Lossy codecs may pad the start and the end by a frame or two of their own.
        EXPECT_NEAR(static_cast<double>(converted.size()), 16000.0, 2400.0) << c.m_pszName;
        if (c.m_nFormat == (SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
            ASSERT_EQ(converted.size(), adTone.size());
            for (std::size_t n = 0; n < adTone.size(); ++n) {
                ASSERT_EQ(converted[n], RoundToPcm16(adTone[n])) << n;
            }
        }
    }
}

TEST(Resampler, DeliversTheLengthItPredicts) {
    for (const int nRate : {8000, 11025, 22050, 44100, 48000, 96000}) {
        for (const std::size_t nInput : {std::size_t{1}, std::size_t{999}, std::size_t{123457}}) {
            CResampler resampler(nRate);
            ASSERT_EQ(resampler.Error(), "");
            std::vector<double> adOutput;
            const std::vector<double> adInput(nInput, 0.25);
            for (std::size_t nAt = 0; nAt < nInput; nAt += 5000) {
                resampler.Process(
                    std::span(adInput).subspan(nAt, std::min<std::size_t>(5000, nInput - nAt)),
                    adOutput);
            }
            resampler.Flush(adOutput);
            EXPECT_EQ(adOutput.size(), ResampledLength(nInput, nRate)) << nRate << " " << nInput;
        }
    }
}

TEST(FormatHint, DescribesRateChannelsSampleFormatAndContainer) {
    EXPECT_EQ(DescribeAudio({44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 10}),
              "44100 Hz, 2 channels, 24-bit PCM (WAV)");
    EXPECT_EQ(DescribeAudio({8000, 1, SF_FORMAT_WAV | SF_FORMAT_ULAW, 10}),
              "8000 Hz, mono, mu-law (WAV)");
    EXPECT_EQ(DescribeAudio({48000, 1, SF_FORMAT_OGG | SF_FORMAT_VORBIS, -1}),
              "48000 Hz, mono, Vorbis (Ogg)");
    EXPECT_EQ(DescribeAudio({22050, 6, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 10}),
              "22050 Hz, 6 channels, 32-bit float (WAVE_FORMAT_EXTENSIBLE)");
}

// A 16 kHz mono 16-bit WAV whose chunks are given as tag and size, each followed by size zero
// bytes; "fmt " gets a PCM body.
std::vector<std::uint8_t> Riff(const std::vector<std::pair<std::string, std::uint32_t>>& chunks) {
    std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [strTag, nSize] : chunks) {
        bytes.insert(bytes.end(), strTag.begin(), strTag.end());
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<std::uint8_t>(nSize >> (8 * b)));
        }
        const std::size_t nBody = bytes.size();
        bytes.resize(nBody + nSize);
        if (strTag == "fmt ") {
            const std::uint8_t abFmt[16] = {1, 0,    1, 0, 0x80, 0x3E, 0,  0,
                                            0, 0x7D, 0, 0, 2,    0,    16, 0};
            std::copy(abFmt, abFmt + 16, bytes.begin() + static_cast<long>(nBody));
        }
    }
    return bytes;
}

TEST(FormatHint, NamesTheChunkWhereTheCheckStopped) {
    CTestFolder dir;
    const std::pair<std::string, std::string> cases[] = {
        {"after fmt", " with a bext chunk"},
        {"after JUNK", " with a LIST chunk"},
        {"before fmt", " with a LIST chunk before fmt"},
    };
    test::WriteBytes(dir / "after fmt", Riff({{"fmt ", 16}, {"bext", 602}, {"data", 960}}));
    test::WriteBytes(dir / "after JUNK",
                     Riff({{"fmt ", 16}, {"JUNK", 28}, {"LIST", 26}, {"data", 960}}));
    test::WriteBytes(dir / "before fmt", Riff({{"LIST", 26}, {"fmt ", 16}, {"data", 960}}));
    for (const auto& [strFile, strChunk] : cases) {
        EXPECT_EQ(FormatHint(dir / strFile),
                  "Found 16000 Hz, mono, 16-bit PCM (WAV)" + strChunk + "; --convert accepts it.\n")
            << strFile;
    }
    test::WriteBytes(dir / "text.wav", {'n', 'o', 't', 'e', 's'});
    EXPECT_EQ(FormatHint(dir / "text.wav"), "");
    EXPECT_EQ(FormatHint(dir / "missing.wav"), "");
}

} // namespace
} // namespace veltrane
