#include "vrek/model/pulluserinfo.h"

PullUserInfo::PullUserInfo(const QString &userId)
    : m_userId(userId)
{ }

PullUserInfo::~PullUserInfo() = default;
