// SPDX-License-Identifier: BSD-3-Clause
#include "tests/codec/DeepTrace.h"

#include "codec/FramePacker.h"
#include "codec/LpcAnalysis.h"
#include "codec/LpcQuantizer.h"
#include "codec/SpeechEncoder.h"
#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"
#include "codec/tables/RcTables.h"
#include "tests/support/GoldenVectors.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>
#include <utility>

namespace veltrane::test {

namespace {

constexpr int kTracedCalls = 10;

// Rows keyed by (call, subframe, tag); rows of the same key (the five pcand rows) run on.
class CDeepTrace {
  public:
    bool Load(const std::string& path) {
        std::ifstream file(path);
        std::string line;
        while (std::getline(file, line)) {
            std::istringstream fields(line);
            int t = 0;
            int c = 0;
            std::string tag;
            fields >> t >> c >> tag;
            std::vector<double>& values = m_rows[{t, c, tag}];
            std::string token;
            while (fields >> token) {
                values.push_back(std::strtod(token.c_str(), nullptr)); // reads %a and integers
            }
        }
        return !m_rows.empty();
    }

    // The row, or an empty one when the trace lacks it.
    const std::vector<double>& Row(int t, int c, const std::string& tag) const {
        static const std::vector<double> empty;
        const auto it = m_rows.find({t, c, tag});
        return it == m_rows.end() ? empty : it->second;
    }

  private:
    std::map<std::tuple<int, int, std::string>, std::vector<double>> m_rows;
};

bool SameBits(double dGot, double dWant) {
    return std::bit_cast<std::uint64_t>(dGot) == std::bit_cast<std::uint64_t>(dWant);
}

// Compares n values bit for bit; the first stage that differs keeps its description.
class CStageCheck {
  public:
    void Values(int t, int c, const char* pszTag, const double* adGot,
                const std::vector<double>& want, std::size_t n) {
        if (!m_strFirst.empty()) {
            return;
        }
        if (want.size() < n) {
            Fail(t, c, pszTag, "row missing from the trace");
            return;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!SameBits(adGot[i], want[i])) {
                char szText[160];
                std::snprintf(szText, sizeof szText, "value %zu is %a, the trace has %a", i,
                              adGot[i], want[i]);
                Fail(t, c, pszTag, szText);
                return;
            }
        }
    }
    void Ints(int t, int c, const char* pszTag, const std::int32_t* anGot,
              const std::vector<double>& want, std::size_t n) {
        std::vector<double> got(anGot, anGot + n);
        Values(t, c, pszTag, got.data(), want, n);
    }
    void Fail(int t, int c, const char* pszTag, const std::string& what) {
        if (m_strFirst.empty()) {
            m_strFirst = "call " + std::to_string(t) + " subframe " + std::to_string(c) +
                         " stage " + pszTag + ": " + what;
        }
    }
    const std::string& First() const { return m_strFirst; }

