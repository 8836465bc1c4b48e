#include "vrek/chat/chatview.h"

#include "vrek/chat/chatclient.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/pictureupload.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/filedialog.h"

#include <QComboBox>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const char *const listStyle = "QListWidget{background-color: rgb(255,255,255);border-bottom: 2px solid "
                              "rgb(223,228,223);}QListWidget::item{background-color: transparent;}";
const char *const scrollBarStyle
    = "QScrollBar:vertical{width:8px;background:transparent;margin:0px;border:none;}"
      "QScrollBar::handle:vertical{background:rgba(0,0,0,50);border-radius:4px;min-height:30px;}"
      "QScrollBar::handle:vertical:hover{background:rgba(0,0,0,90);}"
      "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0px;}"
      "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;}";
const char *const inputStyle
    = "QTextEdit{border-width:0;border-style:outset;border-radius: 5px;background-color: white;}";
const char *const talkStyle = "QPushButton{border-image:url(:/image/chat/chat_1.png);}";
const char *const noTalkStyle = "QPushButton:checked{border-image:url(:/image/chat/chatno_1.png);}";
const char *const mutedText = "您已被禁言！";
const char *const mutedMark = "禁言";
const char *const everyoneId = "all";

QString buttonStyle(const QString &normal, const QString &hover, const QString &pressed)
{
    return QStringLiteral("QPushButton{border-image:url(%1);}QPushButton:hover{border-image:url(%2);}"
                          "QPushButton:pressed{border-image:url(%3);}")
        .arg(normal, hover, pressed);
}

QString imageButtonStyle(const QString &name)
{
    const QString base = QStringLiteral(":/image/chat/%1_%2.png");
    return buttonStyle(base.arg(name).arg(1), base.arg(name).arg(2), base.arg(name).arg(3));
}

QPushButton *imageButton(const QString &style, const QSize &size, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(size);
    button->setStyleSheet(style);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// The shown size of a picture put into the input box: wide pictures shrink a lot, larger ones less.
QSize shownPictureSize(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    if (w > 1920)
        return QSize(w * 5 / 100, h * 5 / 100);
    if (w > 720)
        return QSize(w * 20 / 100, h * 20 / 100);
    return QSize(w, h);
}

bool holdsPicture(QTextDocument *document)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                return true;
        }
    }
    return false;
}

} // namespace

QString ChatView::choosePicture(QWidget *parent)
{
    return FileDialog::openFile(parent, QObject::tr("select picture"), FileUtil::existingDesktopFolder(),
        QObject::tr("Images (*.jpg *.jpeg *.png)"));
}

const QString ChatView::notSentText = QStringLiteral("网络连接已断开，消息未发送，请稍后重新发送");

ChatView::ChatView(QWidget *parent)
    : QWidget(parent)
    , m_chatClient(new ChatClient(this))
    , m_lastTime(QDateTime::fromSecsSinceEpoch(startSeconds))
    , m_wordListPath(defaultWordListPath())
    , m_pictureChooser(choosePicture)
{
    qInfo() << "parent:" << parent;
    buildWidgets();

    m_targetBox->addItem(QStringLiteral("所有人"), g_classId);
    m_currentTargetId = g_classId;
    m_tabIndex = 0;
    m_pictureFlag = false;

    connectClient();
    connect(m_sendButton, &QPushButton::clicked, this, &ChatView::getChatMessage);
    connect(m_pictureButton, &QPushButton::clicked, this, &ChatView::onImageSendButtonClicked);
    connect(m_clearButton, &QPushButton::clicked, this, &ChatView::onChatClearButtonClicked);
    connect(m_emojiButton, &QPushButton::clicked, this, &ChatView::onChatEmojiButtonClicked);
    connect(m_targetBox, qOverload<int>(&QComboBox::currentIndexChanged), this, &ChatView::onChatSubmitTargetChanged);

    if (GlobalFunc::isCurrentUserLect())
        connect(m_noTalkButton, &QPushButton::toggled, this, &ChatView::onChatNoTalkRadioButtonToggled);
    else
        m_noTalkButton->hide();
    // A type-5 user reads only.
    if (GlobalFunc::isCurrentUserTypeFive()) {
        m_textEdit->hide();
        m_sendButton->hide();
    }
}

