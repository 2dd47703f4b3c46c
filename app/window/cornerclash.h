#ifndef CORNERCLASH_H
#define CORNERCLASH_H

#include "stamping/processingoptions.h"

#include <QString>

// What the compass rose would be drawn over when it shares its corner with
// the text box or the logo; each is empty when there is no overlap. The
// choice stays allowed: these only warn.
struct CornerClash
{
    QString withText;
    QString withLogo;
};

CornerClash cornerClash(const ProcessingOptions &options);

#endif // CORNERCLASH_H
