// SPDX-License-Identifier: BSD-3-Clause
// The encoder's fast paths against plain reference loops written straight from the rules they
// implement, on seeded random inputs, compared bit for bit. Each reference keeps the stated
// order of every sum, so any reordering in the fast path shows up as a difference.
#include "codec/LpcAnalysis.h"
#include "codec/SpeechEncoder.h"
#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A stable, speech-like predictor: a decaying resonance (dA0, dA1) and small higher terms.
std::array<double, kLpcOrder> ResonanceOf(CRandom& random, double dA0, double dA1, double dRest) {
    std::array<double, kLpcOrder> a{};
    a[0] = dA0 + random.Normal(0.1);
    a[1] = dA1 + random.Normal(0.05);
    for (int j = 2; j < kLpcOrder; ++j) {
        a[j] = random.Normal(dRest);
    }
    return a;
}

// The impulse response of such a predictor.
Subframe ImpulseOf(CRandom& random) {
    const std::array<double, kLpcOrder> adWeighted = ResonanceOf(random, 1.2, -0.6, 0.02);
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
    Subframe best{};
    bool bBestConvolved = true;
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
            best = y;
            bBestConvolved = !(i > 0 && anCandidates[i] == anCandidates[i - 1] + 1);
        }
    }
    const PitchGainCode gain = QuantizePitchGain(dGain);
    LagChoice choice{anCandidates[nBest], gain.nGainIndex, gain.dGain, bBestConvolved, {}};
    std::copy(best.begin(), best.end(), choice.adFiltered);
    return choice;
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
        auto history = random.Normals<kExcHistoryLength>(nTrial % 2 == 0 ? 1.0 : 3000.0);
        if (nTrial % 25 == 3) { // non-finite values in the history give the same results
            history[random.Int(15, kExcHistoryLength - 1)] =
                nTrial % 50 == 3 ? std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::quiet_NaN();
        }
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
        // A fully convolved choice is handed on, and subtracting it is the pitch subtraction.
        ASSERT_EQ(got.bConvolved, want.bConvolved) << "trial " << nTrial;
        if (got.bConvolved) {
            ASSERT_TRUE(SameBits(std::to_array(want.adFiltered), got.adFiltered)) << nTrial;
            Subframe v, wantX2, gotX2;
            LagVector(history.data(), got.nLagCode, v.data());
            SubtractPitch(v.data(), got.dGain, h.data(), x.data(), wantX2.data());
            SubtractFilteredPitch(got.adFiltered, got.dGain, x.data(), gotX2.data());
            ASSERT_TRUE(SameBits(wantX2, gotX2.data())) << "trial " << nTrial;
        }
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

// One step of the weighted synthesis filter as the rule states it: the input first, then the
// memory terms in increasing j; the memory moves up by one and takes the output.
double ReferenceSynthesisStep(double dInput, const double* a, double* mem) {
    double y = dInput;
    for (int j = 0; j < kLpcOrder; ++j) {
        y += mem[j] * a[j];
    }
    for (int j = kLpcOrder - 1; j >= 1; --j) {
        mem[j] = mem[j - 1];
    }
    mem[0] = y;
    return y;
}

std::array<double, kLpcOrder> WeightedOf(CRandom& random) {
    return ResonanceOf(random, 1.1, -0.5, 0.03);
}

