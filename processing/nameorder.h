#ifndef NAMEORDER_H
#define NAMEORDER_H

#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

// Hands out the numbers of photos that take one name ("<name> (1).jpg", ...)
// in the collection's order, whatever order the threads reach them in, so
// that a folder processed twice gets the same names.
//
// Each photo publishes the name it is after as soon as it knows it (empty:
// none), and settles once it has taken that name or failed. A photo's number
// is how many photos before it took the same name; it waits for them only
// when it is about to take its own, holding no decoded pixels, so the
// photos before it can always go on. Every photo must publish and settle,
// also one that ends early or never starts: only the first call counts.
class NameOrder
{
public:
    void reset(int photoCount);
    void publish(int index, const QString &name);
    void settle(int index, bool taken);
    // Blocks until every photo before `index` has published its name and
    // those after `name` have settled; returns how many of them took it.
    int numberAmong(int index, const QString &name);

private:
    struct Photo
    {
        std::optional<QString> name;
        std::optional<bool> taken;
    };

    bool earlierSettled(int index, const QString &name) const;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Photo> photos;
    int firstUnpublished = 0;
};

#endif // NAMEORDER_H
