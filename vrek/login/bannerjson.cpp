#include "vrek/login/bannerjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

BannerJson::BannerJson(QObject *parent)
    : BaseJson(parent)
{ }

bool BannerJson::parse(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonValue result = document.object().value("result");
    if (!result.isArray() || result.toArray().isEmpty() || !result.toArray().first().isObject())
        return false;
    const QJsonObject first = result.toArray().first().toObject();
    m_id = first.value("id").toInt(-1);
    m_image = first.value("img").toString();
    m_link = first.value("link").toString();
    return true;
}

bool BannerJson::isValid() const
{
    return m_id != -1 && !m_image.isEmpty() && !m_link.isEmpty();
}

bool BannerJson::differsFrom(const BannerJson &other) const
{
    return m_id != other.m_id || m_image != other.m_image || m_link != other.m_link;
}

void BannerJson::copyFrom(const BannerJson &other)
{
    m_id = other.m_id;
    m_image = other.m_image;
    m_link = other.m_link;
}

void BannerJson::clear()
{
    m_id = -1;
    m_image.clear();
    m_link.clear();
}
