#include "vrek/course/coursedrawrelay.h"

#include "vrek/course/courseislect.h"
#include "vrek/course/coursemessageforward.h"
#include "vrek/paint/drawboard.h"
#include "vrek/utils/globalfunc.h"

#include <QDebug>
#include <QHash>

namespace {
using BoardAction = void (DrawBoard::*)();

const QHash<QString, BoardAction> &boardActions()
{
    static const QHash<QString, BoardAction> actions {
        { QStringLiteral("pullButton"), &DrawBoard::onNonePushButtonClicked },
        { QStringLiteral("blaserButton"), &DrawBoard::onLaserPushButtonClicked },
        { QStringLiteral("penButton"), &DrawBoard::onIrregPushButtonClicked },
        { QStringLiteral("textButton"), &DrawBoard::onTextPushButtonClicked },
        { QStringLiteral("lineButton"), &DrawBoard::onLinePushButtonClicked },
        { QStringLiteral("ellipseButton"), &DrawBoard::onEllipsePushButtonClicked },
        { QStringLiteral("rectangleButton"), &DrawBoard::onRectanglePushButtonClicked },
        { QStringLiteral("eraseButton"), &DrawBoard::onEraserPushButtonClicked },
        { QStringLiteral("undoButton"), &DrawBoard::onUndoPushButtonClicked },
        { QStringLiteral("clearButton"), &DrawBoard::onClearPushButtonClicked },
    };
    return actions;
}
} // namespace

CourseDrawRelay::CourseDrawRelay(DrawBoard *board, QObject *parent)
    : QObject(parent)
    , m_board(board)
{
    qRegisterMetaType<PPtMessage>("PPtMessage");
    qRegisterMetaType<DrawSignal>("DrawSignal");
    qRegisterMetaType<GlobalEnum::PPMFromType>("GlobalEnum::PPMFromType");
    board->setAttribute(Qt::WA_MouseTracking);
    connect(board, &DrawBoard::drawGraphOut, this, &CourseDrawRelay::slotDrawGraphOut);
    connect(this, &CourseDrawRelay::signalPenColorChange, board, &DrawBoard::onColorChange);
    connect(this, &CourseDrawRelay::signalLineWidthChange, board, &DrawBoard::onLineWidthChange);
    if (GlobalFunc::isCurrentUserLect())
        board->onLaserPushButtonClicked();
    else
        board->onNonePushButtonClicked();
}

CourseDrawRelay::~CourseDrawRelay() = default;

DrawBoard *CourseDrawRelay::board() const
{
    return m_board;
}

QString CourseDrawRelay::logPrefix(const char *function) const
{
    Q_UNUSED(function)
    return QString();
}

void CourseDrawRelay::slotDrawButtonClicked(const QString &objectName)
{
    const BoardAction action = boardActions().value(objectName, nullptr);
    if (!action) {
        QDebug warning = qWarning();
        warning.noquote() << logPrefix("slotDrawButtonClicked") + "unknow objectName:";
        warning.quote() << objectName;
        return;
    }
    if (m_board)
        (m_board->*action)();
}

void CourseDrawRelay::slotDrawGraphIn(const DrawSignal &drawSignal, GlobalEnum::PPMFromType from)
{
    switch (m_merger.takeIncoming(drawSignal)) {
    case StrokeMerger::Incoming::Held:
        return;
    case StrokeMerger::Incoming::Dropped:
        qWarning().noquote() << logPrefix("slotDrawGraphIn") + "the pre graph does not end! drawSignalId:"
                             << m_merger.incoming().getPointSetId() << "dsId:" << drawSignal.getPointSetId();
        return;
    case StrokeMerger::Incoming::Draw:
        break;
    }
    const PPtMessage message = drawMessage(m_merger.incoming());
    switch (from) {
    case GlobalEnum::PPMPad:
        CourseMessageForward::toClass(message);
        break;
    case GlobalEnum::PPMServer:
        emit signalSendPPtMessageOut(message);
        break;
    case GlobalEnum::PPMLocal:
        // A step of this client's own comes from the board, never through here; it is still shown.
        qWarning().noquote() << logPrefix("slotDrawGraphIn") + "the ppmft PCServer error! ";
        break;
    }
    if (m_board)
        m_board->drawGraphIn(m_merger.incoming());
    m_merger.incomingDrawn();
}

void CourseDrawRelay::slotDrawGraphOut(const DrawSignal &drawSignal)
{
    if (drawSignal.getShapeType() == DrawSignal::Text) {
        // Texts are few and whole: they go out at once, whatever the user's role.
        const PPtMessage message = drawMessage(drawSignal);
        if (CourseMessageForward::toClass(message))
            emit signalSendPPtMessageOut(message);
        return;
    }
    if (!m_merger.takeOutgoing(drawSignal))
        return;
    const PPtMessage message = drawMessage(m_merger.outgoing());
    m_merger.outgoingSent();
    if (courseIsLect && CourseMessageForward::toClass(message))
        emit signalSendPPtMessageOut(message);
}
