#include "vrek/paint/drawboard.h"

#include "vrek/paint/drawtextedit.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"
#include "vrek/utils/steadyclock.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>

namespace {
QColor opaque(QColor color)
{
    color.setAlpha(255);
    return color;
}
} // namespace

DrawBoard::DrawBoard(QWidget *parent)
    : QWidget(parent)
    , m_clock(SteadyClock::milliseconds)
    , m_penColor(Qt::red)
    , m_currentShape(new PointSet)
    , m_drawnShape(new PointSet)
    , m_remoteShape(new PointSet)
    , m_stepTimer(new QTimer(this))
{
    qInfo() << "parent:" << parent;
    m_penColor.setAlpha(128);
    remakeImages();
    connect(m_stepTimer, &QTimer::timeout, this, &DrawBoard::onTimerOut);
    restartStrokeClock();
}

DrawBoard::~DrawBoard()
{
    qInfo() << "~DrawBoard";
    m_stepTimer->stop();
    delete m_currentShape;
    delete m_drawnShape;
    delete m_remoteShape;
}

void DrawBoard::setClock(const Clock &clock)
{
    m_clock = clock ? clock : Clock(SteadyClock::milliseconds);
    restartStrokeClock();
}

qint64 DrawBoard::strokeElapsed() const
{
    return m_clock() - m_strokeStart;
}

void DrawBoard::restartStrokeClock()
{
    m_strokeStart = m_clock();
}

QPointF DrawBoard::toBoard(const QPoint &position) const
{
    return QPointF(position) / m_scale;
}

void DrawBoard::selectTool(quint32 tool, Qt::CursorShape cursor, bool commitText, bool removeLaser)
{
    if (commitText && m_tool == DrawSignal::Text) {
        deleteTextEdit();
    } else if (removeLaser && m_tool == DrawSignal::Laser) {
        restoreImage();
        update();
    }
    m_tool = tool;
    setCursor(cursor);
}

void DrawBoard::onNonePushButtonClicked()
{
    selectTool(DrawSignal::None, Qt::OpenHandCursor, true, true);
}

void DrawBoard::onIrregPushButtonClicked()
{
    selectTool(DrawSignal::Irregular, Qt::CrossCursor, true, true);
}

void DrawBoard::onLinePushButtonClicked()
{
    selectTool(DrawSignal::Line, Qt::CrossCursor, true, true);
}

void DrawBoard::onRectanglePushButtonClicked()
{
    selectTool(DrawSignal::Rectangle, Qt::CrossCursor, true, true);
}

void DrawBoard::onEllipsePushButtonClicked()
{
    selectTool(DrawSignal::Ellipse, Qt::CrossCursor, true, true);
}

void DrawBoard::onLaserPushButtonClicked()
{
    selectTool(DrawSignal::Laser, Qt::PointingHandCursor, true, false);
}

void DrawBoard::onTextPushButtonClicked()
{
    selectTool(DrawSignal::Text, Qt::IBeamCursor, false, true);
}

void DrawBoard::onEraserPushButtonClicked()
{
    selectTool(DrawSignal::Eraser, Qt::CrossCursor, true, true);
}

void DrawBoard::onShapeChange(quint32 index)
{
    if (index > DrawSignal::Eraser) {
        qWarning() << "(quint32 index) the indexNum error! index:" << index;
        return;
    }
    m_tool = index;
}

void DrawBoard::commitTextIfTextTool()
{
    if (m_tool == DrawSignal::Text)
        deleteTextEdit();
}

void DrawBoard::onColorChange(const QString &name)
{
    qDebug() << "color:" << name;
    QColor color;
    color.setNamedColor(name);
    if (color.isValid()) {
        color.setAlpha(128);
        m_penColor = color;
    }
    commitTextIfTextTool();
}

