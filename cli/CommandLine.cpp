// SPDX-License-Identifier: BSD-3-Clause
// The command line of veltrane-cli: its verbs, options and help texts, and the dispatch to the
// command that runs each verb.
#include "cli/CommandLine.h"

#include "cli/BatchCommand.h"
#include "cli/CheckCommand.h"
#include "cli/InfoCommand.h"
#include "cli/InputList.h"
#include "cli/QualityCommand.h"

#include <CLI/CLI.hpp>
#include <veltrane/Version.h>

namespace veltrane {
namespace {

constexpr int kExitUsage = 1;

struct BatchTexts {
    const char* m_pszName;
    const char* m_pszDescription;
    const char* m_pszInputs;
    const char* m_pszOutputs; // how the outputs are named
};

constexpr BatchTexts kEncodeTexts = {
    "encode", "Convert WAV files (PCM, 16 kHz, mono, 8 or 16 bits) to .wrm files",
    "WAV files to convert; - reads one from standard input",
    "Each FILE gets the name of FILE with its last extension replaced by .wrm (talk.WAV becomes "
    "talk.wrm, recording becomes recording.wrm), beside FILE or in DIR.\n\n"
    "Examples:\n"
    "  veltrane-cli encode speech.wav                      # speech.wrm\n"
    "  veltrane-cli encode -j 4 -d out/ recordings/*.wav   # four files at a time\n"
    "  veltrane-cli encode -r -d out/ archive/             # archive/a/x.wav -> out/a/x.wrm\n"
    "  sox in.flac -t wav - | veltrane-cli encode - -o - > in.wrm\n"
    "  veltrane-cli encode -r --shard 3/8 -d out/ archive/ # the third of eight shares\n"};

constexpr BatchTexts kDecodeTexts = {
    "decode", "Decode .wrm files to WAV files (PCM, 16 kHz, mono, 16 bits)", ".wrm files to decode",
    "Each NAME.wrm becomes NAME.decoded.wav, beside it or in DIR, so that a decoding never takes "
    "the name of the recording NAME.wav it was likely made from, and -f never replaces that "
    "recording. Sample i of a decoding answers sample i of the recording; a decoding lacks the "
    "recording's last two whole frames (30 ms) and the samples after them that fill no frame. "
    "On standard output (-o -) the WAV header's sizes say \"not known\", as on a pipe.\n\n"
    "Examples:\n"
    "  veltrane-cli decode speech.wrm                    # speech.decoded.wav\n"
    "  veltrane-cli decode -r -d decoded/ out/           # every .wrm below out/\n"
    "  veltrane-cli decode speech.wrm -o - | play -      # listen with sox\n"};

constexpr const char* kConvertHelp =
    "Also take any recording libsndfile reads (WAV with any chunks, EXTENSIBLE, float, 24-bit; "
    "FLAC, Ogg, MP3): mixed to mono, resampled to 16 kHz, rounded to 16 bits";

// The options of the inputs, which every verb shares: FILE..., -r, --files-from, --shard, -q,
// with bConvert --convert, and with bJobs -j.
void AddInputOptions(CLI::App* pVerb, BatchArgs& args, const char* pszInputs, bool bConvert,
                     bool bJobs) {
    pVerb->add_option("FILE", args.m_inputs, pszInputs);
    pVerb->add_flag("-r,--recursive", args.m_bRecursive,
                    "Take folders among the inputs: every file of the verb's kind below them, "
                    "any case; links to folders are not followed");
    CLI::Option* pShard = pVerb->add_option(
        "--shard", args.m_strShard,
        "K/N: keep only the K-th of N near-equal shares of the inputs, in sorted order, "
        "after -r (for job arrays and parallel machines)");
    CLI::Option* pFilesFrom =
        pVerb->add_option("--files-from", args.m_filesFrom,
                          "Read more inputs from LIST, one a line (- for standard input)");
    pVerb->add_flag("-q,--quiet", args.m_bQuiet, "Only errors: no progress, warnings or summary");
    if (bConvert) {
        pVerb->add_flag("--convert", args.m_bConvert, kConvertHelp);
    }
    CLI::Option* pJobs = nullptr;
    if (bJobs) {
        pJobs = pVerb->add_option(
            "-j,--jobs", args.m_nJobs,
            "Jobs at a time (default: every core); an encode job runs several files side by side");
    }
    pVerb->callback([&args, pJobs, pShard, pFilesFrom]() {
        // Checked here rather than by a validator, whose message would repeat the option's name.
        if (pJobs != nullptr && pJobs->count() > 0 && args.m_nJobs == 0) {
            throw CLI::ValidationError("--jobs must be at least 1");
        }
        if (pShard->count() > 0 && !ParseShard(args.m_strShard)) {
            throw CLI::ValidationError("--shard", "K/N with 1 <= K <= N, e.g. 2/4");
        }
        if (args.m_inputs.empty() && pFilesFrom->count() == 0) {
            throw CLI::ValidationError("FILE", "at least one input is needed");
        }
    });
}

CLI::App* AddBatchVerb(CLI::App& app, const BatchTexts& texts, BatchArgs& args, bool bConvert) {
    CLI::App* pVerb = app.add_subcommand(texts.m_pszName, texts.m_pszDescription);
    pVerb->footer(texts.m_pszOutputs);
    AddInputOptions(pVerb, args, texts.m_pszInputs, bConvert, true);
    CLI::Option* pOutput = pVerb->add_option(
        "-o,--output", args.m_output, "Output file (only with one input); - is standard output");
    CLI::Option* pDir = pVerb->add_option(
        "-d,--output-dir", args.m_outputDir,
        "Folder for the outputs (default: beside each input); made when missing. With -r the "
        "folders below each folder named are made again under DIR");
    pOutput->excludes(pDir);
    CLI::Option* pForce =
        pVerb->add_flag("-f,--force", args.m_bForce, "Replace existing output files");
    pVerb
        ->add_flag("--skip-existing", args.m_bSkipExisting,
                   "Leave an existing output of the size its input gives, counted as skipped "
                   "(a re-run finishes a batch that was cut short)")
        ->excludes(pForce);
    pVerb->add_flag("--no-preserve-modtime", args.m_bNoModifiedTime,
                    "Give outputs the time they are written, not their input's modification time");
    return pVerb;
}

// The verbs that report on files: their inputs and --json.
struct ReportArgs {
    BatchArgs m_inputs;
    bool m_bJson = false;
};

CLI::App* AddQuality(CLI::App& app, ReportArgs& args) {
    CLI::App* pQuality = app.add_subcommand(
        "quality", "Encode and decode WAV files in memory and print how close the result comes");
    pQuality->footer("Per file: frames, seconds, SNR and segmental SNR (240-sample segments, "
                     "silent ones skipped) in dB against the input after the encoder's "
                     "DC-removal filter, and the bit rate. Nothing is written.\n");
    AddInputOptions(pQuality, args.m_inputs,
                    "WAV files to measure; - reads one from standard input", true, true);
    pQuality->add_flag("--json", args.m_bJson,
                       "Print a JSON array of objects (file, frames, seconds, snr_db, segsnr_db, "
                       "bitrate; file and error for a rejected file)");
    return pQuality;
}

CLI::App* AddCheck(CLI::App& app, BatchArgs& args) {
    CLI::App* pCheck = app.add_subcommand("check", "Check WAV headers without converting");
    pCheck->footer("A .wrm file passes when its size is a whole number of 30-byte frames.\n");
    AddInputOptions(pCheck, args, "WAV or .wrm files to check; - reads one from standard input",
                    false, false);
    pCheck->add_flag("--convert", args.m_bConvert,
                     "Report what encode --convert would make of a file the check refuses");
    return pCheck;
}

CLI::App* AddInfo(CLI::App& app, ReportArgs& args) {
    CLI::App* pInfo =
        app.add_subcommand("info", "Tell what a .wrm file, a WAV file or another recording holds");
    pInfo->footer(
        "A .wrm file (by its name, or standard input that is no recording): frames, duration, "
        "size, and whether the size is a whole number of frames. A WAV file: what the header "
        "check found, and whether encode takes it or encode --convert would. Another "
        "recording: what libsndfile reads of it. Nothing is written.\n");
    AddInputOptions(pInfo, args.m_inputs, "Files to describe; - reads one from standard input",
                    true, false);
    pInfo->add_flag("--json", args.m_bJson, "Print a JSON array of objects, one per file");
    return pInfo;
}

} // namespace

int RunCommandLine(int argc, char** argv) {
    CLI::App app("Veltrane: batch converter of speech recordings to .wrm files", "veltrane-cli");
    app.set_version_flag("--version", kVersion);
    app.require_subcommand(1);
    app.footer("Examples:\n"
               "  veltrane-cli encode speech.wav                 # speech.wrm beside it\n"
               "  veltrane-cli encode -r -d out/ archive/        # a whole tree, mirrored\n"
               "  cat x.wav | veltrane-cli encode - -o - > x.wrm # through a pipe\n"
               "  veltrane-cli decode speech.wrm                 # speech.decoded.wav\n"
               "See veltrane-cli VERB --help, and man veltrane-cli.\n");
    BatchArgs encodeArgs;
    BatchArgs decodeArgs;
    CLI::App* pEncode = AddBatchVerb(app, kEncodeTexts, encodeArgs, true);
    pEncode->add_flag("--single-stream", encodeArgs.m_bSingleStream,
                      "Encode each file on an encoder of its own, as one input is, rather than "
                      "several files side by side in the lanes of one (the same bytes, slower)");
    CLI::App* pDecode = AddBatchVerb(app, kDecodeTexts, decodeArgs, false);
    ReportArgs qualityArgs;
    CLI::App* pQuality = AddQuality(app, qualityArgs);
    BatchArgs checkArgs;
    AddCheck(app, checkArgs); // the verb left when no other was parsed
    ReportArgs infoArgs;
    CLI::App* pInfo = AddInfo(app, infoArgs);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int nStatus = app.exit(error);
        return nStatus == 0 ? 0 : kExitUsage;
    }
    if (pEncode->parsed()) {
        return RunEncode(encodeArgs);
    }
    if (pDecode->parsed()) {
        return RunDecode(decodeArgs);
    }
    if (pQuality->parsed()) {
        return RunQuality(qualityArgs.m_inputs, qualityArgs.m_bJson);
    }
    if (pInfo->parsed()) {
        return RunInfo(infoArgs.m_inputs, infoArgs.m_bJson);
    }
    return RunCheck(checkArgs);
}

} // namespace veltrane
