// SHA-256 and Base64 that run at compile time: a page's Content-Security-Policy names its
// own style and script by hash, and a browser drops either one silently when its hash is
// off by a single byte, so the hashes are computed from the very bytes that are written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sha256
{
using Digest = std::array<uint8_t, 32>;

constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
    0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
    0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
    0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
    0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
    0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
    0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};

constexpr uint32_t Rotr(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

/// The message padded as the standard asks: a 1 bit, zeros, and the length in bits as a
/// big-endian 64-bit number, to a whole number of 64-byte blocks.
constexpr uint8_t PaddedByte(std::string_view text, size_t nPadded, size_t nPos)
{
    if (nPos < text.size())
        return static_cast<uint8_t>(text[nPos]);
    if (nPos == text.size())
        return 0x80;
    if (nPos + 8 < nPadded)
        return 0;
    const uint64_t nBits = static_cast<uint64_t>(text.size()) * 8;
    return static_cast<uint8_t>(nBits >> (8 * (nPadded - 1 - nPos)));
}

constexpr Digest Hash(std::string_view text)
{
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const size_t nPadded = ((text.size() + 8) / 64 + 1) * 64;
    for (size_t nBlock = 0; nBlock < nPadded; nBlock += 64)
    {
        uint32_t w[64] = {};
        for (size_t i = 0; i < 64; ++i)
            w[i / 4] |= static_cast<uint32_t>(PaddedByte(text, nPadded, nBlock + i))
                        << (24 - 8 * (i % 4));
        for (size_t i = 16; i < 64; ++i)
        {
            const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6],
                 k = h[7];
        for (size_t i = 0; i < 64; ++i)
        {
            const uint32_t t1 = k + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) +
                                ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const uint32_t t2 =
                (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            k = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        const uint32_t add[8] = {a, b, c, d, e, f, g, k};
        for (size_t i = 0; i < 8; ++i)
            h[i] += add[i];
    }
    Digest digest{};
    for (size_t i = 0; i < 32; ++i)
        digest[i] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

/// Base64 (RFC 4648, with padding) of a digest: 44 characters, the form CSP asks for.
constexpr std::array<char, 44> Base64(const Digest& digest)
{
    constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::array<char, 44> out{};
    size_t o = 0;
    for (size_t i = 0; i < digest.size(); i += 3)
    {
        const uint32_t n = static_cast<uint32_t>(digest[i]) << 16 |
                           (i + 1 < digest.size() ? digest[i + 1] << 8 : 0) |
                           (i + 2 < digest.size() ? digest[i + 2] : 0);
        out[o++] = kAlphabet[n >> 18 & 63];
        out[o++] = kAlphabet[n >> 12 & 63];
        out[o++] = i + 1 < digest.size() ? kAlphabet[n >> 6 & 63] : '=';
        out[o++] = i + 2 < digest.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}
} // namespace sha256