  private:
    std::string m_strFirst;
};

// The state the replay carries between subframes, rebuilt from the trace's own values.
struct ReplayState {
    std::vector<double> adSpeech = std::vector<double>(kSignalLength - kFrameSamples, 0.0);
    std::int32_t anRcIndexPrev[kLpcOrder] = {};  // indices of the previous call's analysis
    std::int32_t anRcIndexPrev2[kLpcOrder] = {}; // and of the call before
    double dPrevK1 = 0.0;
    double adWgtMem[kLpcOrder] = {};
    double adSynMem[kLpcOrder] = {};
    double adHistory[kExcHistoryLength] = {};
    double adInvEnergy[kInvEnergyEntries] = {};
    double dPrevPulseGain = 0.0;
};

void CheckFrameAnalysis(const CDeepTrace& trace, const CSpeechEncoder& encoder, int t,
                        ReplayState& s, CStageCheck& check) {
    check.Values(t, 0, "sig", encoder.Signal() + kSignalLength - kFrameSamples,
                 trace.Row(t, 0, "sig"), kFrameSamples);
    const std::vector<double>& sig = trace.Row(t, 0, "sig");
    s.adSpeech.insert(s.adSpeech.end(), sig.begin(), sig.end());
    s.adSpeech.resize(kSignalLength + kFrameSamples * static_cast<std::size_t>(t), 0.0);

    double adA[kLpcOrder];
    const double dK1 = encoder.AnalyzeLpc(adA);
    check.Values(t, 0, "k1", &dK1, trace.Row(t, 0, "k1"), 1);
    check.Values(t, 0, "a", adA, trace.Row(t, 0, "a"), kLpcOrder);

    double adRc[kLpcOrder];
    PredictorToReflection(trace.Row(t, 0, "a").data(), adRc);
    check.Values(t, 0, "rc", adRc, trace.Row(t, 0, "rc"), kLpcOrder);

    const std::vector<double>& rc = trace.Row(t, 0, "rc");
    const std::vector<double>& rcidx = trace.Row(t, 0, "rcidx");
    std::int32_t anIndex[kLpcOrder] = {};
    double adKq[kLpcOrder] = {};
    for (int n = 0; n < kLpcOrder && rc.size() == kLpcOrder && rcidx.size() == kLpcOrder; ++n) {
        anIndex[n] = QuantizeReflection(n, rc[n]);
        adKq[n] = ReflectionLevel(n, static_cast<std::int32_t>(rcidx[n]));
    }
    check.Ints(t, 0, "rcidx", anIndex, rcidx, kLpcOrder);
    double adLar[kLpcOrder];
    ReflectionToLar(adKq, adLar);
    check.Values(t, 0, "lar", adLar, trace.Row(t, 0, "lar"), kLpcOrder);

    SubframePredictors aadInterp;
    InterpolatePredictors(s.anRcIndexPrev, s.anRcIndexPrev2, aadInterp);
    for (int c = 0; c < kSubframes; ++c) {
        check.Values(t, c, "A", aadInterp[c].data(), trace.Row(t, c, "A"), kLpcOrder);
    }
    std::copy(s.anRcIndexPrev, s.anRcIndexPrev + kLpcOrder, s.anRcIndexPrev2);
    for (int n = 0; n < kLpcOrder && rcidx.size() == kLpcOrder; ++n) {
        s.anRcIndexPrev[n] = static_cast<std::int32_t>(rcidx[n]);
    }
}

// One subframe's stages, each fed with the trace's values of the stages before it.
void CheckSubframe(const CDeepTrace& trace, int t, int c, double dBeta, ReplayState& s,
                   CStageCheck& check) {
    const std::vector<double>& frame = trace.Row(t, -1, "frame");
    const std::vector<double>& A = trace.Row(t, c, "A");
    if (frame.size() != kParamWords + kExcitationSlots || A.size() != kLpcOrder) {
        check.Fail(t, c, "frame", "row missing from the trace");
        return;
    }
    const std::pair<const char*, std::size_t> rows[] = {
        {"res", 40},  {"w", 40},  {"h", 40},  {"z", 40},  {"d", 40},   {"inv", 84},
        {"cand", 15}, {"x2", 40}, {"d2", 40}, {"sel", 5}, {"gpgc", 2}, {"u", 40}};
    for (const auto& [pszTag, nSize] : rows) {
        if (trace.Row(t, c, pszTag).size() != nSize) {
            check.Fail(t, c, pszTag, "row missing from the trace");
            return;
        }
    }
    const auto Slot = [&](int n) { return static_cast<std::int32_t>(frame[kParamWords + n]); };
    const double* adRes = trace.Row(t, c, "res").data();
    const double* adW = trace.Row(t, c, "w").data();
    const double* adH = trace.Row(t, c, "h").data();
    const double* adX2 = trace.Row(t, c, "x2").data();
    const double* adD2 = trace.Row(t, c, "d2").data();
    const std::vector<double>& gpgc = trace.Row(t, c, "gpgc");
    const std::vector<double>& u = trace.Row(t, c, "u");

    double adOut[kSubframeSamples];
    InverseFilter(&s.adSpeech[kFrameSamples * static_cast<std::size_t>(t) + kLpcOrder +
                              kSubframeSamples * static_cast<std::size_t>(c)],
                  A.data(), adOut);
    check.Values(t, c, "res", adOut, trace.Row(t, c, "res"), kSubframeSamples);
    double adAw[kLpcOrder];
    WeightPredictor(A.data(), adAw);
    WeightResidual(adRes, adAw, s.adWgtMem, adOut);
    check.Values(t, c, "w", adOut, trace.Row(t, c, "w"), kSubframeSamples);
    for (int j = 0; j < kLpcOrder; ++j) {
        s.adWgtMem[j] = adW[kSubframeSamples - 1 - j];
    }
    ImpulseResponse(adAw, adOut);
    check.Values(t, c, "h", adOut, trace.Row(t, c, "h"), kSubframeSamples);
    ZeroInputResponse(adAw, s.adSynMem, adOut);
    check.Values(t, c, "z", adOut, trace.Row(t, c, "z"), kSubframeSamples);
    double adX[kSubframeSamples];
    for (int n = 0; n < kSubframeSamples; ++n) {
        adX[n] = adW[n] - trace.Row(t, c, "z")[n];
    }
    BackwardFilter(adX, adH, adOut);
    check.Values(t, c, "d", adOut, trace.Row(t, c, "d"), kSubframeSamples);

    std::int32_t anCandidates[kLagCandidates];
    PreselectLags(s.adHistory, trace.Row(t, c, "d").data(), dBeta, c, s.adInvEnergy, anCandidates);
    check.Values(t, c, "inv", s.adInvEnergy, trace.Row(t, c, "inv"), kInvEnergyEntries);
    check.Ints(t, c, "cand", anCandidates, trace.Row(t, c, "cand"), kLagCandidates);
    std::copy_n(trace.Row(t, c, "inv").begin(), kInvEnergyEntries, s.adInvEnergy);
    std::int32_t anTraced[kLagCandidates];
    for (int i = 0; i < kLagCandidates; ++i) {
        anTraced[i] = static_cast<std::int32_t>(trace.Row(t, c, "cand")[i]);
    }
    const LagChoice lag = SearchLag(s.adHistory, anTraced, adH, adX);
    const std::int32_t anLag[2] = {lag.nLagCode, lag.nGainIndex};
    const std::int32_t anTracedLag[2] = {Slot(LagSlot(c)), Slot(PitchGainSlot(c))};
    check.Ints(t, c, "lag code and pitch-gain index", anLag,
               std::vector<double>(anTracedLag, anTracedLag + 2), 2);
    check.Values(t, c, "gp", &lag.dGain, gpgc, 1);

    double adV[kSubframeSamples];
    LagVector(s.adHistory, Slot(LagSlot(c)), adV);
    SubtractPitch(adV, gpgc[0], adH, adX, adOut);
    check.Values(t, c, "x2", adOut, trace.Row(t, c, "x2"), kSubframeSamples);
    BackwardFilter(adX2, adH, adOut);
    check.Values(t, c, "d2", adOut, trace.Row(t, c, "d2"), kSubframeSamples);

    const int nPhase = SelectPhase(adD2);
    std::int32_t anSigns[kPulses];
    std::int32_t anMarks[kPulses];
    PulseSigns(adD2, nPhase, anSigns);
    StrongestPulse(adD2, nPhase, anMarks);
    PulsePatterns patterns;
    BuildCandidates(nPhase, anSigns, anMarks, patterns);
    std::int32_t anChosen[kPreselectedPatterns];
    PreselectCandidates(patterns, nPhase, adD2, dBeta, anChosen);
    check.Ints(t, c, "sel", anChosen, trace.Row(t, c, "sel"), kPreselectedPatterns);
    std::int32_t anTracedSel[kPreselectedPatterns];
    for (int r = 0; r < kPreselectedPatterns; ++r) {
        anTracedSel[r] = static_cast<std::int32_t>(trace.Row(t, c, "sel")[r]);
    }
    const PulseChoice pulses =
        SelectCandidate(patterns, nPhase, anTracedSel, adH, adX2, c, s.dPrevPulseGain);
    check.Values(t, c, "gc", &pulses.dGain, {gpgc[1]}, 1);
    const std::int32_t anPulse[2] = {EncodePulses(pulses.anAmplitudes, nPhase), pulses.nGainIndex};
    const std::int32_t anTracedPulse[2] = {Slot(PulseCodeSlot(c)), Slot(PulseGainSlot(c))};
    check.Ints(t, c, "pulse code and pulse-gain index", anPulse,
               std::vector<double>(anTracedPulse, anTracedPulse + 2), 2);
    s.dPrevPulseGain = gpgc[1];

    double adC[kSubframeSamples];
    PulseVector(pulses.anAmplitudes, nPhase, adC);
    MixExcitation(gpgc[0], adV, gpgc[1], adC, adOut);
    check.Values(t, c, "u", adOut, u, kSubframeSamples);
    ShiftHistory(u.data(), s.adHistory);
    UpdateSynMem(u.data(), adAw, s.adSynMem);
}

} // namespace

