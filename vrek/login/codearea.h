#ifndef CODEAREA_H
#define CODEAREA_H

#include <QImage>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>
#include <QWidget>

class QPainter;
class QPainterPath;

// A four-digit captcha: draws the code, checks what the user typed and draws a new one when clicked.
class CodeArea : public QWidget
{
    Q_OBJECT
public:
    explicit CodeArea(QWidget *parent = nullptr);
    ~CodeArea() override;

    // Exact and case-sensitive; no trimming.
    bool checkCode(const QString &text);
    void refresh();
    int getCodeLength() const { return m_codeLength; }
    // The code as it stands (what the user is meant to read off the picture).
    QString codeText() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // The frame follows the widget's size, so a new size draws the picture anew.
    void resizeEvent(QResizeEvent *event) override;

private:
    void generateCode();
    void buildCodePaths();
    void drawTransform(QPainter &painter);
    void drawCodePath(QPainter &painter, int i);
    void drawNoise(QPainter &painter);

    QString m_code;
    QStringList m_alphabet;
    QStringList m_codeChars;
    QList<Qt::GlobalColor> m_colors;
    QList<QPainterPath *> m_codePaths;
    QImage *m_image;
    bool m_dirty = true;
    int m_noiseCount = 60;
    int m_maxRotation = 10;
    int m_scaleSpread = 15;
    int m_codeLength = 4;
    // Reseeded from the time with every new code.
    QRandomGenerator m_random;
};

#endif // CODEAREA_H
