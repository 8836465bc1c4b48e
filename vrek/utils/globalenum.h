#ifndef GLOBALENUM_H
#define GLOBALENUM_H

#include <QMetaType>

// Enumerations shared by the records and signals of several parts of the client. No code of their own.
class GlobalEnum
{
public:
    enum PPMFromType {
        PPMPad = 0, // the pad link
        PPMServer = 1, // the classroom server
        PPMLocal = 2, // this client's own controls
    };

    // The joined lesson's type, 0 to 8: 0-4 and 8 use the WebRTC media panel, 6 and 7 the RTMP panel,
    // 5 and 6 are meetings.
    enum GroupType {
        GroupUnknown = -1,
        Group0 = 0,
        Group1 = 1,
        Group2 = 2,
        Group3 = 3,
        Group4 = 4,
        Group5 = 5,
        Group6 = 6,
        Group7 = 7,
        Group8 = 8,
    };

    // Push video size.
    enum VideoQualityType {
        VQ160x120 = 0,
        VQ320x240 = 1,
        VQ640x480 = 2,
    };

    // The own push stream as the media panels show it; 4 is "stopped".
    enum PushStreamState {
        PSS0 = 0,
        PSS1 = 1,
        PSS2 = 2,
        PSS3 = 3,
        PSSStopped = 4,
    };

    // 0, 2 and 4 are the lecturer's side; 0/1 open the school class window, 2/3 the teacher class window,
    // 4/5 no classroom window.
    enum UserType {
        UserUnknown = -1,
        User0 = 0,
        User1 = 1,
        User2 = 2,
        User3 = 3,
        User4 = 4,
        User5 = 5,
    };
};

Q_DECLARE_METATYPE(GlobalEnum::PPMFromType)
Q_DECLARE_METATYPE(GlobalEnum::GroupType)
Q_DECLARE_METATYPE(GlobalEnum::VideoQualityType)
Q_DECLARE_METATYPE(GlobalEnum::PushStreamState)
Q_DECLARE_METATYPE(GlobalEnum::UserType)

#endif // GLOBALENUM_H
