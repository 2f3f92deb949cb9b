#include "media/wma/AsfGuid.h"

namespace quillory::asf {

QString Guid::toString() const
{
    static const char digits[] = "0123456789ABCDEF";
    constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    QString out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += QLatin1Char('-');
        std::uint8_t b = bytes[std::size_t(order[i])];
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0x0F]);
    }
    return out;
}

} // namespace quillory::asf
