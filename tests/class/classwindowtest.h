#ifndef CLASSWINDOWTEST_H
#define CLASSWINDOWTEST_H

#include "vrek/container/userinfohash.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/utils/globalvalue.h"

// What the class window tests share: the student 李小明 (S1) in class 3101, a WebRTC lesson (type 4) of the
// lecturer T1, with nobody known yet.
namespace ClassWindowTest {
inline void enterStudentLesson()
{
    g_userInfoHash.clear();
    g_teacherList.clear();
    g_userId = "S1";
    g_userName = "李小明";
    g_userType = 1;
    g_lectId = "T1";
    g_classType = 4;
    g_classId = "class3101";
}

// The participant's record as stored now; empty when unknown.
inline UserInfo storedUser(const QString &id)
{
    UserInfo userInfo;
    g_userInfoHash.selectUserInfo(id, userInfo);
    return userInfo;
}
} // namespace ClassWindowTest

#endif // CLASSWINDOWTEST_H
