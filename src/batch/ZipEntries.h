#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Members of a ZIP archive held in memory (a workbook is one), read with minizip, the library
// libxlsxwriter writes workbooks with. What a member claims to unpack to is not trusted:
// reading stops at the size the caller allows, so an archive that unpacks to gigabytes costs no
// more than that.
class ZipEntries {
public:
    // Beyond this many members an archive is no workbook of a parts list.
    static constexpr quint64 maxEntries = 10000;

    explicit ZipEntries(const QByteArray& bytes);
    ~ZipEntries();
    ZipEntries(const ZipEntries&) = delete;
    ZipEntries& operator=(const ZipEntries&) = delete;

    // The archive could be opened and has a sane number of members.
    bool isOpen() const { return m_zip != nullptr; }
    // Names compare without regard to case, as writers differ in it.
    bool contains(const QString& name) const;

    enum class Failure { missing, damaged, tooLarge };
    struct Member {
        QByteArray bytes;
        std::optional<Failure> failure;
    };
    // The member unpacked, at most maxBytes of it.
    Member read(const QString& name, qsizetype maxBytes) const;

    // Where minizip reads from: the bytes and a position in them.
    struct Source {
        QByteArray bytes;
        qint64 position = 0;
    };

private:
    mutable Source m_source;
    void* m_zip = nullptr;
};
