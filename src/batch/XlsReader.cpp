#include "CompoundFile.h"
#include "SpreadsheetReader.h"

#include <QtEndian>

#include <cstring>
#include <optional>
#include <tuple>

// Excel 97–2003 (BIFF8) books: the cells of the first worksheet, read from the book's records
// with every length checked against its record. Not FreeXL: it read 30 KB past a buffer of its
// own on a damaged 5 KB book, and a book must never crash Orelia.
namespace SpreadsheetReader {

namespace {

enum RecordType : quint16 {
    kFormula = 0x0006,
    kEndOfFile = 0x000A,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kSharedStrings = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kBeginOfFile = 0x0809,
};

// A sheet holds no more cells than this; shared strings past it read as empty.
constexpr quint32 kMostSharedStrings = quint32(maxRows) * maxColumns;

quint16 u16(QByteArrayView bytes, qsizetype at) {
    return at >= 0 && at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.data() + at) : 0;
}

quint32 u32(QByteArrayView bytes, qsizetype at) {
    return at >= 0 && at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.data() + at) : 0;
}

double f64(QByteArrayView bytes, qsizetype at) {
    double value = 0;
    if (at >= 0 && at + 8 <= bytes.size()) {
        const quint64 bits = qFromLittleEndian<quint64>(bytes.data() + at);
        std::memcpy(&value, &bits, sizeof value);
    }
    return value;
}

// A number in 30 bits: an integer or the high bits of a double, optionally in hundredths.
double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 0x01 ? value / 100 : value;
}

struct Record {
    quint16 type = 0;
    QByteArrayView body;
};

// The records of a stream from an offset on; one that runs past the stream ends them.
class Records {
public:
    Records(const QByteArray& stream, qsizetype at)
        : m_stream(stream)
        , m_at(at) {}

    std::optional<Record> next() {
        if (m_at < 0 || m_at + 4 > m_stream.size())
            return std::nullopt;
        const quint16 type = u16(m_stream, m_at);
        const qsizetype length = u16(m_stream, m_at + 2);
        if (m_at + 4 + length > m_stream.size())
            return std::nullopt;
        const Record record{type, QByteArrayView(m_stream).sliced(m_at + 4, length)};
        m_at += 4 + length;
        return record;
    }
    std::optional<Record> peek() const {
        Records copy(m_stream, m_at);
        return copy.next();
    }

private:
    const QByteArray& m_stream;
    qsizetype m_at;
};

// A record and the CONTINUE records after it read as one: where the characters of a string run
// on into a CONTINUE, its first byte says anew whether they are one byte or two each.
class Pieces {
public:
    explicit Pieces(QList<QByteArrayView> pieces, qsizetype at = 0)
        : m_pieces(std::move(pieces))
        , m_at(at) {}

    bool ok() const { return m_ok; }

    quint32 number(int bytes) {
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= quint32(byte()) << (8 * i);
        return value;
    }
    void skip(quint64 count) {
        for (quint64 i = 0; i < count && m_ok; ++i)
            byte();
    }
    QString chars(quint32 count, bool wide) {
        QString out;
        while (count > 0 && m_ok) {
            if (m_piece >= m_pieces.size()) {
                m_ok = false;
                break;
            }
            const QByteArrayView piece = m_pieces[m_piece];
            if (m_at >= piece.size()) {
                if (++m_piece >= m_pieces.size() || m_pieces[m_piece].isEmpty()) {
                    m_ok = false;
                    break;
                }
                wide = (m_pieces[m_piece][0] & 0x01) != 0;
                m_at = 1;
                continue;
            }
            const qsizetype width = wide ? 2 : 1;
            const qsizetype take = std::min<qsizetype>((piece.size() - m_at) / width, count);
            if (take == 0) { // half a character before the piece ends
                m_ok = false;
                break;
            }
            for (qsizetype i = 0; i < take && out.size() < maxCellText; ++i)
                out.append(wide ? QChar(u16(piece, m_at + 2 * i)) : QChar(char16_t(uchar(piece[m_at + i]))));
            m_at += take * width;
            count -= quint32(take);
        }
        return out;
    }

private:
    quint8 byte() {
        while (m_piece < m_pieces.size() && m_at >= m_pieces[m_piece].size()) {
            ++m_piece;
            m_at = 0;
        }
        if (m_piece >= m_pieces.size()) {
            m_ok = false;
            return 0;
        }
        return quint8(m_pieces[m_piece][m_at++]);
    }

    QList<QByteArrayView> m_pieces;
    qsizetype m_piece = 0;
    qsizetype m_at = 0;
    bool m_ok = true;
};