TEST(FastPathOracle, WeightedDomainFiltersMatchTheShiftedMemoryFilter) {
    CRandom random(14);
    for (int nTrial = 0; nTrial < 300; ++nTrial) {
        const auto a = WeightedOf(random);
        const auto residual = random.Normals<kN>(1000.0);
        const auto u = random.Normals<kN>(1000.0);
        const auto wgtMem = random.Normals<kLpcOrder>(500.0);
        const auto synMem = random.Normals<kLpcOrder>(500.0);

        auto refWgt = wgtMem;
        Subframe w, h, z;
        std::array<double, kLpcOrder> rest{};
        auto zMem = synMem;
        for (int n = 0; n < kN; ++n) {
            w[n] = ReferenceSynthesisStep(residual[n], a.data(), refWgt.data());
            h[n] = ReferenceSynthesisStep(n == 0 ? 1.0 : 0.0, a.data(), rest.data());
            z[n] = ReferenceSynthesisStep(0.0, a.data(), zMem.data());
        }
        auto refSyn = synMem;
        for (int n = 0; n < kN; ++n) {
            ReferenceSynthesisStep(u[n], a.data(), refSyn.data());
        }

        auto gotWgt = wgtMem;
        Subframe gotH, gotX;
        WeightedTarget(residual.data(), a.data(), gotWgt.data(), synMem.data(), gotH.data(),
                       gotX.data());
        ASSERT_TRUE(SameBits(refWgt, gotWgt.data())) << "trial " << nTrial;
        ASSERT_TRUE(SameBits(h, gotH.data())) << "trial " << nTrial;
        Subframe x;
        for (int n = 0; n < kN; ++n) {
            x[n] = w[n] - z[n];
        }
        ASSERT_TRUE(SameBits(x, gotX.data())) << "trial " << nTrial;

        auto gotSyn = synMem;
        UpdateSynMem(u.data(), a.data(), gotSyn.data());
        ASSERT_TRUE(SameBits(refSyn, gotSyn.data())) << "trial " << nTrial;
        Subframe gotZ;
        ZeroInputResponse(a.data(), synMem.data(), gotZ.data());
        ASSERT_TRUE(SameBits(z, gotZ.data())) << "trial " << nTrial;
    }
}

TEST(FastPathOracle, ConvolutionsBackwardFilterAndPitchSubtractionMatchPlainSums) {
    CRandom random(15);
    for (int nTrial = 0; nTrial < 500; ++nTrial) {
        auto segment = random.Normals<kN>(700.0);
        const Subframe h = ImpulseOf(random);
        const Subframe x = random.Normals<kN>(300.0);
        if (nTrial % 20 == 1) {
            segment[random.Int(0, kN - 1)] = nTrial % 40 == 1
                                                 ? -std::numeric_limits<double>::infinity()
                                                 : std::numeric_limits<double>::quiet_NaN();
        }
        Subframe y, d, x2;
        for (int n = 0; n < kN; ++n) {
            double dSum = 0.0;
            for (int m = 0; m <= n; ++m) {
                dSum += segment[m] * h[n - m];
            }
            y[n] = dSum;
            x2[n] = x[n] - 0.37 * dSum;
        }
        for (int i = 0; i < kN; ++i) {
            double dSum = 0.0;
            for (int n = kN - 1; n >= i; --n) {
                dSum += segment[n] * h[n - i];
            }
            d[i] = dSum;
        }
        Subframe got;
        Convolve(segment.data(), h.data(), got.data());
        ASSERT_TRUE(SameBits(y, got.data())) << "trial " << nTrial;
        SubtractPitch(segment.data(), 0.37, h.data(), x.data(), got.data());
        ASSERT_TRUE(SameBits(x2, got.data())) << "trial " << nTrial;
        BackwardFilter(segment.data(), h.data(), got.data());
        ASSERT_TRUE(SameBits(d, got.data())) << "trial " << nTrial;
    }
}

TEST(FastPathOracle, AutocorrelationAndResidualMatchPlainSums) {
    CRandom random(16);
    for (int nTrial = 0; nTrial < 200; ++nTrial) {
        std::vector<double> x(kLpcWindowLength);
        for (double& d : x) {
            d = random.Normal(nTrial % 2 == 0 ? 1e4 : 1e-3);
        }
        std::array<double, kLpcOrder + 1> r;
        for (int m = 0; m <= kLpcOrder; ++m) {
            double dSum = 0.0;
            for (int j = 0; j < kLpcWindowLength - m; ++j) {
                dSum += x[j + m] * x[j];
            }
            r[m] = dSum;
        }
        std::array<double, kLpcOrder + 1> got;
        Autocorrelate(x.data(), got.data());
        ASSERT_TRUE(SameBits(r, got.data())) << "trial " << nTrial;

        const auto a = random.Normals<kLpcOrder>(0.3);
        Subframe e;
        const double* s = &x[kLpcOrder];
        for (int i = 0; i < kN; ++i) {
            double dE = s[i];
            for (int j = 0; j < kLpcOrder; ++j) {
                dE -= a[j] * s[i - 1 - j];
            }
            e[i] = dE;
        }
        Subframe gotE;
        InverseFilter(s, a.data(), gotE.data());
        ASSERT_TRUE(SameBits(e, gotE.data())) << "trial " << nTrial;
    }
}

