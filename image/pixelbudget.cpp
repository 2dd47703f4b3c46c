#include "image/pixelbudget.h"

PixelBudget::PixelBudget(qint64 limitBytes)
    : limit(limitBytes)
{ }

void PixelBudget::setLimit(qint64 limitBytes)
{
    const std::lock_guard<std::mutex> lock(mutex);
    limit = limitBytes;
}

void PixelBudget::acquire(qint64 bytes)
{
    std::unique_lock<std::mutex> lock(mutex);
    freed.wait(lock, [&] { return held == 0 || held + bytes <= limit; });
    held += bytes;
}

void PixelBudget::release(qint64 bytes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        held -= bytes;
    }
    freed.notify_all();
}
