#include "vrek/course/coursetoolview.h"

#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDebug>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>

namespace {
struct ToolButtonSpec
{
    const char *objectName;
    const char *image; // the pictures <image>-1.png (normal), -2.png (hover), -3.png (checked)
    bool checkable;
};

// In the bar's order; the eight drawing tools are exclusive, undo and clear act at once.
const ToolButtonSpec toolButtonSpecs[] = {
    { "pullButton", "drag", true },
    { "blaserButton", "laser", true },
    { "penButton", "pencil", true },
    { "textButton", "text", true },
    { "lineButton", "line", true },
    { "ellipseButton", "ppen", true },
    { "rectangleButton", "rect", true },
    { "eraseButton", "eraser", true },
    { "undoButton", "revert", false },
    { "clearButton", "cls", false },
};

const char *const colorButtonSheet
    = "QPushButton{border:1px  groove gray solid #808080;border-radius:10px;padding:2px 4px ; background-color:%1;}";
// The box draws its own frame: left to the platform style, a transparent background turns the whole box black
// under its black text.
const char *const comboBoxSheet = "QComboBox{font-family:黑体;font-size:10pt;background-color:transparent;"
                                  "selection-color:black;selection-background-color:transparent;}"
                                  "QComboBox{border:1px solid #c8cdd2;border-radius:3px;color:#333333;}";
const char *const comboScrollBarSheet
    = "QScrollBar:vertical{width:8px;background:rgba(0,0,0,0%);padding-top:0px;padding-bottom:0px;}"
      "QScrollBar::handle:vertical{min-height:30px;background:rgba(0,0,0,20%);border-radius:4px;}"
      "QScrollBar::handle:vertical:hover{background:rgba(0,0,0,50%);}"
      "QScrollBar::handle:vertical:pressed{background:rgba(0,0,0,40%);}"
      "QScrollBar::add-line:vertical{background-color:transparent}"
      "QScrollBar::sub-line:vertical{background-color:transparent}";

struct ZoomItem
{
    const char *text;
    double factor;
};

const ZoomItem zoomItems[] = {
    { "25%", 0.25 },
    { "33%", 0.33 },
    { "50%", 0.5 },
    { "67%", 0.67 },
    { "75%", 0.75 },
    { "80%", 0.8 },
    { "90%", 0.9 },
    { "100%", 1.0 },
    { "110%", 1.1 },
    { "125%", 1.25 },
    { "150%", 1.5 },
    { "175%", 1.75 },
    { "200%", 2.0 },
    { "300%", 3.0 },
    { "400%", 4.0 },
};

QString toolButtonSheet(const QString &image)
{
    const QString base = QStringLiteral(":/vrek/image/centerview/") + image;
    // The drag button's checked rule has always carried a blank before its brace.
    const QString checked = image == QLatin1String("drag") ? QStringLiteral("QPushButton:checked {")
                                                           : QStringLiteral("QPushButton:checked{");
    return QStringLiteral("QPushButton{border-image: url(%1-1.png);}QPushButton:hover{border-image: url(%1-2.png);}")
               .arg(base)
        + checked + QStringLiteral("border-image: url(%1-3.png);}").arg(base);
}

QFrame *separator(const char *objectName, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(objectName);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPushButton *plainButton(const char *objectName, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(objectName);
    return button;
}
} // namespace

struct CourseToolView::Form
{
    QHBoxLayout *horizontalLayout_3;
    QLabel *courseNameLabel;
    QHBoxLayout *drawBtnHorizontalLayout;
    QList<QPushButton *> toolButtons; // in toolButtonSpecs order
    QPushButton *colorButton;
    QFrame *line;
    QComboBox *pageComboBox;
    QFrame *line_2;
    QComboBox *rationComboBox;
    QFrame *line_3;
    QHBoxLayout *ToolBtnHorizontalLayout;
    QPushButton *saveButton;
    QPushButton *maximizeButton;

