#pragma once

#include <QByteArray>
#include <QString>

// A list file as buyers have it, as the text BatchInput::parse reads: a text file (UTF-8 with
// or without BOM, Windows-1251 as Russian Excel writes CSV, UTF-16 with or without BOM as its
// "Unicode text") as it is, and the first sheet of a workbook (.xlsx, .ods, .xls) as
// tab-separated lines, line n holding row n so that messages name the sheet's rows. Anything
// else (a PDF, a picture, a Word document, a web page) is refused before a single request.
struct ListFile {
    static constexpr qsizetype maxFileBytes = 16 * 1024 * 1024;

    QString text;
    // Why the file cannot be read as a list ("Файл не похож на список артикулов: это документ
    // PDF."); empty when it was read.
    QString error;
    // What the buyer should know about the reading: which sheet of several was taken, rows left out.
    QString note;

    static ListFile read(const QByteArray& bytes);
};
