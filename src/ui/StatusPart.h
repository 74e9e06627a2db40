#pragma once

#include <QLabel>

// One part of the status bar: a line of text (or a few, wrapped at word
// breaks) in the room the bar's layout gives it. text() is always the whole
// text and the tooltip shows it whole (or the tooltip set, when the part
// shows a shortened form); should a text the program does not choose (a
// server's reason) outgrow the room, it ends in "…" rather than being cut
// off mid-letter or pushing its neighbours out of the window.
class StatusPart : public QLabel
{
    Q_OBJECT

public:
    StatusPart(const QString& name, QWidget* parent);

    // The lines the part has room for (1 unless set).
    void setLines(int lines);
    int lines() const { return m_lines; }
    // Whether text fits the part's room as it is now, wrapped as it paints.
    bool fits(const QString& text) const;

    // The part's own text with a longer form of it for the tooltip.
    void setText(const QString& shown, const QString& whole);
    using QLabel::setText;

    // The whole text, as it asks for room; it may be given less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as painted in the room it has now.
    QString shownText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int flags() const;
    // The size text takes, wrapped (where the part has lines for it) at width.
    QSize needed(const QString& text, int width) const;

    int m_lines = 1;
};