    explicit Form(QWidget *bar)
    {
        bar->setWindowTitle(QStringLiteral("CourseToolView"));
        bar->resize(929, 43);
        horizontalLayout_3 = new QHBoxLayout(bar);
        horizontalLayout_3->setObjectName("horizontalLayout_3");
        horizontalLayout_3->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

        courseNameLabel = new QLabel(bar);
        courseNameLabel->setObjectName("courseNameLabel");
        courseNameLabel->setTextFormat(Qt::RichText);
        courseNameLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        courseNameLabel->setWordWrap(true);
        horizontalLayout_3->addWidget(courseNameLabel);

        drawBtnHorizontalLayout = new QHBoxLayout;
        drawBtnHorizontalLayout->setObjectName("drawBtnHorizontalLayout");
        drawBtnHorizontalLayout->setSpacing(20);
        for (const ToolButtonSpec &spec : toolButtonSpecs) {
            QPushButton *button = plainButton(spec.objectName, bar);
            button->setCheckable(spec.checkable);
            button->setAutoExclusive(spec.checkable);
            drawBtnHorizontalLayout->addWidget(button);
            toolButtons.append(button);
        }
        colorButton = plainButton("colorButton", bar);
        drawBtnHorizontalLayout->addWidget(colorButton);
        horizontalLayout_3->addLayout(drawBtnHorizontalLayout);

        line = separator("line", bar);
        horizontalLayout_3->addWidget(line);
        pageComboBox = new QComboBox(bar);
        pageComboBox->setObjectName("pageComboBox");
        horizontalLayout_3->addWidget(pageComboBox);
        line_2 = separator("line_2", bar);
        horizontalLayout_3->addWidget(line_2);
        rationComboBox = new QComboBox(bar);
        rationComboBox->setObjectName("rationComboBox");
        horizontalLayout_3->addWidget(rationComboBox);
        line_3 = separator("line_3", bar);
        horizontalLayout_3->addWidget(line_3);

        ToolBtnHorizontalLayout = new QHBoxLayout;
        ToolBtnHorizontalLayout->setObjectName("ToolBtnHorizontalLayout");
        ToolBtnHorizontalLayout->setSpacing(20);
        saveButton = plainButton("saveButton", bar);
        maximizeButton = plainButton("maximizeButton", bar);
        maximizeButton->setCheckable(true);
        ToolBtnHorizontalLayout->addWidget(saveButton);
        ToolBtnHorizontalLayout->addWidget(maximizeButton);
        horizontalLayout_3->addLayout(ToolBtnHorizontalLayout);

        horizontalLayout_3->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        horizontalLayout_3->setStretch(0, 1);
        horizontalLayout_3->setStretch(1, 5);
        horizontalLayout_3->setStretch(9, 1);
    }

