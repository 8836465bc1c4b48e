#include "platform/coreaudio/coreaudiomicrophone.h"

#include <QDebug>

CoreAudioMicrophone::CoreAudioMicrophone() = default;

CoreAudioMicrophone::~CoreAudioMicrophone() = default;

bool CoreAudioMicrophone::setBoostLevel(float decibels)
{
    qDebug() << "boost level:" << decibels << "no boost control";
    return true;
}