ChatView::~ChatView()
{
    m_listWidget->clear();
    qInfo() << "~ChatView";
}

QString ChatView::defaultWordListPath()
{
    return QStringLiteral(":/otherres/key.txt");
}

void ChatView::buildWidgets()
{
    setStyleSheet("border: none;background-color: rgb(255,255,255);");
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_titleLabel = new QLabel(QStringLiteral("讨论交流"), this);
    m_titleLabel->setFixedHeight(40);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setStyleSheet("border-bottom:1px solid grey;");
    m_titleLabel->setVisible(g_classType == 5);
    layout->addWidget(m_titleLabel, 0);

    m_listWidget = new QListWidget(this);
    m_listWidget->setObjectName("chatListWidget");
    m_listWidget->setSpacing(5);
    m_listWidget->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_listWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listWidget->setStyleSheet(listStyle);
    m_listWidget->verticalScrollBar()->setStyleSheet(scrollBarStyle);
    // However small the class window, a text of a few lines is read whole and a few short ones are seen
    // together; the window keeps the room. Each row has the list's spacing above and below it.
    const int spacing = m_listWidget->spacing();
    const int frame = 2 * m_listWidget->frameWidth() + 2 * spacing + 2;
    const int rows = shownRows * (ChatItemWidget::messageHeight(1) + 2 * spacing) - 2 * spacing;
    m_listWidget->setMinimumHeight(qMax(ChatItemWidget::messageHeight(shownLines), rows) + frame);
    // The rows follow the viewport's width: a scroll bar that comes or goes narrows or widens it.
    m_listWidget->viewport()->installEventFilter(this);
    layout->addWidget(m_listWidget, 10);

    auto *toolLayout = new QHBoxLayout();
    toolLayout->setContentsMargins(10, 0, 10, 0);
    m_targetLabel = new QLabel(QStringLiteral("对"), this);
    m_targetBox = new QComboBox(this);
    m_targetBox->setFixedSize(110, 32);
    m_targetBox->setStyleSheet("QComboBox::down-arrow{image:url(:/image/chat/arrowdown.png);}");
    m_targetLabel->hide();
    m_targetBox->hide();
    m_emojiButton = imageButton(imageButtonStyle("emoji"), QSize(22, 32), this);
    m_wordButton = imageButton(imageButtonStyle("word"), QSize(22, 32), this);
    m_emojiButton->hide();
    m_wordButton->hide();
    const int pictureSide = g_uiScale > 1.2 ? 35 : 28;
    m_pictureButton
        = imageButton(buttonStyle(":/image/chat/img_1.png", ":/image/chat/img_2.png", ":/image/chat/img_2.png"),
            QSize(pictureSide, pictureSide), this);
    m_pictureButton->setObjectName("pictureButton");
    m_pictureButton->setToolTip(QStringLiteral("上传图片"));
    m_noTalkButton = imageButton(talkStyle, QSize(32, 32), this);
    m_noTalkButton->setObjectName("noTalkButton");
    m_noTalkButton->setCheckable(true);
    m_clearButton = new QPushButton(QStringLiteral("清屏"), this);
    m_clearButton->setObjectName("clearButton");
    m_clearButton->setFixedSize(44, 25);
    m_clearButton->setCursor(Qt::PointingHandCursor);
    m_clearButton->setStyleSheet("QPushButton{color:#0081ff;background-color:transparent;}");
    toolLayout->addWidget(m_targetLabel);
    toolLayout->addWidget(m_targetBox);
    toolLayout->addWidget(m_emojiButton);
    toolLayout->addWidget(m_wordButton);
    toolLayout->addWidget(m_pictureButton);
    toolLayout->addWidget(m_noTalkButton);
    toolLayout->addStretch();
    toolLayout->addWidget(m_clearButton);
    layout->addLayout(toolLayout, 0);

    auto *inputLayout = new QHBoxLayout();
    inputLayout->setContentsMargins(10, 0, 10, 10);
    m_textEdit = new QTextEdit(this);
    m_textEdit->setObjectName("chatTextEdit");
    m_textEdit->setFixedHeight(85);
    m_textEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textEdit->setContextMenuPolicy(Qt::NoContextMenu);
    m_textEdit->setAcceptRichText(false);
    m_textEdit->setFocusPolicy(Qt::ClickFocus);
    m_textEdit->setPlaceholderText(QStringLiteral("请在此输入..."));
    m_textEdit->setStyleSheet(inputStyle);
    m_textEdit->installEventFilter(this);
    inputLayout->addWidget(m_textEdit);
    layout->addLayout(inputLayout, 0);

    auto *sendLayout = new QHBoxLayout();
    sendLayout->setContentsMargins(10, 0, 10, 10);
    sendLayout->addStretch();
    m_sendButton = imageButton(imageButtonStyle("send"), QSize(62, 28), this);
    m_sendButton->setObjectName("sendButton");
    sendLayout->addWidget(m_sendButton);
    layout->addLayout(sendLayout, 0);

    m_tipLabel = new QLabel(this);
    m_tipLabel->setTextFormat(Qt::PlainText);
    m_tipLabel->setStyleSheet("QLabel{background-color:rgb(253,140,41);border-radius:2px;}");
    m_tipLabel->setAlignment(Qt::AlignCenter);
    m_tipLabel->hide();
    m_tipTimer = new QTimer(this);
    m_tipTimer->setSingleShot(true);
    connect(m_tipTimer, &QTimer::timeout, m_tipLabel, &QLabel::hide);

    m_buildTimer = new QTimer(this);
    m_buildTimer->setSingleShot(true);
    m_buildTimer->setInterval(0);
    connect(m_buildTimer, &QTimer::timeout, this, [this] { buildRows(buildBudgetMs); });
}

