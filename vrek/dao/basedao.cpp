#include "vrek/dao/basedao.h"

#include "vrek/dao/dbmanager.h"

bool BaseDao::openDB()
{
    return DBManager::openDataBase(QString::fromLatin1(DBManager::dataBaseName));
}

bool BaseDao::closeDB()
{
    return DBManager::closeDataBase();
}
