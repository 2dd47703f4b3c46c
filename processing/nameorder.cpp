#include "processing/nameorder.h"

#include <algorithm>

void NameOrder::reset(int photoCount)
{
    const std::lock_guard<std::mutex> lock(mutex);
    photos.assign(size_t(std::max(photoCount, 0)), Photo());
    firstUnpublished = 0;
}

void NameOrder::publish(int index, const QString &name)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        Photo &photo = photos.at(size_t(index));
        if (photo.name)
            return;
        photo.name = name;
        while (firstUnpublished < int(photos.size()) && photos[size_t(firstUnpublished)].name)
            ++firstUnpublished;
    }
    changed.notify_all();
}

void NameOrder::settle(int index, bool taken)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        Photo &photo = photos.at(size_t(index));
        if (photo.taken)
            return;
        photo.taken = taken;
    }
    changed.notify_all();
}

bool NameOrder::earlierSettled(int index, const QString &name) const
{
    return firstUnpublished >= index
            && std::all_of(photos.cbegin(), photos.cbegin() + index, [&name](const Photo &photo) {
                   return *photo.name != name || photo.taken;
               });
}

int NameOrder::numberAmong(int index, const QString &name)
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this, index, &name] { return earlierSettled(index, name); });
    return int(std::count_if(photos.cbegin(), photos.cbegin() + index, [&name](const Photo &photo) {
        return *photo.name == name && *photo.taken;
    }));
}