    QPushButton *toolButton(const char *objectName) const
    {
        for (QPushButton *button : toolButtons) {
            if (button->objectName() == QLatin1String(objectName))
                return button;
        }
        return nullptr;
    }
};

CourseToolView::CourseToolView(QWidget *parent)
    : QWidget(parent)
    , m_form(new Form(this))
{
    qInfo() << "parent:" << parent;
    initial();
}

CourseToolView::~CourseToolView()
{
    qInfo() << "~CourseToolView";
    delete m_form;
}

QList<QPushButton *> CourseToolView::toolButtons() const
{
    return m_form->toolButtons;
}

void CourseToolView::initial()
{
    qDebug() << "CourseToolView::initial";
    m_form->saveButton->hide();
    viewResizeIn(24);
    m_form->courseNameLabel->setWordWrap(true);

    QComboBox *pages = m_form->pageComboBox;
    pages->insertItem(0, QStringLiteral("0/0"), 0);
    pages->setItemData(0, QSize(0, 0), Qt::SizeHintRole);

    QComboBox *zoom = m_form->rationComboBox;
    for (const ZoomItem &item : zoomItems)
        zoom->addItem(QString::fromLatin1(item.text), item.factor);
    zoom->setCurrentText(QStringLiteral("100%"));

    m_form->courseNameLabel->setStyleSheet(QStringLiteral("QLabel{font-family:黑体;font-size:10pt;}"));
    for (int i = 0; i < m_form->toolButtons.size(); ++i)
        m_form->toolButtons.at(i)->setStyleSheet(toolButtonSheet(QString::fromLatin1(toolButtonSpecs[i].image)));
    m_form->saveButton->setStyleSheet(
        QStringLiteral("QPushButton{border-image: url(:/vrek/image/centerview/save-1.png);}"
                       "QPushButton:hover{border-image: url(:/vrek/image/centerview/save-2.png);}"
                       "QPushButton:checked{border-image: url(:/vrek/image/centerview/save-2.png);}"));
    m_form->maximizeButton->setStyleSheet(
        QStringLiteral("QPushButton{border-image: url(:/vrek/image/centerview/fullppt-1.png);}"
                       "QPushButton:checked{border-image: url(:/vrek/image/centerview/fullppt-2.png);}"));
    for (QComboBox *box : { pages, zoom }) {
        box->setStyleSheet(QString::fromUtf8(comboBoxSheet));
        box->view()->verticalScrollBar()->setStyleSheet(QString::fromLatin1(comboScrollBarSheet));
    }

    connect(m_form->colorButton, &QPushButton::pressed, this, &CourseToolView::signalColorButtonClicked);
    for (QPushButton *button : qAsConst(m_form->toolButtons))
        connect(button, &QPushButton::clicked, this, &CourseToolView::onDrawButtonClicked);
    connect(m_form->maximizeButton, &QPushButton::toggled, this, &CourseToolView::signalMaximizeButtonToggled);
    connect(pages, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &CourseToolView::onPageComboboxCurrentIndexChanged);
    connect(
        zoom, QOverload<int>::of(&QComboBox::activated), this, &CourseToolView::onRationComboboxCurrentIndexChanged);

    // Checking is not clicking: the board keeps its own start tool until the user picks one.
    m_form->toolButton(GlobalFunc::isCurrentUserLect() ? "blaserButton" : "pullButton")->setChecked(true);
    m_form->toolButton("undoButton")->hide();
}

void CourseToolView::viewResizeIn(unsigned int h)
{
    qDebug() << "h:" << h;
    const int side = int(h);
    m_form->courseNameLabel->setFixedHeight(side);
    const int swatch = int(h * 0.8);
    m_form->colorButton->setFixedSize(swatch, swatch);
    for (QPushButton *button : qAsConst(m_form->toolButtons))
        button->setFixedSize(side, side);
    const int boxWidth = int(h * 2.5 * g_uiScale);
    m_form->pageComboBox->setFixedSize(boxWidth, side);
    m_form->rationComboBox->setFixedSize(boxWidth, side);
    m_form->saveButton->setFixedSize(side, side);
    m_form->maximizeButton->setFixedSize(side, side);
}

void CourseToolView::setToolBtnEnable(bool flag)
{
    qDebug() << "flag:" << flag;
    m_form->colorButton->setEnabled(flag);
    for (QPushButton *button : qAsConst(m_form->toolButtons))
        button->setEnabled(flag);
    m_form->pageComboBox->setEnabled(flag);
    m_form->rationComboBox->setEnabled(flag);
}

void CourseToolView::setToolBtnHidden(bool flag)
{
    qDebug() << "flag:" << flag;
    m_form->colorButton->setHidden(flag);
    for (QPushButton *button : qAsConst(m_form->toolButtons))
        button->setHidden(flag);
}

void CourseToolView::setDrawBtnHidden(bool flag)
{
    for (QWidget *widget : std::initializer_list<QWidget *> { m_form->toolButton("pullButton"), m_form->pageComboBox,
             m_form->rationComboBox, m_form->line, m_form->line_2, m_form->line_3 })
        widget->setHidden(flag);
}

void CourseToolView::setMaximizeBtnHidden(bool flag)
{
    m_form->maximizeButton->setHidden(flag);
}

void CourseToolView::slotPenColorChange(const QString &color)
{
    m_form->colorButton->setStyleSheet(QString::fromLatin1(colorButtonSheet).arg(color));
}

void CourseToolView::setCourseName(const QString &name)
{
    m_form->courseNameLabel->setText(QStringLiteral("<p style='margin:10px'>%1</p>").arg(StringUtil::clippedText(name).toHtmlEscaped()));
    m_form->courseNameLabel->setToolTip(StringUtil::plainToolTip(name));
}

void CourseToolView::setPageCombox(int currentIndex, int pageCount)
{
    QComboBox *pages = m_form->pageComboBox;
    while (pages->count() > 1)
        pages->removeItem(pages->count() - 1);
    for (int k = 1; k <= pageCount; ++k)
        pages->addItem(QString::number(k), k - 1);
    pages->setItemText(0, QStringLiteral("%1/%2").arg(currentIndex + 1).arg(pageCount));
}

void CourseToolView::setRateCombox(double factor)
{
    QComboBox *zoom = m_form->rationComboBox;
    int found = -1;
    for (int i = 0; i < zoom->count(); ++i) {
        if (qFuzzyCompare(zoom->itemData(i).toDouble(), factor)) {
            found = i;
            break;
        }
    }
    zoom->setCurrentIndex(found);
}

void CourseToolView::onDrawButtonClicked()
{
    if (auto *button = qobject_cast<QPushButton *>(sender()))
        emit signalDrawButtonClicked(button->objectName());
}

void CourseToolView::onPageComboboxCurrentIndexChanged(int i)
{
    QComboBox *pages = m_form->pageComboBox;
    const QVariant data = pages->itemData(i);
    qDebug() << "i:" << i << "data:" << data;
    const QString text = pages->itemText(i);
    // The closed box always shows the current/count line.
    pages->setCurrentIndex(0);
    if (i > 0)
        emit signalPageComboboxChanged(text, data.toInt());
}

void CourseToolView::onRationComboboxCurrentIndexChanged(int i)
{
    QComboBox *zoom = m_form->rationComboBox;
    const QVariant data = zoom->itemData(i);
    qDebug() << "i: " << i << "data:" << data;
    emit signalRationComboboxChanged(zoom->itemText(i), data.toDouble());
}
