#ifndef PIXELBUDGET_H
#define PIXELBUDGET_H

#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <set>

// How many bytes of decoded pixels a batch holds at once by default.
inline constexpr qint64 defaultPixelBudgetBytes = qint64(1) << 30;

// Bounds the memory the photos of a batch hold at once, their file bytes and
// decoded pixels alike: a photo whose bytes would take the total past the
// limit waits until others have finished. A photo that holds nothing else
// waits for nobody, however big, so one photo always runs; and the oldest
// share may always grow, so photos that hold their file and wait to decode it
// never wait for each other.
class PixelBudget
{
public:
    explicit PixelBudget(qint64 limitBytes = defaultPixelBudgetBytes);

    void setLimit(qint64 limitBytes);
    // Blocks until `bytes` fit in the budget, then holds them; returns the
    // share's place in line.
    quint64 acquire(qint64 bytes);
    // Blocks until `bytes` more fit, or until `share` is the oldest held.
    void grow(quint64 share, qint64 bytes);
    // Gives back part of a share at once.
    void giveBack(qint64 bytes);
    void release(quint64 share, qint64 bytes);

private:
    std::mutex mutex;
    std::condition_variable freed;
    qint64 limit;
    qint64 held = 0;
    quint64 nextShare = 0;
    std::set<quint64> shares; // those held, oldest first
};

// Holds a share of a budget while it lives.
class PixelBudgetShare
{
public:
    PixelBudgetShare(PixelBudget &budget, qint64 bytes)
        : budget(budget)
        , bytes(bytes)
        , share(budget.acquire(bytes))
    { }
    ~PixelBudgetShare() { budget.release(share, bytes); }
    PixelBudgetShare(const PixelBudgetShare &) = delete;
    PixelBudgetShare &operator=(const PixelBudgetShare &) = delete;

    // Holds `total` bytes from now on: more waits as grow does, less gives
    // the difference back at once.
    void resize(qint64 total);

private:
    PixelBudget &budget;
    qint64 bytes;
    const quint64 share;
};

#endif // PIXELBUDGET_H
