#include "ExportDialog.h"

#include "export/TableExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace ExportDialog {

namespace {

const QString kWorkbookFilter = QStringLiteral("Книга Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV для Excel (*.csv)");

} // namespace

QString suggestedName(const QString& what, const QDate& date) {
    QString name = QStringLiteral("Orelia ") + what + u' ' + date.toString(Qt::ISODate);
    for (QChar& c : name) {
        if (QStringLiteral("/\\\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = u'-';
    }
    return name.simplified();
}

void save(QWidget* parent, const QString& suggestedName, QList<ExportTable> tables,
          std::function<void(const QString& message)> done) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    auto* dialog = new QFileDialog(parent, QStringLiteral("Экспорт"), folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({kWorkbookFilter, kCsvFilter});
    dialog->setDefaultSuffix(QStringLiteral("xlsx"));
    dialog->selectFile(suggestedName + QStringLiteral(".xlsx"));
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter == kCsvFilter ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    });
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [tables = std::move(tables), done = std::move(done)](const QString& path) {
                         const auto error = TableExport::save(tables, path);
                         done(error ? *error : QStringLiteral("Сохранено: ") + QFileInfo(path).fileName());
                     });
    dialog->open();
}

} // namespace ExportDialog
