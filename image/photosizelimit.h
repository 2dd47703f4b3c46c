#ifndef PHOTOSIZELIMIT_H
#define PHOTOSIZELIMIT_H

// Qt's decoded-image limit raised so that photos of 200 megapixels load.
inline constexpr int photoAllocationLimitMegabytes = 2048;

#endif // PHOTOSIZELIMIT_H
