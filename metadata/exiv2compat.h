#ifndef EXIV2COMPAT_H
#define EXIV2COMPAT_H

#include <exiv2/exiv2.hpp>

#include <cstdint>

// The one place that knows which Exiv2 interface is installed: 0.28 renamed
// the error base class, replaced auto_ptr and dropped Metadatum::toLong.

#if EXIV2_TEST_VERSION(0, 28, 0)

using Exiv2Error = Exiv2::Error;
using Exiv2ImagePtr = Exiv2::Image::UniquePtr;

inline std::uint32_t metadatumToUint32(const Exiv2::Metadatum &datum, std::size_t n)
{
    return datum.toUint32(n);
}

#else

using Exiv2Error = Exiv2::AnyError;
using Exiv2ImagePtr = Exiv2::Image::AutoPtr;

inline std::uint32_t metadatumToUint32(const Exiv2::Metadatum &datum, long n)
{
    return static_cast<std::uint32_t>(datum.toLong(n));
}

#endif

#endif // EXIV2COMPAT_H
