#ifndef USERINFOLISTMODEL_H
#define USERINFOLISTMODEL_H

#include "vrek/userinfo/userinfo.h"

#include <QAbstractListModel>
#include <QList>
#include <QReadWriteLock>

// The students of the participant panel in display order. The records are copies; the current state of a
// participant lives in the participant table, the model only knows who is listed and where. A lookup and the
// change after it take the read and then the write lock, never both at once; the model's signals go out with
// no lock held, since the views read the model back while they handle them.
class UserInfoListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit UserInfoListModel(QObject *parent = nullptr);
    ~UserInfoListModel() override;

    // The display order: the lesson's teacher, then type "0", then names in the locale's order.
    static bool lessThan(const UserInfo &a, const UserInfo &b);

    // False, with a warning, when the user is listed already.
    bool appendRow(const UserInfo &userInfo);
    // Appends the users not listed yet, in the list's order; appended (when given) receives them.
    bool appendRows(const QList<UserInfo> &list, QList<UserInfo> *appended = nullptr);
    // False, with a warning, when the user is not listed.
    bool removeRow(const UserInfo &userInfo);
    bool clear();
    // Sorts in place without telling the views; the list view rebuilds its rows itself. The model's sort by a
    // column stays Qt's (it does nothing).
    void sort();
    using QAbstractListModel::sort;

    // The row of a user id, -1 when not listed.
    int rowOf(const QString &userId) const;
    QList<UserInfo> userInfoList() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // Qt::UserRole gives the row's user id.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    mutable QReadWriteLock m_lock;
    QList<UserInfo> m_list;
};

#endif // USERINFOLISTMODEL_H
