#include "vrek/dao/dbmanager.h"

#include "platform/appdata/appdata.h"
#include "vrek/transferfile/diskroom.h"

#include <QAtomicPointer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <sqlite3.h>

const char *const DBManager::dataBaseName = "ESystemData2";

namespace {
QStringList typeStringList;
bool prepared = false;
QMutex operationLock;
QMutex accessLock;
// The thread inside an access period; a second open from it would wait for itself.
QAtomicPointer<QThread> accessOwner;
QThread *mainConnectionThread = nullptr;
QString openConnection; // the connection of the running access period
thread_local bool lastNoRoom = false;

QString connectionNameFor(QThread *thread)
{
    if (thread == mainConnectionThread)
        return QString::fromLatin1(DBManager::dataBaseName);
    return QString("%1@%2").arg(QString::fromLatin1(DBManager::dataBaseName)).arg(quintptr(thread), 0, 16);
}

bool connectionOpen()
{
    return !openConnection.isEmpty() && QSqlDatabase::database(openConnection, false).isOpen();
}
} // namespace

bool DBManager::dbFileInitial()
{
    {
        QMutexLocker locker(&operationLock);
        if (prepared) {
            qDebug() << "the init == true ! ";
            return true;
        }
        prepared = true;
        mainConnectionThread = QThread::currentThread();
        const QString name = QString::fromLatin1(dataBaseName);
        if (!QSqlDatabase::contains(name))
            QSqlDatabase::addDatabase("QSQLITE", name);
    }
    typeStringList << "NULL"
                   << "INTEGER"
                   << "REAL"
                   << "TEXT"
                   << "BLOB";
    if (typeStringList.size() != 5) {
        qWarning() << "the typeStringListSize != 5 error! ";
        return false;
    }
    return true;
}

bool DBManager::createDataFile(const QString &fileName)
{
    if (QFile::exists(fileName)) {
        qWarning() << "the dbFile is exist already! fileName:" << fileName;
        return false;
    }
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder)) {
        qWarning() << "the dbFile folder cannot be made! fileName:" << fileName;
        return false;
    }
    // The user's files and transfers are nobody else's business.
    if (!AppData::makePrivateFile(fileName)) {
        qWarning() << "the dbFile open failed! fileName:" << fileName;
        return false;
    }
    return true;
}

bool DBManager::openDataBase(const QString &fileName)
{
    lastNoRoom = false;
    QThread *self = QThread::currentThread();
    if (accessOwner.loadAcquire() == self) {
        qWarning() << "the dataBase is open already! ";
        return false;
    }
    if (!prepared)
        dbFileInitial();
    accessLock.lock();
    accessOwner.storeRelease(self);
    QMutexLocker locker(&operationLock);
    const QString name = connectionNameFor(self);
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase("QSQLITE", name);
    if (db.isOpen()) {
        qWarning() << "the dataBase is open already! ";
        accessOwner.storeRelease(nullptr);
        accessLock.unlock();
        return false;
    }
    db.setDatabaseName(fileName);
    if (!db.open()) {
        qWarning() << "the dataBase is not open! sqlError:" << db.lastError().text();
        // A failed open starts no access period: nobody will close it, so the lock goes back now.
        accessOwner.storeRelease(nullptr);
        accessLock.unlock();
        return false;
    }
    openConnection = name;
    return true;
}

bool DBManager::closeDataBase()
{
    QMutexLocker locker(&operationLock);
    if (accessOwner.loadAcquire() != QThread::currentThread() || !connectionOpen()) {
        qWarning() << "the dataBase does not open! ";
        return false;
    }
    const QString name = openConnection;
    openConnection.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    // Connections of worker threads go with their period: the thread may end before the next one.
    if (name != QString::fromLatin1(dataBaseName))
        QSqlDatabase::removeDatabase(name);
    accessOwner.storeRelease(nullptr);
    accessLock.unlock();
    return true;
}

bool DBManager::isOpen()
{
    QMutexLocker locker(&operationLock);
    return accessOwner.loadAcquire() == QThread::currentThread() && connectionOpen();
}

bool DBManager::lastFailureWasNoRoom()
{
    return lastNoRoom;
}

// Called with the operation lock held, right after the failure: the system's error is the connection's last.
void DBManager::noteFailure(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return;
    if (code == SQLITE_FULL) {
        lastNoRoom = true;
        return;
    }
    if (code != SQLITE_IOERR)
        return;
    const QVariant handle = QSqlDatabase::database(openConnection, false).driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData());
    lastNoRoom = db && DiskRoom::isNoRoomError(sqlite3_system_errno(db));
}

