#pragma once
#include <cstdint>

// One MT19937 generator for the whole process, seeded once at library
// start-up from the tick count. A draw is a 32-bit output times 2^-32, so it
// is uniform in [0, 1).
void SeedRandom(uint32_t seed);
double RandomUnit();
uint32_t RandomBits();
