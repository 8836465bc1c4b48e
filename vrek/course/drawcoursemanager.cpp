#include "vrek/course/drawcoursemanager.h"

#include "vrek/course/coursemessageforward.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"

#include <QDebug>

DrawCourseManager::DrawCourseManager(DrawBoard *board, QObject *parent)
    : CourseDrawRelay(board, parent)
{
    qInfo() << Q_FUNC_INFO;
    board->setBackgroundColor(Qt::white);
    board->newGraphSet();
    // The board keeps the layer it made; the manager owns it for the lesson.
    m_graphSet = board->graphSet();
}

DrawCourseManager::~DrawCourseManager()
{
    qInfo() << "~DrawCourseManager";
    if (m_board && m_board->graphSet() == m_graphSet)
        m_board->setGraphSet(nullptr);
    delete m_graphSet;
}

QString DrawCourseManager::logPrefix(const char *function) const
{
    return QStringLiteral("DrawCourseManager::%1 ").arg(QLatin1String(function));
}

PPtMessage DrawCourseManager::drawMessage(const DrawSignal &drawSignal) const
{
    PPtMessage message(PPtMessage::BoardDrawOnline);
    message.resetDrawSignal(drawSignal);
    return message;
}

bool DrawCourseManager::clearBoard()
{
    m_graphSet->clear();
    if (m_board)
        m_board->redrawGraphSet();
    return true;
}

void DrawCourseManager::slotCenterWidgetResize(const QSize &center)
{
    m_centerSize = center;
    // The centre is relatively narrower than the base (or as wide): its width decides.
    const double ratio = qint64(m_baseSize.height()) * center.width() <= qint64(m_baseSize.width()) * center.height()
        ? double(center.width()) / m_baseSize.width()
        : double(center.height()) / m_baseSize.height();
    QSize boardSize = m_baseSize * ratio;
    if (m_zoom == 0) {
        m_rate = ratio;
    } else {
        boardSize = boardSize * m_zoom / 100.0;
        m_rate = m_zoom * ratio / 100.0;
    }
    if (m_board)
        m_board->onRateChange(m_rate);
    emit signalCenterSpacerChange(m_centerSize, boardSize);
}

void DrawCourseManager::slotReadDrawMsgAll(const PPtMessage &message)
{
    if (message.getPpmType() == PPtMessage::BoardDrawOffline)
        m_graphSet->addPointSet(new PointSet(message.getDrawSignal()));
    if (m_board)
        m_board->redrawGraphSet();
}

void DrawCourseManager::slotSendDrawMsgAll(const QString &userId, quint32 &count)
{
    count = 0;
    m_graphSet->lock();
    for (PointSet *pointSet : m_graphSet->getPointSets()) {
        PPtMessage message(PPtMessage::BoardDrawOffline);
        message.resetDrawSignal(DrawSignal(*pointSet));
        if (CourseMessageForward::toPerson(userId, message))
            ++count;
    }
    m_graphSet->unlock();
    qInfo() << "userId:" << userId << "count:" << count;
}
