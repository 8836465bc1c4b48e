#ifndef BANNERJSON_H
#define BANNERJSON_H

#include "vrek/login/basejson.h"

#include <QString>

// One banner of the login window: {"result":[{"id":..,"img":"..","link":".."}, ...]}, the first entry counts.
class BannerJson : public BaseJson
{
    Q_OBJECT
    Q_PROPERTY(int id READ id WRITE setId)
    Q_PROPERTY(QString image READ image WRITE setImage)
    Q_PROPERTY(QString link READ link WRITE setLink)
public:
    explicit BannerJson(QObject *parent = nullptr);

    bool parse(const QByteArray &json) override;

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString image() const { return m_image; }
    void setImage(const QString &image) { m_image = image; }
    QString link() const { return m_link; }
    void setLink(const QString &link) { m_link = link; }

    bool isValid() const;
    bool differsFrom(const BannerJson &other) const;
    void copyFrom(const BannerJson &other);
    void clear();

private:
    int m_id = -1;
    QString m_image;
    QString m_link;
};

#endif // BANNERJSON_H
