#include "library/selection_order.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "library/picture_list.h"
#include "library/random_pick.h"
#include "library/registry.h"
#include "library/settings.h"
#include "show/stop_request.h"

namespace {
constexpr int32_t kOrderSequential = 1;
constexpr int32_t kOrderRandom = 2;
constexpr int32_t kOrderReverse = 4;
constexpr int32_t kHoldBackLimit = 20;
constexpr uint32_t kErrorNotEnoughMemory = 8;

int32_t NextRow(int32_t row) { return row >= kHistoryRows - 1 ? 0 : row + 1; }

int32_t ShuffleStep(int32_t n) {
    TSelection& s = Selection;
    if (s.shuffleSize == 0 || n > s.shuffleSize) {
        s.shuffleSize = n;
        try {
            s.shuffle.assign(static_cast<size_t>(n), 0);
        } catch (const std::bad_alloc&) {
            throw std::runtime_error("error alloc memory for PicShowed, Size=" + std::to_string(n) + ", " +
                                     std::to_string(kErrorNotEnoughMemory));
        }
        for (int32_t i = 0; i < n; ++i) s.shuffle[static_cast<size_t>(i)] = i;
        s.shufflePos = -1;
    }
    if (s.shufflePos >= n - 1) s.shufflePos = -1;
    const int32_t p = ++s.shufflePos;
    // The window's end keeps the last pictures of the previous cycle (the
    // positions at the end of the array) out of reach for the first picks.
    int32_t e;
    if (p > kHoldBackLimit) {
        e = n;
    } else {
        const int32_t k = n / 3;
        e = k > kHoldBackLimit ? n - kHoldBackLimit + p : std::min(n - k + p, n);
    }
    const int32_t j = RandomInWindow(p, e);
    std::swap(s.shuffle[static_cast<size_t>(j)], s.shuffle[static_cast<size_t>(p)]);
    return s.shuffle[static_cast<size_t>(p)];
}

int32_t ChooseByOrder(int32_t n) {
    const int32_t current = Selection.current;
    switch (Settings.OrderMode) {
        case kOrderSequential: return (current < 0 || current + 1 >= n) ? 0 : current + 1;
        case kOrderReverse: return current <= 0 ? n - 1 : current - 1;
        case kOrderRandom: return ShuffleStep(n);
        default: return 0;
    }
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}
}  // namespace

TSelection Selection;

std::mutex& PictureListLock() {
    static std::mutex lock;
    return lock;
}

void FreeShuffle() {
    Selection.shuffle.clear();
    Selection.shuffle.shrink_to_fit();
    Selection.shuffleSize = 0;
    Selection.shufflePos = -1;
}

void ResetSelection() {
    Selection.current = -1;
    FreeShuffle();
    Selection.writePos = 0;
    Selection.readPos = 0;
    Selection.full = false;
    Selection.replay = false;
}

int32_t PhotosForNextPage() {
    if (Selection.replay) return Selection.rows[Selection.readPos].count;
    return Settings.PhotosPerPage;
}

namespace {
// "Start from random" and "Start from previous", before the first picture.
void ApplyStartOption() {
    TSelection& s = Selection;
    if (s.current == -1 && Settings.OrderMode != kOrderRandom) {
        if (Settings.StartFromRandom) {
            const int32_t n = PicList().PictureCount();
            if (n > 0) s.current = RandomInWindow(0, n);
        }
        if (Settings.StartFromPrevious) s.current = LoadPrevious();
    }
}
}  // namespace

PictureChoice NextPicture() {
    TSelection& s = Selection;
    ApplyStartOption();
    std::lock_guard<std::mutex> lock(PictureListLock());
    const int32_t n = PicList().PictureCount();
    if (s.cellIndex < 0 || s.cellIndex >= kHistoryCells)
        throw std::runtime_error("incorrect cell index, " + std::to_string(s.cellIndex));
    int32_t picture = 0;
    if (n >= 1) {
        if (s.replay) {
            picture = s.rows[s.readPos].cells[s.cellIndex];
        } else {
            picture = ChooseByOrder(n);
            if (!StopRequested) s.rows[s.writePos].cells[s.cellIndex] = picture;
        }
        if (picture < 0 || picture >= n)
            throw std::runtime_error("incorrect picNumber, " + std::to_string(picture) + ", " + std::to_string(n));
    }
    s.current = picture;
    PictureChoice choice;
    choice.number = picture;
    choice.path = PicList().PictureName(picture);
    return choice;
}

void PageDone(int32_t photos) {
    TSelection& s = Selection;
    if (s.replay) {
        s.readPos = NextRow(s.readPos);
        if (s.readPos == s.writePos) s.replay = false;
        return;
    }
    s.rows[s.writePos].count = photos;
    const int32_t next = NextRow(s.writePos);
    if (next == 0) s.full = true;
    s.writePos = next;
    s.readPos = next;
}

int32_t TakeNextInOrder() {
    ApplyStartOption();
    std::lock_guard<std::mutex> lock(PictureListLock());
    const int32_t n = PicList().PictureCount();
    if (n < 1) return -1;
    const int32_t picture = ChooseByOrder(n);
    Selection.current = picture;
    return picture;
}

PictureChoice ChoiceFor(int32_t picture) {
    std::lock_guard<std::mutex> lock(PictureListLock());
    PictureChoice choice;
    choice.number = picture;
    if (picture >= 0 && picture < PicList().PictureCount()) choice.path = PicList().PictureName(picture);
    return choice;
}

void RecordShapedPage(const std::vector<int32_t>& pictures, bool across) {
    TSelection& s = Selection;
    if (!s.replay) {
        THistoryRow& row = s.rows[s.writePos];
        const size_t n = std::min<size_t>(pictures.size(), kHistoryCells);
        for (size_t i = 0; i < n; ++i) row.cells[i] = pictures[i];
        row.across = across;
        PageDone(static_cast<int32_t>(n));
        return;
    }
    PageDone(0);
}

void SavePrevious(int32_t n) {
    const TPicList& list = PicList();
    if (n >= 0 && n < list.PictureCount())
        RegWriteString("Prev", std::to_string(n) + "?" + list.PictureName(n));
    else
        RegWriteString("Prev", "");
}

int32_t LoadPrevious() {
    if (Settings.OrderMode == kOrderRandom) return -1;
    const std::string value = RegReadString("Prev");
    if (value.empty()) return -1;
    int64_t number = -1;
    std::string path = value;
    const size_t mark = value.find('?');
    if (mark != std::string::npos) {
        if (!ParseDecimal(value.substr(0, mark), number)) number = -1;
        path = value.substr(mark + 1);
    }
    const TPicList& list = PicList();
    const int32_t n = list.PictureCount();
    if (number >= 0 && number < n && EqualIgnoringAsciiCase(list.PictureName(static_cast<int32_t>(number)), path))
        return static_cast<int32_t>(number);
    int32_t index = 0;
    for (int i = 0; i < list.Count(); ++i)
        for (const std::string& name : *list.At(i).Pictures) {
            if (name == path) return index;
            ++index;
        }
    return -1;
}
