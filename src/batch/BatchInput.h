#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// One part of a list to price: the article, optionally the brand wanted, and how many.
struct BatchLine {
    int lineNumber = 0; // in the input, from 1
    QString article;
    QString brand; // empty when any brand will do
    std::int64_t quantity = 1;

    bool operator==(const BatchLine&) const = default;
};

// A line of the input that could not be read, with its number and what is wrong with it.
struct BatchInputIssue {
    int lineNumber = 0;
    QString message;

    // "Строка 4: количество «много» — не целое число от 1"
    QString text() const;
    bool operator==(const BatchInputIssue&) const = default;
};

// A list as pasted or read from a .txt or .csv file: one part per line, the article first,
// then optionally the brand and the quantity, separated by tabs, semicolons or commas (CSV
// quoting is understood). A header line naming the columns is recognised and skipped, and
// its titles say which column is which. Blank lines are ignored.
struct BatchInput {
    static constexpr int maxLines = 500;
    static constexpr std::int64_t maxQuantity = 100000;
    static constexpr qsizetype maxFileBytes = 4 * 1024 * 1024;

    QList<BatchLine> lines;
    QList<BatchInputIssue> issues;
    bool headerSkipped = false;

    static BatchInput parse(QStringView text);
    // The bytes of a file as text: UTF-8 (with or without BOM), else Windows-1251, which
    // Russian Excel writes its CSV files in. None when neither fits.
    static std::optional<QString> decode(const QByteArray& bytes);
};
