// Key generation as the algorithm reads in words: draw a number, scan every
// cell of the table for it, draw again on a match. The reference that the
// generator's constant-time membership test must match draw for draw.
#pragma once

#include "core/key_generator.h"

#include <algorithm>

namespace morvane::testing {

inline void GenerateKeyByPlainScan(RandomSource& random, KeyTable& table)
{
    table.Clear();
    for (int cell = 0; cell < kKeyCells; ++cell) {
        std::uint16_t v;
        do
            v = static_cast<std::uint16_t>(random.RandomBelow(kCodeChoices) + kLowestCode);
        while (std::any_of(table.rows.begin(), table.rows.end(),
                           [v](const KeyRow& r) { return std::find(r.begin(), r.end(), v) != r.end(); }));
        table.rows[cell / kKeyColumns][cell % kKeyColumns] = v;
    }
}

} // namespace morvane::testing
