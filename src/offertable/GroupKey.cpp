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

// Keys compare as the texts do for the user: "Й" typed as one character or as И with a
// combining breve are the same letter.
QString composed(const QString& text) {
    return text.normalized(QString::NormalizationForm_C);
}

// Upper case, then the letters, combining marks and digits of any script, taken per code point
// (marks stay: dropping them would fold Й into И; letters outside the BMP are letters too).
QString canonicalArticle(const QString& article) {
    const QString upper = article.toUpper();
    QString out;
    out.reserve(upper.size());
    for (const char32_t c : upper.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
            out += QChar::fromUcs4(c);
            break;
        default:
            break;
        }
    }
    return composed(out);
}

QString groupBrand(const QString& brand) {
    if (!isAscii(brand))
        return composed(TextUtils::trimmedUpper(brand));
    const QString trimmed = brand.trimmed();
    for (const QChar c : trimmed) {
        if (c >= u'a' && c <= u'z')
            return trimmed.toUpper();
    }
    return trimmed;
}

QString groupArticle(const QString& article) {
    if (!isAscii(article))
        return canonicalArticle(article);
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
    return GroupKey{isAscii(offer.supplierID) ? asciiLower(offer.supplierID) : composed(offer.supplierID.toLower()),
                    groupBrand(offer.brand), groupArticle(offer.article)};
}
