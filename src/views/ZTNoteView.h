#pragma once

#include "NotificationCenter.h"
#include "YUpMouseView.h"
#include "ZTFooterBar.h"
#include "ZTNoteCollection.h"
#include "ZTNoteLine.h"

#include <QCursor>
#include <QList>
#include <QRectF>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

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
//
// Playing (the main window): a press on a group sounds it on the MIDI controller's current
// instrument, a drag moves the sound from group to group, the release silences it.
// Editing (the exercise editors): the footer bar adds notes, deletes the selected one and sets
// its accidental; a drag moves a note to another pitch. For a chord question the view keeps
// one group per inversion plus the named whole chord. The delegate hears of every change.
class ZTNoteView : public YUpMouseView, public ZTFooterBarDelegate {
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
    // The note being edited (between an editing press on a note and the release); null when none.
    const QVNote* currentNote() const;
    const std::optional<QVNote>& noteWhenMouseDown() const { return noteWhenMouseDown_; }

    // ---- Sounding ----
    // Sound and silence one note (0..127; other numbers are ignored) on the current instrument.
    void keyDown(qint64 noteNr);
    void keyUp(qint64 noteNr);
    bool isKeyDown(qint64 noteNr) const;
    // Silences every note this view sounds.
    void allNotesUp();

    // ---- Mouse, on y-up points (the Qt events call these) ----
    void mouseDownAt(const QPointF& point) override;
    void mouseDraggedAt(const QPointF& point) override;
    void mouseUpAt(const QPointF& point) override;
    void mouseExited(bool buttonHeld) override;

    // ---- Editing ----
    // Appends the next note: the lowest allowed note first, then a third (chord) or a scale
    // step (other questions) above. Selected, and the delegate is told.
    void addNote();
    void unselectAllNotesShouldDisplay(bool display);
    // A chord question's chord symbol; the named whole-chord group follows it.
    void setChordId(const QString& chordId);
    // Add (tag 0), delete the selected notes (tag 1), accidental toggles (tags 2 to 5).
    void footerBar(ZTFooterBar* bar, ImageButton* button) override;
    // The note whose head contains the point, with its group's index; -1 and null for none.
    const QVNote* _noteForPoint(const QPointF& point, qint64* collectionIndex = nullptr) const;
    // A new note for the pitch at the point's height, within minNoteNr..maxNoteNr.
    QVNote _noteFromPoint(const QPointF& point) const;
    // Index of the first hit rectangle containing the point; -1 for none.
    qint64 _noteCollectionIndexForPoint(const QPointF& point) const;
    // MIDI number of the note that addNote appends after `noteNr`.
    qint64 _nextNoteForNr(qint64 noteNr) const;
    // Appends `collection` when given, then rebuilds every group as the chord from its first
    // note upward (lower tones an octave higher) and shows them with the whole chord.
    void _prepareForChords(const std::optional<ZTNoteCollection>& collection);
    QList<QVNote> _selectedNotes() const;
    // Index of the first group holding a selected note equal to `note`; -1 for none.
    qint64 _findCollectionWithNote(const QVNote& note) const;
    void _updateButtons();
    // The accidental of the toggle that is on (+2, +1, -2, -1), 0 for none.
    qint64 _offsetForSelectedButton() const;
    // Group clean-up for editor hosts: drops groups whose first note repeats an earlier one or
    // that leave the note range, then sorts by the first note.
    void _removeDoubblesAndSort();
    void _removeDoubbles();
    void _sortCollections();

    // ---- Results of the last layout ----
    // One hit rectangle per group.
    const QList<QRectF>& playRects() const { return playRects_; }
    // Bar lines.
    const QList<ZTNoteLine>& extraLines() const { return extraLines_; }
    void setExtraLines(const QList<ZTNoteLine>& lines) { extraLines_ = lines; }
    // Bottom line of the bass staff: round((H - 135) / 2), plus 20 while editing.
    double staffTop() const;

    // ---- Fitting into the view ----
    // The layout keeps its points whatever the view's height. Where what it places (staves,
    // clefs, notes with their ledger lines and accidentals, names) reaches past the view's top
    // or bottom (or, while editing, into the footer bar), the drawing moves up or down to
    // bring it in; where it is taller than the view, it is drawn smaller, the same in both
    // directions, so that all of it shows. Mouse events are mapped back to layout points.
    // Pixels of the view per layout point: 1 unless the drawing had to be made smaller.
    double drawingScale() const { return drawingScale_; }
    // Pixels at the view's bottom that the drawing keeps clear, as it keeps clear of the footer
    // bar while editing: room for a control that shows over the view there.
    void setBottomClearance(double pixels);
    // The part of the layout the view shows, in layout points (y-up).
    QRectF visibleArea() const;
    // A layout rectangle in the view's own y-up pixels, and a y-up view point in layout points.
    QRectF toView(const QRectF& layoutRect) const;
    QPointF fromView(const QPointF& viewPoint) const;

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
    QPointF pointForPosition(const QPointF& qtPosition) const override;
    // The drawing pass, in the view's y-up coordinates.
    virtual void _drawRect(QPainter& painter);

private:
    void init();
    void watchParent();
    // The named whole-chord group of a chord question.
    ZTNoteCollection namedChordCollection(const ZTNoteCollection& first) const;
    void drawNoteLine(class YUpPainter& painter, double x, double y) const;
    // "signature_<n>" while a key signature shows, else empty.
    QString signatureImageName() const;
    // How many notes of group `collectionIndex` the last layout placed.
    qint64 placedNotes(qint64 collectionIndex) const;
    // Lowest and highest layout y of everything the drawing pass puts down.
    std::pair<double, double> drawnHeightRange() const;
    // Chooses the drawing's scale and offset for the last layout (see "Fitting into the view").
    void fitDrawingIntoView();
    // Which notes of group `index` a press sounds: all of a chord progression's or of a chord
    // question's whole chord, else the first.
    QList<qint64> soundingNotes(qint64 index) const;
    // Group and note index of the pickable note whose head contains the point.
    std::optional<std::pair<qint64, qint64>> notePlaceForPoint(const QPointF& point) const;
    void _editingMouseDownOverNote(qint64 collection, qint64 note);
    void _editingMouseDownOutsideNote(const QPointF& point);
    void _noteViewDidChange();
    // A chord question drops its whole-chord group before its tones change.
    void removeWholeChord();
    // After the notes changed: a chord's inversions are rebuilt, other notes laid out again.
    void rebuildAfterEdit();
    bool isChordQuestion() const;
    void selectNotes(const std::function<bool(const QVNote&)>& selected);
    void addToSelectedNotes(qint64 offset);
    void deleteSelectedNotes();

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
    // Where the note being edited lies: group and note index.
    std::optional<std::pair<qint64, qint64>> currentNote_;
    std::array<bool, 128> keyDown_{};
    bool startedWithMouseDown_ = false;
    QList<ZTNoteLine> extraLines_;
    std::optional<QVNote> noteWhenMouseDown_;

    // How many notes of each group the last layout placed (a chord question places only
    // the first note of its single tones).
    QList<qint64> placedNotes_;
    // View pixels = layout points x drawingScale_, moved up by drawingOffset_ pixels.
    double drawingScale_ = 1.0;
    double drawingOffset_ = 0.0;
    double bottomClearance_ = 0.0;
    QWidget* watchedParent_ = nullptr;
    bool inLayout_ = false;
    // The titles are note names in the user's spelling: a new spelling means a new layout.
    NotificationObserver spellingObserver_;
    NotificationObserver nameTypeObserver_;
};
