// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavHeader.h"
#include "tests/support/BatchTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace veltrane::test {
namespace {

const Bytes kTwoFrames = Pcm16(Voice(480)); // 960 bytes

Bytes WithFmt(const FmtFields& fmt, std::uint32_t nFmtSize = 16) {
    return Riff({FmtChunk(fmt, nFmtSize), Chunk("data", 960, kTwoFrames)});
}

class ValidateFilesTest : public BatchTest {
  protected:
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const MessageBoxRecord& box : m_ui.MessageBoxes()) {
            EXPECT_EQ(box.m_sCaption, "Error");
            texts.push_back(box.m_sText);
        }
        return texts;
    }
};

TEST_F(ValidateFilesTest, AcceptedLayoutsGiveTheirOffsetsAndSizes) {
    FmtFields fmt;
    Bytes fact;
    Put32(fact, 480); // samples
    SelectAndValidate({
        Put("canonical.wav", Riff({FmtChunk(), Chunk("data", 960, kTwoFrames)})),
        Put("fmt18.wav", Riff({FmtChunk(fmt, 18), Chunk("data", 960, kTwoFrames)})),
        // The fact chunk's count gives the size, whatever the data chunk's size field says.
        Put("fact.wav", Riff({FmtChunk(), Chunk("fact", 4, fact), Chunk("data", 4, kTwoFrames)})),
        Put("junk.wav",
            Riff({FmtChunk(), Chunk("JUNK", 28, Bytes(28, 0)), Chunk("data", 960, kTwoFrames)})),
        Put("mixed.wav",
            Riff({FmtChunk(fmt, 16, "Fmt "), Chunk("DaTa", 960, kTwoFrames)}, "riff", "wAvE")),
        Put("eight.wav", Riff({FmtChunk(Fmt8()), Chunk("data", 500, Bytes(500, 128))})),
    });
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(m_dlg.m_nFiles, 6);
    EXPECT_EQ(m_dlg.m_pnDataOffset, (std::vector<std::uint64_t>{44, 46, 56, 80, 44, 44}));
    EXPECT_EQ(m_dlg.m_pnDataBytes, (std::vector<std::uint64_t>{960, 960, 960, 960, 960, 500}));
    EXPECT_EQ(m_dlg.m_pnBlockAlign, (std::vector<int>{2, 2, 2, 2, 2, 1}));
    EXPECT_EQ(m_ui.Events().back(), "TotalBar.Range 12"); // 2 whole frames each
    EXPECT_EQ(m_platform.Loop().Pending(), (std::vector<PostedMessage>{{MSG_ENCODE_NEXT, 0, 0}}));
    EXPECT_EQ(m_dlg.m_nCurrent, 0);
}

