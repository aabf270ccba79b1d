// The exercise screen's widgets: the toolbar, the main area with sidebar, staff and graph,
// the instrument panel, their texts and the painted background.
#include "ZTMainViewController.h"

#include "Color.h"
#include "Fonts.h"
#include "ImageButton.h"
#include "ImageView.h"
#include "Localization.h"
#include "ZTCountDownView.h"
#include "ZTGraphHostingView.h"
#include "ZTInstrumentToolbar.h"
#include "ZTKeyboardView.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTSplitView.h"
#include "ZTStatBackView.h"
#include "ZTTableViewBackView.h"
#include "ZTToolbar.h"
#include "ZTToolbarInfoView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kToolbarHeight = 64;

constexpr int kInstrumentStripHeight = 34;
constexpr int kInstrumentHeight = int(ZTKeyboardView::kKeyboardHeight);
// The least the parts that give way in a small window keep: with them the whole screen fits a
// 1024 x 600 display with a title bar and a panel. The staff draws whatever it shows smaller
// where it needs more height; the graph keeps room for its bars and for labels of a short
// item name under them; the info panel shows its prompt in two lines.
constexpr int kInfoMinimumWidth = 220;
constexpr int kStaffPreferredHeight = 230;
constexpr int kStaffMinimumHeight = 140;
constexpr int kLowerPaneMinimumHeight = 100;