void ChatView::connectClient()
{
    if (g_socketClientManager)
        connect(
            g_socketClientManager, &SocketClientManager::readChatMessage, m_chatClient, &ChatClient::readChatMessage);
    connect(m_chatClient, &ChatClient::addSchoolClassMessage, this, &ChatView::addSchoolClassMessage);
    connect(m_chatClient, &ChatClient::addPersonalMessage, this, &ChatView::addPersonalMessage);
    connect(m_chatClient, &ChatClient::addNoTalkMessage, this, &ChatView::addNoTalkMessage);
    connect(m_chatClient, &ChatClient::sendFailedOut, this, &ChatView::onSendFailed);
    connect(this, &ChatView::sendSchoolClassMessage, m_chatClient, &ChatClient::sendSchoolClassChatMessage);
    connect(this, &ChatView::sendPersonalMessage, m_chatClient, &ChatClient::sendPersonalChatMessage);
    connect(this, &ChatView::sendNoTalkSchoolClassMessage, m_chatClient, &ChatClient::sendNoTalkSchoolClassMessage);
    connect(this, &ChatView::sendNoTalkPersonalMessage, m_chatClient, &ChatClient::sendNoTalkPersonalMessage);
}

ChatItemWidget *ChatView::row(int index) const
{
    QListWidgetItem *item = m_listWidget->item(index);
    return item ? qobject_cast<ChatItemWidget *>(m_listWidget->itemWidget(item)) : nullptr;
}

// ---- showing messages ----

void ChatView::addSchoolClassMessage(ChatMessage message)
{
    showMessage(message, g_classId);
}

void ChatView::addPersonalMessage(ChatMessage message)
{
    // An own text belongs to the conversation with its receiver, another's to the one with its sender.
    const bool own = message.getSenderId() == g_userId;
    showMessage(message, own ? message.getSenderName() : message.getSenderId());
}

