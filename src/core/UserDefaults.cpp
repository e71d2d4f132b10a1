#include "UserDefaults.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>

#include <cmath>

UserDefaults::UserDefaults(const QString& application)
    : UserDefaults(std::make_unique<QSettings>(QStringLiteral("Orelia"), application)) {}

namespace {

// Whether QSettings would write the file back as it is: valid UTF-8 text made only of
// blank lines, section headers and key=value lines. Anything else (comments, stray bytes)
// it silently drops or re-encodes on its next write.
bool readsCleanly(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray content = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(content);
    if (utf8.hasError())
        return false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        for (const QChar c : line) {
            if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
                return false;
        }
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || (trimmed.startsWith(u'[') && trimmed.endsWith(u']')))
            continue;
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals <= 0 || trimmed.left(equals).trimmed().isEmpty())
            return false;
    }
    return true;
}

} // namespace

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
    , m_damaged(m_settings->status() == QSettings::FormatError || !readsCleanly(m_settings->fileName())) {}

std::unique_ptr<UserDefaults> UserDefaults::atPath(const QString& filePath) {
    return std::unique_ptr<UserDefaults>(new UserDefaults(std::make_unique<QSettings>(filePath, QSettings::IniFormat)));
}

bool UserDefaults::contains(const QString& key) const {
    return m_settings->contains(key);
}

std::optional<bool> UserDefaults::boolValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    // Text formats keep booleans as words; anything else is not a boolean.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == u"true" || s == u"1")
            return true;
        if (s == u"false" || s == u"0")
            return false;
        return std::nullopt;
    }
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
        const auto n = v.toLongLong();
        if (n == 0 || n == 1)
            return n == 1;
    }
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().toDouble(&ok); // C locale: decimal point
    else
        d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<QString> UserDefaults::stringValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QByteArray> UserDefaults::dataValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    // A file edited by hand may hold the bytes as plain text.
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return std::nullopt;
}

std::optional<QVariantMap> UserDefaults::mapValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return v.toMap();
}

void UserDefaults::setBool(const QString& key, bool value) {
    write(key, QVariant(value));
}

void UserDefaults::setDouble(const QString& key, double value) {
    write(key, QVariant(value));
}

void UserDefaults::setString(const QString& key, const QString& value) {
    write(key, QVariant(value));
}

void UserDefaults::setData(const QString& key, const QByteArray& value) {
    write(key, QVariant(value));
}

void UserDefaults::setMap(const QString& key, const QVariantMap& value) {
    write(key, QVariant(value));
}

void UserDefaults::remove(const QString& key) {
    write(key, QVariant());
}

void UserDefaults::copy(const QString& from, const QString& to) {
    const QVariant v = m_settings->value(from);
    if (!v.isValid())
        return;
    write(to, v);
}

void UserDefaults::write(const QString& key, const QVariant& value) {
    if (m_damaged && m_damagedCopy.isEmpty()) {
        // Keep the user's file as it was, byte for byte, before QSettings rewrites it
        // without the lines it could not read.
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        QString copy = m_settings->fileName() + QStringLiteral(".damaged-") + stamp;
        for (int n = 2; QFile::exists(copy); ++n)
            copy = m_settings->fileName() + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
        if (QFile::copy(m_settings->fileName(), copy))
            m_damagedCopy = copy;
    }
    if (value.isValid())
        m_settings->setValue(key, value);
    else
        m_settings->remove(key);
    flush();
}

std::optional<QByteArray> UserDefaults::rawValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    QFile file(m_settings->fileName());
    if (file.open(QIODevice::ReadOnly)) {
        // Top-level keys live in [General] (or before any section); QSettings escapes
        // nothing in our keys, which are letters, digits and dots.
        bool general = true;
        const QByteArray wanted = key.toUtf8();
        for (QByteArray line : file.readAll().split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith('[')) {
                general = trimmed == "[General]";
                continue;
            }
            const qsizetype equals = line.indexOf('=');
            if (general && equals > 0 && line.left(equals).trimmed() == wanted)
                return line.mid(equals + 1);
        }
    }
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return std::nullopt;
}

QString UserDefaults::keepAside(const QString& key) {
    const std::optional<QByteArray> raw = rawValue(key);
    if (!raw)
        return {};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = key + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; m_settings->contains(aside); ++n)
        aside = key + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    write(aside, QVariant(*raw));
    return aside;
}

void UserDefaults::sync() {
    m_settings->sync();
}

bool UserDefaults::isWritable() const {
    return m_lastWriteOk;
}

QString UserDefaults::fileName() const {
    return m_settings->fileName();
}

// QSettings writes the whole file atomically and merges keys that other processes
// changed meanwhile, so one process's cart survives another's preference change. Its status
// keeps the first error it ever met, so after an error the file is opened afresh: what is
// read then is what reached the disk.
void UserDefaults::flush() {
    m_settings->sync();
    const QSettings::Status status = m_settings->status();
    m_lastWriteOk = status != QSettings::AccessError;
    if (status != QSettings::NoError)
        reopen();
}

void UserDefaults::reopen() {
    const QString file = m_settings->fileName();
    const QSettings::Format format = m_settings->format();
    m_settings = std::make_unique<QSettings>(file, format);
    m_damaged = m_settings->status() == QSettings::FormatError || !readsCleanly(file);
}
