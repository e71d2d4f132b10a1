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

// A list as pasted or read from a file (ListFile): one part per line, the article first, then
// optionally the brand and the quantity ("2", "2 шт.", "1 компл."), separated by tabs,
// semicolons or commas (CSV quoting is understood). A header line naming the columns as buyers
// write them ("Код детали", "Бренд/Производитель", "Кол-во, шт") is recognised and skipped, and
// its titles say which column is which; a title line or two above it ("Заявка №…") is skipped
// too. Blank lines are ignored; a quantity that cannot be read is that line's error.
struct BatchInput {
    static constexpr int maxLines = 500;
    static constexpr std::int64_t maxQuantity = 100000;

    QList<BatchLine> lines;
    QList<BatchInputIssue> issues;
    bool headerSkipped = false;

    static BatchInput parse(QStringView text);
};
