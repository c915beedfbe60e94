#pragma once
#include <cstddef>
#include <cstdint>

// Code page 932 -> Unicode as Windows maps it (MultiByteToWideChar(932)),
// generated into Cp932Table.cpp by scripts/make-cp932-table.py. Every value is
// a BMP code point; kCp932Undefined marks a byte or pair that Windows refuses
// (with MB_ERR_INVALID_CHARS).
inline constexpr std::uint16_t kCp932Undefined = 0xFFFF;

// Lead bytes 81-9F and E0-FC, second bytes 40-FC (7F among them, undefined).
inline constexpr std::size_t kCp932LeadCount = 60;
inline constexpr std::size_t kCp932TrailCount = 0xFC - 0x40 + 1;
inline constexpr unsigned kCp932FirstTrail = 0x40;

// Single bytes; kCp932Undefined for the lead bytes.
extern const std::uint16_t kCp932SingleByte[256];
extern const std::uint16_t kCp932DoubleByte[kCp932LeadCount][kCp932TrailCount];

constexpr bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr std::size_t Cp932LeadIndex(unsigned char lead) { return lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u; }

// The character of a lead byte and any second byte; kCp932Undefined when the
// pair is not defined.
inline std::uint16_t Cp932Pair(unsigned char lead, unsigned char trail) {
    if (trail < kCp932FirstTrail || trail - kCp932FirstTrail >= kCp932TrailCount) return kCp932Undefined;
    return kCp932DoubleByte[Cp932LeadIndex(lead)][trail - kCp932FirstTrail];
}