ImageButton* makeImageButton(QWidget* parent, const QString& image, ImageButton::Type type, const QSize& size)
{
    auto* button = new ImageButton(parent);
    button->setType(type);
    button->setImageName(image);
    button->setFixedSize(size);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

void ZTMainViewController::buildViews()
{
    setObjectName(QStringLiteral("mainView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(buildMainArea(), 1);
    layout->addWidget(buildInstrumentPanel());

    countDownAdapter_ = ZTCountDownAdapter(countDownView_);
    nextButtonAdapter_ = ZTButtonAdapter(nextButton_);
    stepViewAdapter_ = ZTStepViewAdapter(chordProgressionStepView_);
    staffAdapter_ = std::make_unique<ZTStaffAdapter>(noteView_);
}

QWidget* ZTMainViewController::buildToolbar()
{
    toolbar_ = new ZTToolbar(this);
    toolbar_->setFixedHeight(kToolbarHeight);
    auto* bar = new QHBoxLayout(toolbar_);
    // Spaced closely: the pop-ups show their longest entries and the info panel its two-line
    // prompts side by side in the default window.
    const int verticalMargin = (kToolbarHeight - ZTToolbarInfoView::kPreferredHeight) / 2;
    bar->setContentsMargins(12, verticalMargin, 12, verticalMargin);
    bar->setSpacing(6);

    // Their widths follow their entries (sizePopupButtons).
    exercisePopupButton_ = new ZTPopupButton(toolbar_);
    exercisePopupButton_->setFixedSize(kPopupMinimumWidth, 28);
    levelPopupButton_ = new ZTPopupButton(toolbar_);
    levelPopupButton_->setFixedSize(kPopupMinimumWidth, 28);
    connect(levelPopupButton_, &ZTPopupButton::itemChosen, this, [this](int index) { levelPopupButtonAction(index); });
    bar->addWidget(exercisePopupButton_);
    bar->addWidget(levelPopupButton_);
    bar->addSpacing(6);

    playButton_ = makeImageButton(toolbar_, QStringLiteral("repeatButton"), ImageButton::Type::MomentaryChange, {36, 36});
    playButton_->setAlternateImageName(QStringLiteral("repeatButtonHighlighted"));
    connect(playButton_, &QAbstractButton::clicked, this, [this] { playAction(); });
    nextButton_ = makeImageButton(toolbar_, QStringLiteral("playButton"), ImageButton::Type::MomentaryChange, {44, 44});
    nextButton_->setAlternateImageName(QStringLiteral("playButtonHighlighted"));
    connect(nextButton_, &QAbstractButton::clicked, this, [this] { nextAction(Sender::Button); });
    bar->addWidget(playButton_);
    bar->addWidget(nextButton_);
    bar->addSpacing(2);

    auto* info = new ZTToolbarInfoView(toolbar_);
    info->setMinimumWidth(kInfoMinimumWidth);
    info->setFixedHeight(ZTToolbarInfoView::kPreferredHeight);
    toolbar_->setToolbarInfoView(info);
    bar->addWidget(info, 1);

    countDownView_ = new ZTCountDownView(toolbar_);
    countDownView_->setFixedSize(48, 30);
    // The count-down comes and goes with every answer; its place stays, so the info panel
    // beside it does not jump.
    QSizePolicy countDownPolicy = countDownView_->sizePolicy();
    countDownPolicy.setRetainSizeWhenHidden(true);
    countDownView_->setSizePolicy(countDownPolicy);
    bar->addWidget(countDownView_);
    bar->addSpacing(2);

    playDirectionUpButton_ = makeImageButton(toolbar_, QStringLiteral("pfeilHochButton"), ImageButton::Type::Toggle, {30, 26});
    playDirectionDownButton_ = makeImageButton(toolbar_, QStringLiteral("pfeilRunterButton"), ImageButton::Type::Toggle, {30, 26});
    playDirectionRandomButton_ = makeImageButton(toolbar_, QStringLiteral("randomButton"), ImageButton::Type::Toggle, {30, 26});
    const std::pair<ImageButton*, int> directions[] = {
        {playDirectionUpButton_, 1}, {playDirectionDownButton_, 2}, {playDirectionRandomButton_, 3}};
    const QString selectedImages[] = {QStringLiteral("pfeilHochButtonHighlighted"),
                                      QStringLiteral("pfeilRunterButtonHighlighted"), QStringLiteral("randomButtonSelected")};
    for (const auto& [button, tag] : directions) {
        button->setTag(tag);
        button->setAlternateImageName(selectedImages[tag - 1]);
        connect(button, &QAbstractButton::clicked, this, [this, tag = tag] { playDirectionAction(tag); });
    }
    auto* directionGroup = new QHBoxLayout;
    directionGroup->setSpacing(2);
    directionGroup->addWidget(playDirectionUpButton_);
    directionGroup->addWidget(playDirectionDownButton_);
    directionGroup->addWidget(playDirectionRandomButton_);
    bar->addLayout(directionGroup);
    bar->addSpacing(6);

    testButton_ = makeImageButton(toolbar_, QStringLiteral("segmentLeftHighlighted"), ImageButton::Type::Toggle, {86, 26});
    learnButton_ = makeImageButton(toolbar_, QStringLiteral("segmentRight"), ImageButton::Type::Toggle, {86, 26});
    testButton_->setAlternateImageName(QStringLiteral("segmentLeftHighlighted"));
    learnButton_->setAlternateImageName(QStringLiteral("segmentRightHighlighted"));
    testButton_->setTag(1);
    learnButton_->setTag(2);
    for (ImageButton* button : {testButton_, learnButton_}) {
        button->setFont(Fonts::system(12, true));
        connect(button, &QAbstractButton::clicked, this, [this, button] { practiceModeChanged(int(button->tag())); });
    }
    auto* modeGroup = new QHBoxLayout;
    modeGroup->setSpacing(0);
    modeGroup->addWidget(testButton_);
    modeGroup->addWidget(learnButton_);
    bar->addLayout(modeGroup);
    return toolbar_;
}

QWidget* ZTMainViewController::buildMainArea()
{
    auto* area = new QWidget(this);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(int(kTableLeftShown), 14, 20, 14);
    row->setSpacing(14);

    sidebar_ = new QWidget(area);
    sidebar_->setFixedWidth(int(kSidebarWidth));
    auto* sidebarLayout = new QVBoxLayout(sidebar_);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    tableViewBack_ = new ZTTableViewBackView(sidebar_);
    sidebarLayout->addWidget(tableViewBack_);
    auto* backLayout = new QVBoxLayout(tableViewBack_);
    backLayout->setContentsMargins(0, 6, 0, 6);
    tableView_ = new ZTSidebarTableView(tableViewBack_);
    tableView_->setDataSource(this);
    backLayout->addWidget(tableView_);
    row->addWidget(sidebar_);

    splitView_ = new ZTSplitView(area);
    splitView_->setHandleWidth(10);
    splitView_->setStyleSheet(QStringLiteral("QSplitter::handle { background: transparent; }"));

    auto* staffPane = new ZTNotesBackView(splitView_);
    auto* staffLayout = new QVBoxLayout(staffPane);
    staffLayout->setContentsMargins(8, 4, 8, 4);
    noteView_ = new ZTNoteView(staffPane);
    noteView_->setMinimumHeight(kStaffMinimumHeight);
    staffLayout->addWidget(noteView_);

    lowerPane_ = new ZTStatBackView(splitView_);
    lowerPane_->setMinimumHeight(kLowerPaneMinimumHeight);
    auto* lowerLayout = new QVBoxLayout(lowerPane_);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    graphScrollView_ = new QScrollArea(lowerPane_);
    graphScrollView_->setFrameShape(QFrame::NoFrame);
    graphScrollView_->setWidgetResizable(true);
    graphScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    graphScrollView_->setStyleSheet(QStringLiteral(
        "QScrollArea { background: transparent; }"
        "QScrollBar:horizontal { height: 8px; background: transparent; margin: 0 6px 2px 6px; }"
        "QScrollBar::handle:horizontal { background: rgba(0,0,0,70); border-radius: 3px; min-width: 30px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
    graphScrollView_->viewport()->setAutoFillBackground(false);
    graphHostingView_ = new ZTGraphHostingView;
    graphScrollView_->setWidget(graphHostingView_);
    graphHostingView_->setAutoFillBackground(false);
    lowerLayout->addWidget(graphScrollView_);
    // The encyclopedia pane in Learning mode, with its wheel and download indicator.
    webView_ = new QWidget(lowerPane_);
    webView_->hide();
    lowerLayout->addWidget(webView_);

    splitView_->addWidget(staffPane);
    splitView_->addWidget(lowerPane_);
    splitView_->setStretchFactor(0, 0);
    splitView_->setStretchFactor(1, 1);
    splitView_->setPreferredUpperHeight(kStaffPreferredHeight);
    splitView_->setUpperView(staffPane);
    splitView_->setLowerView(lowerPane_);
    buildSplitButtons();
    row->addWidget(splitView_, 1);
    return area;
}

void ZTMainViewController::buildMicrophoneControls(QWidget* strip, QBoxLayout* layout)
{
    micButton_ = makeImageButton(strip, QStringLiteral("micButton"), ImageButton::Type::Toggle, {30, 24});
    micButton_->setAlternateImageName(QStringLiteral("micButtonHighlighted"));
    micButton_->setToolTip(localized(QStringLiteral("Use Microphone")));
    connect(micButton_, &QAbstractButton::clicked, this, [this] { micAction(); });
    ledImageView_ = new ImageView(strip);
    ledImageView_->setFixedSize(14, 14);
    ledImageView_->setImageName(QStringLiteral("ledOff"));
    layout->addSpacing(14);
    layout->addWidget(micButton_);
    layout->addSpacing(6);
    layout->addWidget(ledImageView_, 0, Qt::AlignVCenter);
}

void ZTMainViewController::buildSplitButtons()
{
    auto* up = makeImageButton(splitView_, QStringLiteral("splitViewUpButton"), ImageButton::Type::MomentaryPushIn, {30, 16});
    auto* down = makeImageButton(splitView_, QStringLiteral("splitViewDownButton"), ImageButton::Type::MomentaryPushIn, {30, 16});
    connect(up, &QAbstractButton::clicked, this, [this] { splitViewUpAction(); });
    connect(down, &QAbstractButton::clicked, this, [this] { splitViewDownAction(); });
    up->hide();
    down->hide();
    splitView_->setUpButton(up);
    splitView_->setDownButton(down);
}

QWidget* ZTMainViewController::buildInstrumentPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("instrumentPanel"));
    instrumentPanel_ = panel;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* strip = new ZTInstrumentToolbar(panel);
    strip->setFixedHeight(kInstrumentStripHeight);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(20, 4, 20, 4);
    stripLayout->setSpacing(0);
    keyboardSegment_ = makeImageButton(strip, QStringLiteral("segmentLongLeftHighlighted"), ImageButton::Type::Toggle, {96, 24});
    fretboardSegment_ = makeImageButton(strip, QStringLiteral("segmentLongRight"), ImageButton::Type::Toggle, {96, 24});
    keyboardSegment_->setAlternateImageName(QStringLiteral("segmentLongLeftHighlighted"));
    fretboardSegment_->setAlternateImageName(QStringLiteral("segmentLongRightHighlighted"));
    keyboardSegment_->setTag(1);
    fretboardSegment_->setTag(2);
    for (ImageButton* button : {keyboardSegment_, fretboardSegment_}) {
        button->setFont(Fonts::system(11, true));
        connect(button, &QAbstractButton::clicked, this, [this, button] { instrumentSegmentedAction(int(button->tag())); });
    }
    stripLayout->addWidget(keyboardSegment_);
    stripLayout->addWidget(fretboardSegment_);
    stripLayout->addStretch(1);
    chordProgressionStepView_ = new ZTChordProgressionStepView(strip);
    chordProgressionStepView_->setFixedHeight(24);
    chordProgressionStepView_->hide();
    stripLayout->addWidget(chordProgressionStepView_);
    stripLayout->addStretch(1);
    instrumentPopUpButton_ = new ZTPopupButton(strip);
    instrumentPopUpButton_->setFixedSize(200, 24);
    stripLayout->addWidget(instrumentPopUpButton_);
    buildMicrophoneControls(strip, stripLayout);
    column->addWidget(strip);

    // The instrument between its scroll buttons, centred by equal side margins.
    instrumentRow_ = new QWidget(panel);
    auto* row = new QHBoxLayout(instrumentRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kScrollButtonGap);
    row->addWidget(buildScrollButtons(&keyboardScrollLeftButton_, &keyboardScrollLeftPageButton_, true));
    instrumentScrollView_ = new QScrollArea(instrumentRow_);
    instrumentScrollView_->setFrameShape(QFrame::NoFrame);
    instrumentScrollView_->setWidgetResizable(false);
    instrumentScrollView_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instrumentScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Scrolling is done with the buttons only.
    instrumentScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instrumentScrollView_->setFixedHeight(kInstrumentHeight);
    instrumentScrollView_->setStyleSheet(QStringLiteral("QScrollArea { background: #0c0d0f; }"));
    row->addWidget(instrumentScrollView_, 1);
    row->addWidget(buildScrollButtons(&keyboardScrollRightButton_, &keyboardScrollRightPageButton_, false));
    column->addWidget(instrumentRow_);
    return panel;
}

QWidget* ZTMainViewController::buildScrollButtons(ImageButton** step, ImageButton** page, bool left)
{
    auto* buttons = new QWidget(instrumentRow_);
    auto* stack = new QVBoxLayout(buttons);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(kInstrumentHeight - 2 * 58);
    const QString side = left ? QStringLiteral("Left") : QStringLiteral("Right");
    *page = makeImageButton(buttons, QStringLiteral("keyboardScroll%1Page").arg(side), ImageButton::Type::MomentaryPushIn,
                            {kScrollButtonWidth, 58});
    *step = makeImageButton(buttons, QStringLiteral("keyboardScroll%1").arg(side), ImageButton::Type::MomentaryPushIn,
                            {kScrollButtonWidth, 58});
    if (left) {
        connect(*page, &QAbstractButton::clicked, this, [this] { keyboardScrollLeftPageAction(); });
        connect(*step, &QAbstractButton::clicked, this, [this] { keyboardScrollLeftAction(); });
    } else {
        connect(*page, &QAbstractButton::clicked, this, [this] { keyboardScrollRightPageAction(); });
        connect(*step, &QAbstractButton::clicked, this, [this] { keyboardScrollRightAction(); });
    }
    stack->addWidget(*page);
    stack->addWidget(*step);
    return buttons;
}

// ---- Window extras ----

void ZTMainViewController::_localize()
{
    testButton_->setText(localized(QStringLiteral("Training")));
    testButton_->setToolTip(localized(QStringLiteral("Training Mode")));
    learnButton_->setText(localized(QStringLiteral("Learning")));
    learnButton_->setToolTip(localized(QStringLiteral("Learning Mode")));
    keyboardSegment_->setText(localized(QStringLiteral("Keyboard")));
    keyboardSegment_->setToolTip(localized(QStringLiteral("Show keyboard")));
    fretboardSegment_->setText(localized(QStringLiteral("Fretboard")));
    fretboardSegment_->setToolTip(localized(QStringLiteral("Show fretboard")));
    playDirectionDownButton_->setToolTip(localized(QStringLiteral("Notes will be played in descending order")));
    playDirectionUpButton_->setToolTip(localized(QStringLiteral("Notes will be played in ascending order")));
    playDirectionRandomButton_->setToolTip(localized(QStringLiteral("Notes will be played in random order")));
    nextButton_->setToolTip(localized(QStringLiteral("Next question")));
    playButton_->setToolTip(localized(QStringLiteral("Repeat question")));
    exercisePopupButton_->setToolTip(localized(QStringLiteral("Select exercise")));
    levelPopupButton_->setToolTip(localized(QStringLiteral("Select level")));
    keyboardScrollLeftButton_->setToolTip(localized(QStringLiteral("Scroll one octave down")));
    keyboardScrollRightButton_->setToolTip(localized(QStringLiteral("Scroll one octave up")));
    keyboardScrollLeftPageButton_->setToolTip(localized(QStringLiteral("Scroll to lowest note")));
    keyboardScrollRightPageButton_->setToolTip(localized(QStringLiteral("Scroll to highest note")));
    instrumentPopUpButton_->setToolTip(localized(QStringLiteral("Select instrument")));
    for (ImageButton* button : {testButton_, learnButton_, keyboardSegment_, fretboardSegment_}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, Qt::white);
        button->setPalette(palette);
    }
}

// ---- Drawing and size ----

void ZTMainViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds(rect());
    QLinearGradient body(bounds.topLeft(), bounds.bottomLeft());
    body.setColorAt(0, QColor(30, 33, 38));
    body.setColorAt(1, QColor(20, 22, 26));
    painter.fillRect(bounds, body);

    const QRectF bar(0, 0, width(), toolbar_->height());
    QLinearGradient top(bar.topLeft(), bar.bottomLeft());
    top.setColorAt(0, QColor(68, 74, 84));
    top.setColorAt(1, QColor(42, 46, 53));
    painter.fillRect(bar, top);
    painter.fillRect(QRectF(0, bar.bottom() - 1, width(), 1), QColor(10, 11, 13));
    painter.fillRect(QRectF(0, 0, width(), 1), QColor(255, 255, 255, 30));

    if (instrumentPanel_) {
        const QRectF strip(0, instrumentPanel_->y(), width(), kInstrumentStripHeight);
        QLinearGradient stripFill(strip.topLeft(), strip.bottomLeft());
        stripFill.setColorAt(0, QColor(52, 57, 65));
        stripFill.setColorAt(1, QColor(36, 40, 46));
        painter.fillRect(strip, stripFill);
        painter.fillRect(QRectF(0, strip.top(), width(), 1), QColor(8, 9, 10));
        painter.fillRect(QRectF(0, strip.top() + 1, width(), 1), QColor(255, 255, 255, 22));
    }
}

void ZTMainViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    sizeGraphView();
    sizeInstrumentView();
}
