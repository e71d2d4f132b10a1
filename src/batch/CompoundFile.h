#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Just enough of the compound file, the container of Office 97–2003 files, to read a stream
// of its root storage. Every chain is checked against the file: a broken or looping chain, or
// a size of gigabytes claimed in a file of kilobytes, reads as no stream.
class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& bytes);

    bool isValid() const { return m_valid; }
    // The named stream (names compared without regard to case); none when it is missing or
    // its chain is broken.
    std::optional<QByteArray> stream(const QString& name) const;
    // Whether the root storage names this stream.
    bool contains(const QString& name) const { return entry(name).has_value(); }

private:
    struct Entry {
        quint32 start = 0;
        quint64 size = 0;
    };
    std::optional<Entry> entry(const QString& name) const;
    qsizetype offset(quint32 sector) const { return (qsizetype(sector) + 1) << m_sectorShift; }
    quint32 u16(qsizetype at) const;
    quint32 u32(qsizetype at) const;

    QByteArray m_bytes;
    int m_sectorShift = 9;
    QList<quint32> m_fat;
    std::optional<QByteArray> m_directory;
    bool m_valid = false;
};