void DrawBoard::onLineWidthChange(int width)
{
    qDebug() << "width:" << width;
    commitTextIfTextTool();
    m_rawWidth = qMax(0, width);
    m_penWidth = qRound(m_rawWidth * m_widthFactor);
}

void DrawBoard::setDefaultSize(const QSize &size)
{
    qDebug() << "s:" << size;
    m_defaultSize = size;
    m_widthFactor = float(qMax(size.width(), size.height())) / 500.0f;
    m_penWidth = qRound(m_rawWidth * m_widthFactor);
}

void DrawBoard::onRateChange(double rate)
{
    commitTextIfTextTool();
    // Positions are divided by the scale.
    if (!(rate > 0.0)) {
        qWarning() << "the rate error! rate:" << rate;
        return;
    }
    m_scale = rate;
    remakeImages();
    if (m_graphSet)
        m_graphSet->drawAll(&m_image, m_scale);
    backUpImage();
    update();
}

void DrawBoard::remakeImages()
{
    m_imageSize = QSize(int(m_defaultSize.width() * m_scale), int(m_defaultSize.height() * m_scale));
    m_image = QImage(m_imageSize, QImage::Format_ARGB32);
    m_image.fill(m_backgroundColor);
    m_backupImage = m_image;
}

void DrawBoard::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
}

void DrawBoard::newGraphSet()
{
    m_graphSet = new GraphSet;
    m_currentShape->setId(m_graphSet->nextPointSetId());
    m_currentShape->clearPoints();
    m_image.fill(m_backgroundColor);
    m_backupImage.fill(m_backgroundColor);
    update();
}

void DrawBoard::setGraphSet(GraphSet *graphSet)
{
    m_graphSet = graphSet;
    if (m_graphSet) {
        m_graphSet->compact();
        m_currentShape->setId(m_graphSet->nextPointSetId());
    }
    m_currentShape->clearPoints();
    redrawGraphSet();
}

void DrawBoard::redrawGraphSet()
{
    m_image.fill(m_backgroundColor);
    if (m_graphSet)
        m_graphSet->drawAll(&m_image, m_scale);
    backUpImage();
    update();
}

void DrawBoard::restoreImage()
{
    m_image = m_backupImage;
}

void DrawBoard::onClearPushButtonClicked()
{
    commitTextIfTextTool();
    if (m_graphSet)
        m_graphSet->clear();
    DrawSignal clear;
    clear.setShapeType(DrawSignal::Clear);
    emit drawGraphOut(clear);
    redrawGraphSet();
}

void DrawBoard::onUndoPushButtonClicked()
{
    if (m_tool == DrawSignal::Text) {
        deleteTextEdit();
    } else if (m_tool == DrawSignal::Laser) {
        restoreImage();
        update();
    }
    const quint32 pointSetId = m_graphSet ? m_graphSet->removeLastPointSet() : 0;
    if (pointSetId == 0)
        return;
    DrawSignal undo;
    undo.setShapeType(DrawSignal::Undo);
    undo.setPointSetId(pointSetId);
    emit drawGraphOut(undo);
    redrawGraphSet();
}

void DrawBoard::takePen(quint32 kind)
{
    m_currentShape->setPenColor(m_penColor);
    m_currentShape->setPenWidth(quint32(m_penWidth));
    m_currentShape->setShapeType(kind);
}

void DrawBoard::paint(quint32 temp)
{
    qDebug() << "shape:" << m_currentShape->getShapeType() << "temp:" << temp;
    DrawSignal step(*m_currentShape);
    step.setIsTemp(temp);
    emit drawGraphOut(step);
    m_drawnShape->mergeFrom(*m_currentShape);
    m_drawnShape->drawImage(&m_image, m_scale);
    if (m_drawnShape->getShapeType() == DrawSignal::Laser && !m_laserDrag)
        m_drawnShape->clearPoints();
    // The next record carries only the points gathered after this one.
    m_currentShape->clearPoints();
    update();
}