void ChatView::showMessage(const ChatMessage &message, const QString &conversationId)
{
    UserInfo sender;
    if (!g_userInfoHash.selectUserInfo(message.getSenderId(), sender))
        return;
    QString name = StringUtil::clippedText(sender.getUserName()).toHtmlEscaped();
    if (sender.getPrime())
        name = QStringLiteral("<font color=\"red\">%1</font>").arg(name);

    if (conversationId == m_currentTargetId) {
        const QDateTime received = message.getReceiveTime();
        const qint64 gap = received.toSecsSinceEpoch() - m_lastTime.toSecsSinceEpoch();
        if (gap < 0 || gap >= timeLineSeconds)
            queueRow({ received.toString("hh:mm"), ChatItemWidget::TimeLine, QString(), QString() }, false);
        const int kind = message.getSenderId() == g_userId ? ChatItemWidget::OwnMessage : ChatItemWidget::OtherMessage;
        queueRow({ message.getContent(), kind, name, sender.getUserType() }, true);
        m_lastTime = received;
    }

    if (m_tabIndex != chatTab || conversationId != m_currentTargetId) {
        ++m_chatListMap[conversationId];
        emit signalUserChatTip(conversationId, true);
    }
}

void ChatView::queueRow(const PendingRow &row, bool trim)
{
    m_pendingRows.append(row);
    if (trim && m_listWidget->count() + m_pendingRows.size() - m_trimCount > maxItems)
        ++m_trimCount;
    // Rows that would go before they are seen are never built: a burst keeps only its last rows.
    while (m_trimCount > m_listWidget->count() && !m_pendingRows.isEmpty()) {
        m_pendingRows.removeFirst();
        --m_trimCount;
    }
    if (!m_buildTimer->isActive())
        m_buildTimer->start();
}

void ChatView::removeFirstRow()
{
    QListWidgetItem *item = m_listWidget->item(0);
    // Released at once: the view would only schedule the deletion, and a burst piles them up.
    QPointer<QWidget> widget = m_listWidget->itemWidget(item);
    delete m_listWidget->takeItem(0);
    delete widget.data();
}

void ChatView::buildRows(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_trimCount > 0 && m_listWidget->count() > 0) {
        removeFirstRow();
        --m_trimCount;
    }
    QListWidgetItem *last = nullptr;
    while (!m_pendingRows.isEmpty() && (budgetMs < 0 || clock.elapsed() < budgetMs)) {
        const PendingRow row = m_pendingRows.takeFirst();
        appendRow(new ChatItemWidget(row.text, row.kind, rowWidth(), row.name, row.userType, QPixmap(), m_listWidget));
        last = m_listWidget->item(m_listWidget->count() - 1);
    }
    if (last)
        m_listWidget->setCurrentItem(last);
    if (!m_pendingRows.isEmpty()) {
        m_buildTimer->start();
        return;
    }
    emit rowsShown();
}

void ChatView::flushRows()
{
    m_buildTimer->stop();
    buildRows(-1);
}

void ChatView::appendRow(ChatItemWidget *row)
{
    auto *item = new QListWidgetItem(m_listWidget);
    item->setSizeHint(QSize(0, row->height()));
    m_listWidget->setItemWidget(item, row);
}

void ChatView::clearList()
{
    m_buildTimer->stop();
    m_pendingRows.clear();
    m_trimCount = 0;
    while (m_listWidget->count() > 0)
        removeFirstRow();
    m_lastTime = QDateTime::fromSecsSinceEpoch(startSeconds);
}

// ---- mute ----

void ChatView::setInputEnabled(bool enabled)
{
    m_textEdit->setEnabled(enabled);
    m_sendButton->setEnabled(enabled);
}

