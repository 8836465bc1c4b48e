#ifndef DBMANAGER_H
#define DBMANAGER_H

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSqlError;

// Static access to the local SQLite database. Each use is one access period: openDataBase, statements,
// closeDataBase; periods of different threads run one after another. Every thread gets a connection of its
// own, since a Qt connection may only be used by the thread that made it.
// Conditions are SQL text placed after WHERE; values from outside go in as bound "?" parameters.
class DBManager
{
public:
    enum SQLiteDataType {
        Null = 0,
        Integer = 1,
        Real = 2,
        Text = 3,
        Blob = 4,
    };

    static const char *const dataBaseName; // "ESystemData2": the file and the main thread's connection

    static bool dbFileInitial();
    static bool createDataFile(const QString &fileName);
    static bool openDataBase(const QString &fileName);
    static bool closeDataBase();
    static bool isOpen();
    // Whether the last statement this thread ran in its access period failed for want of room: the disk, a
    // quota or the process's file size limit would take no more (SQLite's "database or disk is full", or an I/O
    // error the system gave for that). The rows already stored stay as they were; the statement changed nothing.
    static bool lastFailureWasNoRoom();

    static bool createTable(const QString &table, const QStringList &keys, const QList<SQLiteDataType> &types);
    static bool isExistTable(const QString &table, bool &exists);
    static bool isExistField(const QString &table, const QString &field, bool &exists);
    static bool removeTable(const QString &table);
    static bool insert(const QString &table, const QMap<QString, QVariant> &values);
    static bool update(const QString &table, const QMap<QString, QVariant> &values, const QString &condition,
        const QVariantList &bindings = QVariantList());
    static bool remove(const QString &table, const QString &condition, const QVariantList &bindings = QVariantList());
    static bool select(const QString &table, QStringList &keys, QList<QVariantList> &rows, const QString &condition,
        const QVariantList &bindings = QVariantList());

private:
    static void noteFailure(const QSqlError &error);
    static bool exec(const QString &sql, const QVariantList &bindings, QList<QVariantList> *rows = nullptr,
        QStringList *columns = nullptr);
};

#endif // DBMANAGER_H
