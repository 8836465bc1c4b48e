#include "vrek/class/listreply.h"

ListReply ListReply::read(const QString &reply)
{
    ListReply result;
    result.loginStatus = QStringLiteral("0");
    if (StringUtil::httpJsonToList(reply, result.rows, result.loginStatus)) {
        result.isList = true;
        result.kind = result.loginStatus == QLatin1String("0") ? Rows : Expired;
        return result;
    }
    if (!StringUtil::httpJsonToMap(reply, result.loginStatus, result.body)) {
        if (StringUtil::isJsonDocument(reply))
            result.kind = Malformed;
        return result;
    }
    result.kind = result.loginStatus == QLatin1String("1") ? Expired : Refused;
    return result;
}
