#ifndef CHATSESSION_H
#define CHATSESSION_H

#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalvalue.h"

// The lesson the chat tests sit in: student S1 in class "class9" of lecturer L1, with classmate S2.
inline void setUpChatSession()
{
    g_userId = "S1";
    g_classId = "class9";
    g_classType = 4;
    g_userType = 1;
    g_lectId = "L1";
    g_userInfoHash.clear();
    g_userInfoHash.updateUserInfo(UserInfo("L1", "王老师", "0"));
    g_userInfoHash.updateUserInfo(UserInfo("S1", "李小明", "1"));
    g_userInfoHash.updateUserInfo(UserInfo("S2", "Ann", "1"));
}

#endif // CHATSESSION_H
