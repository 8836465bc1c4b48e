#ifndef UPLOADBUTTON_H
#define UPLOADBUTTON_H

#include <QHash>
#include <QPushButton>
#include <QString>

// The "录屏上传" button of the recorded-lessons page: it paints the average progress of the recordings being
// uploaded as a bar behind its text, and reads "录屏上传" again once they are all done.
class UploadButton : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int complete = 1000;

    explicit UploadButton(QWidget *parent = nullptr);

    int shownProgress() const { return m_shown; }

public slots:
    // Progress in thousandths; 0 marks a recording that is not uploading and leaves the average.
    void slotSetProgress(const QString &id, int progress);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHash<QString, int> m_progress;
    int m_shown = complete;
};

#endif // UPLOADBUTTON_H
