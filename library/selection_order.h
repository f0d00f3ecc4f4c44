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
    // Spreads laid out by the photos' shapes take two rows each, the left
    // page's and the right page's; a picture across the whole spread is the
    // first row's only cell, and the second row is empty.
    bool across = false;
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

// For spreads laid out by the photos' shapes, which choose their pictures
// before they place them. The next picture in the configured order, without
// writing the history; -1 when the list is empty.
int32_t TakeNextInOrder();
// The picture's file, for a number taken earlier (empty when the list has
// shrunk below it since).
PictureChoice ChoiceFor(int32_t picture);
// Records one page of a shaped spread in the history, or steps over it while
// replaying, as PageDone does.
void RecordShapedPage(const std::vector<int32_t>& pictures, bool across);
// "Prev": the picture shown last, for a later run.
void SavePrevious(int32_t n);
int32_t LoadPrevious();
