#ifndef COURSEFILEBUTTON_H
#define COURSEFILEBUTTON_H

#include <QString>
#include <QWidget>

class ToolButton;

// One tile of the course file bar: the file's icon and shortened name on a checkable button (checked: the open
// file), the download progress as a fill from the left, and a delete button in its corner.
class CourseFileButton : public QWidget
{
    Q_OBJECT
public:
    static const char *const normalStyle;

    CourseFileButton(const QString &fileIdAll, const QString &fileName, QWidget *parent = nullptr);
    ~CourseFileButton() override;

    // The name as the tile shows it at an interface scale: whole when short, else cut with the suffix below.
    static QString buttonText(const QString &fileName, double scale);

    QString getFileIdAll() const { return m_fileIdAll; }
    QString getFileName() const { return m_fileName; }
    ToolButton *mainButton() const { return m_mainButton; }
    ToolButton *deleteButton() const { return m_deleteButton; }

    void setBtnIcon();
    bool isChecked() const;
    void setChecked(bool checked);
    void setDeleteHidden(bool hidden);
    // Thousandths of the download.
    void setProgress(int value);
    void setNormalStyle();

signals:
    void signalBtnLeftClicked(QString fileIdAll);
    void signalBtnRightClicked(QString fileIdAll);
    void signalDelBtnClicked(QString fileIdAll);

public slots:
    void onBtnLeftClicked();
    void onBtnRightClicked();
    void onDelBtnClicked();

private:
    void fitText();

    QString m_fileIdAll;
    QString m_fileName;
    QString m_suffix;
    ToolButton *m_mainButton;
    ToolButton *m_deleteButton;
};

#endif // COURSEFILEBUTTON_H