TEST_F(ValidateFilesTest, EveryMessageInTheOrderOfTheChecksOneBoxPerRejectedFile) {
    FmtFields stereo;
    stereo.m_nChannels = 2;
    FmtFields manyFaults = stereo; // the first failed check decides
    manyFaults.m_nRate = 44100;
    FmtFields rate;
    rate.m_nRate = 44100;
    FmtFields align4;
    align4.m_nBlockAlign = 4;
    FmtFields bits24{1, 1, 16000, 3, 24};
    FmtFields float32{3, 1, 16000, 4, 32};
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"ok.wav", WithFmt({})},
        {"rifx.wav", Riff({FmtChunk(), Chunk("data", 960, kTwoFrames)}, "RIFX")},
        {"avi.wav", Riff({FmtChunk(), Chunk("data", 960, kTwoFrames)}, "RIFF", "AVI ")},
        {"nofmt.wav", Riff({Chunk("LIST", 4, Bytes(4, 0)), FmtChunk()})},
        {"float.wav", WithFmt(float32)},
        {"stereo.wav", WithFmt(stereo)},
        {"rate.wav", WithFmt(rate)},
        {"align4.wav", WithFmt(align4)},
        {"bits24.wav", WithFmt(bits24)},
        {"fmt14.wav", WithFmt({}, 14)},
        {"fmt14stereo.wav", WithFmt(manyFaults, 14)},
        {"list.wav",
         Riff({FmtChunk(), Chunk("LIST", 4, Bytes(4, 0)), Chunk("data", 960, kTwoFrames)})},
        {"junkfact.wav",
         Riff({FmtChunk(), Chunk("JUNK", 4, Bytes(4, 0)), Chunk("fact", 4, Bytes(4, 0))})},
    };
    std::vector<std::string> paths;
    for (const auto& [sName, bytes] : files) {
        paths.push_back(Put(sName, bytes));
    }
    SelectAndValidate(paths);
    const std::string sDir = m_folder.Path() + "/";
    EXPECT_EQ(
        BoxTexts(),
        (std::vector<std::string>{
            std::string(kMsgNotWav) + sDir + "rifx.wav",
            std::string(kMsgNotWav) + sDir + "avi.wav",
            "Encoder does not support this format!!!\n" + sDir + "nofmt.wav",
            "Encoder does not support this format!!!\n" + sDir + "float.wav",
            "You must use 'Mono' audio records!!!\n" + sDir + "stereo.wav",
            "Sampling frequency differs from 16kHz. You must use 16kHz!!!\n" + sDir + "rate.wav",
            "Number of bits per sample differs from 16 or 8.\nYou must use 16 bits per sample "
            "or at the least 8bits!!!\n" +
                sDir + "align4.wav",
            std::string(kMsgBadBits) + sDir + "bits24.wav",
            "WAV file created with error!!!\n" + sDir + "fmt14.wav",
            std::string(kMsgNotMono) + sDir + "fmt14stereo.wav",
            std::string(kMsgUnsupported) + sDir + "list.wav",
            std::string(kMsgUnsupported) + sDir + "junkfact.wav",
        }));
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"ok.wav"}));
}

TEST_F(ValidateFilesTest, FilesThatCannotBeReadGetTheSystemsText) {
    const std::string sLocked = Put("locked.wav", WithFmt({}));
    const std::string sFaulty = Put("faulty.wav", WithFmt({}));
    m_files.InjectFault({FileOp::Open, sLocked, EACCES});
    m_files.InjectFault({FileOp::Read, sFaulty, EIO, 20});
    SelectAndValidate({m_folder.Path() + "/missing.wav", sLocked, sFaulty});
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "No such file or directory\n" + m_folder.Path() + "/missing.wav",
                              "Permission denied\n" + sLocked,
                              "Input/output error\n" + sFaulty,
                          }));
    EXPECT_EQ(m_dlg.m_nFiles, 0);
}

// A pipe with no writer would freeze the window in its open: it is refused at once with our
// text and its path, and the batch goes on with the other files.
TEST_F(ValidateFilesTest, APipeIsRefusedWithoutWaiting) {
    const std::string sPipe = m_folder.Path() + "/pipe.wav";
    ASSERT_EQ(::mkfifo(sPipe.c_str(), 0600), 0);
    const std::string sGood = Put("good.wav", WithFmt({}));
    SelectAndValidate({sPipe, sGood});
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{
                  "It is not a regular file (a pipe, a device or a socket).\n" + sPipe}));
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"good.wav"}));
}

TEST_F(ValidateFilesTest, TheBatchIsCompactedAroundARejectedFile) {
    SelectAndValidate(
        {Put("a.wav", Wav16(Voice(240 * 3 + 239))), Put("b.wav", WithFmt({}, 14)),
         Put("c.wav", Riff({FmtChunk(Fmt8()), Chunk("data", 2400, Bytes(2400, 9))}))});
    EXPECT_EQ(m_ui.MessageBoxes().size(), 1u);
    EXPECT_EQ(m_dlg.m_nFiles, 2);
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"a.wav", "c.wav"}));
    EXPECT_EQ(m_dlg.m_pnBlockAlign, (std::vector<int>{2, 1}));
    EXPECT_EQ(m_dlg.m_pnDataBytes, (std::vector<std::uint64_t>{2 * (240 * 3 + 239), 2400}));
    // 3 whole frames of a (its partial frame is not counted) and 10 of c.
    EXPECT_EQ(m_ui.Events().back(), "TotalBar.Range 13");
}