void ChatView::showMutedText()
{
    // What the student had typed is set aside whole (its picture too) while the muted text stands in the box, and
    // comes back when the mute ends: nothing typed goes without a word.
    if (!m_draft) {
        m_draft = m_textEdit->document();
        // Kept by the panel: the box would delete a document of its own when it is given another.
        m_draft->setParent(this);
        auto *muted = new QTextDocument(this);
        muted->setDefaultFont(m_draft->defaultFont());
        muted->setDocumentMargin(m_draft->documentMargin());
        m_textEdit->setDocument(muted);
    }
    m_textEdit->setText(QString::fromUtf8(mutedText));
    m_textEdit->selectAll();
    m_textEdit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_textEdit->moveCursor(QTextCursor::End);
}

void ChatView::restoreDraft()
{
    if (!m_draft)
        return;
    QTextDocument *muted = m_textEdit->document();
    m_textEdit->setDocument(m_draft);
    m_draft = nullptr;
    delete muted;
    m_textEdit->moveCursor(QTextCursor::End);
}

void ChatView::addNoTalkMessage(ChatMessage message)
{
    const QString receiver = message.getSenderName();
    if (receiver != g_userId && receiver != QLatin1String(everyoneId))
        return;
    if (message.getCmType() == ChatMessage::Mute) {
        setInputEnabled(false);
        m_noTalkButton->setChecked(true);
        m_noTalkButton->setStyleSheet(noTalkStyle);
        showMutedText();
    } else if (message.getCmType() == ChatMessage::Unmute) {
        setInputEnabled(true);
        m_noTalkButton->setChecked(false);
        m_noTalkButton->setStyleSheet(talkStyle);
        // The muted text goes; the draft it stood for comes back.
        restoreDraft();
    }
}

void ChatView::resetChatTextEdit()
{
    // The lecturer left: whatever mute he gave ends with him, the draft stays.
    setInputEnabled(true);
    restoreDraft();
}

void ChatView::onChatNoTalkRadioButtonToggled(bool on)
{
    qInfo() << "bool:" << on;
    const QStringList ids = g_userInfoHash.selectAllUserId();
    for (const QString &id : ids) {
        UserInfo user;
        if (GlobalFunc::isUserLect(id) || !g_userInfoHash.selectUserInfo(id, user))
            continue;
        user.setNoTalk(on);
        g_userInfoHash.updateUserInfo(user);
        emit sendNoTalkPersonalMessage(id, id, on);
    }
}

void ChatView::sendLateState(QString userId)
{
    qInfo() << "id:" << userId;
    UserInfo user;
    if (GlobalFunc::isUserLect(userId) || !m_noTalkButton->isChecked() || !g_userInfoHash.selectUserInfo(userId, user))
        return;
    user.setNoTalk(true);
    g_userInfoHash.updateUserInfo(user);
    emit sendNoTalkPersonalMessage(userId, userId, true);
}

// ---- targets ----

int ChatView::itemIndexOf(const QString &id) const
{
    return m_targetBox->findData(id);
}

void ChatView::addChatListWidget(UserInfo userInfo)
{
    const QString id = userInfo.getUserId();
    if (id == g_userId)
        return;
    if (itemIndexOf(id) >= 0) {
        qWarning() << "ChatView::addChatListWidget existed id:" << id;
        return;
    }
    m_targetBox->addItem(StringUtil::clippedText(userInfo.getUserName()), id);
    m_chatListMap.insert(id, 0);
}

void ChatView::delChatListWidget(QString id)
{
    if (id == m_currentTargetId)
        m_targetBox->setCurrentIndex(0);
    m_chatListMap.insert(id, 0);
    const int index = itemIndexOf(id);
    if (index < 0) {
        qWarning() << "ChatView::delChatListWidget chatListMap not exist id" << id;
        return;
    }
    m_targetBox->removeItem(index);
    m_chatListMap.remove(id);
}

