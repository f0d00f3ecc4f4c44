#pragma once
// Which picture comes next (sequential, reverse or shuffled), the ring of the
// last 101 pages for stepping back, and the last picture across runs ("Prev").
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

constexpr int kHistoryRows = 101;
constexpr int kHistoryCells = 25;

struct THistoryRow {
    int32_t cells[kHistoryCells] = {};
    int32_t count = 0;
};

struct TSelection {
    int32_t current = -1;           // picture chosen last; -1 before the first
    std::vector<int32_t> shuffle;   // permutation used by the random order
    int32_t shuffleSize = 0;
    int32_t shufflePos = -1;
    int32_t cellIndex = 0;          // photo of the page being chosen, set by page composition
    THistoryRow rows[kHistoryRows];
    // Moved by the show's main thread while the render thread composes pages.
    std::atomic<int32_t> writePos{0};
    std::atomic<int32_t> readPos{0};
    std::atomic<bool> full{false};
    std::atomic<bool> replay{false};
};

extern TSelection Selection;

// Serialises the choice of a picture (and changes of the list during a show).
std::mutex& PictureListLock();

struct PictureChoice {
    int32_t number = 0;
    std::string path;  // empty when the list has no pictures
};

// At the start of every show.
void ResetSelection();
// Frees the shuffle when the show ends.
void FreeShuffle();
// Photos of the next page: the replayed page's count, or PhotosPerPage.
int32_t PhotosForNextPage();
// The next picture for the current cell in the configured order.
PictureChoice NextPicture();
// Advances the history after a page of `photos` photos was composed.
void PageDone(int32_t photos);
// "Prev": the picture shown last, for a later run.
void SavePrevious(int32_t n);
int32_t LoadPrevious();
