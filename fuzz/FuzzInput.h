#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as Qt sees an answer, without copying.
inline QByteArray fuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