// A BIFF8 string of the kind given: the character count in `countBytes` bytes, the flags, the
// rich-text runs and phonetic data skipped.
QString unicodeString(Pieces& in, int countBytes) {
    const quint32 count = in.number(countBytes);
    const quint8 flags = quint8(in.number(1));
    const quint32 runs = flags & 0x08 ? in.number(2) : 0;
    const quint32 phonetic = flags & 0x04 ? in.number(4) : 0;
    QString text = in.chars(count, flags & 0x01);
    in.skip(quint64(runs) * 4 + phonetic);
    return text;
}

QStringList sharedStrings(Records& records, QByteArrayView body) {
    QList<QByteArrayView> pieces{body};
    while (const auto next = records.peek()) {
        if (next->type != kContinue)
            break;
        pieces.append(records.next()->body);
    }
    const quint32 count = std::min(u32(body, 4), kMostSharedStrings);
    Pieces in(pieces, 8);
    QStringList strings;
    for (quint32 i = 0; i < count && in.ok(); ++i)
        strings.append(unicodeString(in, 2));
    return strings;
}

} // namespace

Sheet readXls(const QByteArray& bytes) {
    Sheet sheet;
    const CompoundFile file(bytes);
    const auto stream = file.stream(QStringLiteral("Workbook"));
    if (!stream && file.contains(QStringLiteral("Book"))) {
        sheet.error = QStringLiteral("это книга Excel 5–95; сохраните её как .xlsx или .xls (Excel 97–2003)");
        return sheet;
    }
    const QString damaged = QStringLiteral("это не книга Excel 97–2003 или она повреждена");
    if (!stream) {
        sheet.error = damaged;
        return sheet;
    }
    Records globals(*stream, 0);
    const auto first = globals.next();
    if (!first || first->type != kBeginOfFile) {
        sheet.error = damaged;
        return sheet;
    }
    QStringList shared;
    std::optional<qsizetype> worksheet;
    while (const auto record = globals.next()) {
        if (record->type == kEndOfFile)
            break;
        if (record->type == kFilePass) {
            sheet.error = QStringLiteral("книга защищена паролем");
            return sheet;
        }
        if (record->type == kSharedStrings) {
            shared = sharedStrings(globals, record->body);
        } else if (record->type == kBoundSheet && record->body.size() >= 8) {
            // Worksheets only; charts and macro sheets hold no list.
            if (quint8(record->body[5]) != 0)
                continue;
            if (++sheet.sheetCount == 1) {
                worksheet = qsizetype(u32(record->body, 0));
                Pieces in({record->body}, 6);
                sheet.name = unicodeString(in, 1);
            }
        }
    }
    if (!worksheet) {
        sheet.error = QStringLiteral("в книге нет листов");
        return sheet;
    }

    Records cells(*stream, *worksheet);
    const auto begin = cells.next();
    if (!begin || begin->type != kBeginOfFile) {
        sheet.error = damaged;
        return sheet;
    }
    RowCollector rows(sheet);
    // A formula whose text comes in the next STRING record; -1 for none.
    qint64 pendingRow = -1;
    qint64 pendingColumn = 0;
    while (const auto record = cells.next()) {
        const QByteArrayView body = record->body;
        const quint16 row = u16(body, 0);
        const quint16 column = u16(body, 2);
        QString text;
        switch (record->type) {
        case kLabelSst:
            text = shared.value(qsizetype(u32(body, 6)));
            break;
        case kLabel:
        case kRString: {
            Pieces in({body}, 6);
            text = unicodeString(in, 2);
            break;
        }
        case kNumber:
            text = numberText(f64(body, 6));
            break;
        case kRk:
            text = numberText(rkValue(u32(body, 6)));
            break;
        case kMulRk:
            // Columns from the first on, a format and a number each, the last column at the end.
            for (qsizetype at = 4, c = column; at + 6 <= body.size() - 2; at += 6, ++c) {
                if (!rows.set(row, c, numberText(rkValue(u32(body, at + 2)))))
                    return sheet;
            }
            continue;
        case kBoolErr:
            if (body.size() >= 8 && body[7] == 0)
                text = body[6] ? QStringLiteral("1") : QStringLiteral("0");
            break;
        case kFormula:
            if (u16(body, 12) != 0xFFFF)
                text = numberText(f64(body, 6));
            else if (body.size() > 6 && body[6] == 0)
                std::tie(pendingRow, pendingColumn) = std::pair<qint64, qint64>(row, column);
            else if (body.size() > 8 && body[6] == 1)
                text = body[8] ? QStringLiteral("1") : QStringLiteral("0");
            break;
        case kString:
            if (pendingRow >= 0) {
                Pieces in({body});
                text = unicodeString(in, 2);
                if (!rows.set(pendingRow, pendingColumn, text.left(maxCellText)))
                    return sheet;
                pendingRow = -1;
            }
            continue;
        case kEndOfFile:
            return sheet;
        default:
            continue;
        }
        if (!rows.set(row, column, text.left(maxCellText)))
            return sheet;
    }
    return sheet;
}

} // namespace SpreadsheetReader
