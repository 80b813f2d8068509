// SPDX-License-Identifier: BSD-3-Clause
// A WAV file read once from a pipe: the header's bytes kept for the check, a skip forward,
// no way back past what was let go, and the samples up to the header's count or the end.
#include "convert/StreamSource.h"

#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace veltrane {
namespace {

// A pipe whose writing end is fed bytes by a thread, so that any amount can pass.
class CFedPipe {
  public:
    explicit CFedPipe(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
        if (::pipe(m_anFds) != 0) {
            m_anFds[0] = m_anFds[1] = -1;
        }
        m_writer = std::thread([this] {
            // A test that stops reading early ends the writer with EPIPE, not the process.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            std::size_t nDone = 0;
            while (nDone < m_bytes.size()) {
                const ssize_t n =
                    ::write(m_anFds[1], m_bytes.data() + nDone, m_bytes.size() - nDone);
                if (n <= 0) {
                    break;
                }
                nDone += static_cast<std::size_t>(n);
            }
            ::close(m_anFds[1]);
        });
    }
    ~CFedPipe() {
        ::close(m_anFds[0]); // a writer still blocked gets EPIPE
        m_writer.join();
    }
    CFedPipe(const CFedPipe&) = delete;
    CFedPipe& operator=(const CFedPipe&) = delete;

    int ReadEnd() const { return m_anFds[0]; }

  private:
    std::vector<std::uint8_t> m_bytes;
    int m_anFds[2] = {-1, -1};
    std::thread m_writer;
};

std::vector<std::uint8_t> Counting(std::size_t nBytes) {
    std::vector<std::uint8_t> bytes(nBytes);
    for (std::size_t n = 0; n < nBytes; ++n) {
        bytes[n] = static_cast<std::uint8_t>(n * 7 + n / 251);
    }
    return bytes;
}

TEST(StreamByteSource, KeepsTheHeaderThenLetsGoOfWhatLiesBehind) {
    const std::vector<std::uint8_t> bytes = Counting(300000);
    CFedPipe pipe(bytes);
    CStreamByteSource source(pipe.ReadEnd());
    std::uint8_t achRead[8];
    // Out of order below the kept header.
    ASSERT_EQ(source.ReadAt(40, achRead, 8), 8u);
    EXPECT_TRUE(std::equal(achRead, achRead + 8, bytes.begin() + 40));
    ASSERT_EQ(source.ReadAt(0, achRead, 4), 4u);
    EXPECT_TRUE(std::equal(achRead, achRead + 4, bytes.begin()));
    // A skip far forward, then on.
    ASSERT_EQ(source.ReadAt(200000, achRead, 8), 8u);
    EXPECT_TRUE(std::equal(achRead, achRead + 8, bytes.begin() + 200000));
    ASSERT_EQ(source.ReadAt(200004, achRead, 8), 8u);
    EXPECT_TRUE(std::equal(achRead, achRead + 8, bytes.begin() + 200004));
    EXPECT_EQ(source.Error(), 0);
    // The end gives what is left, and is no failure.
    ASSERT_EQ(source.ReadAt(299996, achRead, 8), 4u);
    EXPECT_EQ(source.Error(), 0);
    // What was let go cannot be read again.
    EXPECT_EQ(source.ReadAt(10, achRead, 4), 0u);
    EXPECT_EQ(source.Error(), ESPIPE);
}

TEST(StreamSampleSource, StopsAtTheHeadersCountOrAtTheEndOfTheStream) {
    const std::vector<std::int16_t> samples = test::Voice(1000);
    const test::Bytes pcm = test::Pcm16(samples);
    for (const std::uint32_t nDeclared : {1200u, 4000u}) {
        CFedPipe pipe(test::Riff({test::FmtChunk(), test::Chunk("data", nDeclared, pcm)}));
        CStreamByteSource source(pipe.ReadEnd());
        const CheckedWav wav = CheckStreamHeader(source);
        ASSERT_TRUE(wav.Accepted()) << wav.m_strMessage;
        EXPECT_EQ(wav.m_nDataBytes, nDeclared);
        CStreamSampleSource stream(source, wav.m_format);
        std::vector<std::int16_t> read(2000);
        const std::size_t nRead = stream.Read(read);
        EXPECT_EQ(nRead, std::min<std::size_t>(nDeclared / 2, 1000)) << nDeclared;
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(nRead),
                               samples.begin()));
        EXPECT_EQ(stream.Read(read), 0u);
        EXPECT_FALSE(stream.Failed());
        EXPECT_EQ(stream.DataBytesRead(), std::min<std::uint64_t>(nDeclared, pcm.size()));
    }
}

} // namespace
} // namespace veltrane