TEST_F(ValidateFilesTest, WithNoFileAcceptedTheEncodingIsStillStarted) {
    SelectAndValidate({Put("a.wrm", Bytes(300, 1))});
    EXPECT_EQ(m_dlg.m_nFiles, 0);
    EXPECT_EQ(m_ui.Events().back(), "TotalBar.Range 0");
    EXPECT_EQ(m_platform.Loop().Pending(), (std::vector<PostedMessage>{{MSG_ENCODE_NEXT, 0, 0}}));
}

TEST_F(ValidateFilesTest, ABatchOfUnfinishedArraysIsNotValidatedAgain) {
    SelectAndValidate({Put("a.wav", WithFmt({}))});
    const std::size_t nEvents = EventCount();
    const std::size_t nPosted = m_platform.Loop().Posted().size();
    m_dlg.OnValidateFiles(1, 0);
    EXPECT_EQ(EventCount(), nEvents);
    EXPECT_EQ(m_platform.Loop().Posted().size(), nPosted);
}

// Sizes and offsets are 64-bit all the way, and a header's size is cut to what the file holds.
TEST_F(ValidateFilesTest, NoSizeOrOffsetIsCutAndSizesAreClampedToTheFile) {
    const Bytes junk(40000, 0);
    const std::string sFar = Put(
        "far.wav", Riff({FmtChunk(), Chunk("JUNK", 40000, junk), Chunk("data", 960, kTwoFrames)}));
    // 0x2000000 bytes of samples: 69905 frames, more than a 16-bit range holds. The file is
    // sparse, so it costs no disk.
    const std::string sLong = Put("long.wav", Riff({FmtChunk(), Chunk("data", 0x2000000)}));
    std::filesystem::resize_file(sLong, 44 + 0x2000000);
    const std::string sStreamed =
        Put("streamed.wav", Riff({FmtChunk(), Chunk("data", 0xFFFFFFFF, Pcm16(Voice(2400)))}));
    const std::string sCut = Put("cut.wav", Riff({FmtChunk(), Chunk("data", 100000, kTwoFrames)}));
    SelectAndValidate({sFar, sLong, sStreamed, sCut});
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(m_dlg.m_pnDataOffset, (std::vector<std::uint64_t>{40052, 44, 44, 44}));
    EXPECT_EQ(m_dlg.m_pnDataBytes, (std::vector<std::uint64_t>{960, 0x2000000, 4800, 960}));
    EXPECT_EQ(m_ui.Events().back(), "TotalBar.Range " + std::to_string(2 + 69905 + 10 + 2));
}

// The bytes that a file lacks are judged as zeros: the first field they make wrong decides.
TEST_F(ValidateFilesTest, AFileEndingInsideItsHeaderIsJudgedAsZeros) {
    const Bytes whole = WithFmt({});
    auto cut = [&](std::size_t nBytes) { return Bytes(whole.begin(), whole.begin() + nBytes); };
    const Bytes noSamples = cut(44);
    SelectAndValidate({Put("h10.wav", cut(10)), Put("h20.wav", cut(20)), Put("h36.wav", cut(36)),
                       Put("h44.wav", noSamples)});
    const std::string sDir = m_folder.Path() + "/";
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{std::string(kMsgNotWav) + sDir + "h10.wav",
                                        std::string(kMsgUnsupported) + sDir + "h20.wav",
                                        std::string(kMsgUnsupported) + sDir + "h36.wav"}));
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"h44.wav"}));
    EXPECT_EQ(m_dlg.m_pnDataBytes, (std::vector<std::uint64_t>{0}));
}

} // namespace
} // namespace veltrane::test