// The rule's selection: nTake passes, each taking the first of the highest scores and striking
// it out with the worst score.
std::vector<std::int32_t> ReferencePasses(std::vector<double> score, int nTake) {
    std::vector<std::int32_t> chosen;
    for (int r = 0; r < nTake; ++r) {
        double dBest = -3.4028234663852886e38;
        int nBest = 0;
        for (std::size_t i = 0; i < score.size(); ++i) {
            if (score[i] > dBest) {
                dBest = score[i];
                nBest = static_cast<int>(i);
            }
        }
        score[nBest] = -3.4028234663852886e38;
        chosen.push_back(nBest);
    }
    return chosen;
}

TEST(FastPathOracle, OnePassSelectionEqualsFivePassesWithTiesAndNonNumbers) {
    CRandom random(17);
    for (int nTrial = 0; nTrial < 3000; ++nTrial) {
        const int nCount = nTrial % 2 == 0 ? 84 : 16;
        std::vector<double> score(nCount);
        for (double& d : score) {
            switch (random.Int(0, 9)) {
            case 0:
                d = 0.0;
                break;
            case 1:
                d = std::numeric_limits<double>::quiet_NaN();
                break;
            case 2:
                d = 5.0; // ties
                break;
            case 3:
                d = nTrial % 3 == 0 ? std::numeric_limits<double>::infinity() : 1.0;
                break;
            default:
                d = std::fabs(random.Normal(10.0));
            }
        }
        if (nTrial % 10 == 7) { // fewer valid scores than places
            for (int i = 0; i < nCount; ++i) {
                score[i] = i % 29 == 4 ? 2.0 : std::numeric_limits<double>::quiet_NaN();
            }
        }
        std::int32_t anChosen[kPreselectedPatterns];
        SelectBest(score.data(), nCount, kPreselectedPatterns, anChosen);
        const std::vector<std::int32_t> want = ReferencePasses(score, kPreselectedPatterns);
        ASSERT_EQ(std::vector<std::int32_t>(anChosen, anChosen + kPreselectedPatterns), want)
            << "trial " << nTrial;
    }
}

// The lag preselection as its rule states it, segment by segment (the cache at subframes other
// than 3, where the rule and the fast path agree whatever the cache held).
void ReferencePreselect(const double* history, const double* d, double beta, double* inv,
                        std::int32_t* candidates) {
    for (int b = 5; b >= 1; --b) {
        for (int l = 0; l < 14; ++l) {
            inv[14 * b + l] = inv[14 * (b - 1) + l];
        }
    }
    for (int l = 0; l < 14; ++l) {
        const double* s = &history[255 - 3 * l];
        double y = 0.0;
        double E = 1.1754943508222875e-38;
        for (int n = 0; n < kN; ++n) {
            const double m = beta * y + s[n];
            if (std::fabs(m) > 1e-17) {
                y = m;
                E = E + m * m;
            } else {
                y = 0.0;
            }
        }
        inv[l] = 1.0 / E;
    }
    std::vector<double> score(84);
    for (int b = 0; b < 6; ++b) {
        for (int l = 0; l < 14; ++l) {
            const double* s = &history[255 - 40 * b - 3 * l];
            double c = 0.0;
            for (int n = 0; n < kN; ++n) {
                c += d[n] * s[n];
            }
            score[14 * b + l] = std::fabs(c) > 1e-17 ? c * inv[14 * b + l] * c : 0.0;
        }
    }
    const std::vector<std::int32_t> best = ReferencePasses(score, 5);
    for (int i = 0; i < 5; ++i) {
        const int o = 40 * (best[i] / 14) + 3 * (best[i] % 14);
        for (int j = 0; j < 3; ++j) {
            candidates[3 * i + j] = (o == 0 ? 0 : o - 1) + j;
        }
    }
}

