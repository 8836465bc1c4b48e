#ifndef CHATVIEW_H
#define CHATVIEW_H

#include "vrek/chat/pictureupload.h"
#include "vrek/message/chatmessage.h"
#include "vrek/userinfo/userinfo.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class ChatClient;
class ChatItemWidget;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTextDocument;
class QTextEdit;
class QTimer;

// The chat panel of the class windows: the rows of one chat target (the class, or one participant), the
// unread counts of the others, the lecturer's mute and the input with its pictures and word filter. The class
// window connects it; what it says reaches the class through its ChatClient.
class ChatView : public QWidget
{
    Q_OBJECT
public:
    // The list keeps no more rows than this; the oldest goes first.
    static constexpr int maxItems = 100;
    // Rows closer together than this (in seconds) share one time line.
    static constexpr qint64 timeLineSeconds = 60;
    // The last shown time after construction, a clear or a target change: long before any message.
    static constexpr qint64 startSeconds = 315504000;
    static constexpr qint64 maxPictureBytes = 5000000;
    static constexpr int tipMs = 2000;
    static constexpr uint blockedTipSeconds = 5;
    static const QString notSentText;
    static constexpr int chatTab = 1;
    // The list keeps room for a text of this many lines, whatever the size of the class window.
    static constexpr int shownLines = 5;
    // ... and for this many one-line texts one below the other: fewer, and a conversation cannot be followed.
    static constexpr int shownRows = 3;
    // Rows are built in the event-loop turn after they arrive, at most this long per turn; a burst builds only
    // the rows that would still be listed at its end.
    static constexpr int buildBudgetMs = 20;

    // Chooses a picture file for the input; an empty answer chooses none.
    using PictureChooser = std::function<QString(QWidget *parent)>;

    explicit ChatView(QWidget *parent = nullptr);
    ~ChatView() override;

    // The word list: ":/otherres/key.txt" unless a test gives another file.
    static QString defaultWordListPath();
    void setWordListPath(const QString &path) { m_wordListPath = path; }
    // The picture dialog, started in the desktop folder (the home folder where there is none).
    static QString choosePicture(QWidget *parent);
    // The file dialog, unless a test answers in its place.
    void setPictureChooser(const PictureChooser &chooser) { m_pictureChooser = chooser; }

    ChatClient *chatClient() const { return m_chatClient; }
    QListWidget *listWidget() const { return m_listWidget; }
    QTextEdit *textEdit() const { return m_textEdit; }
    QPushButton *sendButton() const { return m_sendButton; }
    QPushButton *noTalkButton() const { return m_noTalkButton; }
    QPushButton *pictureButton() const { return m_pictureButton; }
    QPushButton *clearButton() const { return m_clearButton; }
    QComboBox *targetBox() const { return m_targetBox; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *tipLabel() const { return m_tipLabel; }
    QString currentTargetId() const { return m_currentTargetId; }
    int unreadCount(const QString &id) const { return m_chatListMap.value(id); }
    bool pictureFlag() const { return m_pictureFlag; }
    QString picturePath() const { return m_picturePath; }
    PictureUpload *pictureUpload() const { return m_pictureUpload; }
    ChatItemWidget *row(int index) const;
    // Rows that arrived but are not built yet.
    bool hasPendingRows() const { return !m_pendingRows.isEmpty() || m_trimCount > 0; }
    // Builds every pending row now.
    void flushRows();

signals:
    void sendSchoolClassMessage(QString text);
    void sendPersonalMessage(QString targetId, QString text);
    void sendNoTalkSchoolClassMessage(QString receiverId, bool noTalk);
    void sendNoTalkPersonalMessage(QString targetId, QString receiverId, bool noTalk);
    void signalUserWidgetChange(int tab);
    void signalUserChatTip(QString targetId, bool unread);
    void showMessageTip(QString text, uint time);
    // Every row that arrived so far is built and listed.
    void rowsShown();

public slots:
    void addSchoolClassMessage(ChatMessage message);
    void addPersonalMessage(ChatMessage message);
    void addNoTalkMessage(ChatMessage message);
    void resetChatTextEdit();
    void getChatMessage();
    void addChatListWidget(UserInfo userInfo);
    void delChatListWidget(QString id);
    void onChatSubmitTargetChanged(int index);
    void onChatNoTalkRadioButtonToggled(bool on);
    void onChatListWidgetChange(QString id);
    void onImageSendButtonClicked();
    void onChatClearButtonClicked();
    void onChatEmojiButtonClicked();
    void onUserWidgetChange(int tab);
    void sendLateState(QString userId);
    void slotClassClearScreen();
    void showTip(QString text);
    void onInsertPicture(QString userId, QString path);
    // A text that did not reach the server goes back into the input box, to be sent again, and the user is told.
    void onSendFailed(QString text, bool wasShown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWidgets();
    // The width the rows are laid out for: the list's viewport, inside its spacing and beside its scroll bar.
    int rowWidth() const;
    // Every built row laid out again for the viewport's width.
    void fitRows();
    void connectClient();
    void showMessage(const ChatMessage &message, const QString &conversationId);
    struct PendingRow
    {
        QString text;
        int kind;
        QString name;
        QString userType;
    };
    // Queues a row; with trim, one item goes from the front of the list once it holds more than the limit.
    void queueRow(const PendingRow &row, bool trim);
    // Builds pending rows for at most the given time (all of them when negative).
    void buildRows(int budgetMs);
    void removeFirstRow();
    // Appends a row; the last one built in a turn is made current, which scrolls the list to it.
    void appendRow(ChatItemWidget *row);
    void clearList();
    void setInputEnabled(bool enabled);
    // Sets the draft aside behind the muted text, and brings it back.
    void showMutedText();
    void restoreDraft();
    // The text of a picture message: the first paragraph around the picture, as HTML. Starts the upload and
    // shows the picture-sent row.
    QString takePictureText(const QString &html);
    // The entries of the word list in file order; false when the list cannot be read.
    bool readWordList(QStringList &words) const;
    int itemIndexOf(const QString &id) const;

    ChatClient *m_chatClient = nullptr;
    QDateTime m_lastTime;
    QString m_currentTargetId;
    QMap<QString, int> m_chatListMap;
    int m_tabIndex = 0;
    bool m_pictureFlag = false;
    QString m_picturePath;
    QPointer<PictureUpload> m_pictureUpload;
    QString m_wordListPath;
    PictureChooser m_pictureChooser;

    QLabel *m_titleLabel = nullptr;
    QListWidget *m_listWidget = nullptr;
    QLabel *m_targetLabel = nullptr;
    QComboBox *m_targetBox = nullptr;
    QPushButton *m_emojiButton = nullptr;
    QPushButton *m_wordButton = nullptr;
    QPushButton *m_pictureButton = nullptr;
    QPushButton *m_noTalkButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QTextEdit *m_textEdit = nullptr;
    // What the student typed, kept while the muted text shows in its place.
    QPointer<QTextDocument> m_draft;
    QPushButton *m_sendButton = nullptr;
    QLabel *m_tipLabel = nullptr;
    QTimer *m_tipTimer = nullptr;
    QList<PendingRow> m_pendingRows;
    // Items still to go from the front of the list (listed rows first, then pending ones).
    int m_trimCount = 0;
    QTimer *m_buildTimer = nullptr;
};

#endif // CHATVIEW_H
