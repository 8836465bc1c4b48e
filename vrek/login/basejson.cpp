#include "vrek/login/basejson.h"

BaseJson::BaseJson(QObject *parent)
    : QObject(parent)
{ }

BaseJson::~BaseJson() = default;
