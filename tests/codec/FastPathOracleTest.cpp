// The encoder's fast paths against plain reference loops written straight from the rules they
// implement, on seeded random inputs, compared bit for bit. Each reference keeps the stated
// order of every sum, so any reordering in the fast path shows up as a difference.
#include "codec/LpcAnalysis.h"
#include "codec/SpeechEncoder.h"
#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace veltrane {
namespace {

constexpr int kN = kSubframeSamples;
using Subframe = std::array<double, kN>;

bool SameBits(double dA, double dB) {
    return std::bit_cast<std::uint64_t>(dA) == std::bit_cast<std::uint64_t>(dB);
}

template <std::size_t N> bool SameBits(const std::array<double, N>& a, const double* adB) {
    for (std::size_t i = 0; i < N; ++i) {
        if (!SameBits(a[i], adB[i])) {
            return false;
        }
    }
    return true;
}

class CRandom {
  public:
    explicit CRandom(std::uint32_t nSeed) : m_engine(nSeed) {}
    double Normal(double dScale) { return dScale * std::normal_distribution<double>()(m_engine); }
    int Int(int nLow, int nHigh) {
        return std::uniform_int_distribution<int>(nLow, nHigh)(m_engine);
    }
    template <std::size_t N> std::array<double, N> Normals(double dScale) {
        std::array<double, N> a;
        for (double& d : a) {
            d = Normal(dScale);
        }
        return a;
    }

