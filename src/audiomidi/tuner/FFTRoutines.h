#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// In-place single-precision FFTs on power-of-two sizes with precomputed tables: radix-2,
// radix-4 and radix-8 butterflies after a bit-reversal pass, and sizes above 2^11 points
// split recursively into eight sub-transforms so that each stage's working set stays small.
//
// Complex data is interleaved (real, imaginary) floats. The real transforms use the packed
// spectrum: float 0 = X[0], float 1 = X[N/2] (both real), then X[1] .. X[N/2 - 1].
// Transforms allocate nothing and may run on the render thread.

// Tables for transforms of 2^M points.
struct FFTTables {
    std::vector<float> cosines;                     // 2^M/4 + 1: cos(2 pi i / 2^M), last entry 0
    std::vector<std::uint16_t> realBitReversal;     // fftBitReversalTable for M - 1
    std::vector<std::uint16_t> complexBitReversal;  // fftBitReversalTable for M
};

constexpr int kFFTMaxExponent = 24;

// Fills the tables for transforms of 2^M points; false (tables left empty) for M outside
// 0 .. kFFTMaxExponent.
bool fftSetup(FFTTables& tables, int M);
// Frees the three tables (not the record).
void fftFree(FFTTables& tables);
// Entries in the bit-reversal table for M: 2^(M/2 - 1), or none when that is below one.
std::size_t fftBitReversalTableSize(int M);
// table[i] = i with its M/2 - 1 low bits reversed, for every entry.
void fftBitReversalTable(int M, std::uint16_t* table);

// X[k] = sum over n of x[n] e^(-2 pi i n k / N), N complex points in place, natural order
// in and out, unscaled. False, data untouched, unless N is a power of two and the tables
// were set up for log2 N.
bool fftComplexForward(const FFTTables& tables, float* data, std::size_t N);
// N real samples (N >= 2) to the packed spectrum, unscaled; tables set up for log2 N.
bool fftRealForward(const FFTTables& tables, float* data, std::size_t N);
// The packed spectrum back to N real samples, scaled by 1/N (the inverse of fftRealForward).
bool fftRealInverse(const FFTTables& tables, float* data, std::size_t N);