void DrawBoard::finishShape()
{
    if (m_graphSet)
        m_graphSet->addPointSet(m_drawnShape);
    else
        delete m_drawnShape;
    m_drawnShape = new PointSet;
    m_currentShape->setId(m_graphSet ? m_graphSet->nextPointSetId() : 0);
    m_currentShape->clearPoints();
}

void DrawBoard::emitEraser(quint32 pointSetId)
{
    DrawSignal eraser(*m_currentShape);
    eraser.setShapeType(DrawSignal::Eraser);
    eraser.setIsTemp(0);
    eraser.setPointSetId(pointSetId);
    emit drawGraphOut(eraser);
}

void DrawBoard::eraserStep()
{
    if (!m_graphSet)
        return;
    const QPoint from = (m_currentShape->getStartPoint() * m_scale).toPoint();
    const QPoint to = (m_currentShape->getEndPoint() * m_scale).toPoint();
    const QList<quint32> erased = m_graphSet->erasePointSets(from, to);
    for (quint32 pointSetId : erased)
        emitEraser(pointSetId);
    if (!erased.isEmpty())
        redrawGraphSet();
}

void DrawBoard::passOn(QMouseEvent *event)
{
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    const QPoint at = mapToParent(event->pos());
    if (QWidget *child = parent->childAt(at)) {
        QCoreApplication::postEvent(child,
            new QMouseEvent(event->type(), child->mapFrom(parent, at), event->screenPos(), event->button(),
                event->buttons(), event->modifiers()));
    }
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void DrawBoard::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = toBoard(event->pos());
    m_currentShape->setStartPoint(at);
    m_currentShape->setEndPoint(at);
    const bool idle = !m_leftDown && !m_rightDown;
    if ((event->buttons() & Qt::LeftButton) && idle) {
        m_leftDown = true;
        switch (m_tool) {
        case DrawSignal::None:
            setCursor(Qt::ClosedHandCursor);
            passOn(event);
            break;
        case DrawSignal::Laser:
            restoreImage();
            update();
            setCursor(Qt::CrossCursor);
            m_laserDrag = true;
            break;
        case DrawSignal::Text:
            if (m_textReady)
                openTextEdit(event->pos());
            break;
        case DrawSignal::Eraser:
            eraserStep();
            backUpImage();
            break;
        default:
            break;
        }
    } else if ((event->buttons() & Qt::RightButton) && idle) {
        m_rightDown = true;
        if (m_tool == DrawSignal::Laser) {
            setCursor(Qt::CrossCursor);
            restoreImage();
            update();
            eraserStep();
            backUpImage();
        }
    }
    m_moved = false;
    m_pressed = true;
    event->accept();
}

void DrawBoard::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = toBoard(event->pos());
    m_currentShape->setEndPoint(at);
    if (m_leftDown && m_tool == DrawSignal::None) {
        passOn(event);
    } else if (m_leftDown) {
        if (m_tool != DrawSignal::Eraser && m_tool != DrawSignal::Text && strokeElapsed() > stepInterval) {
            restartStrokeClock();
            m_stepTimer->stop();
            restoreImage();
            takePen(m_laserDrag ? quint32(DrawSignal::Irregular) : m_tool);
            paint(1);
        } else if (m_tool == DrawSignal::Irregular || m_tool == DrawSignal::Laser) {
            m_currentShape->addPoint(at);
            m_stepTimer->start(stepInterval);
        } else if (m_tool == DrawSignal::Eraser && strokeElapsed() > stepInterval) {
            restartStrokeClock();
            eraserStep();
            backUpImage();
            m_currentShape->setStartPoint(at);
        }
    } else if (m_rightDown) {
        if (m_tool == DrawSignal::Laser && strokeElapsed() > stepInterval) {
            restartStrokeClock();
            restoreImage();
            update();
            eraserStep();
            backUpImage();
            m_currentShape->setStartPoint(at);
        }
    } else if (m_tool == DrawSignal::Laser) {
        // The hovering dot, when the owner tracks the mouse: shown and sent, never kept.
        if (strokeElapsed() > stepInterval) {
            restartStrokeClock();
            m_currentShape->setStartPoint(at);
            restoreImage();
            takePen(DrawSignal::Laser);
            paint(1);
        } else {
            m_stepTimer->start(stepInterval);
        }
    }
    m_moved = true;
    event->accept();
}

