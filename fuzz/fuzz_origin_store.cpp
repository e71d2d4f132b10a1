// The portal's offer origins as the settings file holds them: the fuzzer's bytes are what
// QSettings keeps inside "@Variant(…)" (Qt's stream form of the stored dictionary), read back
// the way the application reads them when it starts.
#include "core/UserDefaults.h"
#include "FuzzInput.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"

#include <QCoreApplication>
#include <QFile>

// A damaged value may announce gigabytes: let such an allocation fail as it does outside ASan
// (Qt then throws std::bad_alloc) instead of ending the run as out of memory.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qint64 run = 0;
    const QString path =
        QStringLiteral("/dev/shm/orelia-fuzz-%1-%2.conf").arg(QCoreApplication::applicationPid()).arg(++run);
    QByteArray line = "[General]\n" + AutoligaPortalSearchContext::key().toUtf8() + "=@Variant(";
    for (const char byte : fuzzBytes(data, size))
        line += "\\x" + QByteArray::number(static_cast<unsigned char>(byte), 16).rightJustified(2, '0');
    line += ")\n";
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size())
            return 0;
    }
    {
        auto defaults = UserDefaults::atPath(path);
        if (const auto stored = defaults->mapValue(AutoligaPortalSearchContext::key())) {
            for (const QStringList& entry : AutoligaPortalSearchContext::fromStored(*stored))
                (void)entry.size();
        }
    }
    QFile::remove(path);
    return 0;
}
