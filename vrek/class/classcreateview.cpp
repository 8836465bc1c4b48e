#include "vrek/class/classcreateview.h"

#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/combobox.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDebug>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char *const startFormat = "yyyy-MM-dd HH:mm:ss";
const char *const normalLineStyle = "QLineEdit{border:1px solid #dfe4e9;}";
const char *const errorLineStyle = "QLineEdit{border:1px solid red;}";
const char *const fieldStyle
    = "QComboBox,QDateEdit{border:1px solid #dfe4e9;}"
      "QComboBox::drop-down,QDateEdit::drop-down{width:30px;border:none;background:transparent;}"
      "QComboBox::down-arrow,QDateEdit::down-arrow{image:url(:/vrek/image/classmanagerview/down_arrow.png);"
      "width:9px;height:5px;}";
const int fieldHeight = 45;
const int minuteStep = 5;

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QComboBox *makeComboBox(const QString &name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setFixedHeight(fieldHeight);
    box->setStyleSheet(fieldStyle);
    return box;
}
} // namespace

ClassCreateView::ClassCreateView(QWidget *parent)
    : QWidget(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    buildForm();
    connect(m_cancelPushButton, &QPushButton::clicked, this, &ClassCreateView::slotCancelButtonClicked);
    connect(m_submitPushButton, &QPushButton::clicked, this, &ClassCreateView::slotSubmitButtonClicked);
    if (g_socketClientManager) {
        connect(g_socketClientManager, &SocketClientManager::signalRecvSubjectInfo, this,
            &ClassCreateView::slotRecvSubjectInfo);
        connect(g_socketClientManager, &SocketClientManager::signalCreateClassProtocol, this,
            &ClassCreateView::slotRecvCreateProtocol);
    }

    // Enter and Return submit from anywhere in the form.
    installEventFilter(this);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

void ClassCreateView::buildForm()
{
    setObjectName("ClassCreateView");
    setFixedSize(500, 400);
    setStyleSheet("font:14px;font-family:微软雅黑;");

    m_titleLabel = makeLabel("titleLabel", "新建课程", this);
    m_titleLabel->setStyleSheet("QLabel{\n    font:22px}");
    auto *titleLayout = new QHBoxLayout;
    titleLayout->setObjectName("titleLayout");
    titleLayout->addStretch();
    titleLayout->addWidget(m_titleLabel);
    titleLayout->addStretch();

    m_classNameLabel = makeLabel("classNameLabel", "课程名称：", this);
    m_classNameLineEdit = new QLineEdit(this);
    m_classNameLineEdit->setObjectName("classNameLineEdit");
    m_classNameLineEdit->setMaxLength(20);
    m_classNameLineEdit->setPlaceholderText("2-20个字");
    m_classNameLineEdit->setFixedHeight(fieldHeight);
    m_classNameLineEdit->setStyleSheet("QLineEdit{\n    border:1px solid #dfe4e9;}");
    auto *classNameLayout = new QHBoxLayout;
    classNameLayout->setObjectName("classNameLayout");
    classNameLayout->addWidget(m_classNameLabel);
    classNameLayout->addWidget(m_classNameLineEdit, 1);

    m_classGradeLabel = makeLabel("classGradeLabel", "上课班级：", this);
    m_classGradeComboBox = new ComboBox(this);
    m_classGradeComboBox->setObjectName("classGradeComboBox");
    m_classGradeComboBox->setPlaceholderText("请选择班级");
    m_classGradeComboBox->setFixedHeight(fieldHeight);
    m_classGradeComboBox->setStyleSheet(fieldStyle);
    auto *classGradeLayout = new QHBoxLayout;
    classGradeLayout->setObjectName("classGradeLayout");
    classGradeLayout->addWidget(m_classGradeLabel);
    classGradeLayout->addWidget(m_classGradeComboBox, 1);

    m_startDateLabel1 = makeLabel("startDateLabel_1", "开课时间：", this);
    m_startDateEdit = new QDateEdit(this);
    m_startDateEdit->setObjectName("startDateEdit");
    m_startDateEdit->setCalendarPopup(true);
    m_startDateEdit->setDisplayFormat("yyyy年M月d日");
    m_startDateEdit->setFixedHeight(fieldHeight);
    m_startDateEdit->setMinimumWidth(160);
    m_startDateEdit->setStyleSheet(fieldStyle);
    m_startComboBox1 = makeComboBox("startComboBox_1", this);
    for (int hour = 0; hour < 24; ++hour)
        m_startComboBox1->addItem(QString::number(hour));
    m_startDateLabel2 = makeLabel("startDateLabel_2", "时", this);
    m_startComboBox2 = makeComboBox("startComboBox_2", this);
    for (int minute = 0; minute < 60; minute += minuteStep)
        m_startComboBox2->addItem(QString::number(minute));
    m_startDateLabel3 = makeLabel("startDateLabel_3", "分", this);
    auto *classDateLayout = new QHBoxLayout;
    classDateLayout->setObjectName("classDateLayout");
    classDateLayout->addWidget(m_startDateLabel1);
    classDateLayout->addWidget(m_startDateEdit);
    classDateLayout->addWidget(m_startComboBox1);
    classDateLayout->addWidget(m_startDateLabel2);
    classDateLayout->addWidget(m_startComboBox2);
    classDateLayout->addWidget(m_startDateLabel3);

    m_classTimeLabel1 = makeLabel("classTimeLabel_1", "课节时长：", this);
    m_classTimeComboBox = makeComboBox("classTimeComboBox", this);
    for (int minutes = 20; minutes <= 120; minutes += 10)
        m_classTimeComboBox->addItem(QString::number(minutes));
    m_classTimeComboBox->setCurrentText("30");
    m_classTimeLabel2 = makeLabel("classTimeLabel_2", "分", this);
    auto *classTimeLayout = new QHBoxLayout;
    classTimeLayout->setObjectName("classTimeLayout");
    classTimeLayout->addWidget(m_classTimeLabel1);
    classTimeLayout->addWidget(m_classTimeComboBox);
    classTimeLayout->addWidget(m_classTimeLabel2);
    classTimeLayout->addStretch();

    m_tipLabel = makeLabel("tipLabel", QString(), this);
    m_tipLabel->setStyleSheet("QLabel{\n    color:red;}");
    auto *tipLayout = new QHBoxLayout;
    tipLayout->setObjectName("tipLayout");
    tipLayout->addWidget(m_tipLabel);

    m_cancelPushButton = new QPushButton("取消", this);
    m_cancelPushButton->setObjectName("cancelPushButton");
    m_cancelPushButton->setFixedSize(95, 40);
    m_cancelPushButton->setStyleSheet(
        "QPushButton{background-color:transparent;border:1px solid #e3e3e3;border-radius:2px;}");
    m_submitPushButton = new QPushButton("确定", this);
    m_submitPushButton->setObjectName("submitPushButton");
    m_submitPushButton->setFixedSize(95, 40);
    m_submitPushButton->setStyleSheet(
        "QPushButton{color:white;background-color:#0081ff;border:none;border-radius:2px;}");
    auto *classSubmitLayout = new QHBoxLayout;
    classSubmitLayout->setObjectName("classSubmitLayout");
    classSubmitLayout->addStretch();
    classSubmitLayout->addWidget(m_cancelPushButton);
    classSubmitLayout->addWidget(m_submitPushButton);
    classSubmitLayout->addStretch();

    m_classCreateLayout = new QVBoxLayout(this);
    m_classCreateLayout->setObjectName("classCreateLayout");
    m_classCreateLayout->addLayout(titleLayout);
    m_classCreateLayout->addLayout(classNameLayout);
    m_classCreateLayout->addLayout(classGradeLayout);
    m_classCreateLayout->addLayout(classDateLayout);
    m_classCreateLayout->addLayout(classTimeLayout);
    m_classCreateLayout->addLayout(tipLayout);
    m_classCreateLayout->addLayout(classSubmitLayout);
}

void ClassCreateView::initialStartTime(const QDateTime &now)
{
    QDateTime start = now;
    const int rest = start.time().minute() % minuteStep;
    if (rest != 0)
        start = start.addSecs(qint64(minuteStep - rest) * 60);
    const QDate today = now.date();
    m_startDateEdit->setDateRange(today.addYears(-1), today.addYears(1));
    m_startDateEdit->setDate(start.date());
    m_startComboBox1->setCurrentIndex(start.time().hour());
    m_startComboBox2->setCurrentIndex(start.time().minute() / minuteStep);
}

QDateTime ClassCreateView::startTime() const
{
    const QString text = QString("%1 %2:%3:%4")
                             .arg(m_startDateEdit->date().toString("yyyy-MM-dd"))
                             .arg(m_startComboBox1->currentText(), 2, QLatin1Char('0'))
                             .arg(m_startComboBox2->currentText(), 2, QLatin1Char('0'))
                             .arg("00");
    return QDateTime::fromString(text, startFormat);
}

void ClassCreateView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A create reply that never came must not keep a reopened form locked.
    endWaiting();
    initialStartTime(m_clock());
    requestSubjects();
    m_classNameLineEdit->setFocus();
}