void DrawBoard::onTimerOut()
{
    qDebug() << "start:" << m_pressed;
    m_stepTimer->stop();
    if (m_tool == DrawSignal::Eraser || !m_moved)
        return;
    const QPointF start = m_currentShape->getStartPoint();
    if (start.x() == 0 || start.y() == 0)
        return;
    if (m_pressed) {
        restartStrokeClock();
        restoreImage();
        takePen(m_laserDrag ? quint32(DrawSignal::Irregular) : m_tool);
        paint(1);
    }
}

void DrawBoard::mouseReleaseEvent(QMouseEvent *event)
{
    // A board that never saw the press of this release has its start at (0, 0): it draws nothing then, but lets
    // go of the buttons so that later presses are taken.
    const bool unpressed = m_currentShape->getStartPoint() == QPointF(0, 0);
    if (!unpressed)
        m_currentShape->setEndPoint(toBoard(event->pos()));
    if (event->button() == Qt::LeftButton && m_leftDown) {
        m_leftDown = false;
        switch (m_tool) {
        case DrawSignal::None:
            setCursor(Qt::OpenHandCursor);
            passOn(event);
            break;
        case DrawSignal::Laser:
            m_laserDrag = false;
            setCursor(Qt::PointingHandCursor);
            if (m_moved && !unpressed) {
                // The stroke drawn with the laser held down is a freehand shape.
                restoreImage();
                takePen(DrawSignal::Irregular);
                paint(0);
                backUpImage();
                finishShape();
            }
            break;
        case DrawSignal::Text:
            if (!m_textReady && !unpressed) {
                deleteTextEdit();
                m_textReady = true;
            }
            break;
        case DrawSignal::Eraser:
            break;
        default:
            if (m_moved && !unpressed) {
                restoreImage();
                takePen(m_tool);
                paint(0);
                backUpImage();
                finishShape();
            }
            break;
        }
    } else if (event->button() == Qt::RightButton && m_rightDown) {
        m_rightDown = false;
    }
    m_moved = false;
    m_pressed = false;
    event->accept();
}

void DrawBoard::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void DrawBoard::openTextEdit(const QPoint &position)
{
    if (m_textEdit)
        return;
    quint32 foundId = 0;
    QString text;
    QPointF start;
    if (m_graphSet)
        m_graphSet->findTextPointSet((m_currentShape->getEndPoint() * m_scale).toPoint(), foundId, text, start);
    const QFont font = PointSet::textFont(quint32(m_penWidth), m_scale);
    QPoint place = position;
    if (foundId != 0) {
        // The text is taken back into a box: the shape leaves the layer until the box is committed again.
        if (m_graphSet->removePointSet(foundId) != 0) {
            emitEraser(foundId);
            redrawGraphSet();
        }
        backUpImage();
        place = (start * m_scale).toPoint();
    }
    m_textEdit = new DrawTextEdit(this);
    m_textEdit->move(place);
    if (foundId == 0)
        m_textEdit->resize(QFontMetrics(font).lineSpacing(), 20);
    connect(m_textEdit->document(), &QTextDocument::contentsChanged, this, &DrawBoard::textEditContentsChanged);
    connect(m_textEdit, &DrawTextEdit::focusChange, this, &DrawBoard::textEditFocusChange);
    QPalette palette = m_textEdit->palette();
    palette.setColor(QPalette::All, QPalette::Base, Qt::transparent);
    m_textEdit->setPalette(palette);
    m_textEdit->setLineWrapMode(QTextEdit::NoWrap);
    m_textEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textEdit->setFont(font);
    m_textEdit->setTextColor(opaque(m_penColor));
    // Plain: a received text is never read as markup.
    m_textEdit->setPlainText(text);
    m_textEdit->setFocus();
    m_textEdit->show();
    takePen(DrawSignal::Text);
}

