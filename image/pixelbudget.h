#ifndef PIXELBUDGET_H
#define PIXELBUDGET_H

#include <QtGlobal>

#include <condition_variable>
#include <mutex>

// How many bytes of decoded pixels a batch holds at once by default.
inline constexpr qint64 defaultPixelBudgetBytes = qint64(1) << 30;

// Bounds the decoded pixels the photos of a batch hold at once: a photo whose
// pixels would take the total past the limit waits until others have
// finished. A photo that holds nothing else waits for nobody, however big, so
// one photo always runs.
class PixelBudget
{
public:
    explicit PixelBudget(qint64 limitBytes = defaultPixelBudgetBytes);

    void setLimit(qint64 limitBytes);
    // Blocks until `bytes` fit in the budget, then holds them.
    void acquire(qint64 bytes);
    void release(qint64 bytes);

private:
    std::mutex mutex;
    std::condition_variable freed;
    qint64 limit;
    qint64 held = 0;
};

// Holds a share of a budget while it lives.
class PixelBudgetShare
{
public:
    PixelBudgetShare(PixelBudget &budget, qint64 bytes)
        : budget(budget)
        , bytes(bytes)
    {
        budget.acquire(bytes);
    }
    ~PixelBudgetShare() { budget.release(bytes); }
    PixelBudgetShare(const PixelBudgetShare &) = delete;
    PixelBudgetShare &operator=(const PixelBudgetShare &) = delete;

private:
    PixelBudget &budget;
    const qint64 bytes;
};

#endif // PIXELBUDGET_H
