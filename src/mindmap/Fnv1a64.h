#pragma once

#include <QtGlobal>

namespace kestrion {

// A running 64-bit FNV-1a hash: each byte b makes hash = (hash XOR b) × prime, modulo 2^64.
class Fnv1a64 {
public:
    static constexpr quint64 offsetBasis = 14695981039346656037ULL;
    static constexpr quint64 prime = 1099511628211ULL;

    constexpr void feedByte(quint8 byte) { m_hash = (m_hash ^ byte) * prime; }
    constexpr void feedBytes(const quint8* bytes, qsizetype count)
    {
        for (qsizetype i = 0; i < count; ++i)
            feedByte(bytes[i]);
    }
    // The value's 8 bytes, least significant first.
    constexpr void mix(quint64 value)
    {
        for (int i = 0; i < 8; ++i)
            feedByte(static_cast<quint8>(value >> (8 * i)));
    }

    constexpr quint64 value() const { return m_hash; }

private:
    quint64 m_hash = offsetBasis;
};

} // namespace kestrion
