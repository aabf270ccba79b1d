// The FFT routines against a direct DFT, and their tables.
#include "FFTRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {

using Spectrum = std::vector<std::complex<double>>;

// The direct DFT at every bin, or at every `binStep`-th bin of larger transforms.
Spectrum naiveDft(const std::vector<float>& interleaved, std::size_t binStep = 1)
{
    const std::size_t n = interleaved.size() / 2;
    Spectrum out(n);
    for (std::size_t k = 0; k < n; k += binStep)
        for (std::size_t j = 0; j < n; ++j) {
            const double angle = -2.0 * M_PI * double((j * k) % n) / double(n);
            out[k] += std::complex<double>(interleaved[2 * j], interleaved[2 * j + 1]) * std::polar(1.0, angle);
        }
    return out;
}

std::vector<float> randomSignal(std::size_t floats, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> values(floats);
    for (float& v : values)
        v = uniform(random);
    return values;
}

// Largest difference relative to the size of the spectrum (the errors grow with it), at
// every `binStep`-th bin.
double relativeError(const std::vector<float>& interleaved, const Spectrum& expected, std::size_t binStep = 1)
{
    double worst = 0.0, scale = 1e-12;
    for (std::size_t k = 0; k < expected.size(); k += binStep) {
        const std::complex<double> got(interleaved[2 * k], interleaved[2 * k + 1]);
        worst = std::max(worst, std::abs(got - expected[k]));
        scale = std::max(scale, std::abs(expected[k]));
    }
    return worst / scale;
}

} // namespace

TEST(FFT, BitReversalTablesReverseTheLowHalfOfTheBits)
{
    std::vector<std::uint16_t> table(fftBitReversalTableSize(8));
    fftBitReversalTable(8, table.data());
    EXPECT_EQ(table, (std::vector<std::uint16_t>{0, 4, 2, 6, 1, 5, 3, 7}));
    EXPECT_EQ(fftBitReversalTableSize(13), 32u);
    EXPECT_EQ(fftBitReversalTableSize(1), 0u);

    FFTTables tables;
    ASSERT_TRUE(fftSetup(tables, 12));
    EXPECT_EQ(tables.cosines.size(), 1025u);
    EXPECT_EQ(tables.cosines.front(), 1.0f);
    EXPECT_EQ(tables.cosines.back(), 0.0f);
    EXPECT_NEAR(tables.cosines[512], std::sqrt(0.5), 1e-7);
    EXPECT_EQ(tables.complexBitReversal.size(), 32u);
    EXPECT_EQ(tables.realBitReversal.size(), 16u);
    fftFree(tables);
    EXPECT_TRUE(tables.cosines.empty());
    EXPECT_FALSE(fftSetup(tables, -1));
    EXPECT_FALSE(fftSetup(tables, 40));
}

TEST(FFT, ComplexForwardMatchesADirectDftAtEverySize)
{
    for (int M = 0; M <= 14; ++M) {
        const std::size_t N = std::size_t(1) << M;
        FFTTables tables;
        ASSERT_TRUE(fftSetup(tables, M));
        std::vector<float> data = randomSignal(2 * N, unsigned(M));
        const std::size_t binStep = std::max<std::size_t>(1, N / 256) + (N > 256 ? 1 : 0); // every bin up to 256
        const Spectrum expected = naiveDft(data, binStep);
        ASSERT_TRUE(fftComplexForward(tables, data.data(), N));
        EXPECT_LT(relativeError(data, expected, binStep), 2e-5) << "N = " << N;
    }
}

