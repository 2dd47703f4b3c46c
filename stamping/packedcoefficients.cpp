#include "stamping/packedcoefficients.h"

#include <QtAlgorithms>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include <jerror.h>

// One of libjpeg's block arrays: its rows packed, and a window of rows
// unpacked for the caller of the last access.
struct PackedBlockArray
{
    JDIMENSION blocksPerRow = 0;
    std::vector<std::vector<std::uint8_t>> rows; // empty: all zero
    std::vector<JCOEF> window; // DCTSIZE2 coefficients a block
    std::vector<JBLOCKROW> windowRows;
    JDIMENSION windowStart = 0;
    JDIMENSION windowCount = 0;
    bool written = false; // the window may hold changes not yet packed
};

// Each block as a mask of its nonzero coefficients followed by their values.
static void packRow(const JBLOCK *blocks, JDIMENSION count, std::vector<std::uint8_t> &packed)
{
    packed.clear();
    for (JDIMENSION b = 0; b < count; ++b) {
        std::uint64_t mask = 0;
        for (int k = 0; k < DCTSIZE2; ++k)
            if (blocks[b][k] != 0)
                mask |= std::uint64_t(1) << k;
        const size_t at = packed.size();
        packed.resize(at + sizeof mask + sizeof(JCOEF) * size_t(qPopulationCount(mask)));
        std::memcpy(packed.data() + at, &mask, sizeof mask);
        std::uint8_t *value = packed.data() + at + sizeof mask;
        for (int k = 0; k < DCTSIZE2; ++k)
            if (blocks[b][k] != 0) {
                std::memcpy(value, &blocks[b][k], sizeof(JCOEF));
                value += sizeof(JCOEF);
            }
    }
    packed.shrink_to_fit();
}

static void unpackRow(const std::vector<std::uint8_t> &packed, JDIMENSION count, JBLOCK *blocks)
{
    std::memset(static_cast<void *>(blocks), 0, sizeof(JBLOCK) * count);
    const std::uint8_t *at = packed.data();
    for (JDIMENSION b = 0; b < count && !packed.empty(); ++b) {
        std::uint64_t mask;
        std::memcpy(&mask, at, sizeof mask);
        at += sizeof mask;
        for (; mask != 0; mask &= mask - 1) {
            std::memcpy(&blocks[b][qCountTrailingZeroBits(mask)], at, sizeof(JCOEF));
            at += sizeof(JCOEF);
        }
    }
}

static void packWindow(PackedBlockArray &array)
{
    if (!array.written)
        return;
    for (JDIMENSION r = 0; r < array.windowCount; ++r)
        packRow(array.windowRows[r], array.blocksPerRow, array.rows[array.windowStart + r]);
    array.written = false;
}

// Ends the job through libjpeg's error handler, outside any C++ handler.
static void outOfMemory(j_common_ptr info)
{
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    (*info->err->error_exit)(info);
}

// Called by libjpeg in place of its memory manager's own functions, so
// nothing may leave them as an exception.
static jvirt_barray_ptr requestBlockArray(j_common_ptr info, int, boolean, JDIMENSION blocksPerRow,
                                          JDIMENSION numRows, JDIMENSION maxAccess)
{
    auto *store = static_cast<PackedCoefficients *>(info->client_data);
    bool made = true;
    try {
        auto array = std::make_unique<PackedBlockArray>();
        array->blocksPerRow = blocksPerRow;
        array->rows.resize(numRows);
        array->window.resize(size_t(blocksPerRow) * DCTSIZE2 * std::max<JDIMENSION>(maxAccess, 1));
        store->arrays.push_back(std::move(array));
    } catch (const std::bad_alloc &) {
        made = false;
    }
    if (!made)
        outOfMemory(info);
    return reinterpret_cast<jvirt_barray_ptr>(store->arrays.back().get());
}

static JBLOCKARRAY accessBlockArray(j_common_ptr info, jvirt_barray_ptr handle, JDIMENSION startRow,
                                    JDIMENSION numRows, boolean writable)
{
    auto &array = *reinterpret_cast<PackedBlockArray *>(handle);
    const bool loaded = startRow == array.windowStart && numRows == array.windowCount;
    if (!loaded) {
        bool made = true;
        try {
            packWindow(array);
            if (array.window.size() < size_t(array.blocksPerRow) * DCTSIZE2 * numRows)
                array.window.resize(size_t(array.blocksPerRow) * DCTSIZE2 * numRows);
            array.windowRows.resize(numRows);
        } catch (const std::bad_alloc &) {
            made = false;
        }
        if (!made)
            outOfMemory(info);
        for (JDIMENSION r = 0; r < numRows; ++r) {
            array.windowRows[r] = reinterpret_cast<JBLOCKROW>(
                    array.window.data() + size_t(r) * array.blocksPerRow * DCTSIZE2);
            unpackRow(array.rows[startRow + r], array.blocksPerRow, array.windowRows[r]);
        }
        array.windowStart = startRow;
        array.windowCount = numRows;
    }
    array.written = array.written || writable;
    return array.windowRows.data();
}

PackedCoefficients::PackedCoefficients() = default;
PackedCoefficients::~PackedCoefficients() = default;

void PackedCoefficients::takeOver(j_common_ptr info)
{
    info->client_data = this;
    info->mem->request_virt_barray = requestBlockArray;
    info->mem->access_virt_barray = accessBlockArray;
}
