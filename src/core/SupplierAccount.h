#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A supplier the buyer added in the settings: an account on a platform Orelia speaks (an ABCP
// shop, a provider inside TradeSoft). Plain data; what it means is the platform's business.
struct SupplierAccount {
    // "abcp-<slug>", "tradesoft-<provider>": stable, lower case, never reused for another account.
    QString id;
    // The platform's id ("abcp", "tradesoft"), the first part of `id`.
    QString platform;
    QString name;
    // The shop's API address (ABCP); empty where the platform has one address for all.
    QString address;
    // The supplier's identifier inside the platform (TradeSoft); empty where there is none.
    QString provider;
    // Index into the account palette (SupplierAppearance::accountColor).
    int color = 0;
    bool enabled = true;

    // Where its login and password are kept in the credential store.
    QString loginAccount() const { return id + QStringLiteral("-login"); }
    QString passwordAccount() const { return id + QStringLiteral("-password"); }

    bool operator==(const SupplierAccount&) const = default;

    // The stored form: a UTF-8 JSON array of objects with the field names as keys.
    static QByteArray encodeList(const QList<SupplierAccount>& accounts);
    // The readable accounts of a stored list (an entry without id, platform or name is left out);
    // nullopt when the data is no JSON array at all.
    static std::optional<QList<SupplierAccount>> decodeList(const QByteArray& data);
    // Lower-case Latin letters, digits and "-" made of any text: "Автомаркет Урал" gives
    // "avtomarket-ural"; at most 40 characters, empty when nothing is left.
    static QString slug(QStringView text);
    // Lower-case letters, digits, "-", "_" and ".", starting with a letter or digit.
    static bool isUsableID(QStringView id);
};
