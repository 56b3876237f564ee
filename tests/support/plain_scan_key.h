// Key generation as the algorithm reads in words: draw a number, scan every
// cell of the table for it, draw again on a match. The reference that the
// generator's constant-time membership test must match draw for draw.
#pragma once

#include "core/key_generator.h"

namespace morvane::testing {

inline void GenerateKeyByPlainScan(RandomSource& random, KeyTable& table)
{
    table.Clear();
    for (int row = 1; row <= kKeyRows; ++row) {
        for (int column = 1; column <= kKeyColumns; ++column) {
            for (;;) {
                const auto v = static_cast<std::uint16_t>(random.RandomBelow(kCodeChoices) + kLowestCode);
                bool taken = false;
                for (const KeyRow& r : table.rows)
                    for (const std::uint16_t cell : r)
                        taken |= cell == v;
                if (!taken) {
                    table.cell(row, column) = v;
                    break;
                }
            }
        }
    }
}

} // namespace morvane::testing
