#ifndef PACKEDCOEFFICIENTS_H
#define PACKEDCOEFFICIENTS_H

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

struct PackedBlockArray;

// Holds the whole-image coefficient arrays libjpeg keeps while it transcodes,
// each row of blocks packed to its nonzero coefficients, so that a photo's
// coefficients take a fraction of the 2 bytes a sample libjpeg's own arrays
// take (6 bytes a pixel at 4:4:4, more than its decoded picture). Only the
// rows libjpeg asks for at a time are unpacked.
class PackedCoefficients
{
public:
    PackedCoefficients();
    ~PackedCoefficients();
    PackedCoefficients(const PackedCoefficients &) = delete;
    PackedCoefficients &operator=(const PackedCoefficients &) = delete;

    // Makes the memory manager of `info` (a decompressor reading coefficients
    // or a compressor writing them) keep its block arrays here; this object
    // must outlive it. Uses the object's client_data.
    void takeOver(j_common_ptr info);

    std::vector<std::unique_ptr<PackedBlockArray>> arrays;
};

#endif // PACKEDCOEFFICIENTS_H
