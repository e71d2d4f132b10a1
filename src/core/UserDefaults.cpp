#include "UserDefaults.h"

#include "PrivateFiles.h"
#include "SettingsLock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

#include <cmath>

UserDefaults::UserDefaults(const QString& application)
    : UserDefaults(std::make_unique<QSettings>(QStringLiteral("Orelia"), application), true) {}

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

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings, bool ownFolder)
    : m_settings(std::move(settings))
    , m_notifier(std::make_unique<UserDefaultsNotifier>()) {
    // The folder Orelia keeps its settings in is the buyer's alone; a folder given by path (a
    // test's, a tool's) only when this makes it.
    PrivateFiles::ensureDirectory(QFileInfo(m_settings->fileName()).absolutePath(), ownFolder);
    inspect();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::watchForChanges() {
    if (m_notifier->findChild<QFileSystemWatcher*>())
        return;
    m_knownStamp = fileStamp();
    auto* watcher = new QFileSystemWatcher(m_notifier.get());
    // A write replaces the file (a new one renamed over it), which ends a watch on the file
    // itself: the folder is watched too, and the file again after every change.
    const QString file = m_settings->fileName();
    watcher->addPath(QFileInfo(file).absolutePath());
    if (QFile::exists(file))
        watcher->addPath(file);
    // Changes come in bursts (the new file, the rename, the lock file): one look after them.
    auto* settle = new QTimer(m_notifier.get());
    settle->setSingleShot(true);
    settle->setInterval(50);
    const auto schedule = [settle] { settle->start(); };
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, m_notifier.get(), schedule);
    QObject::connect(watcher, &QFileSystemWatcher::fileChanged, m_notifier.get(), schedule);
    QObject::connect(settle, &QTimer::timeout, m_notifier.get(), [this, watcher, file] {
        if (QFile::exists(file) && !watcher->files().contains(file))
            watcher->addPath(file);
        noticeFileChange();
    });
}

UserDefaults::FileStamp UserDefaults::fileStamp() const {
    const QFileInfo info(m_settings->fileName());
    return info.exists() ? FileStamp{info.size(), info.lastModified()} : FileStamp{};
}

void UserDefaults::noticeFileChange() {
    const FileStamp now = fileStamp();
    if (now == m_knownStamp)
        return;
    m_knownStamp = now;
    m_settings->sync();
    Q_EMIT m_notifier->changedElsewhere();
}

void UserDefaults::inspect() {
    const QString file = m_settings->fileName();
    const QFileInfo info(file);
    m_readable = !info.exists() || (info.isFile() && QFile(file).open(QIODevice::ReadOnly));
    m_damaged = m_settings->status() == QSettings::FormatError || !readsCleanly(file);
    // A value QSettings could not read back ("@Variant(" with damaged bytes) reads as invalid,
    // and its next write would turn it into "@Invalid()". One written so already is no new damage.
    for (const QString& key : m_settings->allKeys()) {
        if (m_damaged)
            break;
        if (!m_settings->value(key).isValid() && rawValue(key).value_or(QByteArray()).trimmed() != "@Invalid()")
            m_damaged = true;
    }
}

std::unique_ptr<UserDefaults> UserDefaults::atPath(const QString& filePath) {
    return std::unique_ptr<UserDefaults>(
        new UserDefaults(std::make_unique<QSettings>(filePath, QSettings::IniFormat), false));
}

bool UserDefaults::transaction(const std::function<void()>& change) {
    if (m_transactionDepth > 0) {
        change();
        return true;
    }
    const QString file = m_settings->fileName();
    SettingsLock lock(file);
    if (!lock.isHeld() || !m_readable) {
        m_lastWriteOk = false;
        return false;
    }
    // Every QSettings write happens under this lock, so lock files of QSettings' own found now
    // were left by a process killed mid-write: they would only grow (".lock.rmlock.rmlock…").
    const QFileInfo info(file);
    const QString base = info.fileName() + QStringLiteral(".lock");
    for (const QString& name : QDir(info.absolutePath()).entryList({base + u'*'}, QDir::Files | QDir::Hidden)) {
        if (name == base ||
            QStringView(name).sliced(base.size()).toString().remove(QStringLiteral(".rmlock")).isEmpty())
            QFile::remove(info.absolutePath() + u'/' + name);
    }
    // What other processes wrote since this one last looked.
    m_settings->sync();
    const QDateTime before = QFileInfo(file).lastModified();
    m_wrote = false;
    ++m_transactionDepth;
    try {
        change();
    } catch (...) {
        --m_transactionDepth;
        throw;
    }
    --m_transactionDepth;
    flush();
    // QSettings notices another process's write by the file's size and time (to the
    // millisecond): two writes of the same size within one millisecond would look like none.
    // Each write moves the time on, so every version differs from the one before.
    if (m_wrote && m_lastWriteOk && before.isValid()) {
        const QDateTime after = QFileInfo(file).lastModified();
        if (after.isValid() && after <= before) {
            QFile written(file);
            if (written.open(QIODevice::ReadOnly))
                written.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
        }
    }
    // This process's own write is no news to its watcher; another's, read in the sync above, is
    // told at once, so the parts that show it need not wait for the watcher.
    const FileStamp stamp = fileStamp();
    const bool othersWrote = m_knownStamp.size >= 0 && before != m_knownStamp.modified;
    m_knownStamp = stamp;
    if (othersWrote && m_notifier->findChild<QFileSystemWatcher*>())
        QTimer::singleShot(0, m_notifier.get(), &UserDefaultsNotifier::changedElsewhere);
    return m_lastWriteOk;
}

bool UserDefaults::contains(const QString& key) const {
    return m_settings->contains(key);
}

bool UserDefaults::holdsData(const QString& key) const {
    return m_settings->value(key).typeId() == QMetaType::QByteArray;
}

QString UserDefaults::unreadableMessage() const {
    return QStringLiteral("Не удалось прочитать файл настроек %1. Проверьте права доступа к нему; до тех пор "
                          "Orelia не ищет и ничего не сохраняет.")
        .arg(QDir::toNativeSeparators(m_settings->fileName()));
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

void UserDefaults::keepDamagedFile() {
    if (!m_damaged || !m_damagedCopy.isEmpty())
        return;
    // Keep the user's file as it was, byte for byte, before QSettings rewrites it
    // without the lines it could not read.
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString copy = m_settings->fileName() + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFile::exists(copy); ++n)
        copy = m_settings->fileName() + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    if (QFile::copy(m_settings->fileName(), copy)) {
        m_damagedCopy = copy;
        PrivateFiles::restrict(copy);
    }
}

void UserDefaults::write(const QString& key, const QVariant& value) {
    transaction([&] {
        keepDamagedFile();
        m_wrote = true;
        if (value.isValid())
            m_settings->setValue(key, value);
        else
            m_settings->remove(key);
    });
}

std::optional<QByteArray> UserDefaults::rawValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    // A value QSettings could not read (damaged "@Variant(…)" bytes) reads as invalid: its line
    // in the file is all there is of it.
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
    if (v.isValid() && v.typeId() == QMetaType::QString)
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
    // The cart and the history are the buyer's business alone, whatever the umask.
    PrivateFiles::restrict(m_settings->fileName());
    if (status != QSettings::NoError)
        reopen();
}

void UserDefaults::reopen() {
    const QString file = m_settings->fileName();
    const QSettings::Format format = m_settings->format();
    m_settings = std::make_unique<QSettings>(file, format);
    inspect();
}
