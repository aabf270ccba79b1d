#pragma once

#include "NotificationCenter.h"
#include "ZTNoteCollection.h"
#include "ZTNoteLine.h"

#include <QCursor>
#include <QList>
#include <QRectF>
#include <QWidget>

#include <memory>
#include <optional>

class ZTFooterBar;
class ZTMusicalTest;
class ZTNoteView;

// Told after the user added, moved, deleted or re-spelled a note in the staff editor.
class ZTNoteViewDelegate {
public:
    virtual ~ZTNoteViewDelegate() = default;
    virtual void noteViewDidChange(ZTNoteView* noteView) = 0;
};

// The grand staff: bass and treble staves joined by a brace, with clefs, an optional key
// signature, and a left-to-right row of note groups with their names, bar lines and ledger
// lines. Geometry is y-up in points (origin bottom-left).
//
// The layout (which staff, where every head, accidental, ledger line and title goes, and the
// view's width) runs whenever the shown notes, the question or the size change; painting only
// draws what the last layout placed. The view keeps its own copy of the groups it shows.
class ZTNoteView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kLineSpacing = 10;
    static constexpr double kStaffHeight = 135; // bottom bass line to top treble line
    static constexpr double kStaffLeft = 41;
    static constexpr double kStaffRightInset = 29;
    static constexpr double kFirstCollectionX = 106;
    static constexpr double kLedgerLineLength = 32;
    static constexpr double kFooterBarHeight = 23;

    explicit ZTNoteView(QWidget* parent = nullptr);
    ZTNoteView(const QRect& frame, QWidget* parent = nullptr);
    ~ZTNoteView() override;

    // ---- Binding ----
    void setTest(std::shared_ptr<ZTMusicalTest> test);
    std::shared_ptr<ZTMusicalTest> test() const { return test_; }
    // Shows the groups. For a chord question a named copy of the first group (the whole
    // chord) is appended. A non-empty list hides the key signature.
    void setNoteCollections(const QList<ZTNoteCollection>& collections);
    const QList<ZTNoteCollection>& noteCollections() const { return noteCollections_; }
    // Appends a group (an entered answer) and hides the key signature.
    void addNoteCollection(const ZTNoteCollection& collection);
    void resetNotes();
    // The question's notes, when the question wants them shown.
    void showNotesFromTest();
    // Key-signature picture 0..14: clears the question and the notes. Other numbers change nothing.
    void showSignatureWithNr(qint64 number);
    void setSignatureImageNr(qint64 number);
    qint64 signatureImageNr() const { return signatureImageNr_; }
    bool hasSignature() const { return quint64(signatureImageNr_) < 15; }

    void setShowNoteNames(bool show);
    bool showNoteNames() const { return showNoteNames_; }
    // Editing raises the staff by 20 points and shows the footer bar.
    void setEditing(bool editing);
    bool isEditing() const { return editing_; }
    void setBaseNote(qint64 baseNote) { baseNote_ = baseNote; }
    qint64 baseNote() const { return baseNote_; }
    void setMinor(bool minor) { minor_ = minor; }
    bool minor() const { return minor_; }
    void setMinNoteNr(qint64 nr) { minNoteNr_ = nr; }
    qint64 minNoteNr() const { return minNoteNr_; }
    void setMaxNoteNr(qint64 nr) { maxNoteNr_ = nr; }
    qint64 maxNoteNr() const { return maxNoteNr_; }
    void setDisableFirsNoteEditing(bool disable) { disableFirsNoteEditing_ = disable; }
    bool disableFirsNoteEditing() const { return disableFirsNoteEditing_; }
    void setDelegate(ZTNoteViewDelegate* delegate) { delegate_ = delegate; }
    ZTNoteViewDelegate* delegate() const { return delegate_; }
    ZTFooterBar* footerBar() const { return footerBar_; }
    const QCursor& noteCursor() const { return noteCursor_; }
    void setNoteCursor(const QCursor& cursor) { noteCursor_ = cursor; }
    const std::optional<QVNote>& currentNote() const { return currentNote_; }
    void setCurrentNote(const std::optional<QVNote>& note) { currentNote_ = note; }
    const std::optional<QVNote>& noteWhenMouseDown() const { return noteWhenMouseDown_; }
    void setNoteWhenMouseDown(const std::optional<QVNote>& note) { noteWhenMouseDown_ = note; }

    // ---- Results of the last layout ----
    // One hit rectangle per group.
    const QList<QRectF>& playRects() const { return playRects_; }
    // Bar lines.
    const QList<ZTNoteLine>& extraLines() const { return extraLines_; }
    void setExtraLines(const QList<ZTNoteLine>& lines) { extraLines_ = lines; }
    // Bottom line of the bass staff: round((H - 135) / 2), plus 20 while editing.
    double staffTop() const;

    // The layout, then a repaint; runs on every change of what is shown and of the size.
    void _updateCollectionsAndRectsForDrawing();
    // True when `rect` overlaps one of `rects` (touching edges do not count).
    static bool _rect(const QRectF& rect, const QList<QRectF>& rects);
    static qint64 _absDiffVal1(qint64 a, qint64 b) { return a < b ? b - a : a - b; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The drawing pass, in the view's y-up coordinates.
    virtual void _drawRect(QPainter& painter);

private:
    void init();
    void watchParent();
    // The named whole-chord group of a chord question.
    ZTNoteCollection namedChordCollection(const ZTNoteCollection& first) const;
    void drawNoteLine(class YUpPainter& painter, double x, double y) const;

    std::shared_ptr<ZTMusicalTest> test_;
    qint64 baseNote_ = 0;
    bool minor_ = false;
    bool showNoteNames_ = false;
    QList<QRectF> playRects_;
    bool disableFirsNoteEditing_ = false;
    bool editing_ = false;
    QList<ZTNoteCollection> noteCollections_;
    qint64 signatureImageNr_ = -1;
    qint64 minNoteNr_ = 0;
    qint64 maxNoteNr_ = 0;
    ZTNoteViewDelegate* delegate_ = nullptr;
    ZTFooterBar* footerBar_ = nullptr;
    QCursor noteCursor_;
    std::optional<QVNote> currentNote_;
    QList<ZTNoteLine> extraLines_;
    std::optional<QVNote> noteWhenMouseDown_;

    // How many notes of each group the last layout placed (a chord question places only
    // the first note of its single tones).
    QList<qint64> placedNotes_;
    QWidget* watchedParent_ = nullptr;
    bool inLayout_ = false;
    // The titles are note names in the user's spelling: a new spelling means a new layout.
    NotificationObserver spellingObserver_;
    NotificationObserver nameTypeObserver_;
};
