#include "SpreadsheetReader.h"

#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <freexl.h>

#include <memory>
#include <optional>

namespace SpreadsheetReader {

namespace {

struct Closer {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using Handle = std::unique_ptr<const void, Closer>;

// FreeXL reserves a cell for every place the sheets' dimensions span, filled or not, and does
// so already when it opens a file: a file of a few kilobytes that claims 65 536 × 256 cells costs
// 280 MB, and a claim of four billion rows is worse. The claims are read first, here.
constexpr quint64 kMostSpannedCells = 2'000'000;

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kLastSector = 0xFFFFFFFA; // above: free, end of chain, FAT or DIFAT marks

// Just enough of the compound file (the container of Office 97–2003 files) to read a stream.
class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& bytes)
        : m_bytes(bytes) {
        const auto shift = u16(0x1E);
        if (!bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || (shift != 9 && shift != 12))
            return;
        m_sectorShift = shift;
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
        m_valid = !m_fat.isEmpty();
    }

    bool isValid() const { return m_valid; }

    // The named stream of the root storage; none when it is missing or its chains are broken.
    std::optional<QByteArray> stream(const QString& name) const {
        const auto directory = chain(m_fat, u32(0x30), m_bytes, m_sectorShift, m_bytes.size());
        if (!m_valid || !directory)
            return std::nullopt;
        for (qsizetype at = 0; at + 128 <= directory->size(); at += 128) {
            const auto length = qFromLittleEndian<quint16>(directory->constData() + at + 0x40);
            if (directory->at(at + 0x42) != 2 || length < 2 || length > 64)
                continue;
            const QString entry =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(directory->constData() + at), length / 2 - 1);
            if (entry.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const quint32 start = qFromLittleEndian<quint32>(directory->constData() + at + 0x74);
            const quint64 size = qFromLittleEndian<quint32>(directory->constData() + at + 0x78);
            if (size >= u32(0x38))
                return chain(m_fat, start, m_bytes, m_sectorShift, qsizetype(std::min<quint64>(size, m_bytes.size())));
            // Small streams live in 64-byte sectors of the root's mini stream.
            const auto root = chain(m_fat, qFromLittleEndian<quint32>(directory->constData() + 0x74), m_bytes,
                                    m_sectorShift, m_bytes.size());
            const auto miniFatBytes = chain(m_fat, u32(0x3C), m_bytes, m_sectorShift, m_bytes.size());
            if (!root || !miniFatBytes)
                return std::nullopt;
            QList<quint32> miniFat;
            for (qsizetype i = 0; i + 4 <= miniFatBytes->size(); i += 4)
                miniFat.append(qFromLittleEndian<quint32>(miniFatBytes->constData() + i));
            return chain(miniFat, start, *root, 6, qsizetype(size));
        }
        return std::nullopt;
    }

private:
    qsizetype offset(quint32 sector) const { return (qsizetype(sector) + 1) << m_sectorShift; }
    quint32 u16(qsizetype at) const {
        return at >= 0 && at + 2 <= m_bytes.size() ? qFromLittleEndian<quint16>(m_bytes.constData() + at) : 0;
    }
    quint32 u32(qsizetype at) const {
        return at >= 0 && at + 4 <= m_bytes.size() ? qFromLittleEndian<quint32>(m_bytes.constData() + at) : kEndOfChain;
    }

