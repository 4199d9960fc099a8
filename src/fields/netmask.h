#pragma once

#include "shell/octets.h"

#include <QtGlobal>

// True for 0, 128, 192, 224, 240, 248, 252, 254 and 255.
bool validMaskByte(const QString &octet);

// Zero bits below the lowest one bit of the 32-bit value; 32 for 0.0.0.0.
// Texts that are not numbers count as 0.
int hostBitCount(const Octets &octets);

// Whose mask is checked, which decides whether its address counts too.
enum class MaskSource : qint16 {
    EdcNetwork = 0, // maskAddEDC: must also fit the EDC network address
    Subscriber = 1, // userMaskAdd, modEtherMaskAdd: the shape only
};

// Whether the four mask octets are n one bits followed by zero bits. The EDC
// network's mask must also fit the EDC network address as it stands in the
// settings (edcNetwork, read for that source only): the lowest one bit of
// the address sits at the lowest one bit of the mask. Empty or non-numeric
// octets make the mask invalid.
bool validMask(MaskSource maskSource, const Octets &mask, const Octets &edcNetwork = {});
