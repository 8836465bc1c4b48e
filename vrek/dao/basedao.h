#ifndef BASEDAO_H
#define BASEDAO_H

// Base of the table access classes. openDB and closeDB begin and end one access period on the database file.
class BaseDao
{
public:
    virtual ~BaseDao() = default;

    static bool openDB();
    static bool closeDB();
};

// Closes the period opened by its owner on every way out of a function.
class DaoAccessPeriod
{
public:
    DaoAccessPeriod()
        : m_open(BaseDao::openDB())
    { }
    ~DaoAccessPeriod()
    {
        if (m_open)
            BaseDao::closeDB();
    }
    bool isOpen() const { return m_open; }

    DaoAccessPeriod(const DaoAccessPeriod &) = delete;
    DaoAccessPeriod &operator=(const DaoAccessPeriod &) = delete;

private:
    bool m_open;
};

#endif // BASEDAO_H