void ClassCreateView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    endWaiting();
}

bool ClassCreateView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // A key event climbs from the focus widget to its parents: act on its first delivery only.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched == QApplication::focusWidget())
            slotSubmitButtonClicked();
    }
    return QWidget::eventFilter(watched, event);
}

void ClassCreateView::slotRecvSubjectInfo(const QList<GroupInfo> &subjects)
{
    m_classGradeComboBox->clear();
    m_subjects.clear();
    for (const GroupInfo &subject : subjects) {
        m_subjects.append(subject);
        m_classGradeComboBox->addItem(subject.getClassName());
    }
    // The user picks the class: nothing is chosen for them.
    m_classGradeComboBox->setCurrentIndex(-1);
}

void ClassCreateView::slotRecvCreateProtocol(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 3)
        return;
    if (!m_awaitingReply) {
        qWarning() << "a create reply that answers no request of this client, dropped! msg:" << line;
        return;
    }
    m_awaitingReply = false;
    bool isNumber = false;
    const int result = fields.at(2).toInt(&isNumber);
    endWaiting();
    if (isNumber && result != 0) {
        m_classNameLineEdit->clear();
        g_classStartCount = 0;
        emit signalCloseOut();
    } else {
        showInformation("创建失败");
    }
}

void ClassCreateView::slotCancelButtonClicked()
{
    emit signalCloseOut();
}