TEST(FastPathOracle, LagPreselectionMatchesTheSegmentBySegmentRule) {
    CRandom random(18);
    for (int nTrial = 0; nTrial < 400; ++nTrial) {
        auto history = random.Normals<kExcHistoryLength>(nTrial % 3 == 0 ? 1e-16 : 800.0);
        if (nTrial % 10 == 4) {
            history[random.Int(15, kExcHistoryLength - 1)] =
                nTrial % 20 == 4 ? std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::quiet_NaN();
        }
        auto d = random.Normals<kN>(50.0);
        if (nTrial % 7 == 0) {
            d.fill(0.0);
        }
        const double dBeta = random.Normal(0.4);
        auto inv = random.Normals<kInvEnergyEntries>(1e-6);
        auto refInv = inv;
        std::int32_t anWant[kLagCandidates], anGot[kLagCandidates];
        ReferencePreselect(history.data(), d.data(), dBeta, refInv.data(), anWant);
        PreselectLags(history.data(), d.data(), dBeta, nTrial % 2 == 0 ? 0 : 4, inv.data(), anGot);
        ASSERT_TRUE(SameBits(refInv, inv.data())) << "trial " << nTrial;
        ASSERT_EQ(std::vector<std::int32_t>(anGot, anGot + kLagCandidates),
                  std::vector<std::int32_t>(anWant, anWant + kLagCandidates))
            << "trial " << nTrial;
    }
}

// Values at the flushing level and next to it, zeros of both signs, subnormals and non-finite
// values: the paired energy chains flush exactly where the one-segment rule does.
TEST(FastPathOracle, LagEnergiesFlushAtTheSameValuesAsTheOneSegmentRule) {
    const double dLevel = 1e-17;
    const double adEdge[] = {dLevel,
                             -dLevel,
                             std::nextafter(dLevel, 1.0),
                             -std::nextafter(dLevel, 1.0),
                             std::nextafter(dLevel, 0.0),
                             0.0,
                             -0.0,
                             std::numeric_limits<double>::denorm_min(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             3.0e-18,
                             -2.5e-17};
    CRandom random(20);
    for (int nTrial = 0; nTrial < 200; ++nTrial) {
        std::array<double, kExcHistoryLength> history{};
        for (double& dValue : history) {
            const int nPick = random.Int(0, 3 * static_cast<int>(std::size(adEdge)));
            dValue =
                nPick < static_cast<int>(std::size(adEdge)) ? adEdge[nPick] : random.Normal(2e-17);
        }
        const double dBeta = nTrial % 2 == 0 ? 0.0 : random.Normal(0.5);
        const auto d = random.Normals<kN>(1.0);
        std::array<double, kInvEnergyEntries> inv{};
        std::int32_t anCandidates[kLagCandidates];
        PreselectLags(history.data(), d.data(), dBeta, 0, inv.data(), anCandidates);
        for (int l = 0; l < kLagsPerBlock; ++l) { // block 0: recomputed at subframe 0
            const double dWant = 1.0 / FastEnergy(&history[255 - 3 * l], dBeta);
            ASSERT_TRUE(SameBits(dWant, inv[l])) << "trial " << nTrial << " lag " << l;
        }
    }
}

TEST(FastPathOracle, PatternPreselectionMatchesPatternByPatternScores) {
    CRandom random(19);
    for (int nTrial = 0; nTrial < 400; ++nTrial) {
        auto d = random.Normals<kN>(100.0);
        if (nTrial % 9 == 0) {
            d[random.Int(0, kN - 1)] = std::numeric_limits<double>::infinity();
        }
        const double dBeta = random.Normal(0.4);
        const int nPhase = SelectPhase(d.data());
        std::int32_t anSigns[kPulses], anMarks[kPulses];
        PulseSigns(d.data(), nPhase, anSigns);
        StrongestPulse(d.data(), nPhase, anMarks);
        PulsePatterns patterns;
        BuildCandidates(nPhase, anSigns, anMarks, patterns);
        std::vector<double> score(kPatternCount);
        for (int m = 0; m < kPatternCount; ++m) {
            double y = 0.0;
            double E = 1.1754943508222875e-38;
            for (int n = 0; n < kN; ++n) {
                y = y * dBeta + patterns[m][n];
                E = E + y * y;
            }
            double R = 0.0;
            for (int i = 0; i < kPulses; ++i) {
                R += patterns[m][nPhase + 8 * i] * d[nPhase + 8 * i];
            }
            score[m] = R * R / E;
        }
        std::int32_t anGot[kPreselectedPatterns];
        PreselectCandidates(patterns, nPhase, d.data(), dBeta, anGot);
        ASSERT_EQ(std::vector<std::int32_t>(anGot, anGot + kPreselectedPatterns),
                  ReferencePasses(score, kPreselectedPatterns))
            << "trial " << nTrial;
    }
}

} // namespace
} // namespace veltrane