TEST(FFT, SmallKnownTransforms)
{
    FFTTables tables;
    for (int M : {0, 2, 3, 5, 12}) {
        const std::size_t N = std::size_t(1) << M;
        ASSERT_TRUE(fftSetup(tables, M));
        std::vector<float> impulse(2 * N, 0.0f);
        impulse[0] = 1.0f;
        ASSERT_TRUE(fftComplexForward(tables, impulse.data(), N));
        for (std::size_t k = 0; k < N; ++k) {
            EXPECT_NEAR(impulse[2 * k], 1.0f, 1e-6) << "N = " << N << ", k = " << k;
            EXPECT_NEAR(impulse[2 * k + 1], 0.0f, 1e-6);
        }
    }
    ASSERT_TRUE(fftSetup(tables, 2));
    std::vector<float> points = {0, 0, 1, 0, 0, 0, 0, 0};
    ASSERT_TRUE(fftComplexForward(tables, points.data(), 4));
    const std::vector<float> expected = {1, 0, 0, -1, -1, 0, 0, 1};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(points[i], expected[i], 1e-6) << i;

    ASSERT_TRUE(fftSetup(tables, 1));
    std::vector<float> pair = {3.0f, 5.0f};
    ASSERT_TRUE(fftRealForward(tables, pair.data(), 2));
    EXPECT_EQ(pair, (std::vector<float>{8.0f, -2.0f}));
    ASSERT_TRUE(fftRealInverse(tables, pair.data(), 2));
    EXPECT_EQ(pair, (std::vector<float>{3.0f, 5.0f}));
}

TEST(FFT, RealForwardGivesThePackedSpectrumAndTheInverseUndoesIt)
{
    for (int M = 1; M <= 14; ++M) {
        const std::size_t N = std::size_t(1) << M;
        FFTTables tables;
        ASSERT_TRUE(fftSetup(tables, M));
        const std::vector<float> signal = randomSignal(N, 100u + unsigned(M));
        std::vector<float> asComplex(2 * N, 0.0f);
        for (std::size_t i = 0; i < N; ++i)
            asComplex[2 * i] = signal[i];
        const std::size_t binStep = std::max<std::size_t>(1, N / 512) + (N > 512 ? 1 : 0);
        const Spectrum full = naiveDft(asComplex, binStep);

        std::vector<float> data = signal;
        ASSERT_TRUE(fftRealForward(tables, data.data(), N));
        // Packed: X[0] and X[N/2] first, then X[1] .. X[N/2 - 1].
        std::vector<float> unpacked(N, 0.0f);
        Spectrum expected(N / 2);
        unpacked[0] = data[0];
        expected[0] = full[0];
        for (std::size_t k = binStep; k < N / 2; k += binStep) {
            unpacked[2 * k] = data[2 * k];
            unpacked[2 * k + 1] = data[2 * k + 1];
            expected[k] = full[k];
        }
        EXPECT_LT(relativeError(unpacked, expected, binStep), 2e-5) << "N = " << N;
        double nyquist = 0.0; // X[N/2] = sum of (-1)^n x[n]
        for (std::size_t i = 0; i < N; ++i)
            nyquist += (i % 2 ? -1.0 : 1.0) * signal[i];
        EXPECT_NEAR(data[1], nyquist, 1e-4 * std::sqrt(double(N))) << "N = " << N;

        ASSERT_TRUE(fftRealInverse(tables, data.data(), N));
        double worst = 0.0;
        for (std::size_t i = 0; i < N; ++i)
            worst = std::max(worst, double(std::fabs(data[i] - signal[i])));
        EXPECT_LT(worst, 1e-5) << "N = " << N;
    }
}

TEST(FFT, RefusesSizesTheTablesWereNotMadeFor)
{
    FFTTables tables;
    ASSERT_TRUE(fftSetup(tables, 4));
    std::vector<float> data(64, 1.0f);
    EXPECT_FALSE(fftComplexForward(tables, data.data(), 32));
    EXPECT_FALSE(fftComplexForward(tables, data.data(), 12));
    EXPECT_FALSE(fftRealForward(tables, data.data(), 8));
    EXPECT_FALSE(fftComplexForward(tables, nullptr, 16));
    EXPECT_EQ(data[0], 1.0f);
}
