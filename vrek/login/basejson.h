#ifndef BASEJSON_H
#define BASEJSON_H

#include <QByteArray>
#include <QObject>

// Base of the classes that read one JSON reply into their properties.
class BaseJson : public QObject
{
    Q_OBJECT
public:
    explicit BaseJson(QObject *parent = nullptr);
    ~BaseJson() override;

    // False when the text does not hold what the class describes; the properties then keep what they had.
    virtual bool parse(const QByteArray &json) = 0;
};

#endif // BASEJSON_H
