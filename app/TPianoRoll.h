// The piano roll panel: the notes of a chord variation or track over a grid of measures and beats.
#pragma once

#include "shell/CRollLayout.h"
#include "shell/CRollNotes.h"

#include <QString>
#include <QWidget>
#include <memory>

class CExtProgList;
class CNstEditIfc;

// Paints what CRollLayout places at the widget's size (the SVG of the command-line tool shows the same):
// a bar per note on its key's row in its track's colour, shaded by velocity, notes outside their
// program's range outlined in red, a legend of the tracks, key names and measure numbers, and the play
// cursor. A note's tool tip gives its key, start, length and velocity. Without notes to show it shows a
// short text saying why. It keeps its own copy of the notes and no reference to a style.
class TPianoRoll : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* NoNodeText = "Select a chord variation or a track to see its notes.";
    static constexpr const char* UnreadableText = "The notes of this chord variation cannot be read.";

    explicit TPianoRoll(QWidget* parent = nullptr);
    ~TPianoRoll() override;

    // Showing
    // Reads and shows chord variation `cv` of `element` of `style` with `track` AllTracks, or that one
    // track (0..7); note ranges from `programs`. Creates and changes nothing in the style. A chord
    // variation that is absent or cannot be read shows UnreadableText. Call it again after every change
    // of the style: the panel does not notice changes by itself.
    void ShowNode(CNstEditIfc& style, const CExtProgList& programs, int element, int cv, int track);
    // Shows `content` as given.
    void ShowContent(const CRollContent& content);
    // Shows no notes, only `text`.
    void Clear(const QString& text = NoNodeText);

    // What is shown
    // The notes shown, or null while a text is shown instead.
    const CRollContent* Content() const { return content.get(); }
    // Their places at the widget's current size, or null while a text is shown. Valid until the notes
    // or the size change.
    const CRollLayout* Layout() const { return layout.get(); }
    // The text shown instead of notes (empty while notes are shown).
    const QString& EmptyText() const { return emptyText; }
    // The tool tip at `pos` (widget coordinates): the text of the note drawn there, or empty.
    QString ToolTipAt(const QPoint& pos) const;

    // Play cursor
    // Moves the play cursor to `tick` (384 per quarter note from the chord variation's start, as the
    // media player reports it); a negative tick, or one after the roll's end, hides it. Repaints only
    // where the cursor was and is.
    void SetCursorTick(int tick);
    int CursorTick() const { return cursorTick; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Relayout();
    // The strip the cursor covers at `tick`, empty when it is hidden.
    QRect CursorStrip(int tick) const;

    std::unique_ptr<CRollContent> content;
    std::unique_ptr<CRollLayout> layout;
    QString emptyText = NoNodeText;
    int cursorTick = -1;
};
