#include "CompoundFile.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kLastSector = 0xFFFFFFFA; // above: free, end of chain, FAT or DIFAT marks

// The sectors of a chain, one after another, cut at size; none for a broken or looping chain.
// Big sectors count from after the 512-byte header, the 64-byte mini sectors from 0.
std::optional<QByteArray> chain(const QList<quint32>& table, quint32 sector, const QByteArray& data, int shift,
                                qsizetype size) {
    const qsizetype sectorSize = qsizetype(1) << shift;
    const qsizetype base = shift == 6 ? 0 : sectorSize;
    size = std::min(size, data.size());
    QByteArray out;
    for (qsizetype hops = 0; sector != kEndOfChain && out.size() < size; ++hops) {
        const qsizetype at = base + qsizetype(sector) * sectorSize;
        if (sector >= kLastSector || sector >= quint32(table.size()) || hops > table.size() ||
            at + sectorSize > data.size())
            return std::nullopt;
        out.append(data.constData() + at, sectorSize);
        sector = table.at(sector);
    }
    return out.left(size);
}

} // namespace

CompoundFile::CompoundFile(const QByteArray& bytes)
    : m_bytes(bytes) {
    const auto shift = u16(0x1E);
    if (!bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || (shift != 9 && shift != 12))
        return;
    m_sectorShift = int(shift);
    const qsizetype perSector = (qsizetype(1) << m_sectorShift) / 4;
    const qsizetype mostSectors = bytes.size() >> m_sectorShift;
    // The FAT's own sectors: 109 named in the header, the rest along the DIFAT chain.
    QList<quint32> fatSectors;
    for (int i = 0; i < 109; ++i)
        fatSectors.append(u32(0x4C + 4 * i));
    quint32 difat = u32(0x44);
    for (qsizetype hops = 0; difat < kLastSector && hops < mostSectors; ++hops) {
        for (qsizetype i = 0; i + 1 < perSector; ++i)
            fatSectors.append(u32(offset(difat) + 4 * i));
        difat = u32(offset(difat) + 4 * (perSector - 1));
    }
    for (const quint32 sector : fatSectors) {
        if (sector >= kLastSector || m_fat.size() > mostSectors)
            continue;
        for (qsizetype i = 0; i < perSector; ++i)
            m_fat.append(u32(offset(sector) + 4 * i));
    }
    m_directory = chain(m_fat, u32(0x30), m_bytes, m_sectorShift, m_bytes.size());
    m_valid = !m_fat.isEmpty() && m_directory;
}

quint32 CompoundFile::u16(qsizetype at) const {
    return at >= 0 && at + 2 <= m_bytes.size() ? qFromLittleEndian<quint16>(m_bytes.constData() + at) : 0;
}

quint32 CompoundFile::u32(qsizetype at) const {
    return at >= 0 && at + 4 <= m_bytes.size() ? qFromLittleEndian<quint32>(m_bytes.constData() + at) : kEndOfChain;
}

std::optional<CompoundFile::Entry> CompoundFile::entry(const QString& name) const {
    if (!m_valid)
        return std::nullopt;
    const QByteArray& directory = *m_directory;
    for (qsizetype at = 0; at + 128 <= directory.size(); at += 128) {
        const auto length = qFromLittleEndian<quint16>(directory.constData() + at + 0x40);
        if (directory.at(at + 0x42) != 2 || length < 2 || length > 64)
            continue;
        const QString entry =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(directory.constData() + at), length / 2 - 1);
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return Entry{qFromLittleEndian<quint32>(directory.constData() + at + 0x74),
                         qFromLittleEndian<quint32>(directory.constData() + at + 0x78)};
    }
    return std::nullopt;
}

std::optional<QByteArray> CompoundFile::stream(const QString& name) const {
    const auto found = entry(name);
    if (!found)
        return std::nullopt;
    const qsizetype size = qsizetype(std::min<quint64>(found->size, quint64(m_bytes.size())));
    if (found->size >= u32(0x38))
        return chain(m_fat, found->start, m_bytes, m_sectorShift, size);
    // Small streams live in 64-byte sectors of the root's mini stream.
    const QByteArray& directory = *m_directory;
    if (directory.size() < 128)
        return std::nullopt;
    const auto root =
        chain(m_fat, qFromLittleEndian<quint32>(directory.constData() + 0x74), m_bytes, m_sectorShift, m_bytes.size());
    const auto miniFatBytes = chain(m_fat, u32(0x3C), m_bytes, m_sectorShift, m_bytes.size());
    if (!root || !miniFatBytes)
        return std::nullopt;
    QList<quint32> miniFat;
    for (qsizetype i = 0; i + 4 <= miniFatBytes->size(); i += 4)
        miniFat.append(qFromLittleEndian<quint32>(miniFatBytes->constData() + i));
    return chain(miniFat, found->start, *root, 6, size);
}