  private:
    std::mt19937 m_engine;
};

// A stable, speech-like impulse response: a decaying resonance.
Subframe ImpulseOf(CRandom& random) {
    std::array<double, kLpcOrder> adWeighted{};
    adWeighted[0] = 1.2 + random.Normal(0.1);
    adWeighted[1] = -0.6 + random.Normal(0.05);
    for (int j = 2; j < kLpcOrder; ++j) {
        adWeighted[j] = random.Normal(0.02);
    }
    Subframe h;
    ImpulseResponse(adWeighted.data(), h.data());
    return h;
}

// SearchLag as its rule states it: each candidate filtered in full, except that a candidate one
// greater than the one before reuses that one's filtered segment.
LagChoice ReferenceSearchLag(const double* adHistory, const std::int32_t* anCandidates,
                             const double* adH, const double* adX) {
    double dBest = -3.4028234663852886e38;
    int nBest = 0;
    double dGain = 0.0;
    Subframe y{};
    for (int i = 0; i < kLagCandidates; ++i) {
        const int s = 255 - anCandidates[i];
        Subframe next{};
        if (i > 0 && anCandidates[i] == anCandidates[i - 1] + 1) {
            next[0] = adHistory[s] * adH[0];
            for (int n = 1; n < kN; ++n) {
                next[n] = adHistory[s] * adH[n] + y[n - 1];
            }
        } else {
            for (int n = 0; n < kN; ++n) {
                double dSum = 0.0;
                for (int m = 0; m <= n; ++m) {
                    dSum += adHistory[s + m] * adH[n - m];
                }
                next[n] = dSum;
            }
        }
        y = next;
        double dR = 0.0;
        double dE = 1.1754943508222875e-38;
        for (int n = 0; n < kN; ++n) {
            dR += adX[n] * y[n];
            dE += y[n] * y[n];
        }
        if (dR * dR / dE > dBest) {
            dBest = dR * dR / dE;
            nBest = i;
            dGain = dR / dE;
        }
    }
    const PitchGainCode gain = QuantizePitchGain(dGain);
    return {anCandidates[nBest], gain.nGainIndex, gain.dGain};
}

// Candidate lists as the preselection makes them: five triples of consecutive codes, which may
// overlap or repeat.
void RandomCandidates(CRandom& random, std::int32_t* anCandidates) {
    for (int i = 0; i < kLagCandidates / 3; ++i) {
        const int nCode = random.Int(0, 1) == 0 ? random.Int(0, 239) : 3 * random.Int(0, 13);
        const int nStart = nCode == 0 ? 0 : nCode - 1;
        for (int j = 0; j < 3; ++j) {
            anCandidates[3 * i + j] = nStart + j;
        }
    }
}

TEST(FastPathOracle, SearchLagReusesTheFilteredSegmentExactlyAsTheRuleSays) {
    CRandom random(11);
    for (int nTrial = 0; nTrial < 400; ++nTrial) {
        const auto history = random.Normals<kExcHistoryLength>(nTrial % 2 == 0 ? 1.0 : 3000.0);
        const Subframe h = ImpulseOf(random);
        const Subframe x = random.Normals<kN>(500.0);
        std::int32_t anCandidates[kLagCandidates];
        RandomCandidates(random, anCandidates);
        if (nTrial % 7 == 0) {
            anCandidates[3] = anCandidates[2]; // a code twice in a row
        }
        const LagChoice want = ReferenceSearchLag(history.data(), anCandidates, h.data(), x.data());
        const LagChoice got = SearchLag(history.data(), anCandidates, h.data(), x.data());
        ASSERT_EQ(got.nLagCode, want.nLagCode) << "trial " << nTrial;
        ASSERT_EQ(got.nGainIndex, want.nGainIndex) << "trial " << nTrial;
        ASSERT_TRUE(SameBits(got.dGain, want.dGain)) << "trial " << nTrial;
    }
}

// SelectCandidate with each pattern filtered as its rule states it: the sum over the grid
// positions p + 8i <= n in increasing i, zero amplitudes included.
PulseChoice ReferenceSelectCandidate(const PulsePatterns& patterns, int p,
                                     const std::int32_t* anChosen, const double* adH,
                                     const double* adX2, int k, double dPrevGain) {
    double dBest = -3.4028234663852886e38;
    int nChosen = anChosen[0];
    PulseChoice choice{0.0, 0, {}};
    for (int r = 0; r < kPreselectedPatterns; ++r) {
        const std::int32_t* c = patterns[anChosen[r]];
        Subframe y{};
        for (int n = p; n < kN; ++n) {
            double dSum = 0.0;
            for (int i = 0; i < kPulses && p + 8 * i <= n; ++i) {
                dSum += c[p + 8 * i] * adH[n - p - 8 * i];
            }
            y[n] = dSum;
        }
        double dR = 0.0;
        double dE = 1.1754943508222875e-38;
        for (int n = 0; n < kN; ++n) {
            dR += adX2[n] * y[n];
            dE += y[n] * y[n];
        }
        std::int32_t nIndex = 0;
        const double g = QuantizePulseGain(k, dR / dE, dPrevGain, &nIndex);
        const double dScore = 2.0 * g * dR - g * g * dE;
        if (dScore > dBest) {
            dBest = dScore;
            nChosen = anChosen[r];
            choice.dGain = g;
            choice.nGainIndex = nIndex;
        }
    }
    for (int i = 0; i < kPulses; ++i) {
        choice.anAmplitudes[i] = patterns[nChosen][p + 8 * i];
    }
    return choice;
}

TEST(FastPathOracle, PatternFilteringSumsOnlyTheGridPositionsInOrder) {
    CRandom random(12);
    for (int nTrial = 0; nTrial < 400; ++nTrial) {
        Subframe h = ImpulseOf(random);
        if (nTrial % 50 == 1) {
            h[random.Int(1, kN - 1)] = std::numeric_limits<double>::infinity();
        }
        const Subframe d = random.Normals<kN>(100.0);
        const Subframe x2 = random.Normals<kN>(300.0);
        const int nPhase = SelectPhase(d.data());
        std::int32_t anSigns[kPulses];
        std::int32_t anMarks[kPulses];
        PulseSigns(d.data(), nPhase, anSigns);
        StrongestPulse(d.data(), nPhase, anMarks);
        PulsePatterns patterns;
        BuildCandidates(nPhase, anSigns, anMarks, patterns);
        std::int32_t anChosen[kPreselectedPatterns];
        PreselectCandidates(patterns, nPhase, d.data(), 0.5, anChosen);
        const int k = nTrial % kSubframes;
        const double dPrev = 40.0 + nTrial;
        const PulseChoice want =
            ReferenceSelectCandidate(patterns, nPhase, anChosen, h.data(), x2.data(), k, dPrev);
        const PulseChoice got =
            SelectCandidate(patterns, nPhase, anChosen, h.data(), x2.data(), k, dPrev);
        ASSERT_TRUE(SameBits(got.dGain, want.dGain)) << "trial " << nTrial;
        ASSERT_EQ(got.nGainIndex, want.nGainIndex) << "trial " << nTrial;
        for (int i = 0; i < kPulses; ++i) {
            ASSERT_EQ(got.anAmplitudes[i], want.anAmplitudes[i]) << "trial " << nTrial;
        }
    }
}

// The order-20 recursion as its rule states it.
std::int16_t ReferenceLevinson(const double* r, double* a, double* k) {
    for (int i = 0; i < kLpcOrder; ++i) {
        a[i] = 0.0;
        k[i] = 0.0;
    }
    if (!(r[0] > 0.0)) {
        return 2;
    }
    double prev[kLpcOrder] = {};
    double E = r[0];
    for (int i = 0; i < kLpcOrder; ++i) {
        double acc = 0.0;
        for (int j = 0; j < i; ++j) {
            acc += prev[j] * r[i - j];
        }
        const double ki = (r[i + 1] - acc) / E;
        if (std::fabs(ki) >= 1.0) {
            return 1;
        }
        k[i] = ki;
        a[i] = ki;
        for (int j = 0; j < i; ++j) {
            a[j] = prev[j] - ki * prev[i - 1 - j];
        }
        E = E * (1.0 - ki * ki);
        for (int j = 0; j <= i; ++j) {
            prev[j] = a[j];
        }
    }
    return 0;
}

TEST(FastPathOracle, LevinsonMatchesThePlainRecursion) {
    CRandom random(13);
    for (int nTrial = 0; nTrial < 2000; ++nTrial) {
        std::array<double, kLpcOrder + 1> r;
        if (nTrial % 4 == 3) {
            r = random.Normals<kLpcOrder + 1>(1.0); // arbitrary: mostly stops early
        } else {
            std::vector<double> x(kLpcWindowLength);
            double dPrev = 0.0;
            for (double& d : x) {
                dPrev = 0.9 * dPrev + random.Normal(1000.0);
                d = dPrev;
            }
            Autocorrelate(x.data(), r.data());
        }
        double adA[kLpcOrder], adK[kLpcOrder], adWantA[kLpcOrder], adWantK[kLpcOrder];
        const std::int16_t nWant = ReferenceLevinson(r.data(), adWantA, adWantK);
        ASSERT_EQ(Levinson(r.data(), adA, adK), nWant) << "trial " << nTrial;
        for (int i = 0; i < kLpcOrder; ++i) {
            ASSERT_TRUE(SameBits(adA[i], adWantA[i])) << "trial " << nTrial << " a" << i;
            ASSERT_TRUE(SameBits(adK[i], adWantK[i])) << "trial " << nTrial << " k" << i;
        }
    }
}

} // namespace
} // namespace veltrane
