#include "ZipEntries.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>

namespace {

using Source = ZipEntries::Source;

voidpf openSource(voidpf opaque, const void*, int) {
    return opaque;
}

uLong readSource(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* source = static_cast<Source*>(stream);
    const qint64 left = source->bytes.size() - source->position;
    const qint64 count = std::clamp<qint64>(left, 0, qint64(size));
    std::memcpy(buffer, source->bytes.constData() + source->position, size_t(count));
    source->position += count;
    return uLong(count);
}

uLong writeNothing(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T tellSource(voidpf, voidpf stream) {
    return ZPOS64_T(static_cast<Source*>(stream)->position);
}

long seekSource(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* source = static_cast<Source*>(stream);
    const qint64 size = source->bytes.size();
    if (offset > ZPOS64_T(size))
        return -1;
    qint64 position = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        position += source->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        position = size - qint64(offset);
    if (position < 0 || position > size)
        return -1;
    source->position = position;
    return 0;
}

int closeSource(voidpf, voidpf) {
    return 0;
}

int noError(voidpf, voidpf) {
    return 0;
}

} // namespace

ZipEntries::ZipEntries(const QByteArray& bytes)
    : m_source{bytes, 0} {
    zlib_filefunc64_def functions{openSource, readSource,  writeNothing, tellSource,
                                  seekSource, closeSource, noError,      &m_source};
    unzFile zip = unzOpen2_64("", &functions);
    unz_global_info64 info;
    if (zip && (unzGetGlobalInfo64(zip, &info) != UNZ_OK || info.number_entry > maxEntries)) {
        unzClose(zip);
        zip = nullptr;
    }
    m_zip = zip;
}

ZipEntries::~ZipEntries() {
    if (m_zip)
        unzClose(m_zip);
}

bool ZipEntries::contains(const QString& name) const {
    // 2: without regard to case.
    return m_zip && unzLocateFile(m_zip, name.toUtf8().constData(), 2) == UNZ_OK;
}

ZipEntries::Member ZipEntries::read(const QString& name, qsizetype maxBytes) const {
    if (!contains(name))
        return {{}, Failure::missing};
    if (unzOpenCurrentFile(m_zip) != UNZ_OK)
        return {{}, Failure::damaged};
    QByteArray bytes;
    char chunk[64 * 1024];
    std::optional<Failure> failure;
    while (true) {
        const int got = unzReadCurrentFile(m_zip, chunk, sizeof chunk);
        if (got < 0) {
            failure = Failure::damaged;
            break;
        }
        if (got == 0)
            break;
        if (bytes.size() + got > maxBytes) {
            failure = Failure::tooLarge;
            break;
        }
        bytes.append(chunk, got);
    }
    // A wrong checksum shows on close: the member is damaged.
    if (unzCloseCurrentFile(m_zip) != UNZ_OK && !failure)
        failure = Failure::damaged;
    if (failure)
        return {{}, failure};
    return {bytes, std::nullopt};
}
