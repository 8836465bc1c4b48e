#include "vrek/course/latepersonhash.h"

#include <QDebug>

LatePersonHash::~LatePersonHash() = default;

void LatePersonHash::updatePersonState(const QString &personId, CtrlMessage::LateCtrlType type)
{
    m_persons.insert(personId, type);
}

bool LatePersonHash::deletePersonState(const QString &personId)
{
    if (m_persons.remove(personId) == 0) {
        qWarning() << "the pid does not exist! pid:" << personId;
        return false;
    }
    return true;
}

bool LatePersonHash::selectPersonState(const QString &personId, CtrlMessage::LateCtrlType &type) const
{
    const auto found = m_persons.constFind(personId);
    if (found == m_persons.constEnd())
        return false;
    type = found.value();
    return true;
}
