// veltrane-cli: converts 16 kHz mono WAV files to ".wrm" files from the command line.
#include "cli/CheckCommand.h"
#include "cli/EncodeCommand.h"

#include <CLI/CLI.hpp>

namespace {

constexpr int kExitUsage = 1;

void AddEncode(CLI::App& app, veltrane::EncodeArgs& args) {
    CLI::App* pEncode = app.add_subcommand(
        "encode", "Convert WAV files (PCM, 16 kHz, mono, 8 or 16 bits) to .wrm files");
    pEncode->add_option("FILE", args.m_inputs, "WAV files to convert")->required();
    CLI::Option* pOutput =
        pEncode->add_option("-o,--output", args.m_output, "Output file (only with one input)");
    CLI::Option* pDir = pEncode->add_option(
        "-d,--output-dir", args.m_outputDir,
        "Folder for the outputs (default: beside each input); made when missing");
    pOutput->excludes(pDir);
    pEncode->add_option("-j,--jobs", args.m_nJobs, "Files encoded at a time (default: every core)")
        ->check(CLI::PositiveNumber);
    pEncode->add_flag("-f,--force", args.m_bForce, "Replace existing output files");
    pEncode->add_flag("-q,--quiet", args.m_bQuiet, "No progress and no summary");
    pEncode->callback([&args, pOutput]() {
        if (pOutput->count() > 0 && args.m_inputs.size() != 1) {
            throw CLI::ValidationError("--output", "-o needs exactly one input file");
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Veltrane: batch converter of speech recordings to .wrm files", "veltrane-cli");
    app.set_version_flag("--version", VELTRANE_VERSION);
    app.require_subcommand(1);
    veltrane::EncodeArgs encodeArgs;
    AddEncode(app, encodeArgs);
    std::vector<std::filesystem::path> checkFiles;
    CLI::App* pCheck = app.add_subcommand("check", "Check WAV headers without converting");
    pCheck->add_option("FILE", checkFiles, "WAV files to check")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int nStatus = app.exit(error);
        return nStatus == 0 ? 0 : kExitUsage;
    }
    if (pCheck->parsed()) {
        return veltrane::RunCheck(checkFiles);
    }
    return veltrane::RunEncode(encodeArgs);
}
