// The window's tables of the inventory: 17 text slots numbered 0 to 16. Slot 0 exists and stays
// empty; contents live in slots 1 to 16.
#pragma once

#include <array>
#include <string>

namespace quillset {

inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 16;
inline constexpr int kSlotCount = kLastSlot + 1;

// Names of installed SQL Server instances, from slot 1 on, in registry order.
using InstanceList = std::array<std::string, kSlotCount>;
// Slot i holds the decimal text of i when MSDE package i is installed, else "".
using PackageList = std::array<std::string, kSlotCount>;
// The sixteen MSDE 2000 product codes in slots 1 to 16.
using ProductCodeTable = std::array<std::string, kSlotCount>;

}  // namespace quillset
