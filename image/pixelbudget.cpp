#include "image/pixelbudget.h"

PixelBudget::PixelBudget(qint64 limitBytes)
    : limit(limitBytes)
{ }

void PixelBudget::setLimit(qint64 limitBytes)
{
    const std::lock_guard<std::mutex> lock(mutex);
    limit = limitBytes;
}

quint64 PixelBudget::acquire(qint64 bytes)
{
    std::unique_lock<std::mutex> lock(mutex);
    freed.wait(lock, [&] { return held == 0 || held + bytes <= limit; });
    held += bytes;
    const quint64 share = nextShare++;
    shares.insert(share);
    return share;
}

void PixelBudget::grow(quint64 share, qint64 bytes)
{
    std::unique_lock<std::mutex> lock(mutex);
    freed.wait(lock, [&] { return held + bytes <= limit || *shares.begin() == share; });
    held += bytes;
}

void PixelBudget::giveBack(qint64 bytes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        held -= bytes;
    }
    freed.notify_all();
}

void PixelBudget::release(quint64 share, qint64 bytes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        held -= bytes;
        shares.erase(share);
    }
    freed.notify_all();
}

void PixelBudgetShare::resize(qint64 total)
{
    if (total > bytes)
        budget.grow(share, total - bytes);
    else
        budget.giveBack(bytes - total);
    bytes = total;
}