void DrawBoard::deleteTextEdit()
{
    if (!m_textEdit)
        return;
    const QString text = m_textEdit->toPlainText();
    const QRect geometry = m_textEdit->geometry();
    m_textEdit->disconnect(this);
    m_textEdit->document()->disconnect(this);
    m_textEdit->hide();
    m_textEdit->deleteLater();
    m_textEdit = nullptr;
    if (text.isEmpty())
        return;
    m_currentShape->setStartPoint(QPointF(geometry.topLeft()) / m_scale);
    m_currentShape->setEndPoint(QPointF(geometry.bottomRight()) / m_scale);
    m_currentShape->setText(text);
    restoreImage();
    paint(0);
    backUpImage();
    finishShape();
}

void DrawBoard::textEditFocusChange()
{
    m_textReady = false;
}

void DrawBoard::textEditContentsChanged()
{
    if (!m_textEdit)
        return;
    QTextDocument *document = m_textEdit->document();
    document->adjustSize();
    m_textEdit->setFixedWidth(int(document->size().width() + 10));
    m_textEdit->setFixedHeight(int(document->size().height() + 6));
}

void DrawBoard::drawGraphIn(const DrawSignal &drawSignal)
{
    const quint32 kind = quint32(drawSignal.getShapeType());
    const quint32 pointSetId = drawSignal.getPointSetId();
    switch (kind) {
    case DrawSignal::None:
        qWarning() << "the dsType None error! ";
        return;
    case DrawSignal::Irregular:
    case DrawSignal::Line:
    case DrawSignal::Rectangle:
    case DrawSignal::Ellipse:
    case DrawSignal::Text:
        restoreImage();
        if (m_remoteShape->getId() != 0 && m_remoteShape->getPointSetId() != pointSetId) {
            qWarning() << "the pre graph does not end! recvPointId:" << m_remoteShape->getId() << "dsId:" << pointSetId;
            m_remoteShape->clearPoints();
            m_remoteShape->setId(0);
        }
        m_remoteShape->setFromDrawSignal(drawSignal);
        if (m_remoteShape->getId() == 0)
            m_remoteShape->setId(PointSet::makeId(pointSetId));
        m_remoteShape->drawImage(&m_image, m_scale);
        if (drawSignal.getIsTemp() == 0) {
            backUpImage();
            if (m_graphSet)
                m_graphSet->addPointSet(m_remoteShape);
            else
                delete m_remoteShape;
            m_remoteShape = new PointSet;
        }
        update();
        break;
    case DrawSignal::Laser:
        restoreImage();
        m_remoteShape->setFromDrawSignal(drawSignal);
        m_remoteShape->drawImage(&m_image, m_scale);
        m_remoteShape->clearPoints();
        update();
        break;
    case DrawSignal::Undo:
        if (!m_graphSet || m_graphSet->removePointSet(pointSetId) == 0)
            qWarning() << "the undo fail! gsid:" << (m_graphSet ? m_graphSet->getId() : 0) << "dsid:" << pointSetId;
        else
            redrawGraphSet();
        break;
    case DrawSignal::Clear:
        if (m_graphSet)
            m_graphSet->clear();
        redrawGraphSet();
        break;
    case DrawSignal::Eraser:
        if (m_graphSet && m_graphSet->removePointSet(pointSetId) != 0)
            redrawGraphSet();
        else
            qWarning() << "the erase fail! dsid:" << pointSetId;
        break;
    default:
        qWarning() << "the dsType unknown error! dsType:" << kind;
        break;
    }
    commitTextIfTextTool();
}
