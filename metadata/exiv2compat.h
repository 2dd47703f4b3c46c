#ifndef EXIV2COMPAT_H
#define EXIV2COMPAT_H

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <string>

// The one place that knows which Exiv2 interface is installed: 0.28 renamed
// the error base class, replaced auto_ptr, dropped Metadatum::toLong and
// changed how the ICC profile is handed over.

#if EXIV2_TEST_VERSION(0, 28, 0)

using Exiv2Error = Exiv2::Error;
using Exiv2ImagePtr = Exiv2::Image::UniquePtr;

inline std::uint32_t metadatumToUint32(const Exiv2::Metadatum &datum, std::size_t n)
{
    return datum.toUint32(n);
}

inline std::string iccProfileBytes(Exiv2::Image &image)
{
    const Exiv2::DataBuf &profile = image.iccProfile();
    return std::string(reinterpret_cast<const char *>(profile.c_data()), profile.size());
}

inline void setIccProfileBytes(Exiv2::Image &image, const std::string &bytes)
{
    image.setIccProfile(
            Exiv2::DataBuf(reinterpret_cast<const Exiv2::byte *>(bytes.data()), bytes.size()),
            false);
}

#else

using Exiv2Error = Exiv2::AnyError;
using Exiv2ImagePtr = Exiv2::Image::AutoPtr;

inline std::uint32_t metadatumToUint32(const Exiv2::Metadatum &datum, long n)
{
    return static_cast<std::uint32_t>(datum.toLong(n));
}

inline std::string iccProfileBytes(Exiv2::Image &image)
{
    const Exiv2::DataBuf *profile = image.iccProfile();
    return std::string(reinterpret_cast<const char *>(profile->pData_),
                       static_cast<std::size_t>(profile->size_));
}

// Carried as the photo held it: a profile Exiv2 finds malformed is still the photo's.
inline void setIccProfileBytes(Exiv2::Image &image, const std::string &bytes)
{
    Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte *>(bytes.data()),
                           static_cast<long>(bytes.size()));
    image.setIccProfile(profile, false);
}

#endif

#endif // EXIV2COMPAT_H
