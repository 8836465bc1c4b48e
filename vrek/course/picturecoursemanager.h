#ifndef PICTURECOURSEMANAGER_H
#define PICTURECOURSEMANAGER_H

#include "vrek/course/pagecoursemanager.h"

#include <QStringList>

class QLabel;

// Picture courseware: a received folder of one picture per page, shown a page at a time, every page stretched
// to the proportions of the first.
class PictureCourseManager : public PageCourseManager
{
    Q_OBJECT
public:
    PictureCourseManager(DrawBoard *board, QLabel *label, QObject *parent = nullptr);
    ~PictureCourseManager() override;

    bool openPictureFile(const QString &fileIdAll, GlobalEnum::PPMFromType from);
    bool frontPicturePage(GlobalEnum::PPMFromType from);
    bool nextPicturePage(GlobalEnum::PPMFromType from);
    bool closePictureFile();

    QStringList pictureList() const { return m_pictureList; }
    const QImage &pagePicture() const { return m_pagePicture; }

    // The folder's own files in page order: by the number after the last "_" of the base name (0 when there
    // is none), files of one number by name without regard to case.
    static QStringList listPictures(const QString &folder);
    // The picture of a file, decoded by its first bytes (JPEG, PNG) or else by the image reader's choice;
    // false, with picture unchanged, when the file cannot be read or is empty.
    static bool loadPicture(const QString &path, QImage &picture);

public slots:
    bool changePicturePage(int pageId, GlobalEnum::PPMFromType from);
    bool changePictureRate(int rate, GlobalEnum::PPMFromType from);
    void slotSendPictureLate(const QString &userId);
    // The page a file that is not shown is to open at.
    void slotSetPicturePage(const QString &fileIdAll, int pageId);
    void slotSetPictureRate(int rate);

protected:
    QString logPrefix(const char *function) const override;

private:
    void turnTo(int pageId, GlobalEnum::PPMFromType from);
    void showPage();

    QStringList m_pictureList;
};

#endif // PICTURECOURSEMANAGER_H
