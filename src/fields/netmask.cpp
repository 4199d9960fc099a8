#include "fields/netmask.h"

namespace {

bool allOctets(const Octets &octets)
{
    for (const QString &octet : octets) {
        if (!isOctet(octet))
            return false;
    }
    return true;
}

bool validMaskShape(const Octets &mask)
{
    const int m1 = mask[0].toInt();
    const int m2 = mask[1].toInt();
    const int m3 = mask[2].toInt();
    const int m4 = mask[3].toInt();
    // The first pattern that matches names the octet where ones turn to zeros.
    if (m1 == 255 && m2 == 255 && m3 == 255)
        return validMaskByte(mask[3]);
    if (m1 == 255 && m2 == 255 && m4 == 0)
        return validMaskByte(mask[2]);
    if (m1 == 255 && m3 == 0 && m4 == 0)
        return validMaskByte(mask[1]);
    if (m2 == 0 && m3 == 0 && m4 == 0)
        return validMaskByte(mask[0]);
    return false;
}

} // namespace

bool validMaskByte(const QString &octet)
{
    const std::optional<qint16> value = toInt16(octet);
    if (!value)
        return false;
    switch (*value) {
    case 0: case 128: case 192: case 224: case 240: case 248: case 252: case 254: case 255:
        return true;
    default:
        return false;
    }
}

int hostBitCount(const Octets &octets)
{
    for (int index = 3; index >= 0; --index) {
        const int value = toInt16(octets[index]).value_or(0);
        if (value == 0)
            continue;
        const int base = (3 - index) * 8;
        int i = 0;
        while (i < 8 && (value & (1 << i)) == 0)
            ++i;
        return base + i;
    }
    return 32;
}

bool validMask(MaskSource maskSource, const Octets &mask, const Octets &edcNetwork)
{
    if (!allOctets(mask) || !validMaskShape(mask))
        return false;
    if (maskSource != MaskSource::EdcNetwork)
        return true;
    // The EDC network address must end exactly where the mask's ones end.
    if (!allOctets(edcNetwork))
        return false;
    return hostBitCount(mask) == hostBitCount(edcNetwork);
}
