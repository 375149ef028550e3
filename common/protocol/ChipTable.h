// SPDX-License-Identifier: MIT
// The flash chips we know by their autoselect codes: the simulator puts them in its socket, the
// bus log names them from the codes a run reads. Codes as the chips give them in autoselect
// mode (16-bit chips in word mode).
#ifndef LPTFLASH_PROTOCOL_CHIPTABLE_H
#define LPTFLASH_PROTOCOL_CHIPTABLE_H

#include <array>
#include <cstdint>

namespace protocol {

struct ChipType {
    const char* name;
    unsigned busWidth;  // 16: word-wide, one word per address; 8: one byte per address
    std::uint16_t manufacturer;
    std::uint16_t device;
    bool hasExtendedCodes;  // codes at autoselect addresses 14 and 15
    std::uint16_t extended14;
    std::uint16_t extended15;
    std::uint32_t sizeBytes;
    std::uint32_t eraseMs;       // chip erase time, typical
    std::uint32_t eraseMaxMs;    // chip erase time, maximum: a poller gives up after it
    std::uint32_t programUs;     // byte (word) program time, typical
    std::uint32_t programMaxUs;  // byte (word) program time, maximum
};

namespace chipsize {
constexpr std::uint32_t MiB = 1024 * 1024;
constexpr std::uint32_t KiB = 1024;
}  // namespace chipsize

// Typical erase times: the 8-bit chips use the typical chip erase of their family's datasheet
// (11 s); the 16-bit chips 0.5 s per sector times 128 sectors, as their family's datasheets give
// it. Program times and maxima: the Am29LV040B datasheet gives 9 us typical and 300 us maximum
// per byte and no chip erase maximum, so its 8 sectors times the 15 s sector erase maximum stand
// for one (120 s); the other 8-bit chips' sheets were not found, and the same figures stand for
// them. The 16-bit family's sheets give about 11 us per word (MX29GL128E, a sibling); where no
// maximum was found, the bound is conservative: 600 us per word, 300 s per chip erase.
// iolib/trace/CMakeLists.txt reads each row's first line, name to code 15, for the sigrok decoder.
inline constexpr std::array<ChipType, 5> chipTable = {{
    {"S29GL128P", 16, 0x0001, 0x227E, true, 0x2221, 0x2201, 16 * chipsize::MiB, 64000, 300000, 11,
     600},
    {"MX29GL128F", 16, 0x00C2, 0x227E, true, 0x2221, 0x2201, 16 * chipsize::MiB, 64000, 300000, 11,
     600},
    {"Am29LV040B", 8, 0x01, 0x4F, false, 0, 0, 512 * chipsize::KiB, 11000, 120000, 9, 300},
    {"Am29F040B", 8, 0x01, 0xA4, false, 0, 0, 512 * chipsize::KiB, 11000, 120000, 9, 300},
    {"MX29F040", 8, 0xC2, 0xA4, false, 0, 0, 512 * chipsize::KiB, 11000, 120000, 9, 300},
}};

}  // namespace protocol

#endif