bool DBManager::exec(const QString &sql, const QVariantList &bindings, QList<QVariantList> *rows, QStringList *columns)
{
    lastNoRoom = false;
    QMutexLocker locker(&operationLock);
    if (accessOwner.loadAcquire() != QThread::currentThread() || !connectionOpen()) {
        qWarning() << "the dataBase not open error! ";
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(openConnection, false));
    if (!query.prepare(sql)) {
        qWarning() << "the sqlStr exec error! sqlStr:" << sql << "sqlError:" << query.lastError().text();
        return false;
    }
    for (const QVariant &value : bindings)
        query.addBindValue(value);
    if (!query.exec()) {
        qWarning() << "the sqlStr exec error! sqlStr:" << sql << "sqlError:" << query.lastError().text();
        noteFailure(query.lastError());
        return false;
    }
    if (columns) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            columns->append(record.fieldName(i));
    }
    if (rows) {
        const int count = query.record().count();
        while (query.next()) {
            QVariantList row;
            row.reserve(count);
            for (int i = 0; i < count; ++i)
                row.append(query.value(i));
            rows->append(row);
        }
    }
    return true;
}

bool DBManager::createTable(const QString &table, const QStringList &keys, const QList<SQLiteDataType> &types)
{
    if (keys.size() != types.size()) {
        QStringList typeNames;
        for (SQLiteDataType type : types)
            typeNames << QString::number(type);
        qWarning() << "the keyListSize != typeListSize error! keyList:" << keys << "typeList:" << typeNames;
        return false;
    }
    if (keys.isEmpty()) {
        qWarning() << "a table needs a column, table:" << table;
        return false;
    }
    QString sql = QString("CREATE TABLE %1 (").arg(table);
    for (int i = 0; i < keys.size(); ++i) {
        const QString typeName = typeStringList.value(int(types.at(i)), "TEXT");
        sql += QString(i == 0 ? "%1 %2 PRIMARY KEY ," : "%1 %2 ,").arg(keys.at(i), typeName);
    }
    sql.chop(1);
    sql += ");";
    return exec(sql, QVariantList());
}

bool DBManager::isExistTable(const QString &table, bool &exists)
{
    QList<QVariantList> rows;
    if (!exec("SELECT 1 FROM sqlite_master WHERE type = 'table' AND  name = ?", { table }, &rows))
        return false;
    exists = !rows.isEmpty();
    return true;
}

bool DBManager::isExistField(const QString &table, const QString &field, bool &exists)
{
    QList<QVariantList> rows;
    if (!exec("SELECT 1 FROM sqlite_master WHERE type = 'table' and name = ? and sql like '%' || ? || '%' ",
            { table, field }, &rows))
        return false;
    exists = !rows.isEmpty();
    return true;
}

bool DBManager::removeTable(const QString &table)
{
    QString quoted = table;
    quoted.replace('\'', "''");
    return exec(QString("DROP TABLE '%1'").arg(quoted), QVariantList());
}

bool DBManager::insert(const QString &table, const QMap<QString, QVariant> &values)
{
    QStringList columns;
    QStringList placeholders;
    QVariantList bindings;
    int position = 0;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it, ++position) {
        columns << it.key();
        placeholders << QString(":value%1").arg(position);
        bindings << it.value();
    }
    lastNoRoom = false;
    QMutexLocker locker(&operationLock);
    if (accessOwner.loadAcquire() != QThread::currentThread() || !connectionOpen()) {
        qWarning() << "the dataBase not open error! ";
        return false;
    }
    const QString sql = QString("INSERT INTO %1(%2) VALUES(%3) ").arg(table, columns.join(","), placeholders.join(","));
    QSqlQuery query(QSqlDatabase::database(openConnection, false));
    query.prepare(sql);
    for (int i = 0; i < bindings.size(); ++i)
        query.bindValue(QString(":value%1").arg(i), bindings.at(i));
    if (!query.exec()) {
        qWarning() << "the sqlStr exec error! sqlStr:" << sql << "sqlError:" << query.lastError().text();
        noteFailure(query.lastError());
        return false;
    }
    return true;
}

bool DBManager::update(
    const QString &table, const QMap<QString, QVariant> &values, const QString &condition, const QVariantList &bindings)
{
    QStringList sets;
    QVariantList all;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        sets << QString("%1=?").arg(it.key());
        all << it.value();
    }
    all << bindings;
    const QString sql = condition.isEmpty()
        ? QString("UPDATE %1 SET %2").arg(table, sets.join(","))
        : QString("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(","), condition);
    return exec(sql, all);
}

bool DBManager::remove(const QString &table, const QString &condition, const QVariantList &bindings)
{
    return exec(QString("DELETE FROM %1 WHERE %2").arg(table, condition), bindings);
}

bool DBManager::select(const QString &table, QStringList &keys, QList<QVariantList> &rows, const QString &condition,
    const QVariantList &bindings)
{
    const QString columns = keys.isEmpty() ? QString("*") : keys.join(",");
    const QString sql = condition.isEmpty() ? QString("SELECT %1 FROM %2").arg(columns, table)
                                            : QString("SELECT %1 FROM %2 WHERE %3").arg(columns, table, condition);
    QStringList names;
    if (!exec(sql, bindings, &rows, &names))
        return false;
    keys << names;
    return true;
}
