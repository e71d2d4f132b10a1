#include "GroupKey.h"

#include "core/TextUtils.h"

namespace {

// The key is built for every offer at every redraw, so plain ASCII (nearly all supplier ids,
// brands and articles) takes a short way that gives the same result as the general one.
bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

QString asciiLower(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] >= u'A' && text[i] <= u'Z')
            return text.toLower();
    }
    return text; // shares the data, no copy
}

QString groupBrand(const QString& brand) {
    if (!isAscii(brand))
        return TextUtils::trimmedUpper(brand);
    const QString trimmed = brand.trimmed();
    for (const QChar c : trimmed) {
        if (c >= u'a' && c <= u'z')
            return trimmed.toUpper();
    }
    return trimmed;
}

QString groupArticle(const QString& article) {
    if (!isAscii(article))
        return TextUtils::canonicalPartNumber(article);
    QString out(article.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (const QChar c : article) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z'))
            out[n++] = c;
        else if (u >= u'a' && u <= u'z')
            out[n++] = QChar(u - u'a' + u'A');
    }
    out.truncate(n);
    return out;
}

} // namespace

GroupKey GroupKey::of(const SupplierOffer& offer) {
    return GroupKey{isAscii(offer.supplierID) ? asciiLower(offer.supplierID) : offer.supplierID.toLower(),
                    groupBrand(offer.brand), groupArticle(offer.article)};
}
