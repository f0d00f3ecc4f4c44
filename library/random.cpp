#include "library/random.h"

#include <mutex>
#include <random>

namespace {
std::mt19937& Generator() {
    static std::mt19937 gen(5489u);
    return gen;
}
std::mutex& GeneratorLock() {
    static std::mutex m;
    return m;
}
}  // namespace

void SeedRandom(uint32_t seed) {
    std::lock_guard<std::mutex> lock(GeneratorLock());
    Generator().seed(seed);
}

uint32_t RandomBits() {
    std::lock_guard<std::mutex> lock(GeneratorLock());
    return static_cast<uint32_t>(Generator()());
}

double RandomUnit() { return RandomBits() * (1.0 / 4294967296.0); }
