#ifndef TIPLABEL_H
#define TIPLABEL_H

#include <QLabel>

// An eight-pixel red dot that marks something new; paints nothing at all while not shown.
class TipLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TipLabel(QWidget *parent = nullptr);

    void setTipShown(bool shown);
    bool isTipShown() const { return m_tipShown; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_tipShown = false;
};

#endif // TIPLABEL_H