std::string FirstDeepTraceDifference(const std::vector<std::int16_t>& samples) {
    CDeepTrace trace;
    if (!trace.Load(GoldenPath("speech_en", ".frames0-9.deep"))) {
        return "missing or empty deep trace " + GoldenPath("speech_en", ".frames0-9.deep");
    }
    if (samples.size() < kTracedCalls * kFrameSamples) {
        return "fewer than ten frames of input";
    }
    CSpeechEncoder encoder;
    ReplayState state;
    std::fill(std::begin(state.adInvEnergy), std::end(state.adInvEnergy), 3.40282e38);
    for (int n = 0; n < kLpcOrder; ++n) { // before the first call: zero reflection coefficients
        state.anRcIndexPrev[n] = kRcZeroLevel - kRcBase[n];
        state.anRcIndexPrev2[n] = state.anRcIndexPrev[n];
    }
    CStageCheck check;
    for (int t = 0; t < kTracedCalls && check.First().empty(); ++t) {
        EncodedFrame frame;
        encoder.EncodeFrame(&samples[kFrameSamples * static_cast<std::size_t>(t)], &frame);
        CheckFrameAnalysis(trace, encoder, t, state, check);
        const double dBeta = 0.8 * state.dPrevK1;
        state.dPrevK1 = trace.Row(t, 0, "k1").empty() ? 0.0 : trace.Row(t, 0, "k1")[0];
        for (int c = 0; c < kSubframes; ++c) {
            CheckSubframe(trace, t, c, dBeta, state, check);
        }
        LpcParamWords words{};
        ExcitationIndices slots{};
        UnpackFields(frame, words, slots);
        std::vector<std::int32_t> fields(words.begin(), words.end());
        fields.insert(fields.end(), slots.begin(), slots.end());
        check.Ints(t, -1, "frame", fields.data(), trace.Row(t, -1, "frame"), fields.size());
    }
    return check.First();
}

} // namespace veltrane::test