void ClassCreateView::slotSubmitButtonClicked()
{
    if (!isEnabled())
        return;
    bool valid = true;
    const QString name = m_classNameLineEdit->text();
    if (name.size() < 2) {
        m_classNameLineEdit->setStyleSheet(errorLineStyle);
        m_tipLabel->setText("课程名称需要2-20个字符");
        valid = false;
    } else {
        m_classNameLineEdit->setStyleSheet(normalLineStyle);
    }
    if (stringContainsChar(QLatin1Char('\\'), name)) {
        m_tipLabel->setText("课程名称不允许有特殊字符");
        valid = false;
    }
    const int index = m_classGradeComboBox->currentIndex();
    if (index < 0 || index >= m_subjects.size()) {
        if (m_classGradeComboBox->lineEdit())
            m_classGradeComboBox->lineEdit()->setStyleSheet(errorLineStyle);
        m_tipLabel->setText("上课班级不能为空");
        valid = false;
    } else if (m_classGradeComboBox->lineEdit()) {
        m_classGradeComboBox->lineEdit()->setStyleSheet(QString());
    }
    if (!valid)
        return;

    m_tipLabel->clear();
    const QDateTime start = startTime();
    if (start < m_clock()) {
        showInformation("开课时间不能小于当前时间");
        return;
    }

    const GroupInfo subject = m_subjects.at(index);
    QMap<QString, QVariant> row;
    row.insert("id", subject.getId());
    row.insert("title", name);
    row.insert("schoolType", subject.getSchoolType());
    row.insert("gradeType", subject.getGradeType());
    row.insert("classType", subject.getLessonType());
    row.insert("subjectType", subject.getSubjectType());
    row.insert("beginTime", start.toString(startFormat));
    row.insert("actualTime", m_classTimeComboBox->currentText());
    QString json;
    if (!StringUtil::listToJson({ row }, json)) {
        qWarning() << "the create request cannot be written! title:" << name;
        showInformation("创建失败");
        return;
    }

    setEnabled(false);
    m_submitPushButton->setText("正在加载...");
    // Without a connection no reply can come: say so now rather than wait for ever.
    if (!sendCreateRequest(json)) {
        endWaiting();
        showInformation("创建失败");
        return;
    }
    m_awaitingReply = true;
}

void ClassCreateView::endWaiting()
{
    m_submitPushButton->setText("确定");
    setEnabled(true);
}

void ClassCreateView::showInformation(const QString &text)
{
    // Window-modal and not blocking: a reply on the connection must still be read meanwhile.
    auto *box = new QMessageBox(QMessageBox::Information, "提示", text, QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool ClassCreateView::requestSubjects()
{
    if (!g_socketClientManager || !g_socketClientManager->isConnected()) {
        qWarning() << "the socket is disconnect, no class list can be asked!";
        return false;
    }
    g_socketClientManager->sendSubjectRequest();
    return true;
}

bool ClassCreateView::sendCreateRequest(const QString &json)
{
    if (!g_socketClientManager || !g_socketClientManager->isConnected()) {
        qWarning() << "the socket is disconnect, the course cannot be created! request:" << json;
        return false;
    }
    g_socketClientManager->sendCreateClass(json);
    return true;
}