void ChatView::onChatListWidgetChange(QString id)
{
    qInfo() << "id:" << id;
    const int index = itemIndexOf(id);
    if (index < 0) {
        qWarning() << "ChatView::onChatListWidgetChange id not exist!";
        return;
    }
    m_targetBox->setCurrentIndex(index);
    emit signalUserWidgetChange(chatTab);
}

void ChatView::onChatSubmitTargetChanged(int index)
{
    qInfo() << "i:" << index;
    m_currentTargetId = m_targetBox->itemData(index).toString();
    m_chatListMap.insert(m_currentTargetId, 0);
    emit signalUserChatTip(m_currentTargetId, false);
    // Earlier texts of the new target are not shown again.
    clearList();
}

void ChatView::onUserWidgetChange(int tab)
{
    m_tabIndex = tab;
    if (tab != chatTab)
        return;
    m_chatListMap.insert(m_currentTargetId, 0);
    emit signalUserChatTip(m_currentTargetId, false);
}

// ---- clearing and tips ----

void ChatView::onChatClearButtonClicked()
{
    qDebug() << "clear";
    clearList();
    m_pictureFlag = false;
}

void ChatView::slotClassClearScreen()
{
    qInfo() << "userType:" << g_userType;
    if (g_userType != 1)
        return;
    onChatClearButtonClicked();
}

void ChatView::onChatEmojiButtonClicked()
{
    qDebug() << "emoji";
}

void ChatView::showTip(QString text)
{
    m_tipLabel->setText(text);
    m_tipLabel->adjustSize();
    const int tipWidth = qMin(qMax(m_tipLabel->width() + 20, width() / 2), width());
    m_tipLabel->setGeometry((width() - tipWidth) / 2, m_listWidget->geometry().bottom() - 34, tipWidth, 30);
    m_tipLabel->show();
    m_tipLabel->raise();
    m_tipTimer->start(tipMs);
}

void ChatView::resizeEvent(QResizeEvent *event)
{
    fitRows();
    QWidget::resizeEvent(event);
}

int ChatView::rowWidth() const
{
    return qMax(0, m_listWidget->viewport()->width() - 2 * m_listWidget->spacing());
}

void ChatView::fitRows()
{
    if (m_pictureFlag)
        return;
    const int width = rowWidth();
    for (int i = 0; i < m_listWidget->count(); ++i) {
        ChatItemWidget *widget = row(i);
        if (!widget)
            continue;
        widget->fitToWidth(width);
        m_listWidget->item(i)->setSizeHint(QSize(0, widget->height()));
    }
}

// ---- input ----

bool ChatView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_listWidget->viewport() && event->type() == QEvent::Resize) {
        const auto *resize = static_cast<QResizeEvent *>(event);
        if (resize->size().width() != resize->oldSize().width())
            fitRows();
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_textEdit && event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) {
            if (keyEvent->modifiers() & Qt::ControlModifier)
                m_textEdit->textCursor().insertText(QStringLiteral("\n"));
            else
                m_sendButton->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChatView::onImageSendButtonClicked()
{
    if (m_textEdit->toPlainText().contains(QString::fromUtf8(mutedMark)))
        return;
    const QString path = m_pictureChooser ? m_pictureChooser(this) : QString();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).size() > maxPictureBytes) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tips"), QStringLiteral("文件限制5M!"), QMessageBox::Ok);
        box.exec();
        return;
    }
    QFile file(path);
    QImage image;
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        image = QImage::fromData(file.readAll());
    if (image.isNull()) {
        qDebug() << path << "null img";
        return;
    }
    m_picturePath = path;
    const QString name = QStringLiteral("file:///%1").arg(path);
    m_textEdit->document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    const QSize shown = shownPictureSize(image.size());
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(shown.width());
    format.setHeight(shown.height());
    m_textEdit->textCursor().insertImage(format);
    m_pictureFlag = true;
}

