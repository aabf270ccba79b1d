#include "FFTRoutines.h"

#include <bit>
#include <cmath>
#include <complex>
#include <utility>

namespace {

using Complex = std::complex<float>;

// Plain products, without the library's checks for infinite parts.
inline Complex times(Complex a, Complex b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// Times e^(-i pi/2) = -i going forward, times +i going backward.
template <bool Inverse>
inline Complex quarterTurn(Complex a)
{
    return Inverse ? Complex(-a.imag(), a.real()) : Complex(a.imag(), -a.real());
}

// e^(-2 pi i index / size) (conjugated going backward), from the quarter-wave cosine
// table of a transform of `size` points.
class Twiddles {
public:
    explicit Twiddles(const std::vector<float>& cosines) : table_(cosines.data()), quarter_(cosines.size() - 1) {}

    std::size_t size() const { return 4 * quarter_; }

    template <bool Inverse>
    Complex at(std::size_t index) const
    {
        index &= size() - 1;
        const std::size_t offset = index % quarter_;
        const float cosine = table_[offset];          // of the angle within its quadrant
        const float sine = table_[quarter_ - offset];
        float c = 0.0f;
        float s = 0.0f;
        switch (index / quarter_) {
        case 0: c = cosine, s = sine; break;
        case 1: c = -sine, s = cosine; break;
        case 2: c = -cosine, s = -sine; break;
        default: c = sine, s = -cosine; break;
        }
        return Inverse ? Complex(c, s) : Complex(c, -s);
    }

private:
    const float* table_;
    std::size_t quarter_;
};

// The small transforms, on points in natural order: the written-out transforms of 2, 4 and
// 8 points and the cores of the radix-2, radix-4 and radix-8 butterflies.
template <int Radix, bool Inverse>
void smallTransform(Complex* y)
{
    if constexpr (Radix == 2) {
        const Complex a = y[0];
        y[0] = a + y[1];
        y[1] = a - y[1];
    } else if constexpr (Radix == 4) {
        const Complex even0 = y[0] + y[2];
        const Complex even1 = y[0] - y[2];
        const Complex odd0 = y[1] + y[3];
        const Complex odd1 = quarterTurn<Inverse>(y[1] - y[3]);
        y[0] = even0 + odd0;
        y[1] = even1 + odd1;
        y[2] = even0 - odd0;
        y[3] = even1 - odd1;
    } else {
        static_assert(Radix == 8);
        Complex even[4] = {y[0], y[2], y[4], y[6]};
        Complex odd[4] = {y[1], y[3], y[5], y[7]};
        smallTransform<4, Inverse>(even);
        smallTransform<4, Inverse>(odd);
        constexpr float h = 0.70710678118654752f;
        odd[1] = times(odd[1], Inverse ? Complex(h, h) : Complex(h, -h));
        odd[2] = quarterTurn<Inverse>(odd[2]);
        odd[3] = times(odd[3], Inverse ? Complex(-h, h) : Complex(-h, -h));
        for (int q = 0; q < 4; ++q) {
            y[q] = even[q] + odd[q];
            y[q + 4] = even[q] - odd[q];
        }
    }
}

// After the bit-reversal pass, the sub-transform of the samples with residue r modulo
// Radix sits in run (r with its log2(Radix) bits reversed) of each group of Radix runs.
template <int Radix>
constexpr std::size_t runOfResidue(int r)
{
    constexpr int kReversed3[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return std::size_t(kReversed3[r] / (8 / Radix));
}

// One butterfly stage: groups of Radix transformed runs of `span` points each become
// transforms of Radix x span points.
template <int Radix, bool Inverse>
void butterflyStage(Complex* data, std::size_t count, std::size_t span, const Twiddles& twiddles)
{
    const std::size_t stride = twiddles.size() / (Radix * span);
    for (std::size_t group = 0; group < count; group += Radix * span) {
        Complex* runs = data + group;
        for (std::size_t k = 0; k < span; ++k) {
            Complex y[Radix];
            for (int r = 0; r < Radix; ++r) {
                const Complex point = runs[runOfResidue<Radix>(r) * span + k];
                y[r] = (r == 0 || k == 0) ? point : times(point, twiddles.at<Inverse>(std::size_t(r) * k * stride));
            }
            smallTransform<Radix, Inverse>(y);
            for (int q = 0; q < Radix; ++q)
                runs[std::size_t(q) * span + k] = y[q];
        }
    }
}

// Above this many points the radix-8 stages split the block into eight, so that each
// stage works within a block of at most this size.
constexpr std::size_t kLargestBlock = std::size_t(1) << 11;

template <bool Inverse>
void radix8Stages(Complex* data, std::size_t count, std::size_t span, int stages, const Twiddles& twiddles)
{
    if (stages <= 0)
        return;
    if (count > kLargestBlock) {
        const std::size_t part = count / 8;
        for (std::size_t j = 0; j < 8; ++j)
            radix8Stages<Inverse>(data + j * part, part, span, stages - 1, twiddles);
        butterflyStage<8, Inverse>(data, count, part, twiddles);
        return;
    }
    for (int stage = 0; stage < stages; ++stage, span *= 8)
        butterflyStage<8, Inverse>(data, count, span, twiddles);
}

std::size_t reverseLowBits(std::size_t value, int bits)
{
    std::size_t reversed = 0;
    for (int b = 0; b < bits; ++b)
        reversed |= ((value >> b) & 1u) << (bits - 1 - b);
    return reversed;
}

// i with its `bits` bits reversed: the table reverses the low and the high M/2 - 1 bits,
// the two or three bits between them are reversed directly.
std::size_t reverseIndex(std::size_t i, int bits, const std::uint16_t* table)
{
    const int outer = bits / 2 - 1;
    const int middle = bits - 2 * outer;
    const std::size_t high = i >> (bits - outer);
    const std::size_t centre = (i >> outer) & ((std::size_t(1) << middle) - 1);
    const std::size_t low = i & ((std::size_t(1) << outer) - 1);
    return (std::size_t(table[low]) << (bits - outer)) | (reverseLowBits(centre, middle) << outer) | table[high];
}

// The first radix-2 butterflies (between the two halves of the data, scaled) and the
// bit-reversal permutation that puts their results in place.
void bitReversalWithFirstRadix2(Complex* data, int bits, const std::uint16_t* table, float scale)
{
    const std::size_t count = std::size_t(1) << bits;
    const std::size_t half = count / 2;
    for (std::size_t i = 0; i < half; ++i) {
        const Complex a = data[i];
        const Complex b = data[i + half];
        data[i] = (a + b) * scale;
        data[i + half] = (a - b) * scale;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t j = reverseIndex(i, bits, table);
        if (i < j)
            std::swap(data[i], data[j]);
    }
}

// The complex transform of 2^bits points, scaled.
template <bool Inverse>
void complexTransform(Complex* data, int bits, const std::uint16_t* bitReversal, const Twiddles& twiddles, float scale)
{
    if (bits <= 3) {
        switch (bits) {
        case 1: smallTransform<2, Inverse>(data); break;
        case 2: smallTransform<4, Inverse>(data); break;
        case 3: smallTransform<8, Inverse>(data); break;
        default: break;
        }
        if (scale != 1.0f)
            for (std::size_t i = 0; i < (std::size_t(1) << bits); ++i)
                data[i] *= scale;
        return;
    }
    const std::size_t count = std::size_t(1) << bits;
    bitReversalWithFirstRadix2(data, bits, bitReversal, scale);
    std::size_t span = 2;
    switch ((bits - 1) % 3) {
    case 1:
        butterflyStage<2, Inverse>(data, count, 2, twiddles);
        span = 4;
        break;
    case 2:
        butterflyStage<4, Inverse>(data, count, 2, twiddles);
        span = 8;
        break;
    default: break;
    }
    radix8Stages<Inverse>(data, count, span, (bits - 1) / 3, twiddles);
}

int exponentOf(std::size_t N)
{
    return std::has_single_bit(N) ? std::countr_zero(N) : -1;
}

bool tablesFit(const FFTTables& tables, int M)
{
    return M >= 0 && M <= kFFTMaxExponent && tables.cosines.size() == (std::size_t(1) << M) / 4 + 1
           && tables.complexBitReversal.size() == fftBitReversalTableSize(M)
           && tables.realBitReversal.size() == fftBitReversalTableSize(M - 1);
}

// Bins k and half - k of a half-size complex spectrum taken together: going forward from
// the transform of the sample pairs to the real signal's spectrum, going backward the
// other way (times two).
template <bool Inverse>
void pairHalfSpectrum(Complex* z, std::size_t half, const Twiddles& twiddles)
{
    for (std::size_t k = 1; k <= half / 2; ++k) {
        const Complex a = z[k];
        const Complex b = std::conj(z[half - k]);
        const Complex even = a + b;
        const Complex odd = quarterTurn<Inverse>(times(a - b, twiddles.at<Inverse>(k)));
        z[k] = even + odd;
        z[half - k] = std::conj(even - odd);
    }
}

Complex* asComplex(float* data)
{
    return reinterpret_cast<Complex*>(data); // interleaved pairs, as std::complex allows
}

// Bins 0 and N/2 (both real) share the first pair, as (X[0] + X[N/2], X[0] - X[N/2]) in
// the half-size spectrum (times two going forward) and as (X[0], X[N/2]) in the real one.
template <bool Inverse>
void pairFirstBins(Complex* z)
{
    const float scale = Inverse ? 1.0f : 2.0f;
    z[0] = Complex(scale * (z[0].real() + z[0].imag()), scale * (z[0].real() - z[0].imag()));
}

// The real transforms: going forward, the even and odd samples as one half-size complex
// signal, transformed at half scale, then parted into their own spectra and joined into
// the real one; going backward the mirror, at the scale that undoes the forward transform.
template <bool Inverse>
bool realTransform(const FFTTables& tables, float* data, std::size_t N)
{
    const int M = exponentOf(N);
    if (!data || M < 1 || !tablesFit(tables, M))
        return false;
    const Twiddles twiddles(tables.cosines);
    const std::uint16_t* bitReversal = tables.realBitReversal.data();
    Complex* z = asComplex(data);
    if constexpr (!Inverse)
        complexTransform<false>(z, M - 1, bitReversal, twiddles, 0.5f);
    pairFirstBins<Inverse>(z);
    pairHalfSpectrum<Inverse>(z, N / 2, twiddles);
    if constexpr (Inverse)
        complexTransform<true>(z, M - 1, bitReversal, twiddles, 1.0f / float(N));
    return true;
}

} // namespace

std::size_t fftBitReversalTableSize(int M)
{
    const int bits = M / 2 - 1;
    return bits >= 0 ? std::size_t(1) << bits : 0;
}

void fftBitReversalTable(int M, std::uint16_t* table)
{
    const int bits = M / 2 - 1;
    const std::size_t size = fftBitReversalTableSize(M);
    for (std::size_t i = 0; i < size; ++i)
        table[i] = std::uint16_t(reverseLowBits(i, bits));
}

bool fftSetup(FFTTables& tables, int M)
{
    fftFree(tables);
    if (M < 0 || M > kFFTMaxExponent)
        return false;
    const std::size_t N = std::size_t(1) << M;
    const std::size_t quarter = N / 4;
    tables.cosines.assign(quarter + 1, 0.0f);
    tables.cosines[0] = 1.0f;
    for (std::size_t i = 1; i < quarter; ++i)
        tables.cosines[i] = float(std::cos(2.0 * M_PI * double(float(i)) / double(float(N))));
    tables.realBitReversal.resize(fftBitReversalTableSize(M - 1));
    fftBitReversalTable(M - 1, tables.realBitReversal.data());
    tables.complexBitReversal.resize(fftBitReversalTableSize(M));
    fftBitReversalTable(M, tables.complexBitReversal.data());
    return true;
}

void fftFree(FFTTables& tables)
{
    tables.cosines = {};
    tables.realBitReversal = {};
    tables.complexBitReversal = {};
}

bool fftComplexForward(const FFTTables& tables, float* data, std::size_t N)
{
    const int M = exponentOf(N);
    if (!data || !tablesFit(tables, M))
        return false;
    complexTransform<false>(asComplex(data), M, tables.complexBitReversal.data(), Twiddles(tables.cosines), 1.0f);
    return true;
}

bool fftRealForward(const FFTTables& tables, float* data, std::size_t N)
{
    return realTransform<false>(tables, data, N);
}

bool fftRealInverse(const FFTTables& tables, float* data, std::size_t N)
{
    return realTransform<true>(tables, data, N);
}
