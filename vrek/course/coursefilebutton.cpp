#include "vrek/course/coursefilebutton.h"

#include "vrek/course/toolbutton.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QIcon>
#include <QLocale>

namespace {
const int tileSize = 120;
const int iconSize = 40;

struct SuffixIcon
{
    const char *suffix;
    const char *icon;
};

// A file name's parts as the tile reads them: the name after the last '/', split at its last full stop.
struct NameParts
{
    QString baseName;
    QString suffix;
    bool hasDot = false;
};

// By position only: QFileInfo reads the name as a path, and a name from outside longer than a path may be (a
// megabyte in one word) comes back from it unsplit, all of it taken as the suffix.
NameParts nameParts(const QString &fileName)
{
    NameParts parts;
    const int nameStart = fileName.lastIndexOf(QLatin1Char('/')) + 1;
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart) {
        parts.baseName = fileName.mid(nameStart);
        return parts;
    }
    parts.hasDot = true;
    parts.baseName = fileName.mid(nameStart, dot - nameStart);
    parts.suffix = fileName.mid(dot + 1);
    return parts;
}

const SuffixIcon suffixIcons[] = {
    { "ppt", ":/vrek/image/centerview/ppt.png" },
    { "pptx", ":/vrek/image/centerview/ppt.png" },
    { "pdf", ":/vrek/image/centerview/pdf.png" },
    { "doc", ":/vrek/image/centerview/word.png" },
    { "docx", ":/vrek/image/centerview/word.png" },
    { "png", ":/vrek/image/centerview/pic.png" },
    { "jpg", ":/vrek/image/centerview/pic.png" },
    { "mpg", ":/vrek/image/centerview/video.png" },
    { "avi", ":/vrek/image/centerview/video.png" },
    { "mp4", ":/vrek/image/centerview/video.png" },
    { "wmv", ":/vrek/image/centerview/video.png" },
    { "rmvb", ":/vrek/image/centerview/video.png" },
    { "flv", ":/vrek/image/centerview/video.png" },
    { "3gp", ":/vrek/image/centerview/video.png" },
    { "wav", ":/vrek/image/centerview/audio.png" },
    { "mp3", ":/vrek/image/centerview/audio.png" },
    { "m4a", ":/vrek/image/centerview/audio.png" },
};
} // namespace

const char *const CourseFileButton::normalStyle
    = "QToolButton{background-color:transparent;border:1px none grey;border-radius:3px;}"
      "QToolButton:hover{border:1px solid grey;background-color:#effff7}"
      "QToolButton:pressed{border:1px solid grey;background-color:#e0fff0}"
      "QToolButton:checked{border:1px solid grey;background-color:#d6ffeb}";

CourseFileButton::CourseFileButton(const QString &fileIdAll, const QString &fileName, QWidget *parent)
    : QWidget(parent)
    , m_fileIdAll(fileIdAll)
    , m_fileName(fileName)
    , m_suffix(nameParts(fileName).suffix)
    , m_mainButton(new ToolButton(this))
    , m_deleteButton(new ToolButton(this))
{
    setFixedSize(tileSize, tileSize);
    m_mainButton->setObjectName("mainButton");
    m_mainButton->setGeometry(15, 15, 90, 90);
    m_mainButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_mainButton->setCheckable(true);
    m_mainButton->setToolTip(StringUtil::plainToolTip(fileName));
    m_mainButton->setText(buttonText(fileName, g_uiScale));
    setBtnIcon();
    setNormalStyle();
    fitText();

    m_deleteButton->setObjectName("deleteButton");
    m_deleteButton->setGeometry(90, 0, 30, 30);
    m_deleteButton->setIcon(QIcon(":/vrek/image/centerview/deletefile.png"));
    m_deleteButton->setIconSize(QSize(30, 30));
    m_deleteButton->setStyleSheet("QToolButton{background-color:transparent;}");
    m_deleteButton->hide();

    connect(m_mainButton, &ToolButton::clicked, this, &CourseFileButton::onBtnLeftClicked);
    connect(m_mainButton, &ToolButton::rightClicked, this, &CourseFileButton::onBtnRightClicked);
    connect(m_deleteButton, &ToolButton::clicked, this, &CourseFileButton::onDelBtnClicked);
}

CourseFileButton::~CourseFileButton() = default;

void CourseFileButton::fitText()
{
    // The tile's size is fixed and its name already shortened; with the installed CJK font the kept characters can
    // still be wider than the tile, and the style would cut them again in the middle. A smaller font keeps them.
    constexpr qreal smallestPoints = 6.0;
    QFont font = m_mainButton->font();
    qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    while (m_mainButton->sizeHint().width() > m_mainButton->width() && points > smallestPoints) {
        points = qMax(smallestPoints, points - 0.5);
        font.setPointSizeF(points);
        m_mainButton->setFont(font);
    }
}

QString CourseFileButton::buttonText(const QString &fileName, double scale)
{
    const NameParts parts = nameParts(fileName);
    // Larger scales leave room for fewer characters.
    const int whole = scale < 1.2 ? 5 : 4;
    const int cut = scale < 1.2 ? 7 : 5;
    // The tile has room for a few characters of each part; what it shows is cut before it is measured, so that a
    // name of any length costs the same. A suffix longer than the kept characters ends in an ellipsis.
    const QString suffix = parts.suffix.size() > cut ? parts.suffix.left(cut) + QChar(0x2026) : parts.suffix;
    if (parts.baseName.size() < whole) {
        if (fileName.size() <= whole + 1 + cut)
            return fileName;
        return parts.hasDot ? parts.baseName + QLatin1Char('.') + suffix : parts.baseName;
    }
    if (parts.baseName.size() < cut)
        return parts.baseName + "\n." + suffix;
    return parts.baseName.left(cut) + "\n..." + suffix;
}

void CourseFileButton::setBtnIcon()
{
    const QString suffix = m_suffix.toLower();
    for (const SuffixIcon &entry : suffixIcons) {
        if (suffix == QLatin1String(entry.suffix)) {
            const int side = int(iconSize * g_uiScale);
            m_mainButton->setIcon(QIcon(entry.icon));
            m_mainButton->setIconSize(QSize(side, side));
            return;
        }
    }
    qWarning() << "CourseFileButton::setBtnIcon unknow fileType:" << StringUtil::logExcerpt(m_suffix);
}

bool CourseFileButton::isChecked() const
{
    return m_mainButton->isChecked();
}

void CourseFileButton::setChecked(bool checked)
{
    m_mainButton->setChecked(checked);
}

void CourseFileButton::setDeleteHidden(bool hidden)
{
    m_deleteButton->setHidden(hidden);
}

void CourseFileButton::setProgress(int value)
{
    const QString x2 = QString::number(value / 1000.0, 'g', QLocale::FloatingPointShortest);
    m_mainButton->setStyleSheet(
        QString("QToolButton{border:1px none grey;border-radius:3px;background-color:QLinearGradient(x1:0, y1:0, "
                "x2:%1, y2:0,stop:0 #75f3ff,stop:1 transparent)};")
            .arg(x2));
}

void CourseFileButton::setNormalStyle()
{
    m_mainButton->setStyleSheet(normalStyle);
}

void CourseFileButton::onBtnLeftClicked()
{
    emit signalBtnLeftClicked(m_fileIdAll);
}

void CourseFileButton::onBtnRightClicked()
{
    emit signalBtnRightClicked(m_fileIdAll);
}

void CourseFileButton::onDelBtnClicked()
{
    emit signalDelBtnClicked(m_fileIdAll);
}