    // The sectors of a chain, one after another, cut at size; none for a broken or looping chain.
    static std::optional<QByteArray> chain(const QList<quint32>& table, quint32 sector, const QByteArray& data,
                                           int shift, qsizetype size) {
        const qsizetype sectorSize = qsizetype(1) << shift;
        // The big sectors count from after the 512-byte header, the mini sectors from 0.
        const qsizetype base = shift == 6 ? 0 : sectorSize;
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

    QByteArray m_bytes;
    int m_sectorShift = 9;
    QList<quint32> m_fat;
    bool m_valid = false;
};

// The cells the sheets claim in their DIMENSION records (BIFF8 and BIFF5); none when the file
// holds no workbook stream.
std::optional<quint64> claimedCells(const QByteArray& bytes) {
    const CompoundFile file(bytes);
    auto workbook = file.stream(QStringLiteral("Workbook"));
    if (!workbook)
        workbook = file.stream(QStringLiteral("Book"));
    if (!workbook)
        return std::nullopt;
    const char* data = workbook->constData();
    quint64 cells = 0;
    for (qsizetype at = 0; at + 4 <= workbook->size();) {
        const quint16 type = qFromLittleEndian<quint16>(data + at);
        const qsizetype length = qFromLittleEndian<quint16>(data + at + 2);
        const qsizetype body = at + 4;
        if (type == 0x0200 && length >= 14 && body + 14 <= workbook->size())
            cells +=
                quint64(qFromLittleEndian<quint32>(data + body + 4)) * qFromLittleEndian<quint16>(data + body + 10);
        else if (type == 0x0200 && length >= 10 && body + 10 <= workbook->size())
            cells += quint64(qFromLittleEndian<quint16>(data + body + 2)) * qFromLittleEndian<quint16>(data + body + 6);
        at = body + length;
    }
    return cells;
}

QString cellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? QString::fromUtf8(cell.value.text_value).left(maxCellText) : QString();
    default:
        return {};
    }
}

} // namespace

Sheet readXls(const QByteArray& bytes) {
    Sheet sheet;
    // FreeXL reads files only.
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        sheet.error = QStringLiteral("не удалось записать временный файл: ") + file.errorString();
        return sheet;
    }
    const QByteArray path = QFile::encodeName(file.fileName());

    // The claims first: FreeXL spends memory on them as it opens the file.
    const auto spanned = claimedCells(bytes);
    if (!spanned) {
        sheet.error = QStringLiteral("это не книга Excel 97–2003 или она повреждена");
        return sheet;
    }
    if (*spanned > kMostSpannedCells) {
        sheet.error = QStringLiteral("в её листах больше %1 млн ячеек — это не список деталей")
                          .arg(kMostSpannedCells / 1'000'000);
        return sheet;
    }

    const void* raw = nullptr;
    const int opened = freexl_open(path.constData(), &raw);
    const Handle handle(raw);
    unsigned int value = 0;
    if (opened == FREEXL_OK && freexl_get_info(raw, FREEXL_BIFF_PASSWORD, &value) == FREEXL_OK &&
        value == FREEXL_BIFF_OBFUSCATED) {
        sheet.error = QStringLiteral("книга защищена паролем");
        return sheet;
    }
    if (opened == FREEXL_OK && freexl_get_info(raw, FREEXL_BIFF_SHEET_COUNT, &value) == FREEXL_OK)
        sheet.sheetCount = static_cast<int>(std::min<unsigned int>(value, 1 << 16));
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (opened != FREEXL_OK || freexl_select_active_worksheet(raw, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(raw, &rowCount, &columnCount) != FREEXL_OK) {
        sheet.error = QStringLiteral("это не книга Excel 97–2003 или она повреждена");
        return sheet;
    }
    const char* name = nullptr;
    if (freexl_get_worksheet_name(raw, 0, &name) == FREEXL_OK && name)
        sheet.name = QString::fromUtf8(name);

    RowCollector rows(sheet);
    const unsigned int readRows = std::min<unsigned int>(rowCount, maxRows);
    // Rows past the bound are not read; say so when the sheet has any.
    sheet.truncated = rowCount > maxRows;
    const unsigned short readColumns = std::min<unsigned short>(columnCount, maxColumns);
    for (unsigned int r = 0; r < readRows; ++r) {
        for (unsigned short c = 0; c < readColumns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(raw, r, c, &cell) == FREEXL_OK && !rows.set(r, c, cellText(cell)))
                return sheet;
        }
    }
    return sheet;
}

} // namespace SpreadsheetReader
