#include "OfferRowHighlight.h"

namespace {

bool isAutoliga(const SupplierOffer& offer) {
    return offer.supplierID.compare(u"autoliga", Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<std::uint8_t> hexByte(QStringView pair) {
    const int high = hexDigit(pair[0]);
    const int low = hexDigit(pair[1]);
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(high * 16 + low);
}

} // namespace

namespace OfferRowHighlight {

int rank(const SupplierOffer& offer) {
    if (!offer.rowHighlightColor || !isAutoliga(offer))
        return 3;
    const QString color = offer.rowHighlightColor->toUpper();
    if (color == u"#F1DD18")
        return 0;
    if (color == u"#CCFF99")
        return 1;
    if (color == u"#CCFFFF")
        return 2;
    return 3;
}

std::optional<OfferRowColor> color(const SupplierOffer& offer) {
    if (!isAutoliga(offer) || !offer.rowHighlightColor || !offer.rowHighlightColor->startsWith(u'#'))
        return std::nullopt;
    QString hex = offer.rowHighlightColor->mid(1);
    if (hex.size() == 3) {
        const QChar doubled[] = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
        hex = QString(doubled, 6);
    }
    if (hex.size() != 6 && hex.size() != 8)
        return std::nullopt;
    OfferRowColor out;
    std::uint8_t* const channels[] = {&out.red, &out.green, &out.blue, &out.alpha};
    for (qsizetype i = 0; i * 2 < hex.size(); ++i) {
        const auto byte = hexByte(QStringView(hex).mid(i * 2, 2));
        if (!byte)
            return std::nullopt;
        *channels[i] = *byte;
    }
    return out;
}

} // namespace OfferRowHighlight
