#ifndef LATEPERSONHASH_H
#define LATEPERSONHASH_H

#include "vrek/message/ctrlmessage.h"

#include <QHash>
#include <QString>

// On the lecturer's side: the replay phase last sent to each late joiner. Main thread only, so no lock.
class LatePersonHash
{
public:
    LatePersonHash() = default;
    virtual ~LatePersonHash();

    void updatePersonState(const QString &personId, CtrlMessage::LateCtrlType type);
    bool deletePersonState(const QString &personId);
    bool selectPersonState(const QString &personId, CtrlMessage::LateCtrlType &type) const;
    int count() const { return m_persons.size(); }

private:
    QHash<QString, CtrlMessage::LateCtrlType> m_persons;
};

#endif // LATEPERSONHASH_H