QString ChatView::takePictureText(const QString &html)
{
    const QString paragraph = html.split(QStringLiteral("<p")).value(1);
    const int textStart = paragraph.indexOf('>') + 1;
    const int pictureStart = paragraph.indexOf(QStringLiteral("<img"));
    const QString before
        = pictureStart < 0 ? paragraph.mid(textStart) : paragraph.mid(textStart, pictureStart - textStart);

    const QString picture = html.split(QStringLiteral("<img")).value(1);
    const int source = picture.indexOf(QStringLiteral("src="));
    const int close = picture.indexOf(QStringLiteral("/>"));
    const int end = picture.indexOf(QStringLiteral("</p>"));
    QString sourcePath = picture.mid(source + 5, close - source - 2).section(' ', 0, 0);
    sourcePath.remove(QStringLiteral("file:///"));
    qDebug() << "picture:" << sourcePath;

    auto *upload = new PictureUpload;
    m_pictureUpload = upload;
    if (upload->setFileName(m_picturePath))
        upload->startUpload();
    onInsertPicture(g_userId, m_picturePath);

    m_pictureFlag = true;
    return before + picture.mid(close + 2, end - close - 2);
}

bool ChatView::readWordList(QStringList &words) const
{
    QFile file(m_wordListPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    words = text.split('|');
    return true;
}

void ChatView::getChatMessage()
{
    const QString html = m_textEdit->toHtml();
    if (html.isEmpty())
        return;
    QString text;
    if (html.contains(QStringLiteral("<img src="))) {
        text = takePictureText(html);
    } else {
        m_pictureFlag = false;
        text = m_textEdit->toPlainText();
    }
    if (text.trimmed().isEmpty()) {
        m_textEdit->clear();
        return;
    }

    QStringList words;
    if (!readWordList(words)) {
        QMessageBox::warning(this, QStringLiteral("警告"), QStringLiteral("词库初始化失败"), QMessageBox::Ok);
        return;
    }
    for (const QString &word : qAsConst(words)) {
        // A blank entry (a line end after the last "|") would match every text with a line break.
        if (word.trimmed().isEmpty() || !text.contains(word))
            continue;
        emit showMessageTip(QStringLiteral("消息包含敏感词"), blockedTipSeconds);
        m_textEdit->clear();
        return;
    }

    // Emptied first: a text the connection cannot take comes straight back into it.
    m_textEdit->clear();
    if (m_currentTargetId == g_classId)
        emit sendSchoolClassMessage(text);
    else
        emit sendPersonalMessage(m_currentTargetId, text);
}

void ChatView::onSendFailed(QString text, bool wasShown)
{
    qWarning() << "not sent, wasShown:" << wasShown;
    emit showMessageTip(notSentText, blockedTipSeconds);
    // Before what the box holds, which stays as it is (a picture too). Muted meanwhile, the text joins the draft
    // set aside, which comes back with the unmute; a window disabled while its connection is away takes it all the
    // same.
    QTextDocument *document = m_draft ? m_draft.data() : m_textEdit->document();
    const bool empty = document->isEmpty();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    if (holdsPicture(document)) {
        // A picture goes out with the text of its first paragraph only: the text handed back joins that one.
        QString joined = text;
        joined.replace(QLatin1Char('\n'), QLatin1Char(' '));
        cursor.insertText(joined + QLatin1Char(' '));
    } else {
        cursor.insertText(empty ? text : text + QLatin1Char('\n'));
    }
    if (!m_draft)
        m_textEdit->moveCursor(QTextCursor::End);
}

void ChatView::onInsertPicture(QString userId, QString path)
{
    Q_UNUSED(path)
    // An own user missing from the table is shown without name and picture; the table stays as it is.
    UserInfo user;
    g_userInfoHash.selectUserInfo(userId, user);
    queueRow({ QStringLiteral("图片已发送"), ChatItemWidget::OwnMessage,
                 StringUtil::clippedText(user.getUserName()).toHtmlEscaped(),
                 user.getUserType() },
        false);
    qDebug() << "userId:" << userId;
}
