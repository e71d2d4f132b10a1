#pragma once

#include "net/ServiceEndpoints.h"

#include <QList>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class UserDefaults;

// The folded "Адрес сервиса" block of a supplier's sheet. Each entry is one setting that has a
// value built in (a service's address, a provider identifier): the value in use and where it comes
// from, a field to save another one, and "По умолчанию" to return to the built-in one. A value is
// checked when it is saved; one that needs the buyer's second thought (plain http to another
// computer) is saved only on a second "Сохранить", and carries a warning while it is in use.
class ServiceAddressBlock : public QWidget {
    Q_OBJECT

public:
    struct InUse {
        // Empty when nothing is set.
        QString value;
        // Where it comes from: "встроенный адрес", "сохранён в настройках", …
        QString origin;
        // Why the value cannot be used (a damaged saved value, a wrong environment variable).
        QString problem;
        // It travels unencrypted: shown as a warning.
        bool unencrypted = false;
        // False where the value is not the buyer's to change (the demo mode).
        bool editable = true;
    };
    struct Check {
        // What is stored; ignored when `error` is set.
        QString value;
        QString error;
        // When set, the value is stored only on a second "Сохранить" with the same text.
        QString warning;
    };
    struct Entry {
        QString title;
        std::function<InUse()> inUse;
        // What the field shows when the sheet opens (the saved value, if any).
        std::function<QString()> saved;
        QString placeholder;
        std::function<Check(const QString&)> check;
        std::function<void(const QString&)> store;
        // Returns to the built-in value; gives the status to show.
        std::function<QString()> reset;
        // Said in place of "Используется: …" when nothing is set.
        QString missingText;
    };

    explicit ServiceAddressBlock(QWidget* parent = nullptr);

    // Opens the block when the entry has nothing set and must have something.
    void addEntry(Entry entry, bool required = false);
    // An entry for one service's address, kept under its settings key.
    static Entry addressEntry(ServiceEndpoints& endpoints, UserDefaults& defaults, ServiceEndpoints::Service service,
                              const QString& title);
    // "встроенный адрес", "из переменной окружения ORELIA_AUTOEURO_URL", … (for the command line too).
    static QString originText(ServiceEndpoints::Source source, ServiceEndpoints::Service service);

    bool isOpen() const;
    void setOpen(bool open);
    int entryCount() const { return static_cast<int>(m_rows.size()); }
    QLineEdit* field(int entry) const { return m_rows.at(entry).field; }
    QPushButton* saveButton(int entry) const { return m_rows.at(entry).save; }
    QPushButton* defaultButton(int entry) const { return m_rows.at(entry).reset; }
    // "Используется: … — …", and the warning or problem under it.
    QString inUseText(int entry) const;
    QString warningText(int entry) const;
    QString status(int entry) const;

Q_SIGNALS:
    // A value was saved or reset.
    void changed();

private:
    struct Row {
        Entry entry;
        QLabel* inUse = nullptr;
        QLabel* warning = nullptr;
        QLineEdit* field = nullptr;
        QPushButton* save = nullptr;
        QPushButton* reset = nullptr;
        QLabel* status = nullptr;
        // The value a warning was shown for; saved if "Сохранить" comes again with it.
        QString confirming;
    };

    void refresh();
    void save(int entry);
    void resetEntry(int entry);

    QToolButton* m_toggle = nullptr;
    QLabel* m_summary = nullptr;
    QWidget* m_body = nullptr;
    QList<Row> m_rows;
};
